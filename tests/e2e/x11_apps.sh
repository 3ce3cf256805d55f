#!/bin/bash
# The real program on an X11 desktop (its own Xvfb with openbox and a fresh home) with ordinary
# programs that have desktop entries: two xterm processes, galculator and xclock. Giving consent
# leaves every window as it was; clicking every button, the active one and a minimised one
# included, starts no process; choosing a window restores it alone; XTerm's button outlives its
# first process; Quit, SIGTERM, SIGINT and SIGHUP end the program with status 0; a second instance
# hands over to the first, and one started while the first is stopped with its socket's backlog
# full gives up with status 1; the loss of the X server ends it with status 1. Pointer motion is real
# (XTEST through xte).
velmora="$1"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb openbox xterm galculator xclock xte xdotool xprop xwininfo import pgrep python3
# Bounded waits count tenths of a second here.
waitTick=0.1
logLines=15

startXvfb
freshUser
startOpenbox

clients() { xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,//g'; }
windowsOf() { for w in $(clients); do xprop -id "$w" WM_CLASS | grep -qi "\"$1\"" && echo "$w"; done; }
windowCount() { windowsOf "$1" | wc -l; }
hasWindows() { [ "$(windowCount "$1")" -ge "${2:-1}" ]; }
states() { for w in $initial; do echo "$w $(xprop -id "$w" _NET_WM_STATE)"; done; }
activeWindow() { xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //'; }
activeIs() { [ "$(printf '0x%x' "$(activeWindow)")" = "$(printf '0x%x' "$1")" ]; }
hidden() { xprop -id "$1" _NET_WM_STATE | grep -q HIDDEN; }
shown() { ! hidden "$1"; }
# The programs' processes on this display, whoever started them.
count() {
    for pid in $(pgrep -x "$1"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && echo "$pid"
    done | wc -l
}
processes() { echo "$(count xterm) $(count galculator) $(count xclock)"; }
click() { xte "mousemove $1 $2" "usleep 150000" "mouseclick ${3:-1}"; }
# The program's menus on show (override-redirect windows of its own class).
menusShown() {
    [ "$(for w in $(xwininfo -root -children | awk '/\("velmora"/{print $1}'); do
        xwininfo -id "$w" | grep -q "Map State: IsViewable" && xwininfo -id "$w" | grep -q "Override Redirect State: yes" && echo "$w"
    done | wc -l)" = "$1" ]
}

# One after the other, so the bar lists them in this order; the xterms are two processes.
xterm -T first & pids+=($!); firstXterm=$!
waitFor 100 hasWindows xterm || fail "xterm did not start"
xterm -T second & pids+=($!)
waitFor 100 hasWindows xterm 2 || fail "the second xterm did not start"
galculator & pids+=($!)
waitFor 100 hasWindows galculator || fail "galculator did not start"
xclock & pids+=($!)
waitFor 100 hasWindows xclock || fail "xclock did not start"
sleep 0.5

# ended SECONDS: the program ended within the time; its status is in $status.
ended() {
    within "$1" sh -c "! kill -0 $app 2>/dev/null" || return 1
    wait "$app"
    status=$?
}

# Consent through the onboarding's permission button minimises nothing, and nor does the consent
# file's coming back.
initial=$(clients)
before=$(states)
startVelmora
waitFor 300 started Onboarding || fail "no onboarding"
consent="$consentFile"
for try in 1 2 3 4 5; do
    [ -e "$consent" ] && break
    waitFor 50 sh -c "[ \"\$(import -window root -crop 1x1+640+630 txt:- | grep -o '#[0-9A-F]\{6\}')\" != '#000000' ]"
    click 640 630 # Next
    sleep 0.7
    click 640 511 # the permission button
    waitFor 30 test -e "$consent"
done
[ -e "$consent" ] || fail "the onboarding did not record the consent"
# Its last page's Done! ends the onboarding.
for try in 1 2 3 4 5 6 7 8 9 10; do
    started Idle && break
    click 640 630
    waitFor 10 started Idle
done
waitFor 100 started Idle || fail "the onboarding did not end"
sleep 1.5
[ "$(states)" = "$before" ] || fail "consent changed the windows: $before -> $(states)"
# Without the consent the program asks again; the file's return completes that onboarding.
rm "$consent"
# Counted, not looked for in the last lines: other lines may follow the switch at any time.
onboardedTwice() { [ "$(grep -c 'Switching to state: .*AppStateOnboarding' "$work/out.log")" -ge 2 ]; }
waitFor 100 onboardedTwice || fail "the consent's loss was not seen"
touch "$consent"
idledTwice() { [ "$(grep -c 'Switching to state: .*AppStateIdle' "$work/out.log")" -ge 2 ]; }
for try in 1 2 3 4 5 6 7 8 9 10; do
    idledTwice && break
    click 640 630 # Next, then Done!
    waitFor 10 idledTwice
done
waitFor 100 idledTwice || fail "the consent's return did not end the onboarding"
sleep 1.5
[ "$(states)" = "$before" ] || fail "the consent's return changed the windows: $before -> $(states)"

# The bar of three applications lies centred at the bottom: XTerm, Galculator, XClock.
barY=753
buttons=(444 631 818)
barWith() { [ "$(pixel $((640 - (720 + 187 * ($1 - 3)) / 2 + 20)) $barY)" != "#000000" ]; }
waitFor 100 barWith 3 || fail "the bar of three buttons did not appear"
sleep 1
# Galculator's icon lives only in the default icon theme and xclock's only in its window's hints:
# both show their own, not the placeholder's slate grey.
placeholder() { import -window root -crop "40x40+$(($1 - 86))+$((barY - 20))" txt:- 2>/dev/null | grep -c -i "#5B6B7F"; }
for x in "${buttons[1]}" "${buttons[2]}"; do
    [ "$(placeholder "$x")" -lt 40 ] || fail "the button at $x shows the placeholder icon"
done

# Every button clicked twice (the second click on the active one) starts no process. XTerm's
# button, of two windows, opens their list; Escape closes it.
counts=$(processes)
for x in "${buttons[@]}" "${buttons[@]}"; do
    click "$x" $barY
    sleep 0.5
    xte "key Escape"
    sleep 0.2
done
# Escape closes a button's list of windows and its context menu, though the bar has no focus.
click "${buttons[0]}" $barY
waitFor 30 menusShown 1 || fail "XTerm's list of windows did not open"
xte "key Escape"
waitFor 30 menusShown 0 || fail "Escape did not close the list of windows"
click "${buttons[1]}" $barY 3
waitFor 30 menusShown 1 || fail "the context menu did not open"
xte "key Escape"
waitFor 30 menusShown 0 || fail "Escape did not close the context menu"
# A minimised application's button restores it.
calculator=$(windowsOf galculator)
xdotool windowminimize "$calculator"
waitFor 50 hidden "$calculator" || fail "galculator could not be minimised"
click "${buttons[1]}" $barY
waitFor 50 shown "$calculator" || fail "a click on the button did not restore galculator"
# Choosing one of two minimised xterms in the list restores that one only.
terms=($(windowsOf xterm))
for w in "${terms[@]}"; do xdotool windowminimize "$w"; done
waitFor 50 sh -c "xprop -id ${terms[0]} _NET_WM_STATE | grep -q HIDDEN && xprop -id ${terms[1]} _NET_WM_STATE | grep -q HIDDEN" ||
    fail "the xterms could not be minimised"
click "${buttons[0]}" $barY
sleep 0.7
xte "key Down" "key Return"
restored() { [ "$( (shown "${terms[0]}" && echo x; shown "${terms[1]}" && echo x) | wc -l)" = 1 ]; }
waitFor 50 restored || fail "choosing a window did not restore it alone"
sleep 1
restored || fail "choosing a window restored another"
sleep 0.5
[ "$(processes)" = "$counts" ] || fail "clicks started processes: $counts -> $(processes)"

# XTerm's button outlives the process of its first window and brings the second forward.
for w in "${terms[@]}"; do xdotool windowactivate "$w" 2>/dev/null; done
kill $firstXterm
oneXterm() { [ "$(windowCount xterm)" = 1 ]; }
waitFor 50 oneXterm || fail "the first xterm did not end"
sleep 1
barWith 3 || fail "XTerm's button went with its first process"
click "${buttons[1]}" $barY
waitFor 50 activeIs "$calculator"
sleep 0.5
click "${buttons[0]}" $barY
# The button may still list the windows: the remaining one is chosen.
waitFor 10 activeIs "$(windowsOf xterm)" || xte "key Down" "key Return"
waitFor 50 activeIs "$(windowsOf xterm)" || fail "XTerm's button did not bring the second xterm forward"
sleep 1
[ "$(count xterm)" = 1 ] || fail "XTerm's button started another xterm"

# Quit from the main menu ends the program with status 0.
menuOpen() { xdotool search --onlyvisible --pid "$app" --name '' getwindowgeometry %@ 2>/dev/null | grep -q "Geometry: 800x"; }
for try in 1 2 3; do
    menuOpen && break
    click 311 $barY
    waitFor 30 menuOpen
done
menuOpen || fail "the main menu did not open"
# A double click on Velmora: the second click misses the Quit row that opening moved under it.
xte "mousemove 78 593" "usleep 150000" "mouseclick 1" "usleep 200000" "mouseclick 1"
sleep 1
kill -0 $app 2>/dev/null || fail "a double click on Velmora quit the program"
# Quit, after opening the section again when the second click closed it.
for try in 1 2; do
    click 91 597
    ended 5 && break
done
kill -0 $app 2>/dev/null && fail "Quit did not end the program"
[ "$status" = 0 ] || fail "Quit ended the program with status $status"

# So do SIGTERM, SIGINT and SIGHUP.
for signal in TERM INT HUP; do
    startVelmora
    waitFor 300 started Idle || fail "the program did not start again"
    kill -$signal $app
    ended 5 || fail "SIG$signal did not end the program"
    [ "$status" = 0 ] || fail "SIG$signal ended the program with status $status"
done

# A second instance hands over to the first and ends with one line; one bar stays.
startVelmora
waitFor 300 started Idle || fail "the program did not start again"
first=$app
timeout 10 "$velmora" >/dev/null 2>"$work/second.err"
secondStatus=$?
[ "$secondStatus" = 0 ] || fail "the second instance ended with status $secondStatus: $(cat "$work/second.err")"
[ "$(wc -l <"$work/second.err")" = 1 ] || fail "the second instance said: $(cat "$work/second.err")"
kill -0 $first || fail "the first instance ended"
oneBar() { [ "$(docks | wc -l)" = 1 ]; }
waitFor 50 oneBar && sleep 0.5 && oneBar || fail "$(docks | wc -l) bars"

# With the first one stopped and its socket's backlog full, a later one gives up in its time.
kill -STOP $first
python3 -c '
import socket, sys, time
held = []
while len(held) < 64:
    s = socket.socket(socket.AF_UNIX)
    s.setblocking(False)
    try:
        s.connect(sys.argv[1])
    except BlockingIOError:
        break
    held.append(s)
print(len(held), flush=True)
time.sleep(600)' "$XDG_RUNTIME_DIR/velmora-_${DISPLAY#:}.socket" >"$work/queued" &
pids+=($!)
filler=$!
waitFor 50 grep -q . "$work/queued" || fail "the backlog could not be filled"
timeout 10 "$velmora" >/dev/null 2>"$work/third.err"
thirdStatus=$?
kill -CONT $first
kill $filler
[ "$thirdStatus" = 1 ] || fail "with the first one stopped, a later one ended with status $thirdStatus: $(cat "$work/third.err")"
grep -q "does not answer" "$work/third.err" || fail "the later one said: $(cat "$work/third.err")"
kill -0 $first || fail "the first instance ended"

# The loss of the X server ends the program with status 1, at once.
kill -9 $xvfb
ended 2 || fail "the program outlived its display"
[ "$status" = 1 ] || fail "the loss of the display ended the program with status $status"
echo "passed"
