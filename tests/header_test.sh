#!/usr/bin/env bash
# The release facts of a Windows executable's header and resources: the mitigations Windows and
# antivirus heuristics look for, Windows Vista (6.0) as the oldest system, and the version resource.
# Fails when one is missing.
# usage: header_test.sh EXE VERSION HOST   (VERSION as in project(), e.g. 1.0.0; HOST the
# registration host it was built with)
set -u
exe=$1 version=$2 host=$3
name=$(basename "$exe")
failures=0
fail() { echo "FAIL: $name: $*"; failures=$((failures + 1)); }

header=$(i686-w64-mingw32-objdump -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
# DllCharacteristics and the flag names objdump lists below it.
flags=$(awk '/^DllCharacteristics/ { on = 1; next } on && /^\t\t/ { print $1; next } { on = 0 }' <<<"$header")
for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE NO_SEH; do
    grep -qx "$flag" <<<"$flags" || fail "DllCharacteristics lacks $flag"
done
# A relocatable image needs its base relocations: without them Windows cannot move it.
grep -Eq '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$header" ||
    fail "no base relocations"
for field in MajorOSystemVersion:6 MinorOSystemVersion:0 MajorSubsystemVersion:6 MinorSubsystemVersion:0; do
    value=$(awk -v f="${field%:*}" '$1 == f { print $2 }' <<<"$header")
    [ "$value" = "${field#*:}" ] || fail "${field%:*} is '$value', not ${field#*:}"
done

# NO_SEH is only sound while no code in the image registers an SEH handler, which on x86 means
# writing the handler chain at fs:0. The one fs access the start-up code has reads the TEB's own
# address (fs:0x18); any other is a fault.
others=$(i686-w64-mingw32-objdump -d "$exe" | grep '%fs:' | grep -Ev 'mov +%fs:0x18,%e[a-ds][xip]$')
[ -z "$others" ] || fail "code uses the fs segment (an SEH frame?):"$'\n'"$others"

# The version resource, decompiled: one Japanese block of Unicode strings.
resources=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null)
numbers="${version//./, }, 0"
expect() { grep -Fq -- "$1" <<<"$resources" || fail "version resource lacks: $1"; }
expect " FILEVERSION $numbers"
expect " PRODUCTVERSION $numbers"
expect 'BLOCK "041104B0"'
expect 'VALUE "Translation", 0x411, 1200'
expect "VALUE \"FileVersion\", \"$version\""
expect "VALUE \"ProductVersion\", \"$version\""
expect 'VALUE "ProductName", "regcomplete"'
# Comments, CompanyName and LegalCopyright are padded with blanks to the slots a stamp rewrites.
grep -Eq "VALUE \"Comments\", \"Registration host: ${host//./\\.} *\"\$" <<<"$resources" ||
    fail "version resource lacks: VALUE \"Comments\", \"Registration host: $host\""
expect "VALUE \"InternalName\", \"${name%.exe}\""
expect "VALUE \"OriginalFilename\", \"$name\""
for key in FileDescription CompanyName LegalCopyright; do expect "VALUE \"$key\", "; done

[ $failures -eq 0 ] && echo "ok: $name"
[ $failures -eq 0 ]
