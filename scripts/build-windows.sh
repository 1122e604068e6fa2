#!/usr/bin/env bash
# Builds Velmora for Windows (x64) on this Debian machine and writes
# build-windows/velmora-<version>-windows-x64.zip: one folder with velmora.exe, velmora-batch.exe, every
# DLL and Qt plugin they need, Qt's Chinese texts, the user guide, LICENSE and the third-party notices;
# and build-windows/velmora-<version>-setup.exe, the installer of the same folder (NSIS).
#
#   scripts/build-windows.sh           # dependencies (cached), build, zip
#   scripts/build-windows.sh --test    # the same, then the test suite under Wine
#
# The dependencies come from scripts/build-windows-deps.sh (the first run builds them, later runs take them
# from its cache), or from VELMORA_WINDOWS_DEPS when that names a prefix built already. Tests run in a Wine
# prefix of the build's own, build-windows/wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
run_tests=0
[ "${1:-}" = --test ] && run_tests=1

scripts/install-windows-tools.sh
deps="${VELMORA_WINDOWS_DEPS:-$(scripts/build-windows-deps.sh)}"
out="$root/build-windows"
build="$out/build"
export WINEPREFIX="${WINEPREFIX:-$out/wine}" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$out"

# -O2: GCC 12's -O3 warns falsely about overlapping copies inside std::string.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DVELMORA_WINDOWS_DEPS="$deps" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DWERROR=ON -DBUILD_APP=ON \
    -DBUILD_TESTS="$([ $run_tests = 1 ] && echo ON || echo OFF)"
nice cmake --build "$build" -j"${VELMORA_JOBS:-$(nproc)}"

if [ $run_tests = 1 ]; then
    # A fresh prefix makes its Windows folders on first start; do it once, not inside a timed test.
    wineboot -i >/dev/null 2>&1 || true
    # A Wine process now and then hangs at exit after its test passed: a short limit and a rerun keep that
    # from failing the run; a test that fails every time still fails it.
    (cd "$build" && ctest --output-on-failure -j"${VELMORA_JOBS:-$(nproc)}" --timeout 180 --repeat until-pass:3)
fi

# The zip: the programs, the DLLs they load (followed from DLL to DLL; the system's own are left out), the
# Qt plugins of the windows platform and the native style, Qt's Chinese texts, the guide, the licence and
# every library's licence text.
version="$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
name="velmora-$version-windows-x64"
stage="$out/$name"
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/velmora-batch.exe" "$build/bin/velmora-batch.exe"
queue=("$stage/velmora-batch.exe")
if [ -f "$build/bin/velmora.exe" ]; then
    x86_64-w64-mingw32-strip -o "$stage/velmora.exe" "$build/bin/velmora.exe"
    mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
    x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/platforms/qwindows.dll" "$deps/plugins/platforms/qwindows.dll"
    x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/styles/qwindowsvistastyle.dll" \
        "$deps/plugins/styles/qwindowsvistastyle.dll"
    cp "$build/bin/translations/qtbase_zh_CN.qm" "$stage/translations/"
    # Qt looks for its plugins and texts beside the program, never in a folder above it that someone
    # else might fill.
    printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
    queue+=("$stage/velmora.exe" "$stage/platforms/qwindows.dll" "$stage/styles/qwindowsvistastyle.dll")
fi
while [ ${#queue[@]} -gt 0 ]; do
    file="${queue[0]}"
    queue=("${queue[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -f "$stage/$dll" ] && continue
        [ -f "$deps/bin/$dll" ] || continue  # a system DLL
        x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/$dll" "$deps/bin/$dll"
        queue+=("$stage/$dll")
    done
done
# An organisation that signs its programs names its signing command (it gets the file as its argument,
# and signs it in place): the programs are signed before they are packed, the installer and its
# uninstaller as makensis writes them.
if [ -n "${VELMORA_SIGN:-}" ]; then
    for program in "$stage"/*.exe; do
        $VELMORA_SIGN "$program"
    done
fi
cp "resources/软件使用说明.doc" LICENSE "$stage/"
{
    echo "Velmora for Windows includes the following libraries, each under its own licence. The libraries"
    echo "under the GNU Lesser General Public License (GLib, libgsf) are the DLLs beside the program and"
    echo "may be replaced by the user with compatible builds of their own. They were built from Debian's"
    echo "source packages of these versions:"
    echo
    # The test framework is not shipped; Qt only with the window program.
    shipped="zlib|libffi|pcre2|glib2.0|libxml2|sqlite3|libgsf|gcc-mingw-w64|mingw-w64|LGPL-2"
    [ -f "$stage/velmora.exe" ] && shipped="$shipped|qt6-base"
    grep -E "^($shipped) " "$deps/share/velmora-deps-versions.txt" | sed 's/^/    /'
    for licence in "$deps"/share/licenses/*; do
        title="$(basename "$licence")"
        echo "$title" | grep -qE "^($shipped)\." || continue
        echo
        echo "================================================================================"
        echo "$title"
        echo "================================================================================"
        cat "$licence"
    done
} >"$stage/THIRD-PARTY-NOTICES.txt"
(cd "$out" && rm -f "$name.zip" && zip -qr -X "$name.zip" "$name")
echo "$out/$name.zip"

# The installer, when the window program is built: the same folder, listed file by file so that the
# uninstaller removes exactly what was installed.
if [ -f "$stage/velmora.exe" ]; then
    files="$out/files.nsh"
    {
        echo '!macro InstallFiles'
        (cd "$stage" && find . -type d | sort) | while read -r dir; do
            sub="${dir#.}"
            echo "    SetOutPath \"\$INSTDIR${sub//\//\\}\""
            find "$stage/${dir#./}" -maxdepth 1 -type f | sort | sed 's/^\(.*\)$/    File "\1"/'
        done
        echo '!macroend'
        echo '!macro RemoveFiles'
        (cd "$stage" && find . -type f | sort) | while read -r file; do
            rel="${file#./}"
            echo "    Delete \"\$INSTDIR\\${rel//\//\\}\""
        done
        (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
            rel="${dir#./}"
            echo "    RMDir \"\$INSTDIR\\${rel//\//\\}\""
        done
        echo '!macroend'
    } >"$files"
    # The version resource wants four numbers.
    numbers="$version"
    while [ "$(echo "$numbers" | tr -cd . | wc -c)" -lt 3 ]; do numbers="$numbers.0"; done
    setup="$out/velmora-$version-setup.exe"
    rm -f "$setup"
    sign=()
    [ -n "${VELMORA_SIGN:-}" ] && sign=(-DSIGN="$VELMORA_SIGN")
    makensis -INPUTCHARSET UTF8 -V2 -DVERSION="$version" -DVERSION4="$numbers" -DSTAGE="$stage" \
        -DFILES="$files" -DOUTFILE="$setup" -DICON="$root/resources/windows/velmora.ico" "${sign[@]}" \
        packaging/windows/velmora.nsi >/dev/null
    echo "$setup"
fi

# The deliverables under Wine on a virtual display: the window from the zip's folder, at 96 DPI and then
# scaled, then the installer (silent install, the batch and the window from Program Files, silent
# uninstall).
if [ $run_tests = 1 ] && [ -f "$stage/velmora.exe" ]; then
    # The suite's Wine processes end first, so the display is the virtual one from the start.
    wineserver -w
    probe="$build/bin/window_probe.exe"
    xvfb-run -a -s "-screen 0 1280x1024x24" tests/windows/window_smoke.sh "$stage" "$probe" "$version"
    wineserver -w
    # The same window at 150 % and 200 %, in a prefix of its own since the DPI stays set there; a full-HD
    # screen, on which the design's height at 200 % exceeds the work area.
    WINEPREFIX="$out/wine-scale" xvfb-run -a -s "-screen 0 1920x1080x24" tests/windows/window_scale_test.sh \
        "$stage" "$probe" "$version"
    xvfb-run -a -s "-screen 0 1280x1024x24" tests/windows/setup_test.sh "$setup" "$root/tests/data" "$probe" \
        "$version"
fi
