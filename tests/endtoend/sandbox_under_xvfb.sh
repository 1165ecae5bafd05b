#!/bin/sh
# A program that tries to reach the user's files (win_escape.c, escape.sh),
# run with "ピポラ！" under a real X server, with the sandbox on or turned off
# through the menu item "サンドボックスで実行". It must run (its marker says
# what it managed); with the sandbox on it neither writes ~/escape.txt nor
# reads ~/.bashrc; a Windows program always gets the session's own wine
# prefix; ~/.wine never appears, and TempRoot (prefix included) is gone
# after close. The wine template is kept in CACHE between tests.
# Usage: sandbox_under_xvfb.sh ZOT PROGRAM on|off CACHE
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar bwrap
zot=$1 program=$2 mode=$3 cache=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack" "$cache"
echo "secret" > "$work/home/.bashrc"
# Programs in the list are .exe and .com files; a script gets that name too.
name=setup.exe
case "$program" in *.exe) kind=windows ;; *) kind=script ;; esac
cp "$program" "$work/pack/$name"
printf '%s\n' "$work/home" > "$work/pack/home.txt"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/escape.zip" "$name" home.txt)
printf '[Tree]\nFolder=%s/home/escape.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
marker="$work/data/zot/escape/marker"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export XDG_CACHE_HOME="$cache"
"$zot" & pid=\$!
wait_window "^ピポラ！\\\$"
sleep 1
if [ "$mode" = off ]; then
  # The ﾌｧｲﾙ menu, then its second entry.
  click_main 28 8; sleep 0.7; click_main 80 49; sleep 0.5
fi
start=\$(date +%s%N)
run_first_member "$marker" 90 "$work/marker.seen"
echo "ms=\$(( (\$(date +%s%N) - start) / 1000000 ))" > "$work/timing"
import -window root "$work/ran.png" 2>/dev/null || true
sleep 0.5
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/ran.png" "$ZOT_SCREENSHOT_DIR/sandbox-$mode-$kind.png" 2>/dev/null || true
echo "--- marker ($mode, $kind):"; cat "$work/marker.seen" 2>/dev/null || { echo "the program did not run"; cat "$work/drive.log"; exit 1; }
cat "$work/timing"
fail() { echo "$1"; exit 1; }
if [ "$mode" = on ]; then
  grep -q '^wrote-home=0$' "$work/marker.seen" || fail "the sandboxed program wrote into the home folder"
  grep -q '^read-bashrc=0$' "$work/marker.seen" || fail "the sandboxed program read ~/.bashrc"
  [ ! -e "$work/home/escape.txt" ] || fail "~/escape.txt is there"
else
  grep -q '^Sandbox=0$' "$work/config/zot/zot.ini" || fail "the menu item did not turn the sandbox off in zot.ini"
  grep -q '^wrote-home=1$' "$work/marker.seen" || fail "without the sandbox the program could not write (it should)"
  grep -q '^read-bashrc=1$' "$work/marker.seen" || fail "without the sandbox the program could not read (it should)"
fi
case "$kind" in windows) grep -q "^prefix=$work/data/zot/wine.prefix\$" "$work/marker.seen" || fail "not the session's wine prefix" ;; esac
[ ! -e "$work/home/.wine" ] || fail "~/.wine was made"
[ ! -e "$work/data/zot" ] || { ls -la "$work/data/zot"; fail "TempRoot left behind"; }
echo ok
