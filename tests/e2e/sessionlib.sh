# shellcheck shell=sh
# Sourced by the checks' libraries (POSIX sh). Every process a check starts carries the mark of its
# run in its environment, so that whatever outlives the check is found, however it was started
# (forked away, activated by a bus, launched through the display). The run has a session bus of its
# own that activates nothing: without one, programs start one through the display (dbus-launch)
# and an accessibility bus on it, which outlive the run.

# markRun FOLDER: the run's mark, before anything is started.
markRun() {
    VELMORA_TEST_RUN="$1"
    export VELMORA_TEST_RUN
}

# startSessionBus: the run's session bus in DBUS_SESSION_BUS_ADDRESS, listening in the run's folder;
# its process id in $bus. False when it does not come up within 10 s.
startSessionBus() {
    cat >"$VELMORA_TEST_RUN/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$VELMORA_TEST_RUN</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    dbus-daemon --config-file="$VELMORA_TEST_RUN/bus.conf" --nofork --nopidfile --print-address=3 \
        3>"$VELMORA_TEST_RUN/bus-address" >/dev/null 2>&1 &
    bus=$!
    tries=0
    while ! grep -q . "$VELMORA_TEST_RUN/bus-address" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && return 1
        sleep 0.1
    done
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$VELMORA_TEST_RUN/bus-address")
    # GTK programs would ask the bus for an accessibility bus all the same.
    NO_AT_BRIDGE=1
    export DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE
}

# markedProcesses: the process ids that carry the run's mark, this shell aside, one a line. Run in
# this shell (its output redirected, not substituted): a subshell would carry the mark itself.
markedProcesses() {
    grep -lzx "VELMORA_TEST_RUN=$VELMORA_TEST_RUN" /proc/[0-9]*/environ 2>/dev/null >"$VELMORA_TEST_RUN/marked"
    while read -r file; do
        pid=${file#/proc/}
        pid=${pid%/environ}
        # The search itself has ended; a number taken again since is no longer marked.
        [ "$pid" != "$$" ] && grep -qzx "VELMORA_TEST_RUN=$VELMORA_TEST_RUN" "$file" 2>/dev/null && echo "$pid"
    done <"$VELMORA_TEST_RUN/marked"
}

# endLeftovers: once the check has ended what it started, whatever of the run is still there after
# 3 s is named and killed; false when there was any.
endLeftovers() {
    tries=0
    markedProcesses >"$VELMORA_TEST_RUN/left"
    while [ -s "$VELMORA_TEST_RUN/left" ] && [ $tries -lt 30 ]; do
        sleep 0.1
        tries=$((tries + 1))
        markedProcesses >"$VELMORA_TEST_RUN/left"
    done
    [ -s "$VELMORA_TEST_RUN/left" ] || return 0
    while read -r pid; do
        echo "left behind: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
        kill -9 "$pid" 2>/dev/null
    done <"$VELMORA_TEST_RUN/left"
    return 1
}
