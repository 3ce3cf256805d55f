#!/bin/bash
# The real program on an X11 desktop (its own Xvfb with openbox and a fresh home) with ordinary
# programs that have desktop entries: two xterm processes, galculator and xclock. Giving consent
# leaves every window as it was; clicking every button, the active one and a minimised one
# included, starts no process; choosing a window restores it alone; XTerm's button outlives its
# first process; Quit, SIGTERM, SIGINT and SIGHUP end the program with status 0; a second instance
# hands over to the first; the loss of the X server ends it with status 1. Pointer motion is real
# (XTEST through xte).
velmora="$1"
for tool in Xvfb openbox xterm galculator xclock xte xdotool xprop import pgrep; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool missing: skipped"; exit 77; }
done

export QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    sleep 0.3
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    [ -n "$SHOT" ] && import -window root "$SHOT" 2>/dev/null
    echo "FAILED: $1"
    echo "--- stdout"; tail -n 15 "$work/out.log"
    echo "--- stderr"; tail -n 15 "$work/err.log"
    exit 1
}
# Bounded wait: up to $1 tenths of a second for the command after it to succeed.
waitFor() {
    local tries=$1; shift
    for ((n = 0; n < tries; n++)); do "$@" && return 0; sleep 0.1; done
    return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
xvfb=$!
waitFor 100 grep -q . "$work/display" || fail "no Xvfb"
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable --startup "touch $work/openbox-started" >/dev/null 2>&1 &
pids+=($!)
waitFor 100 test -e "$work/openbox-started" || fail "no openbox"

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
pixel() { import -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | grep -o "#[0-9A-F]\{6\}"; }
click() { xte "mousemove $1 $2" "usleep 150000" "mouseclick ${3:-1}"; }

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

# start: the program with its own defaults and no update server, until its bars are up.
start() {
    echo '{"dontRestartDock": true}' >"$work/defaults.json"
    VELMORA_DEFAULTS="$work/defaults.json" VELMORA_UPDATE_URL="http://127.0.0.1:9" \
        "$velmora" >"$work/out.log" 2>"$work/err.log" &
    app=$!
    pids+=($app)
}
started() { grep -q "Switching to state: .*AppState${1:-Idle}" "$work/out.log"; }
# ended SECONDS: the program ended within the time; its status is in $status.
ended() {
    waitFor $(($1 * 10)) sh -c "! kill -0 $app 2>/dev/null" || return 1
    wait "$app"
    status=$?
}

# Consent through the onboarding's permission button minimises nothing, and nor does the consent
# file's coming back.
initial=$(clients)
before=$(states)
start
waitFor 300 started Onboarding || fail "no onboarding"
consent="$XDG_CONFIG_HOME/velmora/x11-consent"
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
waitFor 100 sh -c "tail -n 3 '$work/out.log' | grep -q AppStateOnboarding" || fail "the consent's loss was not seen"
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

# Every button clicked twice (the second click on the active one) starts no process. XTerm's
# button, of two windows, opens their list; Escape closes it.
counts=$(processes)
for x in "${buttons[@]}" "${buttons[@]}"; do
    click "$x" $barY
    sleep 0.5
    xte "key Escape"
    sleep 0.2
done
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
click 78 593 # Velmora
sleep 0.7
click 91 597 # Quit
ended 5 || fail "Quit did not end the program"
[ "$status" = 0 ] || fail "Quit ended the program with status $status"

# So do SIGTERM, SIGINT and SIGHUP.
for signal in TERM INT HUP; do
    start
    waitFor 300 started Idle || fail "the program did not start again"
    kill -$signal $app
    ended 5 || fail "SIG$signal did not end the program"
    [ "$status" = 0 ] || fail "SIG$signal ended the program with status $status"
done

# A second instance hands over to the first and ends with one line; one bar stays.
start
waitFor 300 started Idle || fail "the program did not start again"
first=$app
timeout 10 "$velmora" >/dev/null 2>"$work/second.err"
secondStatus=$?
[ "$secondStatus" = 0 ] || fail "the second instance ended with status $secondStatus: $(cat "$work/second.err")"
[ "$(wc -l <"$work/second.err")" = 1 ] || fail "the second instance said: $(cat "$work/second.err")"
kill -0 $first || fail "the first instance ended"
docks() { for w in $(clients); do xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DOCK && echo "$w"; done | wc -l; }
oneBar() { [ "$(docks)" = 1 ]; }
waitFor 50 oneBar && sleep 0.5 && oneBar || fail "$(docks) bars"

# The loss of the X server ends the program with status 1, at once.
kill -9 $xvfb
ended 2 || fail "the program outlived its display"
[ "$status" = 1 ] || fail "the loss of the display ended the program with status $status"
echo "passed"
