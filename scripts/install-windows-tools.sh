#!/usr/bin/env bash
# Installs with apt-get what building and testing Velmora for Windows needs on this Debian machine: the
# cross compiler, Wine, the build tools of the dependencies and Debian's source entries they come from.
# Kept apart from scripts/build-windows-deps.sh, whose hash keys the built dependencies: a tool added here
# does not throw away a cached build. Does nothing when everything is installed already.
set -euo pipefail

# The build machine's Qt 6.4.2 gives the host tools (moc, rcc, uic) for the Windows Qt of the same
# version; tclsh makes SQLite's single-file source; meson and ninja build GLib. nsis makes the installer,
# qt6-translations-l10n gives Qt's Chinese texts (the same files on every system), and the window's tests
# under Wine need a virtual display (xvfb, xauth).
packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
    wine wine64 dpkg-dev cmake ninja-build meson pkg-config python3 tcl gettext zip unzip
    autoconf automake libtool
    libglib2.0-dev-bin qt6-base-dev qt6-base-dev-tools
    nsis qt6-translations-l10n xvfb xauth
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# Source entries for Debian's registry: bookworm for most, trixie for libgsf's served tarball.
list=/etc/apt/sources.list.d/velmora-windows-src.sources
updated=0
if [ ! -f "$list" ]; then
    $SUDO tee "$list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    $SUDO apt-get update >&2
    updated=1
fi

missing=()
for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f '${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
[ $updated = 1 ] || $SUDO apt-get update >&2
$SUDO apt-get install -y --no-install-recommends "${missing[@]}" >&2
