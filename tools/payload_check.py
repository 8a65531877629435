#!/usr/bin/env python3
"""Fails the build when the Quorvane image drifts from its required shape: PE32, i386, GUI,
four sections, an exact size, and nothing after the last section's data."""

import argparse
import sys

import payload_pe


def problems(image, size, sections):
    if image.magic != 0x10B:
        yield f"optional-header magic is {image.magic:#x}, not 0x10b (PE32)"
    if image.machine != 0x14C:
        yield f"machine is {image.machine:#x}, not 0x14c (i386)"
    if image.subsystem != 2:
        yield f"subsystem is {image.subsystem}, not 2 (Windows GUI)"
    if len(image.sections) != sections:
        names = " ".join(s.name for s in image.sections)
        yield f"{len(image.sections)} sections ({names}), not {sections}"
    if image.size != size:
        yield f"{image.size} bytes, not {size} (off by {image.size - size:+d})"
    if image.sections and image.raw_end != image.size:
        yield f"the last section's data ends at {image.raw_end}, the file at {image.size} (overlay)"
    if image.certificate_size:
        yield "the image carries a certificate table"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("image")
    parser.add_argument("--size", type=int, required=True)
    parser.add_argument("--sections", type=int, required=True)
    args = parser.parse_args()
    found = list(problems(payload_pe.read(args.image), args.size, args.sections))
    for p in found:
        print(f"QUORVANE IMAGE CHECK FAILED: {args.image}: {p}", file=sys.stderr)
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
