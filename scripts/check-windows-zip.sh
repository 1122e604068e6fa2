#!/usr/bin/env bash
# Checks the Windows zip as a clerk gets it: unzipped into an empty folder and run in a new Wine prefix
# with nothing else on its path, velmora-batch.exe must answer --version and, on every batch case, write
# the same files, the same standard output and error and the same exit code as the Linux build.
#
#   scripts/check-windows-zip.sh [ZIP] [LINUX_BATCH]
#     ZIP          default: the newest build-windows/velmora-*-windows-x64.zip
#     LINUX_BATCH  default: build/bin/velmora-batch
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
zip="${1:-$(ls -t build-windows/velmora-*-windows-x64.zip 2>/dev/null | head -n 1)}"
linux="${2:-build/bin/velmora-batch}"
[ -f "$zip" ] || { echo "check-windows-zip: no zip; run scripts/build-windows.sh first" >&2; exit 1; }
[ -x "$linux" ] || { echo "check-windows-zip: no Linux build at $linux" >&2; exit 1; }
zip="$(realpath "$zip")"
linux="$(realpath "$linux")"
data="$root/tests/data"

work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-zip-check.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
# Only this prefix's wineserver is ended: the one this check started.
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
mkdir "$work/unzipped" "$work/runs"
unzip -q "$zip" -d "$work/unzipped"
program="$(ls -d "$work"/unzipped/velmora-*-windows-x64)/velmora-batch.exe"
[ -f "$program" ] || { echo "check-windows-zip: no velmora-batch.exe in $zip" >&2; exit 1; }
# The new prefix is made, and every process of its making has ended, before the first case runs.
wineboot -i >/dev/null 2>&1 || true
wineserver -w

failures=0
# Runs one case with both programs from an empty working folder, then compares everything each wrote.
# The arguments are the same bytes for both: Wine maps the Unix paths onto its drive Z:.
check() {
    local name="$1" side code
    shift
    for side in linux windows; do
        mkdir -p "$work/runs/$name/$side"
        (
            cd "$work/runs/$name/$side"
            set +e
            if [ $side = linux ]; then
                "$linux" "${@//@OUT@/$work/runs/$name/$side/out}" >stdout.txt 2>stderr.txt
            else
                wine "$program" "${@//@OUT@/$work/runs/$name/$side/out}" >stdout.txt 2>stderr.txt
            fi
            echo $? >exit-code.txt
        )
    done
    # The output folder's own name differs between the two sides; messages naming it are made alike.
    sed -i "s|$work/runs/$name/windows/|$work/runs/$name/linux/|g" "$work/runs/$name/windows/stderr.txt"
    if diff -r "$work/runs/$name/linux" "$work/runs/$name/windows" >"$work/runs/$name.diff"; then
        code=$(cat "$work/runs/$name/linux/exit-code.txt")
        echo "same:      $name (exit code $code)"
    else
        echo "DIFFERENT: $name"
        sed 's/^/    /' "$work/runs/$name.diff"
        failures=$((failures + 1))
    fi
}

check version --version
check help --help
job=(--config "$data/cases/register_payments/vozuz.ini")
check job-xls "${job[@]}" --table1 "$data/register.xls" --table2 "$data/payments.xls" --out @OUT@
for format in xlsx ods; do
    check "job-$format" "${job[@]}" --table1 "$data/workbooks/register.$format" \
        --table2 "$data/workbooks/payments.$format" --out @OUT@
done
check job-chinese-out "${job[@]}" --table1 "$data/register.xls" --table2 "$data/payments.xls" --out @OUT@/输出
for workbook in payments.xls workbooks/payments.xlsx workbooks/payments.ods; do
    check "list-sheets-$(basename "$workbook")" --list-sheets "$data/$workbook"
done
check missing-workbook "${job[@]}" --table1 "$data/no-such.xls" --table2 "$data/payments.xls" --out @OUT@
check encrypted-workbook "${job[@]}" --table1 "$data/register.xls" --table2 "$data/encrypted.xls" --out @OUT@
check wrong-sheet "${job[@]}" --table1 "$data/register.xls" --table2 "$data/register.xls" --out @OUT@
check missing-option --table1 "$data/register.xls"

# Portable: the settings beside the program, no --config; the outputs are those of the job above.
cp "$data/cases/register_payments/vozuz.ini" "$(dirname "$program")/"
mkdir -p "$work/runs/portable"
(cd "$work/runs/portable" && wine "$program" --table1 "$data/register.xls" --table2 "$data/payments.xls" \
    --out "$work/runs/portable/out" >stdout.txt 2>stderr.txt)
if diff -r "$work/runs/job-xls/linux/out" "$work/runs/portable/out" >/dev/null &&
    cmp -s "$work/runs/job-xls/linux/stdout.txt" "$work/runs/portable/stdout.txt"; then
    echo "same:      portable (settings beside the program)"
else
    echo "DIFFERENT: portable (settings beside the program)"
    failures=$((failures + 1))
fi

# A console: under a pseudo-terminal Wine gives the program one, so the text goes through WriteConsoleW;
# Chinese comes out right only if it went out as UTF-16 (bytes would be read in the console's code page).
(cd "$work/runs" && script -qec "wine '$program' --help" /dev/null </dev/null >console.txt 2>&1) || true
sed -i 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' "$work/runs/console.txt"
missing=0
while IFS= read -r line; do
    grep -qF -- "$line" "$work/runs/console.txt" || missing=$((missing + 1))
done <"$work/runs/help/linux/stdout.txt"
if [ $missing -eq 0 ]; then
    echo "same:      help written to a console"
else
    echo "DIFFERENT: help written to a console ($missing lines not found)"
    sed 's/^/    /' "$work/runs/console.txt"
    failures=$((failures + 1))
fi

if [ $failures -ne 0 ]; then
    echo "check-windows-zip: $failures case(s) differ from the Linux build" >&2
    exit 1
fi
echo "check-windows-zip: $(basename "$zip") gives the Linux build's bytes on every case"
