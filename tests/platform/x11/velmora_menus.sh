#!/bin/bash
# Runs the real program on an Xorg of its own (the dummy video driver, RandR monitors) and checks
# that a tap of the Super key opens the main menu of the monitor under the pointer only, wherever
# the pointer was moved without a click, and that Escape closes that menu:
#   velmora_menus.sh VELMORA LAYOUT
# LAYOUT: "side" (two monitors side by side), "mixed" (the same, the second at scale 2),
# "stacked" (the second monitor above the first), "scaled" (one monitor at scale 2, set as a
# desktop sets it, by Xft.dpi).
velmora="$1"
layout="$2"
source "$(dirname "$0")/../../e2e/x11lib.sh"
source "$(dirname "$0")/xorglib.sh"
needTools Xorg xrandr xrdb openbox xprop xdotool xte
failContext=" ($layout)"
logLines=30

startXorg
freshUser consented
# The monitors in root pixels ("NAME X Y WIDTH HEIGHT" a line), and where the pointer goes, each
# with the monitor whose menu must open: both sides of a shared edge and the top rows included.
case "$layout" in
side)
    monitors 3200 900 A:1600/423x900/238+0+0 B:1600/423x900/238+1600+0 || fail "no monitors"
    places="A 0 0 1600 900
B 1600 0 1600 900"
    pointers="2000,450:B 400,450:A 1600,450:B 1599,450:A 3199,0:B 0,0:A"
    ;;
mixed)
    export QT_SCREEN_SCALE_FACTORS="A=1;B=2"
    monitors 3200 900 A:1600/423x900/238+0+0 B:1600/423x900/238+1600+0 || fail "no monitors"
    places="A 0 0 1600 900
B 1600 0 1600 900"
    pointers="2400,450:B 400,450:A 1600,0:B 1599,899:A"
    ;;
stacked)
    monitors 1600 1800 A:1600/423x900/238+0+900 B:1600/423x900/238+0+0 || fail "no monitors"
    places="A 0 900 1600 900
B 0 0 1600 900"
    pointers="400,300:B 400,1300:A 400,900:A 400,899:B"
    ;;
scaled)
    echo "Xft.dpi: 192" | xrdb -merge
    monitors 1600 900 A:1600/423x900/238+0+0 || fail "no monitors"
    places="A 0 0 1600 900"
    # The first place is where the pointer rests from before the start.
    xte "mousemove 800 450"
    pointers="800,450:A 1599,0:A 0,899:A"
    ;;
*) fail "no such layout" ;;
esac
startOpenbox

startVelmora
program=$app
waitFor 60 started || fail "the program did not start"
bars() { [ "$(docks | wc -l)" -eq "$(echo "$places" | wc -l)" ]; }
waitFor 30 bars || fail "not one bar a monitor"

# The monitors whose menus show, one name a line: the program's managed windows other than its
# bars, by the monitor holding each one's centre.
openMenus() {
    local w
    for w in $(xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,//g'); do
        xprop -id "$w" _NET_WM_PID 2>/dev/null | grep -q "= $program\$" || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DOCK && continue
        xdotool getwindowgeometry "$w" 2>/dev/null |
            awk '/Position/ {split($2, p, ",")} /Geometry/ {split($2, s, "x"); print p[1] + s[1] / 2, p[2] + s[2] / 2}'
    done | while read -r x y; do
        echo "$places" | awk -v x="$x" -v y="$y" '$2 <= x && x < $2 + $4 && $3 <= y && y < $3 + $5 {print $1}'
    done | sort -u
}
menusAre() { [ "$(openMenus | tr '\n' ' ')" = "$1" ]; }

for pointer in $pointers; do
    at=${pointer%:*} monitor=${pointer#*:}
    # No move to where the pointer rests already: one that has not moved since the start counts.
    here=$(xdotool getmouselocation | awk '{print substr($1, 3) "," substr($2, 3)}')
    [ "$here" = "$at" ] || xte "mousemove ${at%,*} ${at#*,}"
    # Nothing else may count as a press of another key or a click meanwhile.
    sleep 0.6
    xte "keydown Super_L" "usleep 80000" "keyup Super_L"
    waitFor 20 menusAre "$monitor " ||
        fail "with the pointer at $at the menus of [$(openMenus | tr '\n' ' ')] opened, not of $monitor"
    xte "key Escape"
    waitFor 20 menusAre "" || fail "Escape left the menu of $monitor open (pointer at $at)"
done
echo "passed"
