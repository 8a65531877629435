#!/usr/bin/env python3
"""Writes Quorvane's linker script: the toolchain's default one, with read-only data placed in
.text and zero-filled data in .data, so the image has four sections (.text .data .idata .rsrc).
.idata must stay an output section of its own: GNU ld fills the import directory only for it."""

import argparse
import re
import subprocess
import sys


def fail(message):
    sys.exit(f"payload_ldscript: {message}")


def default_script(linker):
    out = subprocess.run([linker, "--verbose"], check=True, capture_output=True, text=True).stdout
    parts = out.split("=" * 50)
    if len(parts) < 3:
        fail(f"{linker} --verbose printed no default script")
    return parts[1].strip() + "\n"


def move(script, section, patterns, into, after):
    """Takes the input patterns out of the output section `section` and puts them after the
    pattern `after` in the output section `into`."""
    for pattern in patterns:
        line = re.compile(r"^[ \t]*" + re.escape(pattern) + r"[ \t]*\n", re.M)
        body = re.search(r"^  " + re.escape(section) + r" [^\n]*:\n  \{\n(.*?)^  \}", script, re.M | re.S)
        if not body or not line.search(body.group(1)):
            fail(f"'{pattern}' not found in {section} of the default script")
        start, end = body.span(1)
        script = script[:start] + line.sub("", body.group(1), count=1) + script[end:]
    target = re.search(r"^  " + re.escape(into) + r" [^\n]*:\n  \{\n.*?^  \}", script, re.M | re.S)
    anchor = target and re.search(r"^[ \t]*" + re.escape(after) + r"[ \t]*\n", target.group(0), re.M)
    if not anchor:
        fail(f"'{after}' not found in {into} of the default script")
    at = target.start() + anchor.end()
    added = "".join(f"    {p}\n" for p in patterns)
    return script[:at] + added + script[at:]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--linker", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    script = default_script(args.linker)
    script = move(script, ".rdata", ["*(.rdata)", "*(SORT(.rdata$*))"], ".text", "*(.gnu.linkonce.t.*)")
    script = move(script, ".bss", ["*(.bss)", "*(COMMON)"], ".data", "*(SORT(.data$*))")
    with open(args.out, "w") as f:
        f.write(script)


if __name__ == "__main__":
    main()
