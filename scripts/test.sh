#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   - the portable core's native tests and the host check tool (build/host),
#   - the same under AddressSanitizer and UndefinedBehaviorSanitizer (build/sanitize),
#   - the Windows executables and their tests under Wine with code page 932 (build/win32),
#   - two more Windows builds in other folders, which must be the same bytes (reproducible-check.sh),
#   - each fuzz target for a bounded time (scripts/fuzz.sh),
#   - clang-format over every C++ file.
# Run as root on Debian 12. Exits non-zero when anything fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${REGCOMPLETE_JOBS:-2}
passed=0
failed=0
failures=()

stage() { echo; echo "==== $*"; }
fail() { failures+=("$1"); failed=$((failed + 1)); }

run_ctest() {  # run_ctest NAME BUILD_DIR
    local log
    log=$(mktemp)
    (cd "$2" && ctest --output-on-failure -j "$jobs") 2>&1 | tee "$log"
    local total bad
    total=$(sed -n 's/.*tests passed, [0-9]* tests\{0,1\} failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
    bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of.*/\1/p' "$log" | tail -1)
    rm -f "$log"
    if [ -z "$total" ]; then
        fail "$1: no tests ran"
        return
    fi
    passed=$((passed + total - bad))
    [ "$bad" -eq 0 ] || { failed=$((failed + bad)); failures+=("$1: $bad failed"); }
}

build() {  # build NAME BUILD_DIR CMAKE_ARGS...
    local name=$1 dir=$2
    shift 2
    cmake -S . -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j "$jobs" || { fail "$name: build"; return 1; }
}

stage "installing what is missing"
scripts/install-deps.sh || { echo "installing the dependencies failed"; exit 1; }

stage "clang-format"
if git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; then
    passed=$((passed + 1))
else
    fail "clang-format"
fi

# The tests' registration host: every test build registers there (the release for every vendor,
# which has none, is built and stamped by tests/stamp_test.sh).
test_host=-DREGCOMPLETE_HOST=regist.example.com

stage "host build and native tests"
build host build/host -DCMAKE_BUILD_TYPE=Debug $test_host && run_ctest host build/host

stage "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build sanitize build/sanitize -DCMAKE_BUILD_TYPE=Debug -DREGCOMPLETE_SANITIZE=ON $test_host &&
    run_ctest sanitize build/sanitize

stage "Windows build and tests under Wine"
build win32 build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    $test_host && run_ctest win32 build/win32

stage "reproducible Windows build"
if scripts/reproducible-check.sh; then
    passed=$((passed + 1))
else
    fail "reproducible build"
fi

if [ -x scripts/fuzz.sh ]; then
    stage "fuzzing"
    if scripts/fuzz.sh "${REGCOMPLETE_FUZZ_SECONDS:-60}"; then
        passed=$((passed + 1))
    else
        fail "fuzz"
    fi
fi

echo
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
