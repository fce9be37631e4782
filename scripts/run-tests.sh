#!/usr/bin/env bash
# Builds the editor four ways, all with warnings as errors, and runs every test on each: the
# everyday build, GCC at -O3, clang at -O3 (the saved level files must come out the same from
# all of them), and a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

# Permissions do not stop root, so as root the tests of read-only files and folders run once
# more as an unprivileged user, where the build tree lets one in.
run_unprivileged() {
    local tests=$1
    [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null || return 0
    local as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    if ! "${as_nobody[@]}" test -x "$tests"; then
        echo "(read-only cases not run: $tests is out of an unprivileged user's reach)"
        return 0
    fi
    local tmp
    tmp=$(mktemp -d)
    chmod 777 "$tmp"
    echo "== read-only cases as an unprivileged user"
    (cd "$tmp" && "${as_nobody[@]}" env TMPDIR="$tmp" "$tests" \
        --gtest_filter='*WithoutRoot*:*ReadOnly*')
    rm -rf "$tmp"
}

echo "== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

for preset in ci release clang asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    # The read-only cases test file handling, which the build type does not change.
    if [ "$preset" = ci ]; then
        run_unprivileged "$PWD/build/$preset/tests/storage_tests"
    fi
    echo "== $preset: test"
    ctest --preset "$preset" --parallel 2
done
