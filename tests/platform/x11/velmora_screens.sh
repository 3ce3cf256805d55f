#!/bin/bash
# Runs the real program on an Xorg of its own (the dummy video driver, RandR monitors) with two
# monitors, and checks that a full-screen window hides the bar of its own monitor only:
#   velmora_screens.sh VELMORA TEST-CLIENT LAYOUT
# LAYOUT: "above" (the second monitor over the first), "above-left" (the second left of and
# above the first), "scaled" (the second beside the first at scale 2). Moving the second
# monitor while the program runs gives its bar the new place.
velmora="$1"
client="$2"
layout="$3"
source "$(dirname "$0")/../../e2e/x11lib.sh"
needTools Xorg xrandr openbox xprop xdotool xte
failContext=" ($layout)"
logLines=30

source "$(dirname "$0")/xorglib.sh"
startXorg
# The user has consented already: the program starts with its bars.
freshUser consented

case "$layout" in
above)
    monitors 1280 1600 A:1280/338x800/211+0+800 B:1280/338x800/211+0+0 || fail "no monitors"
    # Points of A and of B in root pixels.
    first_point="40 840"; second_point="40 40"; second_columns="0 1280"; menu_size=800x640
    moved="A:1280/338x800/211+0+800 B:1280/338x800/211+1280+800"; moved_size="2560 1600"
    moved_frame="(1280.0, 0.0, 1280.0, 800.0)"
    ;;
above-left)
    monitors 2560 1600 A:1280/338x800/211+1280+800 B:1280/338x800/211+0+0 || fail "no monitors"
    first_point="1320 840"; second_point="40 40"; second_columns="0 1280"; menu_size=800x640
    moved="A:1280/338x800/211+1280+800 B:1280/338x800/211+0+800"; moved_size="2560 1600"
    moved_frame="(-1280.0, 0.0, 1280.0, 800.0)"
    ;;
scaled)
    export QT_SCREEN_SCALE_FACTORS="A=1;B=2"
    monitors 2560 800 A:1280/338x800/211+0+0 B:1280/338x800/211+1280+0 || fail "no monitors"
    # 640x400 points: the menu keeps to them, 640 wide and standing 58 points up on the bar.
    first_point="40 40"; second_point="2200 500"; second_columns="1280 2560"; menu_size=1280x684
    moved="A:1280/338x800/211+0+0 B:1280/338x800/211+1280+0 C:640/169x480/127+2560+0"; moved_size="3200 800"
    moved_frame="(2560.0, 320.0, 640.0, 480.0)"
    ;;
*) fail "no such layout" ;;
esac
startOpenbox

startVelmora
program=$app
waitFor 60 started || fail "the program did not start"
twoBars() { [ "$(docks | wc -l)" -eq 2 ]; }
waitFor 30 twoBars || fail "not one bar a monitor"

logged() { grep -q "$1" "$work/out.log"; }
# A modifier tap after a click on the second monitor opens the main menu there, in that screen's
# scale.
menuLeft() {
    xdotool search --onlyvisible --pid $program --name '' getwindowgeometry %@ 2>/dev/null |
        awk '/Position/ {split($2, p, ","); x = p[1]} /Geometry: '"$menu_size"'/ {print x; exit}'
}
"$client" Editor Notes 300x200 "at=${second_point% *},${second_point#* }" >/dev/null 2>&1 & pids+=($!)
waitFor 20 sh -c "xdotool search --classname editor >/dev/null" || fail "the test application did not start"
xte "mousemove $((${second_point% *} + 100)) $((${second_point#* } + 100))" "mouseclick 1"
sleep 0.5
xdotool keydown Super_L sleep 0.15 keyup Super_L
menuOpen() { test -n "$(menuLeft)"; }
waitFor 20 menuOpen || fail "the modifier tap did not open the main menu"
left=$(menuLeft)
[ "$left" -ge "${second_columns% *}" ] && [ "$left" -lt "${second_columns#* }" ] ||
    fail "the main menu opened at x $left, not on the second monitor"

# A full-screen window on the second monitor hides its bar, not the first monitor's.
"$client" Player Film 300x200 fullscreen "at=${second_point% *},${second_point#* }" >/dev/null 2>&1 & pids+=($!); player=$!
waitFor 30 logged "Monitor 1 set to fullscreen" || fail "full screen on the second monitor not seen"
sleep 1.5
logged "Monitor 0 set to fullscreen" && fail "the first monitor's bar hid for a window on the second"
kill $player
waitFor 20 logged "Monitor 1 is NOT in fullscreen" || fail "the end of full screen not seen"
# On the first monitor: the first bar hides only.
"$client" Player Show 300x200 fullscreen "at=${first_point% *},${first_point#* }" >/dev/null 2>&1 &
pids+=($!)
waitFor 30 logged "Monitor 0 set to fullscreen" || fail "full screen on the first monitor not seen"
sleep 1.5
[ "$(grep -c "Monitor 1 set to fullscreen" "$work/out.log")" -eq 1 ] || fail "the second bar hid for a window on the first"

# The second monitor moves (or a third one comes): the bars are built again for the new places.
xrandr --delmonitor A >/dev/null; xrandr --delmonitor B >/dev/null
eval "monitors ${moved_size} ${moved}" || fail "the monitors cannot move"
waitFor 40 logged "Screen size: ${moved_frame//./\\.}" || fail "no bar at the moved monitor's place"
# Asked to end, it ends in order.
kill -TERM $program
waitFor 20 sh -c "! kill -0 $program 2>/dev/null" || fail "the program did not end"
wait $program
status=$?
[ $status -eq 0 ] || fail "the program ended with status $status"
echo "passed"
