#!/usr/bin/env bash
# Builds Velmora for Windows (x64) on this Debian machine and writes
# build-windows/velmora-<version>-windows-x64.zip: one folder with velmora-batch.exe, every DLL it needs,
# the user guide, LICENSE and the third-party notices.
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
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DWERROR=ON -DBUILD_APP=OFF \
    -DBUILD_TESTS="$([ $run_tests = 1 ] && echo ON || echo OFF)"
nice cmake --build "$build" -j"${VELMORA_JOBS:-$(nproc)}"

if [ $run_tests = 1 ]; then
    # A fresh prefix makes its Windows folders on first start; do it once, not inside a timed test.
    wineboot -i >/dev/null 2>&1 || true
    (cd "$build" && ctest --output-on-failure -j"${VELMORA_JOBS:-$(nproc)}" --timeout 900)
fi

# The zip: the program, the DLLs it loads (followed from DLL to DLL; the system's own are left out), the
# guide, the licence and every library's licence text.
version="$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
name="velmora-$version-windows-x64"
stage="$out/$name"
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/velmora-batch.exe" "$build/bin/velmora-batch.exe"
queue=("$stage/velmora-batch.exe")
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
