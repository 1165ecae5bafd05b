#!/bin/sh
# Installs the Debian 12 packages the project needs, when any is missing.
# Usage: tools/deps.sh
# Xvfb and xdotool run the program headless and drive it in the end-to-end
# tests; wine starts Windows programs (and runs one, cross-compiled with
# MinGW, in the tests).
set -eu
packages="g++ make cmake pkg-config qt6-base-dev qt6-translations-l10n libgtest-dev libgmock-dev
libarchive-dev libarchive-tools liblhasa-dev lhasa libmspack-dev libunarr-dev cabextract unar 7zip zstd xz-utils libuchardet-dev fonts-ipafont-gothic xvfb xauth imagemagick xdotool appstream desktop-file-utils lintian file dpkg-dev libglib2.0-bin zip p7zip-full bubblewrap openbox x11-utils adwaita-icon-theme
wine wine64 gcc-mingw-w64-x86-64"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
