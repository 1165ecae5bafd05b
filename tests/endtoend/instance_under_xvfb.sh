#!/bin/sh
# One copy per user, under a real X server: a second start while the first
# copy still asks about a leftover temporary folder must end at once and
# bring the first copy's question to the front (above a window put over it);
# two copies started together leave exactly one.
# Usage: instance_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool display
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/data/zot/old"
printf '[Option]\nErrorDialog=1\n' > "$work/config/zot/zot.ini"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
set -u
"$zot" & first=\$!
wait_window "^ピポラ！\$"
sleep 0.5
# Another window covers the question when the second copy starts.
q=\$(xdotool search --onlyvisible --name "^ピポラ！\$" | head -1)
eval "\$(xdotool getwindowgeometry --shell \$q)"
cx=\$((X + WIDTH / 2)); cy=\$((Y + HEIGHT / 2))
display -title other -geometry \$((WIDTH + 40))x\$((HEIGHT + 40))+\$((X - 20))+\$((Y - 20)) -size \$((WIDTH + 40))x\$((HEIGHT + 40)) xc:'#00ff00' & other=\$!
wait_window "^other\$"
# green: 1 while the other window covers the question's centre (polled: a
# busy machine draws late).
green() { import -window root png:- | convert - -format "%[hex:p{\$cx,\$cy}]" info: | grep -c 00FF00; }
i=0; while [ \$i -lt 25 ] && [ "\$(green)" != 1 ]; do sleep 0.2; i=\$((i+1)); done
echo "covered=\$(green)" >> "$work/result"
start=\$(date +%s)
timeout 10 "$zot"; echo "second=\$?" >> "$work/result"
echo "seconds=\$(( \$(date +%s) - start ))" >> "$work/result"
i=0; while [ \$i -lt 25 ] && [ "\$(green)" != 0 ]; do sleep 0.2; i=\$((i+1)); done
echo "covered_after=\$(green)" >> "$work/result"
kill -0 \$first && echo "first=alive" >> "$work/result"
kill \$other
# Yes (the default) clears the leftover; the main window follows.
xdotool key Return
i=0
while [ \$i -lt 50 ] && [ -e "$work/data/zot/old" ]; do sleep 0.2; i=\$((i+1)); done
[ -e "$work/data/zot/old" ] || echo "leftover=gone" >> "$work/result"
kill -TERM \$first; wait \$first

# Two at once: one stays, one hands over.
"$zot" & a=\$!
"$zot" & b=\$!
sleep 4
n=0
kill -0 \$a 2>/dev/null && n=\$((n+1))
kill -0 \$b 2>/dev/null && n=\$((n+1))
echo "together=\$n" >> "$work/result"
kill -TERM \$a \$b 2>/dev/null; wait
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
cat "$work/result"; grep -v -e XDG_RUNTIME -e propagateSize "$work/drive.log" | head -5
grep -q '^second=0$' "$work/result" || { echo "the second copy did not end normally"; exit 1; }
s=$(sed -n 's/^seconds=//p' "$work/result"); [ "$s" -lt 5 ] || { echo "the second copy took ${s}s"; exit 1; }
grep -q '^first=alive$' "$work/result" || { echo "the first copy ended"; exit 1; }
grep -q '^covered=1$' "$work/result" || { echo "the other window did not cover the question"; exit 1; }
grep -q '^covered_after=0$' "$work/result" || { echo "the first copy's question did not come forward"; exit 1; }
grep -q '^leftover=gone$' "$work/result" || { echo "the question was not answered with its default"; exit 1; }
grep -q '^together=1$' "$work/result" || { echo "two copies started together did not leave one"; exit 1; }
echo "one copy per user"
