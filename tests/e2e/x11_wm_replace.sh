#!/bin/bash
# A window manager replaced while the program runs (x11_wm_replace.sh VELMORA WM): the bar keeps
# the buttons of the running programs, or has them back within a second, though the old manager
# lets go of every window before the new one takes them. Replaced twice, the second time by the
# same manager with other options.
velmora="$1"
wm="${2:-openbox}"
source "$(dirname "$0")/x11lib.sh"
needTools Xvfb "$wm" xterm galculator xprop import
failContext=" under $wm"
waitTick=0.1

startXvfb
freshUser consented

# startManager [--replace]: the window manager, its process id added to the ones ended last first.
case "$wm" in
xfwm4)
    needTools dbus-daemon
    # It reads its settings over a session bus; one of the check's own, ended with it.
    bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) || fail "no session bus"
    pids+=("$(sed -n 2p <<<"$bus")")
    busAddress=$(sed -n 1p <<<"$bus")
    startManager() {
        DBUS_SESSION_BUS_ADDRESS=$busAddress xfwm4 --sm-client-disable "${@:---compositor=off}" >>"$work/wm.log" 2>&1 &
        pids+=($!)
    }
    ;;
openbox) startManager() { openbox --sm-disable "$@" >>"$work/wm.log" 2>&1 & pids+=($!); } ;;
*) startManager() { "$wm" "$@" >>"$work/wm.log" 2>&1 & pids+=($!); } ;;
esac
checkWindow() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*# //p'; }
startManager
within 20 sh -c "[ -n \"\$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep '# ')\" ]" || fail "no window manager"

clients() { xprop -root _NET_CLIENT_LIST 2>/dev/null | sed 's/.*# //; s/,//g'; }
listedCount() { clients | wc -w; }
xterm -T replaced-term 2>/dev/null & pids+=($!)
galculator >/dev/null 2>&1 & pids+=($!)
within 20 sh -c "[ \$(xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,//g' | wc -w) -ge 2 ]" || fail "the programs did not start"
startVelmora
within 60 started || fail "the program did not start"

# The bar of two buttons lies centred at the bottom; without them it shrinks to the menu button
# and the clock, and this point shows the black root.
barY=753
buttonsShown() { [ "$(pixel 394 $barY)" != "#000000" ]; }
within 20 buttonsShown || fail "the bar of two buttons did not appear"

# replace OPTIONS...: the time the buttons were gone, in tenths of a second, in $gone; the buttons
# must be back within a second and still there three seconds later.
replace() {
    local before i shown
    before=$(checkWindow)
    startManager --replace "$@"
    gone=0
    for ((i = 0; i < 30; i++)); do
        if buttonsShown; then shown=1; else shown=0; gone=$((gone + 1)); fi
        [ "$shown" = 0 ] && [ "$gone" -gt 10 ] && fail "the buttons were gone for more than a second after the manager was replaced${*:+ ($*)}"
        sleep 0.1
    done
    [ "$(checkWindow)" != "$before" ] && [ -n "$(checkWindow)" ] || fail "the manager was not replaced"
    within 5 sh -c "[ \$(xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,//g' | wc -w) -ge 3 ]" ||
        fail "the new manager does not list the programs and the bar: $(clients)"
    buttonsShown || fail "the buttons went after the manager was replaced${*:+ ($*)}"
    echo "replaced ($*): buttons gone for $gone tenths of a second"
}
case "$wm" in
xfwm4) replace --compositor=on; replace --compositor=off ;;
*) replace; replace ;;
esac
grep -q "ButtonStateClosing" "$work/out.log" && fail "a button closed while the manager changed"
echo "passed under $wm"
