#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the Linux velmora-batch and the Windows velmora-batch.exe under Wine on the same 65,535-row
# workbooks, alternately, prints the medians, and checks that both wrote the same bytes.
#
# Usage: bench/windows_batch_bench.sh [RUNS] [VELMORA_BATCH] [WINDOWS_FOLDER] [DATA_DIR]
#   RUNS            runs of each program (default 5)
#   VELMORA_BATCH   the Linux program (default build/bin/velmora-batch)
#   WINDOWS_FOLDER  the unzipped folder of scripts/build-windows.sh (default: the one beside the zip)
#   DATA_DIR        folder holding bench_data.py (default ../shared/bench)
# Needs /usr/bin/python3 with xlwt (Debian: python3-xlwt) and Wine. Not run by the tests.
set -eu

runs=${1:-5}
batch=${2:-build/bin/velmora-batch}
windows=${3:-$(ls -d build-windows/velmora-*-windows-x64 | tail -n 1)}
data_dir=${4:-../shared/bench}
rows=65535
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-wine.XXXXXX")
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT INT TERM
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
unset WINEPATH
wineboot -i >/dev/null 2>&1 || true

/usr/bin/python3 "$data_dir/bench_data.py" "$work/data" "$rows"

# Wall seconds, user+system CPU seconds of one run, as "wall cpu".
timed() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}

: >"$work/times-linux"
: >"$work/times-wine"
wine "$windows/velmora-batch.exe" --version >/dev/null  # Wine's own start-up is not timed
i=1
while [ "$i" -le "$runs" ]; do
    timed "$batch" --config "$work/data/vozuz.ini" --table1 "$work/data/table1.xls" \
        --table2 "$work/data/table2.xls" --out "$work/linux-out" >>"$work/times-linux"
    timed wine "$windows/velmora-batch.exe" --config "$work/data/vozuz.ini" --table1 "$work/data/table1.xls" \
        --table2 "$work/data/table2.xls" --out "$work/wine-out" >>"$work/times-wine"
    echo "run $i: linux $(tail -n 1 "$work/times-linux"), wine $(tail -n 1 "$work/times-wine") (wall s, CPU s)" >&2
    i=$((i + 1))
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-28s %8s %8s\n' "" "wall s" "CPU s"
for which in linux wine; do
    printf '%-28s %8s %8s\n' "velmora-batch ($which)" "$(cut -d' ' -f1 "$work/times-$which" | median)" \
        "$(cut -d' ' -f2 "$work/times-$which" | median)"
done
if diff -r "$work/linux-out" "$work/wine-out" >/dev/null; then
    echo "outputs: byte-identical"
else
    echo "outputs: DIFFERENT" && exit 1
fi
