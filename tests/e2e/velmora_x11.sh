#!/bin/bash
# Runs the real program on an X11 desktop (its own Xvfb with openbox) with two test applications:
# the first start's onboarding records the consent; then the bar is a dock showing both, a click activates the other one, the main menu opens on a
# modifier tap typed into another program and Escape closes it, Quit closes an application, and a
# full-screen window hides the bar until it ends.
velmora="$1"
client="$2"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb openbox xdotool xprop

startXvfb
# The desktop entries are the machine's; their bundles go to a cache of this run.
freshUser
startOpenbox

windowOf() { xdotool search --classname "$1" 2>/dev/null | head -n 1; }
hasWindow() { test -n "$(windowOf "$1")"; }
noWindow() { ! hasWindow "$1"; }
# One after the other, so the bar lists them in this order.
"$client" Editor Notes 400x300 & pids+=($!)
waitFor 20 hasWindow editor || fail "the test applications did not start"
"$client" Viewer Photo 300x200 & pids+=($!)
waitFor 20 hasWindow viewer || fail "the test applications did not start"

pixelIsNot() { test "$(pixel "$1" "$2")" != "$3"; }

# The first start runs the onboarding; its permission button records the user's consent.
startVelmora first
first=$app
waitFor 60 started Onboarding || fail "no onboarding"
consented() { test -e "$consentFile"; }
for try in 1 2 3 4 5; do
    consented && break
    waitFor 10 pixelIsNot 640 630 "#000000"
    xdotool mousemove 640 630 click 1   # Next
    sleep 1
    xdotool mousemove 640 511 click 1   # the permission button
    waitFor 6 consented
done
consented || fail "the onboarding did not record the consent"
kill $first
(sleep 5; kill -9 $first 2>/dev/null) & pids+=($!)
wait $first
status=$?
[ "$status" = 0 ] || fail "SIGTERM ended the program with status $status"

# The program's own defaults, no update server.
startVelmora
waitFor 60 started || fail "the program did not start"

waitFor 20 findBar || fail "no dock window"
activeIs() { [ "$(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //')" = "$(printf '0x%x' "$1")" ]; }
# The main menu covers this point of the empty desktop when it is open.
menuShown() { ! import -window root -crop 1x1+300+400 txt:- 2>/dev/null | grep -q "#000000"; }
menuHidden() { ! menuShown; }

# The bar lies centred at the bottom: Editor's button first, then Viewer's.
waitFor 20 pixelIsNot 540 753 "#000000" || fail "the bar did not appear"
sleep 1
xdotool windowactivate --sync "$(windowOf viewer)"
waitFor 10 activeIs "$(windowOf viewer)" || fail "Viewer could not be activated"
# A loaded machine may still be sliding the bar in: a click that found nothing is tried again.
clicked=""
for try in 1 2 3; do
    xdotool mousemove 540 753 click 1
    waitFor 6 activeIs "$(windowOf editor)" && { clicked=1; break; }
done
[ -n "$clicked" ] || fail "a click on the first button did not activate Editor"

# A modifier tap typed into another program's window opens the main menu; Escape closes it.
xdotool windowactivate --sync "$(windowOf viewer)"
xdotool mousemove 640 300
menuHidden || fail "the main menu is open before the tap"
xdotool keydown Super_L sleep 0.15 keyup Super_L
waitFor 10 menuShown || fail "the modifier tap did not open the main menu"
xdotool windowactivate --sync "$(windowOf viewer)"
xdotool key Escape
waitFor 10 menuHidden || fail "Escape did not close the main menu"

# Quit from Editor's context menu closes its window and so the test application.
face=$(pixel 620 700)
xdotool mousemove 540 753 click 3
waitFor 10 pixelIsNot 620 700 "$face" || fail "no context menu"
sleep 0.5
# Its last item, wherever the menu has room to open.
xdotool key Up Return
waitFor 10 noWindow editor || fail "Quit did not close Editor"
# A full-screen window hides the bar and its end shows it again.
"$client" Player Film 300x200 fullscreen & pids+=($!); player=$!
waitFor 20 grep -q "Switching to state: .*WindowStateFullscreen" "$work/out.log" || fail "full screen not seen"
kill $player
waitFor 20 sh -c "sed -n '/WindowStateFullscreen/,\$p' '$work/out.log' | grep -q 'WindowStateIdle'" ||
    fail "the end of full screen not seen"
echo "passed"
