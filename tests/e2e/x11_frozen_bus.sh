#!/bin/bash
# A session bus that is stopped (SIGSTOP) or takes connections and never answers must not keep the
# bar from showing nor a new window from reaching it. The bus is the check's own.
velmora="$1"
client="$2"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb openbox xprop dbus-daemon python3

startXvfb
freshUser consented
startOpenbox

cat >"$work/bus.conf" <<CONF
<busconfig><type>session</type><listen>unix:dir=$work</listen><auth>EXTERNAL</auth>
<policy context='default'><allow send_destination='*' eavesdrop='true'/><allow own='*'/></policy></busconfig>
CONF
windowOf() { xdotool search --classname "$1" 2>/dev/null | head -n 1; }
hasWindow() { test -n "$(windowOf "$1")"; }
pixelIsNot() { test "$(pixel "$1" "$2")" != "$3"; }

# runWith WHAT: the program on the bus in DBUS_SESSION_BUS_ADDRESS shows its bar, and a new
# window's button, while that bus says nothing.
runWith() {
    failContext=" with a $1 bus"
    startVelmora "$1"
    velmoraPid=$app
    waitFor 60 started || fail "the program did not start"
    waitFor 20 findBar || fail "no dock window"
    "$client" Editor Notes 400x300 & pids+=($!)
    editor=$!
    waitFor 20 hasWindow editor || fail "the test application did not start"
    # The first button's place on the bar, empty before.
    waitFor 20 pixelIsNot 540 753 "#000000" || fail "the window did not reach the bar"
    kill "$editor" "$velmoraPid"
    wait "$velmoraPid"
    status=$?
    [ "$status" = 0 ] || fail "SIGTERM ended the program with status $status"
}

dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile --print-address=3 3>"$work/address" 2>/dev/null &
daemon=$!
pids+=($daemon)
within 10 grep -q . "$work/address" || fail "no dbus-daemon"
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/address")
kill -STOP "$daemon"
runWith stopped
kill -CONT "$daemon"

python3 -c "
import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(64)
open(sys.argv[1] + '.ready', 'w').close()
time.sleep(600)" "$work/silent" &
pids+=($!)
within 10 test -e "$work/silent.ready" || fail "no silent socket"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/silent"
runWith silent
echo "passed"
