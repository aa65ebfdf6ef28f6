# Sourced by scripts/test (bash, set -euo pipefail). Makes sure an X display
# with a window manager and a D-Bus session bus are there for the window
# tests, and exports DISPLAY / DBUS_SESSION_BUS_ADDRESS. Safe to source twice.

pellomar_display_usable() {
  [[ -n ${DISPLAY:-} ]] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1
}

pellomar_wm_running() {
  # A window manager announces itself on the root window.
  xprop -display "$DISPLAY" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

pellomar_start_display() {
  local display=${PELLOMAR_TEST_DISPLAY:-:77}
  local log_dir=${TMPDIR:-/tmp}

  if ! pellomar_display_usable; then
    export DISPLAY=$display
    if ! pellomar_display_usable; then
      Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset \
        >"$log_dir/pellomar-xvfb.log" 2>&1 &
      local tries=0
      until pellomar_display_usable; do
        (( ++tries > 100 )) && { echo "start-display: Xvfb on $display did not come up" >&2; return 1; }
        sleep 0.1
      done
    fi
  fi

  if ! pellomar_wm_running; then
    openbox >"$log_dir/pellomar-openbox.log" 2>&1 &
    local tries=0
    until pellomar_wm_running; do
      (( ++tries > 100 )) && { echo "start-display: openbox did not come up on $DISPLAY" >&2; return 1; }
      sleep 0.1
    done
  fi

  # WebKitGTK talks to the session bus (accessibility, portals); without one
  # every web view start-up waits for a time-out.
  if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]]; then
    local bus_file="$log_dir/pellomar-dbus-$(id -u)${display//:/-}"
    if [[ -f $bus_file ]] && dbus-send --bus="$(cat "$bus_file")" --dest=org.freedesktop.DBus \
        --type=method_call --print-reply /org/freedesktop/DBus org.freedesktop.DBus.ListNames \
        >/dev/null 2>&1; then
      DBUS_SESSION_BUS_ADDRESS=$(cat "$bus_file")
    else
      DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1)
      printf '%s\n' "$DBUS_SESSION_BUS_ADDRESS" >"$bus_file"
    fi
    export DBUS_SESSION_BUS_ADDRESS
  fi

  # The engine's bubblewrap sandbox cannot set up its namespaces when the
  # tests run as root in a container; turn it off for test runs only.
  if [[ $(id -u) -eq 0 ]] && ! bwrap --ro-bind / / true >/dev/null 2>&1; then
    export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1
  fi
}

pellomar_start_display
