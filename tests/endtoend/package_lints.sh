#!/bin/sh
# The Debian package as cpack makes it: lintian finds no error and no warning
# but the one CPack cannot avoid (ldconfig called because the private modules
# sit below /usr/lib), and the package holds every file the install puts down.
# Usage: package_lints.sh BUILD
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/zot_*.deb)
# What the package must hold, beside the programs.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$work/contents"
for f in /usr/bin/zot /usr/bin/zot-shellview /usr/lib/zot/zot-arcworker /usr/lib/zot/unlha32.so \
  /usr/lib/zot/unzip32.so /usr/lib/zot/cab32.so /usr/share/zot/zot.html /usr/share/applications/zot.desktop \
  /usr/share/metainfo/org.example.zot.metainfo.xml /usr/share/icons/hicolor/scalable/apps/zot.svg \
  /usr/share/icons/hicolor/48x48/apps/zot.png /usr/share/man/man1/zot.1.gz /usr/share/man/man1/zot-shellview.1.gz \
  /usr/share/doc/zot/copyright /usr/share/doc/zot/changelog.gz; do
  grep -qx "$f" "$work/contents" || { echo "the package lacks $f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | tee "$work/depends"
for d in libarchive13 liblhasa0 libuchardet0 libqt6widgets6 fonts-ipafont-gothic; do
  grep -q "$d" "$work/depends" || { echo "the package does not depend on $d"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Suggests)" = wine ] || { echo "wine is not suggested"; exit 1; }
lintian --fail-on error,warning --suppress-tags maintscript-calls-ldconfig "$deb"
echo "lintian: clean"
