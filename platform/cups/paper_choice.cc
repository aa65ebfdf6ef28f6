#include "platform/cups/paper_choice.h"

#include <algorithm>
#include <string_view>

namespace pellomar {

namespace {

// An address where a printer that reads documents itself takes its jobs.
bool IsIppAddress(std::string_view uri) {
  for (std::string_view scheme : {"ipp:", "ipps:", "http:", "https:"}) {
    if (uri.starts_with(scheme)) return true;
  }
  return false;
}

// The scheduler names a queue that has no driver (no PPD) "Local Raw Printer"
// and hands its jobs to the device byte for byte. On a port (USB, parallel,
// serial, a network printer's port 9100) that device is a printer of its own
// command language, and the receipt printers run this way speak ESC/POS; a
// PDF would come out as its bytes. A queue without a driver on a network
// printer's IPP address ("Remote Printer", when lpadmin made it) passes jobs
// to a printer that reads documents itself: it gets the PDF. The list of
// formats is no signal on its own (a raw queue lists every type the scheduler
// knows), but it must carry raw, or the job would be refused.
bool DrivesTheDeviceDirectly(const DestinationReport& report) {
  return report.make_and_model == "Local Raw Printer" && !IsIppAddress(report.device_uri) &&
         report.accepts_raw;
}

// A destination feeds a roll when its default paper is as long as the longest
// page it takes and it accepts shorter pages of that width: thermal drivers
// name the roll's maximum length (58 x 3276 mm) as their default size. A sheet
// that merely could be replaced by a custom size (A4 in a printer that also
// takes custom sizes) is what is loaded, and stays.
bool FeedsARoll(const MediaSize& media, const std::optional<SizeRange>& custom) {
  return custom && media.width >= custom->min_width && media.width <= custom->max_width &&
         media.length >= custom->max_length && custom->min_length <= custom->max_length;
}

bool HasArea(const MediaSize& size) { return size.width > 0 && size.length > 0; }

}  // namespace

PaperChoice ChoosePaper(const DestinationReport& report) {
  PaperChoice choice;
  if (DrivesTheDeviceDirectly(report)) {
    choice.kind = PaperKind::kEscPos;
  } else if (report.media && HasArea(*report.media)) {
    choice.page = *report.media;
    if (FeedsARoll(*report.media, report.custom)) {
      choice.kind = PaperKind::kRoll;
      choice.page.length = report.custom->max_length;
      choice.min_length = std::max(report.custom->min_length, 1);
    } else {
      choice.kind = PaperKind::kSheet;
    }
  } else if (report.system && HasArea(*report.system)) {
    // Like the scheduler itself, fall back on the system's paper size.
    choice.kind = PaperKind::kSheet;
    choice.page = *report.system;
    choice.system_size = true;
  }
  return choice;
}

PageGeometry PageGeometryOf(const MediaSize& size) {
  return PageGeometryFromHundredthsMm(size.width, size.length, size.left, size.right, size.top,
                                      size.bottom);
}

}  // namespace pellomar
