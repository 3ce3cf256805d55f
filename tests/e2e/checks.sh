#!/bin/sh
# The real program as a user drives it, one check per run: checks.sh CHECK VELMORA UPDATE-SERVER.
check="$1"
shift
. "$(dirname "$0")/lib.sh"

# Where things are on the 1440 × 900 screen with the bar of scenarios/bar.json.
menu_button="484 853"
notes_button="594 853"
search_field="622 236"
velmora_row="180 693"
hide_row="195 648"
onboarding_button="719 680"
# Where the onboarding's Next and Done! buttons show.
onboarding_button_area="160x60+640+650"

# The middle of the bar shows the screen's black background.
bar_hidden() { import -window root -crop 1x1+720+853 txt:- | grep -q '#000000'; }
bar_shown() { ! bar_hidden; }
# The main menu's window is the program's only one 800 wide.
menu_open() {
    xdotool search --onlyvisible --pid "$app" --name '' getwindowgeometry %@ 2>/dev/null | grep -q "Geometry: 800x"
}
menu_closed() { ! menu_open; }
# Once its buttons have opened to their width.
bar_ready() { wait_for 10 logged "ButtonStateRunning" out && sleep 1; }
click() { xdotool mousemove $1 sleep 0.2 click "${2:-1}"; }

case "$check" in
starts)
    start "$(dirname "$0")/../../resources/desktop/demo.json"
    logged "Switching to state: .*AppStateDetectedScreen" out || fail "no switch to the bars"
    logged '"setActivationPolicy"' || fail "activation policy not set"
    ;;
bar_buttons)
    start "$scenarios/bar.json"
    bar_ready
    click "$notes_button"
    wait_for 10 logged '"action":"activate".*"pid":701' || fail "a click did not activate Notes"
    click "$notes_button" 3
    sleep 0.5
    xdotool key Up Return
    wait_for 10 logged '"action":"terminate".*"pid":701' || fail "Quit did not reach Notes"
    wait_for 10 logged "ButtonStateClosed" out || fail "its button did not leave"
    ;;
main_menu)
    start "$scenarios/bar.json"
    bar_ready
    click "$menu_button"
    wait_for 10 menu_open || fail "the menu did not open"
    click "$search_field"
    xdotool type --delay 50 "ter"
    wait_for 10 matches search-result 200x110+320+275 || fail "the search result differs: $difference"
    xdotool key Escape
    wait_for 10 menu_closed || fail "Escape did not close the menu"
    ;;
hide_and_pointer)
    start "$scenarios/bar.json"
    bar_ready
    click "$menu_button"
    wait_for 10 menu_open || fail "the menu did not open"
    click "$velmora_row"
    sleep 0.5
    click "$hide_row"
    xdotool mousemove 720 400
    wait_for 10 bar_hidden || fail "Hide left the bar in place"
    # Long enough for the pointer's sampling to stop: the move to the edge reaches the program as
    # the display's raw motion, which a warp of the pointer makes none of; the hidden bar leaves no
    # window of its own at the edge.
    sleep 3
    bar_hidden || fail "the bar came back with the pointer away from the edge"
    command -v xte >/dev/null 2>&1 || { echo "xte missing: skipped"; exit 77; }
    xte "mousemove 720 899"
    wait_for 10 bar_shown || fail "the pointer at the bottom edge did not bring the bar back"
    ;;
sigterm)
    start "$scenarios/bar.json"
    bar_ready
    wait_for 20 logged "killall Dock" || fail "the Dock was not hidden"
    hidden=$(wc -l <"$work/actions.log")
    kill -TERM "$app"
    ended 20 || fail "SIGTERM did not end the program"
    [ "$status" -eq 0 ] || fail "exit status $status"
    restored=$(tail -n +$((hidden + 1)) "$work/actions.log")
    [ "$(echo "$restored" | grep -c "orientation bottom")" -eq 1 ] || fail "restore: $restored"
    [ "$(echo "$restored" | grep -c "killall Dock")" -eq 4 ] || fail "restore: $restored"
    [ "$(echo "$restored" | grep -c '"action":"restartDock"')" -eq 4 ] || fail "restore: $restored"
    [ -z "$(ls -d "$TMPDIR"/velmora-desktop-* 2>/dev/null)" ] || fail "the desktop's folder was left behind"
    ;;
required_update | optional_update)
    code=0 latest=0 title="New version"
    [ "$check" = required_update ] && code=999 title="Update required"
    [ "$check" = optional_update ] && latest=999
    info='"versionName": "9", "text": "Please update.", "url": "https://example.com/download"'
    printf '{"required": {"versionCode": %s, "title": "Update required", %s},
             "latest": {"versionCode": %s, "title": "New version", %s}}\n' \
        "$code" "$info" "$latest" "$info" >"$work/update.json"
    serve "$work/update.json"
    start "$scenarios/bar.json"
    bar_ready
    wait_for 20 window "$title" || fail "no alert \"$title\""
    xdotool search --onlyvisible --name "$title" windowfocus --sync key Return
    wait_for 10 logged '"url":"https://example.com/download"' || fail "the download was not opened"
    if [ "$check" = required_update ]; then
        ended 20 || fail "the program did not end after the alert"
        [ "$status" -eq 0 ] || fail "exit status $status"
        logged "orientation bottom" || fail "the Dock was not restored"
    else
        wait_for 10 no_window "$title" || fail "the alert stayed"
        sleep 1
        kill -0 "$app" || fail "the program ended"
        ! logged "orientation bottom" || fail "the Dock was restored"
    fi
    ;;
onboarding)
    cp "$scenarios/onboarding.json" "$work/desktop.json"
    snap button "$onboarding_button_area"
    start "$work/desktop.json"
    # Each click waits until the page shows its button in place, however slow the machine.
    wait_for 20 changed_and_still button "$onboarding_button_area" || fail "no Next button"
    snap button "$onboarding_button_area"
    click "$onboarding_button"
    wait_for 20 changed_and_still button "$onboarding_button_area" || fail "Next did not show the permission page"
    snap button "$onboarding_button_area"
    # The user grants the permission: the desktop reads its file again.
    sed -i 's/"accessibilityTrusted": false/"accessibilityTrusted": true/' "$work/desktop.json"
    wait_for 10 logged "killall Dock" || fail "the permission did not complete the onboarding"
    wait_for 20 changed_and_still button "$onboarding_button_area" || fail "no Done! button"
    click "$onboarding_button"
    wait_for 10 logged "Switching to state: .*AppStateIdle" out || fail "Done! did not bring up the bars"
    xdotool mousemove 720 400
    pinned=$(sed -n '/"pinned"/,/\$data/s/.*"\$data": "\(.*\)".*/\1/p' "$work/defaults.json" | base64 -d)
    [ "$pinned" = '["file:///Applications/Safari.app/","file:///Applications/Spotify.app/","file:///Applications/Mail.app/"]' ] ||
        fail "pinned: $pinned"
    wait_for 10 matches onboarded-bar 240x70+555+820 || fail "the bar differs (one Safari, Spotify, Mail): $difference"
    ;;
*) fail "unknown check $check" ;;
esac
exit 0
