#!/usr/bin/env bash
# Checks the install step on a clean system, as a new machine would run it: makes a fresh Debian 12
# root with debootstrap (minbase) from the Debian archive this machine's apt is configured with,
# copies a clean clone of the committed HEAD into it and runs .ci/run there with chroot.
#   scripts/fresh-check.sh [--keep-binfmt] [ROOT]   (default /var/tmp/regcomplete-fresh; made anew)
# Run as root. Slow (it installs every package from nothing), so CI does not run it. The log is
# ROOT.log beside the root. The root gets this machine's package sources and one more, served on
# 127.0.0.1, that is broken as a mirror in the middle of a sync is: the check passes only when the
# install step names that source and goes on without it.
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
root=$(realpath -m -- "${1:-/var/tmp/regcomplete-fresh}")  # as /proc/PID/root names it
log_file="$root.log"
binfmt_entry=/proc/sys/fs/binfmt_misc/regcomplete-i386

say() { echo "fresh-check: $*" >&2; }
# The root is removed, and every process whose root it is gets stopped: never the machine's own.
[ "$root" != / ] || { say "the fresh root cannot be /"; exit 2; }

. "$top/scripts/debian_archive.sh"
archive=$(debian_archive_uris | head -n 1)
if [ -z "$archive" ]; then
    say "no Debian archive is configured for apt; cannot make a fresh root"
    exit 1
fi
command -v python3 >/dev/null || { say "python3 is needed to serve the broken package source"; exit 1; }
log() { say "$@"; }
. "$top/scripts/apt_install.sh"
command -v debootstrap >/dev/null || {
    export DEBIAN_FRONTEND=noninteractive
    apt_update
    apt_install debootstrap
}

# What this run started and mounted, for the clean-up, which runs on every way out (the end, an
# error, Ctrl-C, a kill, a closed terminal): it ends what still runs inside the root, then unmounts
# what this run mounted, last first. It may run twice (a signal, then the exit) and forgets what
# it has undone.
mounts=(proc sys dev dev/pts)  # bound from this machine into the root, in this order
mounted=()
step=  # the long step running in the background
broken_server=

# run_step COMMAND...: COMMAND in the background, waited for, so that a signal is taken at once
# instead of when the step ends (the chroot runs for an hour).
run_step() {
    local status=0
    "$@" &
    step=$!
    wait "$step" || status=$?
    step=
    return "$status"
}

# What the root's install step and tests left running there (a wineserver, Xvfb) keeps its mounts
# busy: every process whose root directory is the root is ended, after the step itself.
stop_root() {
    local proc pids=() _
    [ -z "$step" ] || kill "$step" 2>/dev/null
    step=
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && pids+=("${proc#/proc/}")
    done
    [ ${#pids[@]} -gt 0 ] || return 0
    kill "${pids[@]}" 2>/dev/null
    for _ in $(seq 50); do
        kill -0 "${pids[@]}" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "${pids[@]}" 2>/dev/null
}

# A mount that something inside still holds, or one the install step made below it (binfmt_misc
# under proc, on a kernel without i386), refuses a plain unmount: it is then detached lazily.
unmount() {
    mountpoint -q "$1" || return 0
    umount "$1" 2>/dev/null || umount -l "$1" || say "could not unmount $1"
}

clean_up() {
    local i errexit=${-//[^e]/}
    set +e  # one step that fails must not leave the others undone
    trap '' INT TERM HUP
    stop_root
    [ -z "$broken_server" ] || kill "$broken_server" 2>/dev/null
    broken_server=
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do unmount "${mounted[i]}"; done
    mounted=()
    [ -z "$keep_binfmt" ] && [ -f "$binfmt_entry" ] && echo -1 >"$binfmt_entry"
    trap - INT TERM HUP
    [ -z "$errexit" ] || set -e  # a clean-up before the run: its steps must still stop at a failure
    return 0
}

# A package source on 127.0.0.1 whose index disagrees with its Release file in size and hash: apt
# reports "Mirror sync in progress?" for it and fails, and the install step has to carry on without it.
serve_broken_source() {
    local repo="$root.broken-source"
    rm -rf "$repo"
    mkdir -p "$repo"
    printf 'Package: regcomplete-none\nVersion: 1\nArchitecture: all\nFilename: none.deb\nSize: 1\nDescription: none\n\n' >"$repo/Packages"
    {
        printf 'Origin: regcomplete fresh-check\nLabel: a source in the middle of a sync\n'
        printf 'Date: %s\nSHA256:\n' "$(date -u -R)"
        printf ' %064d %d Packages\n' 0 $(($(stat -c %s "$repo/Packages") + 7))
    } >"$repo/Release"
    python3 -c '
import http.server, functools, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()' "$repo" >"$repo.port" &
    broken_server=$!
    for _ in $(seq 300); do [ -s "$repo.port" ] && break; sleep 0.1; done
    broken_port=$(cat "$repo.port")
    [ -n "$broken_port" ] || { say "cannot serve the broken package source (python3)"; exit 1; }
}

if [ -d "$root" ]; then
    # What a run that was killed outright (SIGKILL, a power cut) left behind.
    mounted=("${mounts[@]/#/"$root"/}")
    clean_up
    rm -rf --one-file-system "$root"
fi
trap clean_up EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

start=$(date +%s)
say "making a Debian 12 root in $root"
run_step debootstrap --variant=minbase bookworm "$root" "$archive" >"$log_file" 2>&1 ||
    { say "debootstrap failed; see $log_file"; exit 1; }
# What makes this machine reach the network is the machine's, not the project's: its name servers and
# the certificate authorities it trusts (taken into the root's store when ca-certificates installs).
cp /etc/resolv.conf "$root/etc/resolv.conf"
if [ -d /usr/local/share/ca-certificates ]; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp -r /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
fi
[ -f /etc/npmrc ] && cp /etc/npmrc "$root/etc/npmrc"
# The package sources are the machine's own, as a new machine of this kind has them (debootstrap wrote
# only the release's main suite), plus one that is broken the way a mirror in the middle of a sync is.
rm -f "$root/etc/apt/sources.list"
for source in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$source" ] && cp "$source" "$root/etc/apt/${source#/etc/apt/}"
done
serve_broken_source
echo "deb [trusted=yes] http://127.0.0.1:$broken_port/ ./" >"$root/etc/apt/sources.list.d/regcomplete-broken.list"
git clone -q --no-local "$top" "$root/work/regcomplete"
for m in "${mounts[@]}"; do
    mounted+=("$root/$m")  # first: a signal may come between the two
    mount --bind "/$m" "$root/$m"
done
[ -z "$keep_binfmt" ] && [ -f "$binfmt_entry" ] && echo -1 >"$binfmt_entry"

say "running .ci/run inside (log: $log_file)"
status=0
# With this machine's environment, as CI runs, but the root's own search path.
run_step chroot "$root" /usr/bin/env HOME=/root \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin CI=true \
    bash -c 'cd /work/regcomplete && bash .ci/run' >>"$log_file" 2>&1 </dev/null || status=$?
say "finished in $(($(date +%s) - start)) s with exit code $status; last lines:"
tail -n 5 "$log_file" >&2
# The install step must have met the broken source and gone on without it.
if ! grep -q "^install-deps:.*127\.0\.0\.1:$broken_port" "$log_file"; then
    say "the install step did not name the broken package source on 127.0.0.1"
    status=1
fi
exit "$status"
