#!/bin/sh
# Starts the real program on the demo desktop under Xvfb and checks that it comes up: the start-up
# line, then the application's states switching on to the bars.
velmora="$1"
scenario="$2"
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
    echo "xvfb-run or xdotool missing: skipped"
    exit 77
fi

work=$(mktemp -d)
cleanup() {
    if [ -n "$pid" ]; then
        # Its own process group: the program, xvfb-run and Xvfb stop together.
        /bin/kill -s TERM -- "-$pid" 2>/dev/null
        n=0
        while kill -0 "$pid" 2>/dev/null && [ $n -lt 10 ]; do
            sleep 0.5
            n=$((n + 1))
        done
        /bin/kill -s KILL -- "-$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Own defaults (the Dock is left alone), no update server, the demo desktop and its action log.
echo '{"dontRestartDock": true}' >"$work/defaults.json"
VELMORA_DEFAULTS="$work/defaults.json" VELMORA_UPDATE_URL="http://127.0.0.1:9" \
    VELMORA_DESKTOP="$scenario" VELMORA_DESKTOP_LOG="$work/actions.log" \
    setsid xvfb-run -a -s "-screen 0 1440x900x24" "$velmora" >"$work/out.log" 2>"$work/err.log" &
pid=$!

# Bounded wait: up to 60 s, polling every half second.
tries=0
while [ $tries -lt 120 ]; do
    if grep -q "Velmora started" "$work/out.log" &&
        grep -q "Switching to state: .*AppStateIdle" "$work/out.log"; then
        break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.5
    tries=$((tries + 1))
done

status=0
grep -q "Velmora started" "$work/out.log" || { echo "no start-up line"; status=1; }
grep -q "Switching to state: .*AppStateDetectedScreen" "$work/out.log" || { echo "no switch to the bars"; status=1; }
grep -q "Switching to state: .*AppStateIdle" "$work/out.log" || { echo "no switch to Idle"; status=1; }
grep -q '"setActivationPolicy"' "$work/actions.log" 2>/dev/null || { echo "activation policy not set"; status=1; }
if [ $status -ne 0 ]; then
    echo "--- stdout"; cat "$work/out.log"
    echo "--- stderr"; cat "$work/err.log"
    echo "--- actions"; cat "$work/actions.log" 2>/dev/null
fi
exit $status
