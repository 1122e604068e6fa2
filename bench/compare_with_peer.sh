#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Times velmora-batch against the pandas + xlrd + xlwt script on the same 65,535-row workbooks,
# alternating the two so the load of a shared machine falls on both, and prints medians and the ratio.
#
# Usage: bench/compare_with_peer.sh [RUNS] [VELMORA_BATCH] [PEER_DIR]
#   RUNS           runs of each program (default 5)
#   VELMORA_BATCH  the program to time (default build/bin/velmora-batch)
#   PEER_DIR       folder holding bench_data.py and bench_peer.py (default ../shared/bench)
# Needs /usr/bin/python3 with pandas, xlrd and xlwt (Debian: python3-pandas python3-xlrd python3-xlwt).
# Not run by the tests.
set -eu

runs=${1:-5}
batch=${2:-build/bin/velmora-batch}
peer_dir=${3:-../shared/bench}
rows=65535
python=/usr/bin/python3
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-peer.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

"$python" "$peer_dir/bench_data.py" "$work/data" "$rows"

# Wall seconds, user+system CPU seconds and peak RSS (KB) of one run, as "wall cpu kb".
timed() {
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

: >"$work/peer"
: >"$work/velmora"
i=1
while [ "$i" -le "$runs" ]; do
    timed "$python" "$peer_dir/bench_peer.py" "$work/data" "$work/peer-out" >>"$work/peer"
    timed "$batch" --config "$work/data/vozuz.ini" --table1 "$work/data/table1.xls" \
        --table2 "$work/data/table2.xls" --out "$work/velmora-out" >>"$work/velmora"
    echo "run $i: peer $(tail -n 1 "$work/peer"), velmora $(tail -n 1 "$work/velmora") (wall s, CPU s, peak KB)" >&2
    i=$((i + 1))
done

# The median of column $2 of file $1.
median() {
    cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

peer_wall=$(median "$work/peer" 1)
velmora_wall=$(median "$work/velmora" 1)
peer_cpu=$(median "$work/peer" 2)
velmora_cpu=$(median "$work/velmora" 2)
echo "rows: $rows, runs: $runs, load average: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc)"
printf '%-14s %10s %10s %12s\n' "" "wall s" "CPU s" "peak MB"
printf '%-14s %10s %10s %12.1f\n' "pandas peer" "$peer_wall" "$peer_cpu" "$(median "$work/peer" 3 | awk '{ print $1 / 1024 }')"
printf '%-14s %10s %10s %12.1f\n' "velmora-batch" "$velmora_wall" "$velmora_cpu" "$(median "$work/velmora" 3 | awk '{ print $1 / 1024 }')"
awk -v p="$peer_wall" -v v="$velmora_wall" -v pc="$peer_cpu" -v vc="$velmora_cpu" \
    'BEGIN { printf "ratio (peer / velmora): wall %.1fx, CPU %.1fx\n", p / v, pc / vc }'
