#!/usr/bin/env bash
# Cross-builds the libraries Velmora needs on Windows (x64) from Debian's own source packages, with
# Debian's mingw-w64, into a cache folder keyed by the library versions and this script's hash, so a rerun
# on the same machine takes seconds. The tools come from scripts/install-windows-tools.sh, which is not part
# of the key, so its list can grow without a rebuild. Prints the prefix (include/, lib/, bin/ with every DLL)
# on standard output; everything else goes to standard error.
#
#   scripts/build-windows-deps.sh [--install-only | --print-prefix]
#
# VELMORA_WINDOWS_CACHE overrides the cache folder (default /var/cache/velmora/windows-deps);
# VELMORA_JOBS the parallel jobs (default: the number of cores, at most 2); builds run at low priority.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

# Upstream versions; the Debian revision is whichever of them the registry serves (newest first).
# libgsf: bookworm's tarball is no longer served, the next release's 1.14.53 is.
declare -A upstream=(
    [libffi]=3.4.4 [pcre2]=10.42 [glib2.0]=2.74.6 [libxml2]=2.9.14 [sqlite3]=3.40.1
    [libgsf]=1.14.53 [qt6-base]=6.4.2 [googletest]=1.12.1
)
order=(libffi pcre2 libintl glib2.0 libxml2 sqlite3 libgsf googletest qt6-base)

cache="${VELMORA_WINDOWS_CACHE:-/var/cache/velmora/windows-deps}"
key_src="$(cat "$0" "$here/cmake/mingw-w64-x86_64.cmake"; for p in "${!upstream[@]}"; do echo "$p=${upstream[$p]}"; done | sort)"
key="qt${upstream[qt6-base]}-glib${upstream[glib2.0]}-$(printf '%s' "$key_src" | sha256sum | cut -c1-12)"
# VELMORA_WINDOWS_DEPS_PREFIX builds into that folder instead (steps already done there are kept).
prefix="${VELMORA_WINDOWS_DEPS_PREFIX:-$cache/$key}"
log() { echo "build-windows-deps: $*" >&2; }

if [ "${1:-}" = --print-prefix ]; then echo "$prefix"; exit 0; fi

if [ "${1:-}" = --install-only ]; then exec "$here/scripts/install-windows-tools.sh"; fi

if [ -f "$prefix/.complete" ]; then
    log "cached in $prefix"
    echo "$prefix"
    exit 0
fi
"$here/scripts/install-windows-tools.sh"

jobs="${VELMORA_JOBS:-$(nproc)}"
if [ "$jobs" -gt 2 ] && [ -z "${VELMORA_JOBS:-}" ]; then jobs=2; fi
host=x86_64-w64-mingw32
work="$prefix.work"  # kept after a failure, so a rerun goes on where it stopped
sources="$cache/sources"
mkdir -p "$prefix"/{bin,lib/pkgconfig,include,share/licenses} "$work" "$sources"
timings="$prefix/share/velmora-deps-timings.txt"
versions="$prefix/share/velmora-deps-versions.txt"

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
export CC="$host-gcc-posix" CXX="$host-g++-posix" AR="$host-ar" RANLIB="$host-ranlib" \
    STRIP="$host-strip" WINDRES="$host-windres" RC="$host-windres" DLLTOOL="$host-dlltool" NM="$host-nm"
export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" CFLAGS="-O2" CXXFLAGS="-O2"
run() { nice -n 19 "$@"; }
autotools_flags=(--host="$host" --build="$(gcc -dumpmachine)" --prefix="$prefix" --enable-shared --disable-static)

# Unpacks the newest served Debian source of the package whose upstream version matches.
fetch() {
    local pkg="$1" want="${upstream[$1]}" dest="$work/src-$1" v dsc
    [ -f "$dest/.velmora-fetched" ] && return 0
    rm -rf "$dest"
    for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -urV); do
        case "${v#*:}" in "$want"[-+~]*) ;; *) continue ;; esac
        dsc="$sources/${pkg}_${v#*:}.dsc"
        if [ -f "$dsc" ] || (cd "$sources" && apt-get source --download-only "$pkg=$v" >&2 2>/dev/null); then
            dpkg-source --no-check -x "$dsc" "$dest" >&2
            touch "$dest/.velmora-fetched"
            echo "$pkg $v" >>"$versions"
            cp "$dest/debian/copyright" "$prefix/share/licenses/$pkg.copyright"
            return 0
        fi
    done
    log "no served source of $pkg $want"
    exit 1
}

step_zlib() {
    # Debian ships zlib for mingw-w64 ready-built.
    cp /usr/$host/include/zlib.h /usr/$host/include/zconf.h "$prefix/include/"
    cp /usr/$host/lib/libz.dll.a "$prefix/lib/"
    cp /usr/$host/lib/zlib1.dll "$prefix/bin/"
    cat >"$prefix/lib/pkgconfig/zlib.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: zlib
Description: zlib compression library
Version: $(sed -n 's/^Version: //p' /usr/$host/lib/pkgconfig/zlib.pc)
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
    echo "zlib (libz-mingw-w64-dev) $(dpkg-query -W -f '${Version}' libz-mingw-w64-dev)" >>"$versions"
    cp /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix/share/licenses/zlib.copyright"
    # The compiler's own runtime, which every C++ DLL needs beside it.
    cp /usr/lib/gcc/$host/*-posix/libstdc++-6.dll /usr/lib/gcc/$host/*-posix/libgcc_s_seh-1.dll \
        /usr/lib/gcc/$host/*-posix/libssp-0.dll /usr/$host/lib/libwinpthread-1.dll "$prefix/bin/"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$prefix/share/licenses/gcc-mingw-w64.copyright"
    cp /usr/share/doc/mingw-w64-common/copyright "$prefix/share/licenses/mingw-w64.copyright"
    echo "gcc-mingw-w64 $(dpkg-query -W -f '${Version}' gcc-mingw-w64-x86-64-posix)" >>"$versions"
    echo "mingw-w64 $(dpkg-query -W -f '${Version}' mingw-w64-common)" >>"$versions"
    # The Debian copyright files of GLib and libgsf point to this text rather than holding it.
    cp /usr/share/common-licenses/LGPL-2.1 "$prefix/share/licenses/LGPL-2.1.txt"
}

step_libffi() {
    fetch libffi
    cd "$work/src-libffi"
    run ./configure "${autotools_flags[@]}" --disable-docs --disable-multi-os-directory >&2
    run make -j"$jobs" >&2
    run make install >&2
}

step_pcre2() {
    fetch pcre2
    cmake -S "$work/src-pcre2" -B "$work/build-pcre2" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=ON -DBUILD_STATIC_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF \
        -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
        -DCMAKE_C_FLAGS=-O2 >&2
    run cmake --build "$work/build-pcre2" -j"$jobs" >&2
    cmake --install "$work/build-pcre2" >&2
}

step_libintl() {
    # GLib asks for a libintl; the program ships no message catalogues of GLib, so the identity
    # translation is all it needs.
    cat >"$prefix/include/libintl.h" <<'EOF'
#ifndef VELMORA_LIBINTL_H
#define VELMORA_LIBINTL_H
#include <locale.h>
/* The system's locale.h has no message category; gettext's own header gives it this number. */
#ifndef LC_MESSAGES
#define LC_MESSAGES 1729
#endif
#ifdef __cplusplus
extern "C" {
#endif
/* As gettext's own header: the result is a format when the message is, so formats stay checked. */
#define VELMORA_FORMAT_ARG(n) __attribute__((format_arg(n)))
char *gettext(const char *msgid) VELMORA_FORMAT_ARG(1);
char *dgettext(const char *domain, const char *msgid) VELMORA_FORMAT_ARG(2);
char *dcgettext(const char *domain, const char *msgid, int category) VELMORA_FORMAT_ARG(2);
char *ngettext(const char *msgid, const char *plural, unsigned long n) VELMORA_FORMAT_ARG(1) VELMORA_FORMAT_ARG(2);
char *dngettext(const char *domain, const char *msgid, const char *plural, unsigned long n)
    VELMORA_FORMAT_ARG(2) VELMORA_FORMAT_ARG(3);
char *dcngettext(const char *domain, const char *msgid, const char *plural, unsigned long n, int category)
    VELMORA_FORMAT_ARG(2) VELMORA_FORMAT_ARG(3);
char *textdomain(const char *domain);
char *bindtextdomain(const char *domain, const char *dir);
char *bind_textdomain_codeset(const char *domain, const char *codeset);
#ifdef __cplusplus
}
#endif
#endif
EOF
    cat >"$work/libintl.c" <<'EOF'
#include <libintl.h>
char *gettext(const char *m) { return (char *)m; }
char *dgettext(const char *d, const char *m) { (void)d; return (char *)m; }
char *dcgettext(const char *d, const char *m, int c) { (void)d; (void)c; return (char *)m; }
char *ngettext(const char *m, const char *p, unsigned long n) { return (char *)(n == 1 ? m : p); }
char *dngettext(const char *d, const char *m, const char *p, unsigned long n) { (void)d; return ngettext(m, p, n); }
char *dcngettext(const char *d, const char *m, const char *p, unsigned long n, int c) { (void)d; (void)c; return ngettext(m, p, n); }
char *textdomain(const char *d) { return (char *)(d ? d : "messages"); }
char *bindtextdomain(const char *d, const char *dir) { (void)d; return (char *)dir; }
char *bind_textdomain_codeset(const char *d, const char *c) { (void)d; return (char *)c; }
EOF
    # A DLL: libtool links a DLL (libgsf) only against other DLLs, never a static archive.
    rm -f "$prefix/lib/libintl.a"
    $CC -O2 -shared "$work/libintl.c" -I"$prefix/include" -o "$prefix/bin/libintl-8.dll" \
        -Wl,--out-implib,"$prefix/lib/libintl.dll.a"
}

meson_cross() {
    cat >"$work/cross.ini" <<EOF
[binaries]
c = '$CC'
cpp = '$CXX'
ar = '$AR'
strip = '$STRIP'
windres = '$WINDRES'
pkgconfig = 'pkg-config'

[properties]
needs_exe_wrapper = true
pkg_config_libdir = '$prefix/lib/pkgconfig'

[built-in options]
c_args = ['-I$prefix/include']
cpp_args = ['-I$prefix/include']
c_link_args = ['-L$prefix/lib']
cpp_link_args = ['-L$prefix/lib']

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
}

step_glib2.0() {
    fetch glib2.0
    meson_cross
    # No subproject may be fetched: every dependency is already in the prefix.
    [ -f "$work/build-glib/build.ninja" ] || (cd "$work/src-glib2.0" && CPPFLAGS= LDFLAGS= CFLAGS= CXXFLAGS= CC= CXX= AR= STRIP= WINDRES= RC= \
        meson setup "$work/build-glib" --cross-file "$work/cross.ini" --prefix "$prefix" --libdir lib \
        --buildtype release --wrap-mode nofallback -Dtests=false -Dinstalled_tests=false -Dnls=disabled \
        -Dman=false -Dgtk_doc=false -Dlibmount=disabled -Dselinux=disabled -Dxattr=false \
        -Dlibelf=disabled -Ddtrace=false -Dsystemtap=false -Dglib_debug=disabled >&2)
    run ninja -C "$work/build-glib" -j"$jobs" >&2
    ninja -C "$work/build-glib" install >&2
}

step_libxml2() {
    fetch libxml2
    cd "$work/src-libxml2"
    # Debian's patches touch the build files, which Debian's build then regenerates too.
    run autoreconf -fi >&2
    # Only UTF-8 parts of zip packages are parsed: no iconv, no network, no compressed files.
    run ./configure "${autotools_flags[@]}" --without-python --without-iconv --without-icu --without-lzma \
        --without-zlib --without-http --without-ftp --without-debug --without-docbook --without-catalog \
        --without-modules >&2
    run make -j"$jobs" libxml2.la >&2
    run make install-libLTLIBRARIES install-pkgconfigDATA >&2
    run make -C include install >&2
}

step_sqlite3() {
    fetch sqlite3
    cd "$work/src-sqlite3"
    # The single-file source is made on the build machine, then compiled for Windows as a DLL.
    mkdir -p "$work/build-sqlite-host"
    (cd "$work/build-sqlite-host" && CC=gcc CPPFLAGS= LDFLAGS= AR=ar RANLIB=ranlib STRIP=strip \
        run "$work/src-sqlite3/configure" --disable-tcl >&2 && run make sqlite3.c >&2)
    local flags=(-O2 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_UNLOCK_NOTIFY
        -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_THREADSAFE=1)
    run $CC "${flags[@]}" -shared "$work/build-sqlite-host/sqlite3.c" -o "$prefix/bin/libsqlite3-0.dll" \
        -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a" >&2
    cp "$work/build-sqlite-host/sqlite3.h" "$work/src-sqlite3/src/sqlite3ext.h" "$prefix/include/"
    cat >"$prefix/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: SQLite
Description: SQL database engine
Version: ${upstream[sqlite3]}
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
EOF
}

step_libgsf() {
    fetch libgsf
    cd "$work/src-libgsf"
    run ./configure "${autotools_flags[@]}" --disable-nls --disable-introspection --without-gdk-pixbuf \
        --without-bz2 --disable-gtk-doc >&2
    run make -j"$jobs" -C gsf >&2
    run make -C gsf install >&2
    run make install-pkgconfigDATA >&2
}

step_googletest() {
    fetch googletest
    cmake -S "$work/src-googletest" -B "$work/build-googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >&2
    run cmake --build "$work/build-googletest" -j"$jobs" >&2
    cmake --install "$work/build-googletest" >&2
}

step_qt6-base() {
    fetch qt6-base
    # Only what the window needs: Core, Gui, Widgets, Test, the windows and offscreen platforms and the
    # Windows styles. The host tools are the build machine's Qt of the same version.
    cmake -S "$work/src-qt6-base" -B "$work/build-qt" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DVELMORA_WINDOWS_DEPS="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake" \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF \
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_sql_sqlite=OFF \
        -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_pdf=OFF \
        -DFEATURE_system_zlib=ON -DFEATURE_system_pcre2=ON -DFEATURE_zstd=OFF \
        -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_mimetype_database=OFF \
        -DFEATURE_sessionmanager=OFF -DFEATURE_testlib_selfcover=OFF >&2
    run cmake --build "$work/build-qt" -j"$jobs" >&2
    cmake --install "$work/build-qt" >&2
    cp "$work/src-qt6-base/LICENSES/LGPL-3.0-only.txt" "$prefix/share/licenses/qt6-base.LGPL-3.0-only.txt"
}

# Processor seconds of the finished child processes so far, in `cpu`: on a busy machine the wall time says
# little. (`times` must run in this shell, not in a subshell that has no children of its own yet.)
cpu_now() {
    times >"$work/.times"
    cpu=$(awk 'NR == 2 { sub(/m/, " ", $1); sub(/m/, " ", $2); split($1, u, " "); split($2, s, " ");
        printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$work/.times")
}
total_start=$(date +%s)
for step in zlib "${order[@]}"; do
    stamp="$prefix/.done-$step"
    [ -f "$stamp" ] && continue
    start=$(date +%s)
    cpu_now
    cpu_start=$cpu
    log "building $step"
    (step_"$step")
    cpu_now
    took="$step $(($(date +%s) - start))s wall, $((cpu - cpu_start))s processor"
    echo "$took" >>"$timings"
    log "$took"
    touch "$stamp"
done
cpu_now
echo "total $(($(date +%s) - total_start))s wall, ${cpu}s processor (jobs: $jobs)" >>"$timings"
rm -rf "$work"
touch "$prefix/.complete"
log "ready in $prefix"
echo "$prefix"
