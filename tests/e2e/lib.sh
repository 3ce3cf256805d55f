# Sourced by the end-to-end checks: a private X server and session bus, the program on a scenario
# with its own defaults file and action log, a stub sleep command and a loopback update server.
# Every wait is bounded; on failure the logs are printed; a check that leaves a process fails.
velmora="$1"
server="$2"
scenarios="$(dirname "$0")/scenarios"
references="$(dirname "$0")/references"
for tool in Xvfb xdotool import compare dbus-daemon; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool missing: skipped"; exit 77; }
done

work=$(mktemp -d)
. "$(dirname "$0")/sessionlib.sh"
markRun "$work"
mkdir -p "$work/bin" "$work/tmp"
export TMPDIR="$work/tmp"
pids=""
cleanup() {
    status=$?
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for pid in $pids; do
        n=0
        while kill -0 "$pid" 2>/dev/null && [ $n -lt 20 ]; do sleep 0.25; n=$((n + 1)); done
        kill -9 "$pid" 2>/dev/null
    done
    endLeftovers || { echo "FAILED: processes outlived the check"; status=1; }
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
# Ended by ctest's timeout or by hand, it still ends what it started.
trap "exit 1" TERM INT HUP
startSessionBus || { echo "FAILED: no session bus"; exit 1; }
pids="$bus"

fail() {
    echo "FAILED: $*"
    for log in out err actions stubs; do
        [ -f "$work/$log.log" ] && { echo "--- $log"; tail -n 40 "$work/$log.log"; }
    done
    [ -f "$work/defaults.json" ] && { echo "--- defaults"; cat "$work/defaults.json"; echo; }
    exit 1
}

# wait_for SECONDS COMMAND...: polls the command every 0.2 s.
wait_for() {
    limit=$(($1 * 5))
    shift
    n=0
    until "$@"; do
        n=$((n + 1))
        [ $n -ge $limit ] && return 1
        sleep 0.2
    done
}

# The sleep command, recorded instead of run (the simulated desktop runs the Dock's itself).
for command in pmset; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/stubs.log"\n' "$command" "$work" >"$work/bin/$command"
    chmod +x "$work/bin/$command"
done

# A display of its own: Xvfb names a free one on the descriptor it is given.
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids="$! $pids"
wait_for 20 test -s "$work/display" || fail "no X server"
export DISPLAY=":$(cat "$work/display")"

# serve REPLY-FILE: the update server answers with the file's current content.
serve() {
    "$server" "$1" >"$work/port" &
    pids="$! $pids"
    wait_for 20 test -s "$work/port" || fail "no update server"
}

# start SCENARIO [DEFAULTS-JSON]: the program, until its bars or its onboarding are up.
start() {
    defaults=${2:-'{}'}
    printf '%s\n' "$defaults" >"$work/defaults.json"
    [ -s "$work/port" ] || serve /dev/null
    QT_QPA_PLATFORM=xcb PATH="$work/bin:$PATH" VELMORA_DEFAULTS="$work/defaults.json" VELMORA_DESKTOP="$1" \
        VELMORA_DESKTOP_LOG="$work/actions.log" VELMORA_UPDATE_URL="http://127.0.0.1:$(cat "$work/port")/api/v0" \
        "$velmora" >"$work/out.log" 2>"$work/err.log" &
    app=$!
    pids="$app $pids"
    wait_for 30 grep -q "Switching to state: .*AppState\(Idle\|Onboarding\|RequiresUpdate\)" "$work/out.log" ||
        fail "the program did not come up"
}

# ended SECONDS: the program has ended within the time; its status is in $status.
ended() {
    wait_for "$1" sh -c "! kill -0 $app 2>/dev/null" || return 1
    wait "$app"
    status=$?
}

logged() { grep -q "$1" "$work/${2:-actions}.log" 2>/dev/null; }
window() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
no_window() { ! window "$1"; }

# snap NAME GEOMETRY: keeps the screen's region as it is now.
snap() { import -window root -crop "$2" +repage "$work/$1.png"; }
# pixels_between A B: how many pixels of two kept pictures differ.
pixels_between() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1; }
# changed_and_still NAME GEOMETRY: the region no longer looks as kept by `snap NAME`, and has not
# moved since the previous call (so whatever appears there has finished its animation).
changed_and_still() {
    snap "$1-now" "$2"
    [ "$(pixels_between "$1" "$1-now")" -gt 50 ] 2>/dev/null || return 1
    if [ -f "$work/$1-last.png" ] && [ "$(pixels_between "$1-last" "$1-now")" = 0 ]; then
        rm -f "$work/$1-last.png"
        return 0
    fi
    mv "$work/$1-now.png" "$work/$1-last.png"
    return 1
}

# matches NAME GEOMETRY: the screen's region looks like the reference image within a tolerance.
matches() {
    import -window root -crop "$2" +repage "$work/$1.png"
    difference=$(compare -metric AE -fuzz 10% "$work/$1.png" "$references/$1.png" null: 2>&1)
    [ "${difference%% *}" -lt 200 ] 2>/dev/null
}
