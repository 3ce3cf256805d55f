# shellcheck shell=bash
# Sourced by the checks that run the real program on an X11 desktop of their own: a work folder,
# a session bus of the run's own, the end of every started process on every way out (a check that
# leaves one fails), failure output with the program's logs, bounded waits, a private Xvfb and
# openbox, a fresh user and the program's own defaults.
# Start a process in the background and add it with `pids+=($!)`; they are ended last first.

# needTools TOOL...: the check is skipped (status 77) where one is missing.
needTools() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null 2>&1 || { echo "$tool missing: skipped"; exit 77; }
    done
}

# The test runs set the offscreen platform; these programs need the display.
export QT_QPA_PLATFORM=xcb
unset VELMORA_DESKTOP
needTools dbus-daemon
work=$(mktemp -d)
source "$(dirname "${BASH_SOURCE[0]}")/sessionlib.sh"
markRun "$work"
pids=()
# Asked to stop first, then killed; KEEP=1 keeps the work folder to look at.
cleanup() {
    local status=$? i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    sleep 0.5
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    endLeftovers || { echo "FAILED$failContext: processes outlived the check"; status=1; }
    [ -n "$KEEP" ] && echo "kept $work" || rm -rf "$work"
    exit $status
}
trap cleanup EXIT
# Ended by ctest's timeout or by hand, it still ends what it started.
trap "exit 1" TERM INT HUP
startSessionBus || { echo "no session bus"; exit 1; }
pids+=($bus)

# Set by a check: what its failure line adds after FAILED (" under openbox"), and how many lines
# of each log it shows. SHOT=FILE keeps a picture of the screen there on failure.
failContext=""
logLines=20
# showLogs: the ends of the program's logs; a check may define its own after sourcing this.
showLogs() {
    echo "--- stdout"; tail -n "$logLines" "$work/out.log" 2>/dev/null
    echo "--- stderr"; tail -n "$logLines" "$work/err.log" 2>/dev/null
}
fail() {
    [ -n "$SHOT" ] && import -window root "$SHOT" 2>/dev/null && cp "$work"/*.png "$(dirname "$SHOT")/" 2>/dev/null
    echo "FAILED$failContext: $1"
    showLogs
    exit 1
}

# Bounded wait: up to $1 ticks of $waitTick seconds for the command after it to succeed.
waitTick=0.5
waitFor() {
    local tries=$1 n
    shift
    for ((n = 0; n < tries; n++)); do "$@" && return 0; sleep "$waitTick"; done
    return 1
}
# within SECONDS COMMAND...: the same bound in seconds, whatever the tick.
within() {
    local tries
    tries=$(awk -v s="$1" -v t="$waitTick" 'BEGIN { print int(s / t + 0.5) }')
    shift
    waitFor "$tries" "$@"
}

# startXvfb [WIDTHxHEIGHT]: a display of its own (Xvfb names a free one on the descriptor it is
# given) in DISPLAY; the server's process id in $xvfb.
startXvfb() {
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    pids+=($xvfb)
    within 10 grep -q . "$work/display" || fail "no Xvfb"
    export DISPLAY=":$(head -n 1 "$work/display")"
}

# startOpenbox: the window manager, until it has started.
startOpenbox() {
    openbox --sm-disable --startup "touch $work/openbox-started" >/dev/null 2>&1 &
    pids+=($!)
    within 10 test -e "$work/openbox-started" || fail "no openbox"
}

# freshUser [consented]: a home and XDG folders of this run; "consented" gives the consent the
# onboarding asks for, so the program starts with its bars. The desktop entries stay the machine's.
freshUser() {
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
    export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME/velmora" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    consentFile="$XDG_CONFIG_HOME/velmora/x11-consent"
    [ "$1" = consented ] && touch "$consentFile"
    return 0
}

# startVelmora [NAME]: the program with fresh defaults of its own ($work/NAME.json) and no update
# server, its output in out.log and err.log; its process id in $app.
startVelmora() {
    echo '{"dontRestartDock": true}' >"$work/${1:-defaults}.json"
    VELMORA_DEFAULTS="$work/${1:-defaults}.json" VELMORA_UPDATE_URL="http://127.0.0.1:9" \
        "$velmora" >"$work/out.log" 2>"$work/err.log" &
    app=$!
    pids+=($app)
}
# started [STATE]: the program has reached the state (Idle unless named).
started() { grep -q "Switching to state: .*AppState${1:-Idle}" "$work/out.log"; }

# docks: the listed windows of the dock type, one a line.
docks() {
    local w
    for w in $(xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,//g'); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DOCK && echo "$w"
    done
}
# findBar: the first of them in $bar.
findBar() { bar=$(docks | head -n 1); test -n "$bar"; }
# pixel X Y: the screen's colour there as #RRGGBB.
pixel() { import -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | grep -o "#[0-9A-F]\{6\}"; }
