#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 (bookworm) amd64 machine, as root.
# Idempotent: when everything is already in place it only checks and returns.
set -euo pipefail

need_root() { [ "$(id -u)" = 0 ] || { echo "setup.sh: run as root" >&2; exit 1; }; }

PKGS=(g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make wine wine32:i386 xvfb xdotool x11-utils
      imagemagick fonts-wqy-microhei locales icoutils liblnk-utils googletest python3 python3-pytest python3-pil acl)

have_all() {
  command -v qemu-i386 >/dev/null || return 1
  /usr/bin/qemu-i386 --version 2>/dev/null | grep -q 'version 10' || return 1
  local p
  for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 1
  done
}

install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  local bp=/etc/apt/sources.list.d/bookworm-backports.sources
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    cat > "$bp" <<'SRC'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  # Third-party sources on the image may be unreachable; only Debian's matter here.
  apt-get update -o Acquire::Retries=3 >/dev/null || true
  apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static >/dev/null
  apt-get install -y -q --no-install-recommends "${PKGS[@]}" >/dev/null
}

register_binfmt() {
  mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # The flag F makes the kernel open the interpreter now, so it works inside any mount namespace.
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' > /proc/sys/fs/binfmt_misc/register
}

make_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

# The programs under test run as this unprivileged user, so that read-only files behave as on Windows.
make_test_user() {
  id quorvane-test >/dev/null 2>&1 || useradd --system --create-home --home-dir /var/lib/quorvane-test --shell /usr/sbin/nologin quorvane-test
}

need_root
have_all || install_packages
register_binfmt
make_locale
make_test_user
echo "setup: ready"
