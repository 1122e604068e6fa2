#!/usr/bin/env bash
# Runs the test suite of build/ (or $1) again as an ordinary account, so the tests root skips (read-only
# files and folders, other accounts' files) run too. Needs root: it makes the account when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(realpath "${1:-build}")"
account=velmora-tester

if [ "$(id -u)" -ne 0 ]; then
    echo "already an ordinary account: the normal run covers it" >&2
    exit 0
fi
id "$account" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$account"

as_account() {
    runuser -u "$account" -- env -u XDG_RUNTIME_DIR HOME=/tmp QT_QPA_PLATFORM=offscreen "$@"
}

# The build keeps absolute paths into the checkout, so the account must reach it where it is. A checkout
# under a private home cannot be reached: then the sources are copied to a shared place and built anew.
if ! as_account test -r "$dir/CTestTestfile.cmake" -a -r "$PWD/tests/data/register.xls"; then
    copy="$(mktemp -d /tmp/velmora-unprivileged.XXXXXX)"
    trap 'rm -rf "$copy"' EXIT
    git ls-files -z | xargs -0 cp --parents -t "$copy"
    chmod -R a+rX "$copy"
    chown -R "$account" "$copy"
    (cd "$copy" && as_account env CCACHE_DISABLE=1 scripts/build.sh build)
    dir="$copy/build"
else
    # ctest writes its logs into the build; only that part becomes the account's.
    mkdir -p "$dir/Testing/Temporary"
    chown -R "$account" "$dir/Testing"
fi
cd "$dir" && as_account ctest --output-on-failure -j"$(nproc)" --timeout 600
