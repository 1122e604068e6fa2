#!/usr/bin/env bash
# The window at 150 % and 200 %: for each scale, sets the system DPI of the prefix and runs the window's
# smoke test at it, once (window_smoke.sh with DPI): the window must have that DPI, lie wholly on its
# monitor's work area, be the design's size scaled or as tall as the work area allows, hide and show its
# settings panel at scale, and end with 0 by its 退出 button.
#
#   tests/windows/window_scale_test.sh FOLDER PROBE VERSION
# WINEPREFIX names a prefix of this test's own, as the DPI stays set in it; run with xvfb-run on a
# 1920x1080 screen when there is no display (at 200 % the design's height then exceeds the work area).
set -euo pipefail
folder="$1" probe="$2" version="$3"
here="$(cd "$(dirname "$0")" && pwd)"

for dpi in 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    # The system takes its DPI as the Wine server starts: let the running one end first.
    wineserver -w
    "$here/window_smoke.sh" "$folder" "$probe" "$version" "$dpi"
    wineserver -w
done
