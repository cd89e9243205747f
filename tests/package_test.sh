#!/usr/bin/env bash
# The release package, signed as a vendor would sign it: makes a throwaway self-signed code-signing
# certificate with openssl, runs cpack with it named through the environment, then checks the zip's
# name, its file list and its SHA-256 file, that its README is the vendor's, that osslsigncode
# accepts both packaged executables against that certificate (and rejects the unsigned ones of the
# build tree), that the signed check tool still starts under Wine, and that its usage points at a
# page of the zip that names each of its options. Also checks that the build's bin/, beside which
# the tests' programs are built, holds the two programs only.
# usage: package_test.sh BUILD_DIR VERSION HOST   (REGCOMPLETE_WIN_BUILD set, for the Wine prefix)
set -u
build=$1 version=$2 host=$3
wine_env=$(cd "$(dirname "$0")" && pwd)/e2e/wine_env.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
name=regcomplete-$version-win32

listed=$(cd "$build/bin" && ls -A | tr '\n' ' ')
[ "$listed" = "regcomplete-check.exe regcomplete.exe " ] ||
    fail "bin/ holds '$listed', not only the two programs"

cd "$scratch" || exit 1
openssl rand -hex 16 >password.txt
if ! openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out certificate.pem -days 2 \
    -subj "/CN=regcomplete test signer" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=critical,codeSigning" 2>/dev/null ||
    ! openssl pkcs12 -export -inkey key.pem -in certificate.pem -out signer.pfx \
        -passout file:password.txt; then
    echo "FAIL: openssl could not make the certificate"
    exit 1
fi

if ! REGCOMPLETE_SIGN_PFX=$scratch/signer.pfx REGCOMPLETE_SIGN_PASSWORD_FILE=$scratch/password.txt \
    cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >cpack.log 2>&1; then
    cat cpack.log
    echo "FAIL: cpack"
    exit 1
fi

(cd out && sha256sum -c --strict "$name.zip.sha256") || fail "$name.zip.sha256 does not match $name.zip"
expected="$name/CHANGES.md
$name/LICENSE
$name/README.md
$name/docs/browser.md
$name/docs/check-options.md
$name/docs/dialog.png
$name/docs/installers.md
$name/docs/receiving.md
$name/docs/vendor.md
$name/examples/form/cases.json
$name/examples/form/entry/regist.php
$name/examples/inno/readme.txt
$name/examples/inno/sample.iss
$name/examples/nsis/per-machine.nsi
$name/examples/nsis/readme.txt
$name/examples/nsis/remove-quotes.nsh
$name/examples/nsis/sample.nsi
$name/examples/wix/readme.txt
$name/examples/wix/sample.wxs
$name/regcomplete-check.exe
$name/regcomplete.exe"
listed=$(cmake -E tar tf "out/$name.zip" | grep -v '/$' | LC_ALL=C sort)
[ "$listed" = "$expected" ] || { fail "the package's files differ:"; diff <(echo "$expected") <(echo "$listed"); }

mkdir unpacked
(cd unpacked && cmake -E tar xf "../out/$name.zip") || fail "cannot unpack the package"
# The zip's README is the vendor's (docs/zip-readme.md); zip_pages_test.py follows its links.
cmp -s "unpacked/$name/README.md" "$(dirname "$0")/../docs/zip-readme.md" ||
    fail "the zip's README.md is not docs/zip-readme.md"

for exe in regcomplete.exe regcomplete-check.exe; do
    osslsigncode verify -CAfile certificate.pem -in "unpacked/$name/$exe" >verify.log 2>&1 ||
        { cat verify.log; fail "osslsigncode does not accept the packaged $exe"; }
    if osslsigncode verify -CAfile certificate.pem -in "$build/bin/$exe" >/dev/null 2>&1; then
        fail "the unsigned $exe of the build tree passes verification: the check proves nothing"
    fi
done

# shellcheck source=tests/e2e/wine_env.sh
. "$wine_env"
wine_prefix_ready || { echo "FAIL: could not create the Wine prefix"; exit 1; }
said=$(wine "unpacked/$name/regcomplete-check.exe" --version 2>/dev/null | tr -d '\r')
[ "$said" = "regcomplete-check $version (host $host)" ] || fail "the signed check tool said '$said' under Wine"
# Its usage points at a page of the zip, and that page names every option the usage lists.
usage=$(wine "unpacked/$name/regcomplete-check.exe" --help 2>/dev/null | tr -d '\r')
page=$(grep -o 'docs/[a-z-]*\.md' <<<"$usage" | head -n 1)
if [ -n "$page" ] && [ -f "unpacked/$name/$page" ]; then
    for option in $(grep -o -- '--[a-z0-9-]*[a-z0-9]' <<<"$usage" | sort -u); do
        grep -qF -- "\`$option" "unpacked/$name/$page" || fail "$page does not name $option, which the usage lists"
    done
else
    fail "the usage names no page of the zip: $usage"
fi

echo "$failures failed"
[ $failures -eq 0 ]
