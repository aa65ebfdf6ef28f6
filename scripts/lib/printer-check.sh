# Sourced by scripts/demo, its test and start-cups.sh. Decides what the demo must do about
# printing, reading CUPS's answers in the C locale: the client's users run
# zh_CN, where lpstat's words are Chinese.
#
# `lpstat -r` exits 0 whether or not the scheduler runs, so its words decide.

pellomar_scheduler_running() {
  local state
  # Read whole, not through a pipe: under pipefail an early-closing reader
  # could make a running scheduler look stopped.
  state=$(LC_ALL=C lpstat -r 2>/dev/null || true)
  [[ $state == "scheduler is running" ]] # the C locale's words, read just above
}

# Prints the destination CUPS would print on (LPDEST/PRINTER, lpoptions, then
# the server's default); prints nothing and fails when there is none.
pellomar_default_printer() {
  local line
  line=$(LC_ALL=C lpstat -d 2>/dev/null || true)
  [[ $line == "system default destination: "?* ]] || return 1 # C locale, as read above
  printf '%s\n' "${line#system default destination: }"
}

# One word for the demo: "ready" (a scheduler answers and there is a default
# destination), "no-default" (a scheduler answers, no default destination) or
# "no-scheduler" (nothing answers: only then may the demo start one).
pellomar_printing_state() {
  if ! pellomar_scheduler_running; then
    echo no-scheduler
  elif pellomar_default_printer >/dev/null; then
    echo ready
  else
    echo no-default
  fi
}
