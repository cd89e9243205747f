# Sourced by the scripts that fetch from the Debian archive. Names no host: the archive is the one
# this machine's apt is already configured with. debian_download needs retry (apt_install.sh).
#
# The URIs of the Debian archive apt is configured with: the sources whose suites include this
# release's own codename (so not its -security or -updates suites), one-line or deb822 form.
debian_archive_uris() {
  local codename
  # Either form may be missing; no source at all gives no output, which the caller reports.
  cat_existing() {
    local file
    for file in "$@"; do [ -f "$file" ] && cat "$file"; done
    return 0
  }
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 0
  {
    cat_existing /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
      sed -e 's/#.*//' -e 's/\[[^]]*\]//' |
      awk -v c="$codename" '$1 == "deb" && $3 == c { print $2 }'
    cat_existing /etc/apt/sources.list.d/*.sources |
      awk -v c="$codename" '
        function flush() { if (deb && suite && enabled) print uris; deb = suite = 0; enabled = 1; uris = "" }
        BEGIN { enabled = 1 }
        /^[[:space:]]*#/ { next }
        /^[[:space:]]*$/ { flush(); next }
        tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
        tolower($1) == "uris:" { for (i = 2; i <= NF; i++) uris = uris " " $i }
        tolower($1) == "suites:" { for (i = 2; i <= NF; i++) if ($i == c) suite = 1 }
        tolower($1) == "enabled:" { enabled = (tolower($2) != "no") }
        END { flush() }' | tr ' ' '\n'
  } | awk '/^(https?|file):\/\// && !seen[$0]++'
  return 0
}

# debian_download DIR PACKAGE SUITE URI...: the amd64 .deb of PACKAGE from SUITE's main component
# of the Debian archive at the URIs, into DIR, through an apt state of its own in DIR, so that the
# machine's own sources and package lists stay as they are. Each step is tried three times; when
# one never works, it has said which and returns non-zero.
debian_download() {
  local dir=$1 package=$2 suite=$3 uri
  shift 3
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  for uri in "$@"; do
    echo "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main"
  done >"$dir/$suite.list"
  local apt_private=(-o Dir::Etc::SourceList="$dir/$suite.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" -o APT::Architectures::=amd64
    -o APT::Sandbox::User=root)
  retry "reading $suite's package index" apt-get "${apt_private[@]}" update -qq &&
    (cd "$dir" && retry "downloading $package from $suite" \
      apt-get "${apt_private[@]}" download -qq "$package/$suite")
}
