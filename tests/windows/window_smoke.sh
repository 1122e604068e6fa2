#!/usr/bin/env bash
# The window under Wine on a virtual display: starts FOLDER/velmora.exe (the zip's folder, or the installed
# one), lets PROBE (window_probe.exe) find it by its title, measure its frame, toggle 设置 and click the
# toolbar's 退出 button, and checks that the program ended by that with exit code 0. With DPI, the
# prefix's system runs at that DPI and the probe checks the window at that scale.
#
#   tests/windows/window_smoke.sh FOLDER PROBE VERSION [DPI]
# WINEPREFIX names the prefix to use; run with xvfb-run when there is no display.
set -euo pipefail
folder="$1" probe="$2" version="$3" dpi="${4:-}"
scale=()
[ -n "$dpi" ] && scale=(--dpi "$dpi")

# Nothing but the folder itself: the program must find every DLL, plugin and text beside it.
WINEPATH= wine "$folder/velmora.exe" &
program=$!
# The probe is the build's own, and loads the C++ runtime from the folder.
if ! WINEPATH="Z:$folder" wine "$probe" "${scale[@]}" "VelmoraV$version"; then
    echo "window smoke test: the probe failed on $folder${dpi:+ at $dpi DPI}" >&2
    kill "$program" 2>/dev/null || true
    exit 1
fi
if ! wait "$program"; then
    echo "window smoke test: velmora.exe did not end with 0 after 退出" >&2
    exit 1
fi
echo "window smoke test passed: $folder${dpi:+ at $dpi DPI}"
