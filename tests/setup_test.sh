#!/usr/bin/env bash
# The set-up's own ways out, without the network: apt steps and downloads answered by a fake
# apt-get on PATH (and a sleep that does not wait), and scripts/fresh-check.sh with a fake
# debootstrap and chroot, whose bind mounts are real (so run as root). Every way out must say
# what happened, and fresh-check must leave nothing mounted and nothing running, signals included.
# usage: setup_test.sh SOURCE_DIR
set -u
top=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
# Whatever a failing row left mounted goes with the scratch folder.
trap 'grep -o " $scratch/[^ ]*" /proc/self/mounts | sort -r | xargs -r -n 1 umount -l; rm -rf "$scratch"' EXIT
mkdir "$scratch/bin" "$scratch/fresh-bin"
export FAKE_APT_ANSWERS=$scratch/answers FAKE_APT_CALLS=$scratch/calls

# apt-get answers each call with the next line of FAKE_APT_ANSWERS, "STATUS [WHAT IT PRINTS]" (\n
# for a line break), writes a .deb for a download that succeeds and records its arguments.
cat >"$scratch/bin/apt-get" <<'EOF'
#!/bin/sh
echo "$*" >>"$FAKE_APT_CALLS"
answer=$(sed -n 1p "$FAKE_APT_ANSWERS")
sed -i 1d "$FAKE_APT_ANSWERS"
status=${answer%% *}
[ "$answer" = "$status" ] || printf '%b\n' "${answer#* }" >&2
case " $* " in *" download "*) [ "$status" != 0 ] || : >qemu-user_9_amd64.deb ;; esac
exit "$status"
EOF
printf '#!/bin/sh\n' >"$scratch/bin/sleep"  # apt steps only: fresh-check waits for its server
chmod +x "$scratch/bin/apt-get" "$scratch/bin/sleep"

# step WHAT ANSWERS: runs WHAT (shell code) with the apt steps sourced, as install-deps.sh does
# (set -e, pipefail), apt-get answering ANSWERS ("|" between calls); prints its log, then
# "status N".
step() {
    printf '%s\n' "$2" | tr '|' '\n' >"$FAKE_APT_ANSWERS"
    : >"$FAKE_APT_CALLS"
    (
        cd "$scratch" && PATH=$scratch/bin:$PATH bash -c 'set -euo pipefail
            log() { echo "log: $*"; }
            . "$1/scripts/apt_install.sh"
            . "$1/scripts/debian_archive.sh"
            eval "$2"' step "$top" "$1" 2>&1
        echo "status $?"
    )
}

# why | what runs | apt-get's answers | exit status | a line it says | a line it must not say
broken='100 W: Failed to fetch http://127.0.0.1:9/./Packages  File has unexpected size (7 != 0)'
broken+='\nE: Some index files failed to download. They have been ignored, or old ones used instead.'
ended_silently="log: apt-get update failed (exit status 137) and named no index that failed; carrying"
ended_silently+=" on with the package lists apt has"
apt_rows=(
    "an index that fails to fetch is named and the set-up goes on|apt_update|$broken|$broken|$broken"
    "0|log:   http://127.0.0.1:9/./Packages|"
    "warnings alone: apt's own words, and the set-up goes on|apt_update|100 W: GPG error: x|100 W: GPG error: x|100 W: GPG error: x"
    "0|log:   apt said: W: GPG error: x|"
    "killed without a word: the exit status is given, and the set-up goes on|apt_update|137|137|137"
    "0|$ended_silently|"
    "fails once, then reads: nothing reported as broken|apt_update|100|0"
    "0|log: apt-get update failed (exit status 100) (attempt 1 of 3); trying again|carrying on"
    "an install after a silent failure says why it stops|apt_update; apt_install hello|1|1|1|100|100"
    "1|log: cannot install hello: apt-get update failed (exit status 1), so the package lists may be old; run again later|"
    "the download fails twice, then works|debian_download d qemu-user trixie http://a; ls d|0|100|100|0"
    "0|qemu-user_9_amd64.deb|failed three times"
    "the index never reads: said, and nothing downloaded|debian_download d qemu-user trixie http://a|100|100|100"
    "100|log: reading trixie's package index failed three times (exit status 100)|"
)
for ((i = 0; i < ${#apt_rows[@]}; i += 2)); do
    IFS='|' read -r why what answers <<<"${apt_rows[i]}"
    IFS='|' read -r status says not_said <<<"${apt_rows[i + 1]}"
    said=$(step "$what" "$answers")
    grep -qxF "status $status" <<<"$said" || fail "$why: not status $status: $said"
    grep -qxF -- "$says" <<<"$said" || fail "$why: no line '$says' in: $said"
    [ -z "$not_said" ] || ! grep -qF -- "$not_said" <<<"$said" || fail "$why: '$not_said' in: $said"
done
# The index that never reads: three tries, and no download after them.
step 'debian_download d qemu-user trixie http://a' '100|100|100' >/dev/null
[ "$(grep -c ' update ' "$FAKE_APT_CALLS")$(grep -c ' download ' "$FAKE_APT_CALLS")" = 30 ] ||
    fail "the index that never reads: calls $(cat "$FAKE_APT_CALLS")"

# fresh-check.sh, its long steps faked: debootstrap makes the root's folders; the chroot mounts a
# file system below the root's proc, as the install step inside mounts binfmt_misc (which a plain
# unmount of proc then refuses), says it is ready, names the broken source as the install step
# would, and then runs for a while or ends with the status the row asks for.
cat >"$scratch/fresh-bin/debootstrap" <<'EOF'
#!/bin/sh
mkdir -p "$3/proc" "$3/sys" "$3/dev" "$3/etc/apt/sources.list.d" "$3/work"
EOF
cat >"$scratch/fresh-bin/git" <<'EOF'
#!/bin/sh
[ -z "${FAKE_GIT_STATUS:-}" ] || exit "$FAKE_GIT_STATUS"
mkdir -p "$5"
EOF
cat >"$scratch/fresh-bin/chroot" <<'EOF'
#!/bin/sh
mount -t tmpfs inside "$1/proc/sys/fs/binfmt_misc" || exit 9
grep -o '127.0.0.1:[0-9]*' "$1/etc/apt/sources.list.d/regcomplete-broken.list" | sed 's/^/install-deps: /'
echo $$ >"$FAKE_CHROOT_READY"
case $FAKE_CHROOT_END in
    run) exec /bin/sleep 300 ;;
    *) exit "$FAKE_CHROOT_END" ;;
esac
EOF
chmod +x "$scratch"/fresh-bin/*

# why | how the chroot's run ends | the signal sent while it runs, to fresh-check alone or to its
# process group (which a terminal signals, and CI when it cancels a job; the broken source's server
# then ends first) | exit status
fresh_rows=(
    "the run inside passes|0|-|0"
    "the run inside fails|3|-|3"
    "Ctrl-C|run|INT group|130"
    "a closed terminal|run|HUP group|129"
    "a kill of the script alone: its run inside does not end by itself|run|TERM alone|143"
    "a cancelled CI job|run|TERM group|143"
)
export FAKE_CHROOT_READY=$scratch/ready
for row in "${fresh_rows[@]}"; do
    IFS='|' read -r why end signal wanted <<<"$row"
    root=$scratch/root
    rm -f "$FAKE_CHROOT_READY"
    # As a job of its own (a process group whose number is its process's), which takes Ctrl-C.
    set -m
    FAKE_CHROOT_END=$end PATH=$scratch/fresh-bin:$PATH \
        "$top/scripts/fresh-check.sh" --keep-binfmt "$root" >"$scratch/fresh.log" 2>&1 &
    check=$!
    set +m
    if [ "$signal" != - ]; then
        for _ in $(seq 300); do [ -e "$FAKE_CHROOT_READY" ] && break; /bin/sleep 0.1; done
        [ -e "$FAKE_CHROOT_READY" ] || fail "$why: the chroot never ran: $(cat "$scratch/fresh.log")"
        case $signal in
            *group) kill -"${signal% *}" -- -"$check" ;;
            *) kill -"${signal% *}" "$check" ;;
        esac
    fi
    status=0
    wait "$check" || status=$?
    [ "$status" = "$wanted" ] || fail "$why: exit status $status, not $wanted: $(cat "$scratch/fresh.log")"
    left=$(grep -o " $root/[^ ]*" /proc/self/mounts)
    [ -z "$left" ] || fail "$why: left mounted:$left"
    ! kill -0 "$(cat "$FAKE_CHROOT_READY")" 2>/dev/null || fail "$why: the chroot's run was left running"
    ! pgrep -f "$root.broken-source" >/dev/null || fail "$why: the broken source is still served"
done

# What a run killed outright leaves: the root, in a folder whose name has a "&", with its proc still
# mounted. It is unmounted and removed first; a step that fails after that still stops the check
# before the run inside.
root="$scratch/a&b/root"
mkdir -p "$root/proc" && mount -t tmpfs leftover "$root/proc"
rm -f "$FAKE_CHROOT_READY"
FAKE_GIT_STATUS=7 FAKE_CHROOT_END=0 PATH=$scratch/fresh-bin:$PATH \
    "$top/scripts/fresh-check.sh" --keep-binfmt "$root" >"$scratch/fresh.log" 2>&1
status=$?
[ "$status" -ne 0 ] && [ ! -e "$FAKE_CHROOT_READY" ] ||
    fail "a clone that fails after a leftover root: exit status $status: $(cat "$scratch/fresh.log")"
left=$(grep -o " $scratch/a[^ ]*" /proc/self/mounts)
[ -z "$left" ] || fail "a leftover root: left mounted:$left"

echo "$failures failed"
[ "$failures" -eq 0 ]
