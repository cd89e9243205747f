#!/usr/bin/env bash
# Checks the install step on a clean system, as a new machine would run it: makes a fresh Debian 12
# root with debootstrap (minbase) from the Debian archive this machine's apt is configured with,
# copies a clean clone of the committed HEAD into it and runs .ci/run there with chroot.
#   scripts/fresh-check.sh [--keep-binfmt] [ROOT]   (default /var/tmp/regcomplete-fresh; made anew)
# Run as root. Slow (it installs every package from nothing), so CI does not run it. The log is
# ROOT.log beside the root.
#
# binfmt_misc belongs to the kernel, not to the root: the i386 registration the project makes is
# removed first, so that the install step inside has to bring qemu-i386 again, and removed again at
# the end, so that the next install step on this machine registers its own. While other Wine work
# runs on this machine that would break it: --keep-binfmt leaves the registration alone (the install
# step inside then finds i386 binaries already running and skips the qemu-i386 fetch).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
keep_binfmt=
[ "${1:-}" = --keep-binfmt ] && { keep_binfmt=1; shift; }
root=${1:-/var/tmp/regcomplete-fresh}
log_file="$root.log"
binfmt_entry=/proc/sys/fs/binfmt_misc/regcomplete-i386

say() { echo "fresh-check: $*" >&2; }

. "$top/scripts/debian_archive.sh"
archive=$(debian_archive_uris | head -n 1)
if [ -z "$archive" ]; then
    say "no Debian archive is configured for apt; cannot make a fresh root"
    exit 1
fi
command -v debootstrap >/dev/null || {
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}

mounts=(proc sys dev dev/pts)
unmount_all() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        mountpoint -q "$root/${mounts[i]}" && umount -l "$root/${mounts[i]}"
    done
    [ -z "$keep_binfmt" ] && [ -f "$binfmt_entry" ] && echo -1 >"$binfmt_entry"
    return 0
}

if [ -d "$root" ]; then
    unmount_all
    rm -rf --one-file-system "$root"
fi
trap unmount_all EXIT

start=$(date +%s)
say "making a Debian 12 root in $root"
debootstrap --variant=minbase bookworm "$root" "$archive" >"$log_file" 2>&1 ||
    { say "debootstrap failed; see $log_file"; exit 1; }
# What makes this machine reach the network is the machine's, not the project's: its name servers and
# the certificate authorities it trusts (taken into the root's store when ca-certificates installs).
cp /etc/resolv.conf "$root/etc/resolv.conf"
if [ -d /usr/local/share/ca-certificates ]; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp -r /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
fi
[ -f /etc/npmrc ] && cp /etc/npmrc "$root/etc/npmrc"
git clone -q --no-local "$top" "$root/work/regcomplete"
for m in "${mounts[@]}"; do mount --bind "/$m" "$root/$m"; done
[ -z "$keep_binfmt" ] && [ -f "$binfmt_entry" ] && echo -1 >"$binfmt_entry"

say "running .ci/run inside (log: $log_file)"
status=0
# With this machine's environment, as CI runs, but the root's own search path.
chroot "$root" /usr/bin/env HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    CI=true bash -c 'cd /work/regcomplete && bash .ci/run' >>"$log_file" 2>&1 </dev/null || status=$?
say "finished in $(($(date +%s) - start)) s with exit code $status; last lines:"
tail -n 5 "$log_file" >&2
exit "$status"
