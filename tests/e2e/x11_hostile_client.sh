#!/bin/bash
# A client that plays the window manager and churns its client list ten times a second over
# windows whose properties lie (no, shared or absurd process ids, odd classes, huge names and
# icons) must not bring the program down. Once crashed it within 10-40 s; here 15 s of churn.
velmora="$1"
hostile="$2"
seconds="${3:-15}"
for tool in Xvfb xprop; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool missing: skipped"; exit 77; }
done

export QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -9 "${pids[i]}" 2>/dev/null; wait "${pids[i]}" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $1"
    echo "--- stderr"; tail -n 20 "$work/err.log"
    exit 1
}
waitFor() {
    local tries=$1; shift
    for ((n = 0; n < tries; n++)); do "$@" && return 0; sleep 0.5; done
    return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
waitFor 20 grep -q . "$work/display" || fail "no Xvfb"
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
export VELMORA_DEFAULTS="$work/defaults.json" VELMORA_UPDATE_URL="http://127.0.0.1:9"
unset VELMORA_DESKTOP
echo '{"dontRestartDock": true}' >"$VELMORA_DEFAULTS"
mkdir -p "$XDG_CONFIG_HOME/velmora" && touch "$XDG_CONFIG_HOME/velmora/x11-consent"

listed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q "#"; }
# A first fake manager lists its lying windows before the program starts...
"$hostile" fakewm 2 0 >/dev/null &
first=$!
pids+=($first)
waitFor 40 listed || fail "the fake window manager listed nothing"
"$velmora" >"$work/out.log" 2>"$work/err.log" &
velmoraPid=$!
pids+=($velmoraPid)
waitFor 60 grep -q "Switching to state: .*AppStateIdle" "$work/out.log" || fail "the program did not start"
# ...and a second one, that also claims the program's own process id, churns the list.
"$hostile" fakewm "$seconds" "$velmoraPid" 100000 >/dev/null &
pids+=($!)
kill "$first"
for ((s = 0; s < seconds + 2; s++)); do
    kill -0 "$velmoraPid" 2>/dev/null || { wait "$velmoraPid"; fail "the program ended after ${s} s, status $?"; }
    sleep 1
done
echo "alive after ${seconds} s of churn"
