# Sourced by the scripts that install Debian packages: apt_update and apt_install, which survive a
# broken package source. Needs a function log that reports a line.
#
# A package source can be broken for a while: a mirror in the middle of a sync serves an index whose
# size or hash disagrees with its Release file, or a third-party source is stale. apt then ignores
# that index and exits non-zero; what it could read is still there to install from.
apt_failed_sources=
apt_update() {
  local attempt out
  for attempt in 1 2 3; do
    if out=$(apt-get update -qq 2>&1); then
      apt_failed_sources=
      return 0
    fi
    apt_failed_sources=$(printf '%s\n' "$out" | sed -n -E 's/^[EW]: Failed to fetch ([^ ]*).*/\1/p')
    [ -n "$apt_failed_sources" ] || apt_failed_sources=$(printf '%s\n' "$out" | grep '^E:' | head -n 3)
    [ "$attempt" -lt 3 ] && { log "apt-get update failed (attempt $attempt of 3); trying again"; sleep $((attempt * 5)); }
  done
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
  else
    log "cannot install $*; see apt's messages above"
  fi
  exit 1
}
