#!/bin/sh
# Screenshots of every window and mode of the real program, as a person sees
# them: Xvfb with a window manager (openbox), a small prepared home with
# archives under Japanese names. Look at each one after a change to the
# interface.
# Usage: tools/screenshots.sh [BUILD] [OUT]   (defaults: build, build/screenshots)
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for tool in xvfb-run openbox xdotool import zip montage; do
  command -v $tool >/dev/null || { echo "missing $tool: run tools/deps.sh"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dl="$work/home/ダウンロード"
mkdir -p "$dl" "$work/config/zot" "$work/data" "$work/src/ゲーム" "$work/out" "$work/big"
# The tests' small Windows program when it is built, so a run reaches the history.
if [ -f "$build/tests/win_marker.exe" ]; then cp "$build/tests/win_marker.exe" "$work/src/ゲーム/setup.exe"; else printf 'MZ' > "$work/src/ゲーム/setup.exe"; fi
printf 'data' > "$work/src/ゲーム/data.txt"
printf '遊び方\n\nsetup.exe を起動してください。\n' > "$work/src/ゲーム/説明.txt"
printf '<html><head><meta charset="utf-8"><title>案内</title></head><body><h1>ようこそ</h1><p>これは <b>HTML</b> の案内です。</p></body></html>\n' > "$work/src/ゲーム/index.html"
(cd "$work/src/ゲーム" && zip -q "$dl/ゲーム.zip" setup.exe 説明.txt index.html data.txt && zip -q -P secret "$dl/暗号.zip" 説明.txt)
# Big enough that extracting it shows the progress dialog.
head -c 3G /dev/zero > "$work/src/big.bin"
(cd "$work/src" && zip -q -1 "$work/big/大きな書庫.zip" big.bin)
rm "$work/src/big.bin"
ln -s ゲーム.zip "$dl/リンク.zip"
mkdir -p "$dl/フォルダー"
for i in 1 2 3; do printf 'x' > "$dl/a-rather-long-file-name-without-any-break-$i.txt"; done

cat > "$work/drive.sh" <<EOS
set -u
zot="$build/bin/zot"
ini="$work/config/zot/zot.ini"
main() { xdotool search --onlyvisible --name "^ピポラ！\$" | head -1; }
wait_name() {
  i=0
  while [ \$i -lt 50 ] && ! xdotool search --onlyvisible --name "\$1" >/dev/null 2>&1; do sleep 0.2; i=\$((i+1)); done
  sleep 0.8
}
shot() { import -window root "$out/\$1.png"; echo "\$1"; }
click() { xdotool mousemove --window "\$(main)" "\$1" "\$2" click "\${3:-1}"; }
start() {
  printf '[Option]\nErrorDialog=1\nSandbox=0\nViewMode=%s\n[Tree]\nFolder=%s\n' "\$1" "\$2" > "\$ini"
  "\$zot" & pid=\$!
  wait_name "^ピポラ！\$"
  sleep 1
}
stop() { kill -TERM \$pid; wait \$pid 2>/dev/null || true; }

names="0 large-icons small-icons list details"
for mode in 1 2 3 4; do
  name=\$(echo \$names | cut -d' ' -f\$((mode + 1)))
  start \$mode "$dl"; shot main-folder-\$name; stop
  start \$mode "$dl/ゲーム.zip"; shot main-archive-\$name; stop
done

start 4 "$dl/ゲーム.zip"
click 260 87; wait_name "テキスト"; shot viewer-text; xdotool key Escape; sleep 0.5
click 260 123; sleep 0.5; click 72 370; wait_name "Html"; shot viewer-html; xdotool key Escape; sleep 0.5
click 176 370; wait_name "展開します"; shot extract
xdotool key Escape; sleep 0.5
xdotool key alt+f; sleep 0.5; shot menu-file; xdotool key o; wait_name "^環境設定\$"; shot settings
w=\$(xdotool search --onlyvisible --name "^環境設定\$" | head -1)
xdotool mousemove --window \$w 228 62 click 1; wait_name "^フォルダー選択\$"; shot folder-choice
xdotool key Escape; sleep 0.5; xdotool key Escape; sleep 0.5
xdotool key alt+h; sleep 0.5; xdotool key a; wait_name "情報"; shot about; xdotool key Escape; sleep 0.5
# The tree's context menu on the archive, then its properties.
click 100 200 3; sleep 1; shot tree-menu; xdotool key r; wait_name "プロパティ"; shot properties; xdotool key Escape; sleep 0.5
stop

# A program run (under wine) goes into the history.
[ -d "$build/tests/wine-cache" ] && export XDG_CACHE_HOME="$build/tests/wine-cache"
start 4 "$dl/ゲーム.zip"
click 260 69; sleep 0.5; click 72 370; sleep 1.5; shot running
i=0; while [ \$i -lt 60 ] && [ ! -e "$work/data/zot/ゲーム/marker" ]; do sleep 1; i=\$((i+1)); done
sleep 1; click 280 370; wait_name "^履歴\$"; shot history; xdotool key Escape; sleep 0.5
stop

# A long extraction shows its progress.
printf '[Option]\nErrorDialog=1\nSandbox=0\nCopyMode=0\nDirectory0=%s/\n[Tree]\nFolder=%s\n' "$work/out" "$work/big/大きな書庫.zip" > "\$ini"
"\$zot" & pid=\$!; wait_name "^ピポラ！\$"; sleep 1
click 176 370; wait_name "展開します"; xdotool key Return; sleep 0.8; shot progress
i=0; while [ \$i -lt 60 ] && xdotool search --onlyvisible --name "^ピポラ！\$" | wc -l | grep -qv '^1\$'; do sleep 0.5; i=\$((i+1)); done
sleep 1; stop

# An encrypted member asks for its password.
start 4 "$dl/暗号.zip"
click 260 69; sleep 0.5; click 72 370; wait_name "パスワード"; shot password; xdotool key Escape; sleep 1
stop

# Extracting twice into the same folder asks before overwriting.
printf '[Option]\nErrorDialog=1\nSandbox=0\nCopyMode=0\nDirectory0=%s/\n[Tree]\nFolder=%s\n' "$work/out" "$dl/ゲーム.zip" > "\$ini"
"\$zot" & pid=\$!; wait_name "^ピポラ！\$"; sleep 1
for round in 1 2; do
  click 176 370; wait_name "展開します"; xdotool key Return; sleep 2
done
shot overwrite; xdotool key Escape; sleep 1
stop

# The module check at start, with the CAB module missing.
mkdir -p "$work/app"; cp "\$zot" "$work/app/zot"; cp "$build/bin/unlha32.so" "$build/bin/unzip32.so" "$work/app/"
printf '[Option]\nErrorDialog=0\n' > "\$ini"
"$work/app/zot" & pid=\$!; wait_name "^DLL Check\$"; shot dll-check; xdotool key Return; sleep 1; stop

"$build/bin/zot-shellview" "$dl" & sv=\$!
wait_name "シェル"; sleep 1; shot shellview; kill \$sv
EOS
HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" ZOT_IN_XVFB=1 \
  env -u DISPLAY -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x700x24" \
  sh tests/endtoend/with_openbox.sh sh "$work/drive.sh" 2>"$out/drive.log" || true
montage -geometry 512x350+2+2 -tile 4x "$out"/*.png "$out/all.jpg" 2>/dev/null || true
echo "Screenshots in $out (all.jpg: every one at a glance)"
