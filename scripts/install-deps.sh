#!/usr/bin/env bash
# Installs what Velmora needs to build, run and test on Debian 12, and to build and check its package.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake pkg-config \
    qt6-base-dev qt6-translations-l10n libgl1-mesa-dev \
    libgsf-1-dev libxml2-dev libsqlite3-dev zlib1g-dev \
    libgtest-dev libgmock-dev \
    clang libclang-rt-14-dev clang-format \
    python3-xlrd \
    fonts-wqy-microhei xdg-utils \
    dpkg-dev file lintian desktop-file-utils appstream qt6-translations-l10n
