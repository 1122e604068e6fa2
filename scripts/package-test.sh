#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, desktop-file-validate and appstreamcli, installs it
# on this machine with apt-get and runs it as an ordinary account: the installed programs must keep that
# account's settings in its own configuration folder and write nothing beside themselves. The package is
# removed again at the end unless VELMORA_KEEP_INSTALLED=1. Needs scripts/install-deps.sh to have run.
#   scripts/package-test.sh [BUILD_DIR]     (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
dir="${1:-build-package}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-test: $*" >&2; exit 1; }

step "build the package"
if [ -f "$dir/CMakeCache.txt" ]; then
    # A tree the suite has just built and tested (CI passes it): the package is made from those very
    # binaries, and a second compile of the whole program is saved.
    cmake -S . -B "$dir" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
else
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTS=OFF \
        -DWERROR=ON >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/velmora_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb="$(ls "$root/$dir"/velmora_*.deb)"
echo "$deb"

step "lintian"
lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no errors, no warnings"

step "desktop-file-validate and appstreamcli"
unpacked="$(mktemp -d)"
scratch="$(mktemp -d)"
trap 'rm -rf "$unpacked" "$scratch"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
echo "desktop-file-validate: no remarks"
appstreamcli validate --no-net --pedantic "$unpacked"/usr/share/metainfo/*.metainfo.xml

step "install"
$SUDO apt-get install -y --no-install-recommends "$deb" >/dev/null
if [ "${VELMORA_KEEP_INSTALLED:-0}" != 1 ]; then
    trap '$SUDO apt-get purge -y velmora >/dev/null; rm -rf "$unpacked" "$scratch"' EXIT
fi
[ "$(command -v velmora-batch)" = /usr/bin/velmora-batch ] || fail "velmora-batch is not in /usr/bin"
velmora-batch --version
env -u DISPLAY -u WAYLAND_DISPLAY velmora --version

step "run as an ordinary account"
# The account that runs the programs: this one unless it is root, else a throw-away account.
as_user=()
user="$(id -un)"
if [ "$(id -u)" -eq 0 ]; then
    user=velmora-smoke
    id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
    as_user=(runuser -u "$user" --)
fi
home="$(getent passwd "$user" | cut -d: -f6)"
work="$home/velmora-smoke"
run() { "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
run rm -rf "$work" "$home/.config/velmora"
run mkdir -p "$work/out" "$home/.config/velmora"
cases="$root/tests/data/cases/register_payments"
# Copied in by this account, as the account under test may not read the checkout (say, under /root).
give() { cat "$1" | run sh -c 'cat > "$0"' "$2"; }
give "$root/tests/data/register.xls" "$work/register.xls"
give "$root/tests/data/payments.xls" "$work/payments.xls"
give "$cases/vozuz.ini" "$home/.config/velmora/vozuz.ini"
ls -l /usr/bin >"$scratch/bin-before"

# No --config: the installed batch must find this account's settings by itself.
run velmora-batch --table1 "$work/register.xls" --table2 "$work/payments.xls" --out "$work/out" \
    >"$scratch/stdout" || fail "velmora-batch failed"
cmp "$scratch/stdout" "$cases/expected_stdout.txt" || fail "velmora-batch printed another summary"
for expected in "$cases"/expected/*; do
    cmp "$expected" "$work/out/$(basename "$expected")" || fail "$(basename "$expected") differs"
done
echo "velmora-batch: the account's settings were read, every file is as expected"

# The window starts, finds no display problem on the offscreen platform, and creates the account's
# settings folder for itself, readable by its owner only.
run rm -rf "$home/.config/velmora"
status=0
run QT_QPA_PLATFORM=offscreen timeout 5 velmora || status=$?
[ "$status" -eq 124 ] || fail "the window program ended by itself (status $status)"
[ "$(stat -c %a "$home/.config/velmora")" = 700 ] || fail "the settings folder is not the owner's only"
[ "$(stat -c %U "$home/.config/velmora")" = "$user" ] || fail "the settings folder is not the account's"
echo "velmora: the window started and made $home/.config/velmora (0700)"

ls -l /usr/bin >"$scratch/bin-after"
cmp "$scratch/bin-before" "$scratch/bin-after" || fail "something was written into /usr/bin"
echo "nothing was written into /usr/bin"
run rm -rf "$work" "$home/.config/velmora"
step "package test passed"
