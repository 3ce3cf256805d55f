# shellcheck shell=bash
# Sourced after tests/e2e/x11lib.sh by the checks that run the real program on an Xorg of their
# own with the dummy video driver, whose RandR monitors Qt shows as screens (Xvfb cannot).

# startXorg: the server, in DISPLAY; the check is skipped (status 77) where it cannot start.
startXorg() {
    cat >"$work/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 4096
  EndSubSection
EndSection
CONF
    Xorg -config "$work/xorg.conf" -noreset -nolisten tcp -logfile "$work/xorg.log" -displayfd 3 \
        3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    waitFor 30 grep -q . "$work/display" || { echo "Xorg with the dummy driver does not start here: skipped"; exit 77; }
    export DISPLAY=":$(head -n 1 "$work/display")"
}

# monitors WIDTH HEIGHT NAME:GEOMETRY...: a framebuffer of that size split into RandR monitors
# (GEOMETRY as xrandr --setmonitor takes it); the first is the primary one.
monitors() {
    local width=$1 height=$2; shift 2
    # The output shows the whole framebuffer, so the pointer reaches every monitor.
    local mode="fb${width}x${height}"
    xrandr --output DUMMY0 --mode 640x480 --fb "${width}x${height}" || return 1
    xrandr --newmode $mode 10 $width $((width + 8)) $((width + 16)) $((width + 24)) \
        $height $((height + 8)) $((height + 16)) $((height + 24)) 2>/dev/null
    xrandr --addmode DUMMY0 $mode 2>/dev/null
    xrandr --output DUMMY0 --mode $mode || return 1
    local primary="*"
    for monitor in "$@"; do
        local name=${monitor%%:*} geometry=${monitor#*:} output=none
        [ -n "$primary" ] && output=DUMMY0
        xrandr --setmonitor "$primary$name" "$geometry" $output >/dev/null || return 1
        primary=""
    done
}
