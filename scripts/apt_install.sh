# Sourced by the scripts that install Debian packages: apt_update and apt_install, which survive a
# broken package source, and retry for any other download. Needs a function log that reports a line.
#
# A package source can be broken for a while: a mirror in the middle of a sync serves an index whose
# size or hash disagrees with its Release file, or a third-party source is stale. apt then ignores
# that index and exits non-zero; what it could read is still there to install from.
apt_failed_sources=
apt_update_failure=
apt_update() {
  local attempt out status
  for attempt in 1 2 3; do
    out=$(apt-get update -qq 2>&1) && { apt_failed_sources='' apt_update_failure=''; return 0; }
    status=$?
    # awk, not grep: a search that finds nothing must not end a caller that runs under set -e.
    apt_failed_sources=$(printf '%s\n' "$out" | awk '/^[EW]: Failed to fetch / { print $5 }')
    [ -n "$apt_failed_sources" ] ||
      apt_failed_sources=$(printf '%s\n' "$out" | awk '/^E:/ && n++ < 3')
    apt_update_failure="apt-get update failed (exit status $status)"
    [ "$attempt" -lt 3 ] && { log "$apt_update_failure (attempt $attempt of 3); trying again"; sleep $((attempt * 5)); }
  done
  if [ -z "$apt_failed_sources" ]; then
    # Killed, or only warnings: nothing names a source, so say what apt said last.
    log "$apt_update_failure and named no index that failed; carrying on with the package lists apt has"
    [ -n "$out" ] || out="(nothing)"
    printf '%s\n' "$out" | tail -n 3 | while IFS= read -r line; do log "  apt said: $line"; done
    return 0
  fi
  log "these package indexes could not be read; carrying on with what apt could read:"
  local source
  while read -r source; do log "  $source"; done <<<"$apt_failed_sources"
}

# Without one of its indexes (an i386 one, say), apt may pick versions of the release's updates for
# one architecture and of the release itself for the other, which do not resolve. Putting the
# release's own suite first picks versions that exist for every architecture.
apt_install() {
  local codename
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    log "the packages did not resolve; trying again with $codename's own suite first"
    apt-get install -y -qq --no-install-recommends -t "$codename" "$@" >/dev/null && return 0
  fi
  if [ -n "$apt_failed_sources" ]; then
    log "cannot install $*: the package source $(printf '%s' "$apt_failed_sources" | head -n 1 | tr '\n' ' ')is broken (a mirror in the middle of a sync?); run again later"
  elif [ -n "$apt_update_failure" ]; then
    log "cannot install $*: $apt_update_failure, so the package lists may be old; run again later"
  else
    log "cannot install $*; see apt's messages above"
  fi
  exit 1
}

# retry WHAT COMMAND...: runs COMMAND up to three times, five and then ten seconds apart, as
# apt_update does (a mirror's hiccup passes); when the last try fails too, says that WHAT failed
# and returns COMMAND's status.
retry() {
  local what=$1 attempt status
  shift
  for attempt in 1 2 3; do
    "$@" && return 0
    status=$?
    [ "$attempt" -lt 3 ] && { log "$what failed (attempt $attempt of 3); trying again"; sleep $((attempt * 5)); }
  done
  log "$what failed three times (exit status $status)"
  return "$status"
}
