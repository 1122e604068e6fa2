#!/usr/bin/env bash
# The installer under Wine: installs SETUP silently, checks the files, the Start-menu entry and the
# uninstaller's entry in the installed programs; runs velmora-batch.exe from Program Files, which must take
# its settings from %APPDATA%\Velmora and write the expected files; then, when given PROBE, starts the
# installed window (window_smoke.sh); uninstalls silently and checks that the program is gone and the
# settings stayed.
#
#   tests/windows/setup_test.sh SETUP DATA [PROBE VERSION]
# SETUP the installer, DATA the tests' data folder. WINEPREFIX names the prefix to use.
set -euo pipefail
setup="$1" data="$2" probe="${3:-}" version="${4:-}"
here="$(cd "$(dirname "$0")" && pwd)"
fail() { echo "setup test: $*" >&2; exit 1; }

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
unix() { winepath -u "$1" 2>/dev/null; }
appdata="$(unix "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")"
programs="$(unix 'C:\Program Files')"
installed="$programs/Velmora"
menu="$(unix 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')/Velmora.lnk"
[ -n "$appdata" ] && [ -n "$programs" ] || fail "no Windows folders in the prefix"
rm -rf "$appdata/Velmora"

wine "$setup" /S
wineserver -w
for file in velmora.exe velmora-batch.exe uninstall.exe qt.conf platforms/qwindows.dll \
    styles/qwindowsvistastyle.dll translations/qtbase_zh_CN.qm 软件使用说明.doc; do
    [ -f "$installed/$file" ] || fail "not installed: $file"
done
[ -f "$menu" ] || fail "no Start-menu entry"
wine reg query "$key" /v QuietUninstallString /reg:64 2>/dev/null | grep -q 'uninstall.exe" /S' ||
    fail "no uninstaller in the installed programs"

# From Program Files the batch is installed: without a settings file it names the one in %APPDATA%.
before="$(cd "$installed" && find . | sort)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
batch() { wine 'C:\Program Files\Velmora\velmora-batch.exe' "$@"; }
status=0
batch --table1 "Z:$data/register.xls" --table2 "Z:$data/payments.xls" --out "Z:$out" \
    >"$out.stdout" 2>"$out.stderr" || status=$?
[ "$status" = 2 ] || fail "a missing settings file ended with $status"
grep -q 'AppData\\Roaming\\Velmora\\vozuz.ini' "$out.stderr" || fail "the message names $(cat "$out.stderr")"
mkdir -p "$appdata/Velmora"
cp "$data/cases/register_payments/vozuz.ini" "$appdata/Velmora/vozuz.ini"
batch --table1 "Z:$data/register.xls" --table2 "Z:$data/payments.xls" --out "Z:$out" >"$out.stdout" ||
    fail "the batch run from Program Files failed: $(cat "$out.stdout")"
rm -f "$out.stdout" "$out.stderr"
for expected in "$data/cases/register_payments/expected"/*; do
    cmp -s "$expected" "$out/$(basename "$expected")" || fail "$(basename "$expected") differs"
done
[ "$(cd "$installed" && find . | sort)" = "$before" ] || fail "the installed program wrote beside itself"

if [ -n "$probe" ]; then
    "$here/window_smoke.sh" "$installed" "$probe" "$version" || fail "the installed window"
fi

# The uninstaller runs a copy of itself and returns at once; the Wine server's end is the copy's end.
wine "$installed/uninstall.exe" /S
wineserver -w
[ ! -e "$installed" ] || fail "left after uninstalling: $(find "$installed")"
[ ! -e "$menu" ] || fail "the Start-menu entry stayed"
! wine reg query "$key" /reg:64 >/dev/null 2>&1 || fail "the uninstaller's entry stayed"
[ -f "$appdata/Velmora/vozuz.ini" ] || fail "uninstalling removed the settings"
echo "setup test passed"
