#!/usr/bin/env bash
# Installs what building and testing regcomplete needs on a Debian 12 machine, as root.
# Safe to run again: it installs only what is missing.
#
# The Windows program is 32-bit, so Wine needs to run i386 Linux binaries (its 32-bit loader). Some
# sandboxed kernels refuse 32-bit ELF files; there the loader runs under qemu-i386, registered with
# binfmt_misc. Debian 12's qemu 7.2 ignores MAP_FIXED_NOREPLACE, which makes every Wine start crawl
# through its address-space reservation for minutes, so the static qemu-i386 of Debian 13 is taken
# instead (one binary, fetched as a .deb from the Debian archive this machine's apt already uses).
#
# wine64 is needed as well as wine32: the tests use a 64-bit prefix (see tests/e2e/wine_env.sh), whose
# wineserver runs natively and can read the memory of the programs it serves.
set -euo pipefail

packages=(
  cmake g++ make clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev valgrind
  clang-format locales git ca-certificates
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick fonts-ipafont-gothic
  nsis wixl osslsigncode openssl
  php-cli php-mbstring chromium curl nginx apache2-bin
)
# Inno Setup's compiler comes from npm; Debian's Node.js is enough when the machine has none.
command -v npm >/dev/null || packages+=(nodejs npm)

log() { echo "install-deps: $*" >&2; }

. "$(dirname "$0")/apt_install.sh"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  apt_install "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives code page 932, and the tests of
# other code pages use en_US.UTF-8 (1252) and zh_CN.UTF-8 (936).
for wanted in ja_JP en_US zh_CN; do
  if ! locale -a 2>/dev/null | grep -qi "^$wanted\.utf8\$"; then
    sed -i "s/^# *$wanted.UTF-8 UTF-8/$wanted.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" >>/etc/locale.gen
    locale-gen >/dev/null
  fi
done

# Inno Setup's compiler (ISCC.exe, run under Wine by the tests), from the npm package pinned with
# its checksum in tools/innosetup/package-lock.json. The package runs no install scripts.
innosetup=$(cd "$(dirname "$0")/../tools/innosetup" && pwd)
pinned=$(cd "$innosetup" && node -p "require('./package-lock.json').packages['node_modules/innosetup'].version")
installed=$(cd "$innosetup" && node -p "require('./node_modules/innosetup/package.json').version" 2>/dev/null || true)
if [ "$installed" != "$pinned" ] || [ ! -f "$innosetup/node_modules/innosetup/bin/ISCC.exe" ]; then
  log "installing Inno Setup's compiler with npm ci"
  (cd "$innosetup" && npm ci --ignore-scripts --no-audit --no-fund >/dev/null)
fi

# Can this kernel run i386 binaries itself?
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  exit 0
fi

. "$(dirname "$0")/debian_archive.sh"

qemu=/usr/local/lib/regcomplete/qemu-i386
if [ ! -x "$qemu" ]; then
  log "this kernel cannot run i386 binaries; fetching Debian 13's static qemu-i386"
  uris=$(debian_archive_uris)
  if [ -z "$uris" ]; then
    log "no Debian archive is configured for apt (/etc/apt/sources.list or sources.list.d):"
    log "cannot fetch qemu-i386; add the Debian archive of this release and run again"
    exit 1
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # shellcheck disable=SC2086  # one argument per URI
  debian_download "$work" qemu-user trixie $uris ||
    { log "cannot fetch qemu-i386 from the Debian archive; run again later"; exit 1; }
  dpkg -x "$work"/qemu-user_*.deb "$work/x"
  install -D -m 755 "$work/x/usr/bin/qemu-i386" "$qemu"
fi

binfmt=/proc/sys/fs/binfmt_misc
[ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -f "$binfmt/regcomplete-i386" ] && ! grep -q "$qemu" "$binfmt/regcomplete-i386"; then
  echo -1 >"$binfmt/regcomplete-i386"
fi
if [ ! -f "$binfmt/regcomplete-i386" ]; then
  printf '%s' ':regcomplete-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' >"$binfmt/register"
fi
/lib/ld-linux.so.2 --version >/dev/null 2>&1 || { log "i386 binaries still do not run"; exit 1; }
