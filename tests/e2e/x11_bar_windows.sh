#!/bin/bash
# The bar's windows on an X11 desktop under a window manager (x11_bar_windows.sh VELMORA WM): a
# maximised xterm stops above the bar and the bar stays; beside the centred bar the pointer and the
# eye reach the window below; a full-screen xterm hides the bar, and the pointer at the bottom edge
# brings it back above that window; the main menu opened by a key tap takes typed text.
velmora="$1"
wm="${2:-openbox}"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb "$wm" xterm xdotool xte wmctrl xprop xwininfo import compare
failContext=" under $wm"
logLines=30
showLogs() {
    echo "--- stdout"; grep -v "find app" "$work/out.log" | tail -n "$logLines"
    echo "--- stderr"; grep -v "cannot load" "$work/err.log" | tail -n "$logLines"
}

width=1280 height=800
startXvfb ${width}x${height}
# A fresh user who has given the consent.
freshUser consented

case "$wm" in
openbox) openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
# Without a compositing manager the see-through part of a window shows black.
# It asks the run's session bus for its settings and finds none: its own defaults.
xfwm4) xfwm4 --compositor=off --sm-client-disable >"$work/wm.log" 2>&1 & ;;
*) "$wm" >"$work/wm.log" 2>&1 & ;;
esac
pids+=($!)
wmRuns() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
waitFor 40 wmRuns || fail "no window manager"

xterm -title e2e-term -geometry 80x24+40+40 -bg white & pids+=($!)
term=""
findTerm() { term=$(xdotool search --name e2e-term 2>/dev/null | head -n 1); test -n "$term"; }
waitFor 20 findTerm || fail "no xterm"

startVelmora
waitFor 60 started || fail "the program did not start"
waitFor 20 findBar || fail "no dock window"

# The top-level window under the pointer, moved there with real motion.
windowAt() {
    xte "mousemove $1 $2"
    sleep 0.2
    eval "$(xdotool getmouselocation --shell)"
    echo "$WINDOW"
}
# `holds TOP CLIENT`: the client is the top-level window or lies inside it (a window manager's frame).
holds() { [ "$(($1))" = "$(($2))" ] || xwininfo -tree -id "$1" 2>/dev/null | grep -qi "$(printf '0x%x' "$(($2))")"; }
bottomOf() {
    xwininfo -id "$1" | awk '/Absolute upper-left Y/ { y = $4 } /Height/ { h = $2 } END { print y + h }'
}
# The bar reserves the height of its body, a little less than its window's.
reserved() { xprop -id "$bar" _NET_WM_STRUT_PARTIAL | sed -n 's/.*= \([0-9, ]*\)/\1/p' | cut -d, -f4 | tr -d ' '; }
waitFor 20 sh -c "[ \"\$(xprop -id $bar _NET_WM_STRUT_PARTIAL | cut -d, -f4 | tr -d ' ')\" -gt 40 ] 2>/dev/null" ||
    fail "the shown bar reserves no space: $(xprop -id "$bar" _NET_WM_STRUT_PARTIAL; xprop -root _NET_CLIENT_LIST; xwininfo -id "$bar" | grep -i map; xprop -id "$bar" | cut -c1-100)"
strut=$(reserved)
# The bar's body, centred at the bottom: its middle row, and a point beside it.
barY=$((height - strut / 2))
besideX=20

# A maximised window stops above the bar, and the bar stays.
wmctrl -i -r "$term" -b add,maximized_vert,maximized_horz
stopsAbove() { [ "$(bottomOf "$term")" -le $((height - strut)) ]; }
waitFor 20 stopsAbove || fail "the maximised xterm reaches $(bottomOf "$term"), the bar reserves $strut"
sleep 2.5  # two full-screen tests
! grep -q "set to fullscreen" "$work/out.log" || fail "a maximised window counted as full screen"
holds "$(windowAt $((width / 2)) "$barY")" "$bar" || fail "the bar is not shown beside the maximised xterm"

# Beside the centred bar the pointer and the eye reach the window below.
wmctrl -i -r "$term" -b remove,maximized_vert,maximized_horz
wmctrl -i -r "$term" -e "0,0,300,$width,$((height - 300))"
underBar() { [ "$(bottomOf "$term")" -ge $((height - 5)) ]; }
waitFor 10 underBar || fail "the xterm could not be moved under the bar: it ends at $(bottomOf "$term")"
sleep 0.5
holds "$(windowAt "$besideX" "$barY")" "$term" || fail "beside the bar the pointer does not reach the xterm"
[ "$(pixel "$besideX" "$barY")" = "#FFFFFF" ] || fail "beside the bar shows $(pixel "$besideX" "$barY"), not the xterm"

# A full-screen window hides the bar; real motion at the bottom edge brings it back above it.
xte "mousemove $((width / 2)) 300"
wmctrl -i -r "$term" -b add,fullscreen
waitFor 20 grep -q "Switching to state: .*WindowStateFullscreen" "$work/out.log" || fail "full screen not seen"
barHidden() { [ "$(pixel $((width / 2)) "$barY")" = "#FFFFFF" ]; }
waitFor 10 barHidden || fail "the bar stayed over the full-screen xterm"
# Hidden shows nothing, not even a strip along the bottom edge: the xterm's white alone.
bottomColours() { import -window root -crop "${width}x8+0+$((height - 8))" +repage -format %k info: 2>/dev/null; }
bottomClear() { [ "$(pixel $((width / 2)) $((height - 1)))" = "#FFFFFF" ] && [ "$(bottomColours)" = 1 ]; }
waitFor 10 bottomClear ||
    fail "the hidden bar leaves a strip over the full-screen xterm ($(bottomColours) colours in the bottom rows)"
[ "$(reserved)" = 0 ] || fail "the hidden bar still reserves $(reserved)"
xte "mousemove $((width / 2)) $((height - 1))"
barShown() { [ "$(pixel $((width / 2)) "$barY")" != "#FFFFFF" ]; }
waitFor 20 barShown ||
    fail "the revealed bar is not seen above the full-screen xterm: $(xwininfo -id "$bar" | grep -E "Map State|Override")"
xte "mousemove $((width / 2)) 300"
waitFor 10 barHidden || fail "the bar stayed after the pointer left the edge"
wmctrl -i -r "$term" -b remove,fullscreen
waitFor 20 sh -c "[ \"\$(xprop -id $bar _NET_WM_STRUT_PARTIAL | cut -d, -f4 | tr -d ' ')\" -gt 40 ] 2>/dev/null" ||
    fail "the bar reserves no space after full screen"

# A maximised window grows over the bar's place while the bar is off the window manager's books
# over a full-screen window; when it leaves full screen, the bar comes back and the window stops
# above it again.
wmctrl -i -r "$term" -b add,maximized_vert,maximized_horz
waitFor 20 stopsAbove || fail "the maximised xterm reaches $(bottomOf "$term") before full screen"
wmctrl -i -r "$term" -b add,fullscreen
waitFor 10 barHidden || fail "the bar stayed over the full-screen maximised xterm"
wmctrl -i -r "$term" -b remove,fullscreen
waitFor 20 stopsAbove || fail "the maximised xterm reaches $(bottomOf "$term") after full screen"
waitFor 10 barShown || fail "the bar stayed hidden after a maximised window left full screen"
wmctrl -i -r "$term" -b remove,maximized_vert,maximized_horz

# Each opening of the main menu by a key tap takes typed text in its search field.
menuArea="600x200+$((width / 2 - 300))+$((height - strut - 640))"
snap() { import -window root -crop "$menuArea" +repage "$work/$1.png"; }
differ() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1)" -gt "${3:-100}" ] 2>/dev/null; }
# The area no longer looks like picture $1 and has stopped moving.
settledAwayFrom() {
    snap now
    differ "$1" now || return 1
    # Still but for a blinking text cursor.
    [ -f "$work/last.png" ] && ! differ last now 30 && { rm -f "$work/last.png"; return 0; }
    mv "$work/now.png" "$work/last.png"
    return 1
}
backTo() { snap now; ! differ "$1" now; }
# A tap counts after half a second without other keys or pointer motion; the area stays still
# over that time before the tap.
stillAndQuiet() { snap closed; sleep 0.6; snap now; ! differ closed now 30; }
for opening in 1 2; do
    xdotool windowactivate --sync "$term"
    waitFor 20 stillAndQuiet || fail "the desktop did not settle (opening $opening)"
    xdotool keydown Super_L sleep 0.15 keyup Super_L
    waitFor 20 settledAwayFrom closed || fail "the key tap did not open the main menu (opening $opening)"
    snap open
    # The menu keeps its search text: the second search replaces the first.
    xdotool key ctrl+a type --delay 50 "$([ $opening = 1 ] && echo xter || echo galc)"
    waitFor 10 settledAwayFrom open || fail "typed text did not reach the search field (opening $opening)"
    xdotool key Escape
    waitFor 10 backTo closed || fail "Escape did not close the main menu (opening $opening)"
done
echo "passed under $wm"
