#!/bin/bash
# A client that plays the window manager and churns its client list ten times a second over
# windows whose properties lie (no, shared or absurd process ids, odd classes, huge names and
# icons) must not bring the program down. Once crashed it within 10-40 s; here 15 s of churn.
velmora="$1"
hostile="$2"
seconds="${3:-15}"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb xprop

startXvfb
freshUser consented

listed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q "#"; }
# A first fake manager lists its lying windows before the program starts...
"$hostile" fakewm 2 0 >/dev/null &
first=$!
pids+=($first)
waitFor 40 listed || fail "the fake window manager listed nothing"
startVelmora
velmoraPid=$app
waitFor 60 started || fail "the program did not start"
# ...and a second one, that also claims the program's own process id, churns the list.
"$hostile" fakewm "$seconds" "$velmoraPid" 100000 >/dev/null &
pids+=($!)
kill "$first"
for ((s = 0; s < seconds + 2; s++)); do
    kill -0 "$velmoraPid" 2>/dev/null || { wait "$velmoraPid"; fail "the program ended after ${s} s, status $?"; }
    sleep 1
done
echo "alive after ${seconds} s of churn"
