#!/usr/bin/env bash
# Installs the dependencies, checks the sources' format, builds Velmora and runs the whole test suite
# headless: once in the normal build (and, when run as root, once more as an ordinary account), once built
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

scripts/check-format.sh
scripts/build.sh build -DWERROR=ON
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)
# As root, once more as an ordinary account: the permission tests that root would pass anyway run there.
scripts/test-unprivileged.sh build

scripts/build.sh build-sanitize -DWERROR=ON -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
(cd build-sanitize && ctest --output-on-failure -j"$(nproc)" --timeout 900)
