# Sourced by scripts/test. Makes sure a CUPS scheduler runs and holds the test
# suite's own queues, whose backend (tests/cups/pellomar-capture) keeps each
# job's document in a folder instead of printing it:
#   PELLOMAR_TEST_PRINTER            accepts and "prints" every job (a PDF
#                                    driver queue, 58 x 210 mm sheets)
#   PELLOMAR_TEST_REJECTING_PRINTER  rejects jobs (not accepting)
#   PELLOMAR_TEST_STOPPED_PRINTER    accepts jobs but is stopped
#   PELLOMAR_TEST_RAW_PRINTER        a queue with no driver, as receipt
#                                    printers are run: jobs reach it unchanged
#   PELLOMAR_TEST_ROLL_PRINTER       a driver queue on a 58 mm roll that takes
#                                    pages of any length
#   PELLOMAR_TEST_SHEET80_PRINTER    a driver queue on 80 x 297 mm sheets
#   PELLOMAR_TEST_SPOOL              the folder the jobs land in
# Idempotent. It never changes any other queue, nor the default destination:
# the tests choose their queue through PRINTER.

# shellcheck source=printer-check.sh
source "$(dirname "${BASH_SOURCE[0]}")/printer-check.sh"

pellomar_cups_setup() {
  local root sudo=() backend_dir
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi

  export PELLOMAR_TEST_PRINTER=pellomar-test
  export PELLOMAR_TEST_REJECTING_PRINTER=pellomar-test-rejecting
  export PELLOMAR_TEST_STOPPED_PRINTER=pellomar-test-stopped
  export PELLOMAR_TEST_RAW_PRINTER=pellomar-test-raw
  export PELLOMAR_TEST_ROLL_PRINTER=pellomar-test-roll
  export PELLOMAR_TEST_SHEET80_PRINTER=pellomar-test-sheet80
  export PELLOMAR_TEST_SPOOL=${PELLOMAR_TEST_SPOOL:-${TMPDIR:-/tmp}/pellomar-test-spool}

  # The backend runs as CUPS's unprivileged user when it is not private to
  # root (mode 0755, owned by root); the spool folder must let that user write.
  backend_dir=$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)/backend
  "${sudo[@]}" install -o root -g root -m 0755 "$root/tests/cups/pellomar-capture" \
    "$backend_dir/pellomar-capture"
  "${sudo[@]}" mkdir -p "$PELLOMAR_TEST_SPOOL"
  "${sudo[@]}" chmod 0777 "$PELLOMAR_TEST_SPOOL"

  if ! pellomar_scheduler_running; then
    "${sudo[@]}" cupsd
    local tries=0
    until pellomar_scheduler_running; do
      tries=$((tries + 1))
      if ((tries > 100)); then
        echo "start-cups: the CUPS scheduler did not start" >&2
        return 1
      fi
      sleep 0.1
    done
  fi

  # Jobs left over from an earlier run on the stopped queue would wait there,
  # or print once the queue is enabled below.
  "${sudo[@]}" cancel -a "$PELLOMAR_TEST_STOPPED_PRINTER" 2>/dev/null || true

  # The driver queues take the suite's own PPD, which passes PDF through
  # unchanged; the raw queue has no driver at all. lpadmin warns that drivers
  # and raw queues are deprecated: that line says nothing about the queue.
  local queue ppd="$root/tests/cups/pellomar-test.ppd"
  local common=(-E -v "pellomar-capture:$PELLOMAR_TEST_SPOOL" -o printer-error-policy=abort-job
    -o printer-is-shared=false)
  pellomar_add_queue() {
    "${sudo[@]}" lpadmin "$@" 2> >(grep -v 'are deprecated' >&2)
  }
  for queue in "$PELLOMAR_TEST_PRINTER" "$PELLOMAR_TEST_REJECTING_PRINTER" \
    "$PELLOMAR_TEST_STOPPED_PRINTER"; do
    pellomar_add_queue -p "$queue" "${common[@]}" -P "$ppd" -o PageSize=oe_58x210mm \
      -R media-default
  done
  pellomar_add_queue -p "$PELLOMAR_TEST_ROLL_PRINTER" "${common[@]}" -P "$ppd" \
    -o PageSize=oe_58mm-roll_58x3276mm
  pellomar_add_queue -p "$PELLOMAR_TEST_SHEET80_PRINTER" "${common[@]}" -P "$ppd" \
    -o PageSize=oe_80x297mm
  pellomar_add_queue -p "$PELLOMAR_TEST_RAW_PRINTER" "${common[@]}" -m raw
  "${sudo[@]}" cupsreject -r "test queue that refuses jobs" "$PELLOMAR_TEST_REJECTING_PRINTER"
  "${sudo[@]}" cupsdisable -r "test queue that is stopped" "$PELLOMAR_TEST_STOPPED_PRINTER"
}

pellomar_cups_setup
