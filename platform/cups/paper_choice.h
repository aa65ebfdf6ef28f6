// How a receipt goes onto the default destination's paper, decided from what
// the destination reports alone: as the printer's own text commands, on a
// page cut to the receipt's length from a roll, on the destination's sheet,
// on the system's paper size, or not at all. Sizes in hundredths of a
// millimetre, as CUPS reports them.
#pragma once

#include <optional>
#include <string>

#include "platform/cups/receipt_geometry.h"

namespace pellomar {

struct MediaSize {
  int width = 0;
  int length = 0;
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// The custom sizes a destination accepts.
struct SizeRange {
  int min_width = 0;
  int min_length = 0;
  int max_width = 0;
  int max_length = 0;
};

struct DestinationReport {
  std::string make_and_model;       // printer-make-and-model
  std::string device_uri;           // where the scheduler sends its jobs, when it says
  bool accepts_raw = false;         // application/vnd.cups-raw among its formats
  std::optional<MediaSize> media;   // its default media, with margins when it reports them
  std::optional<SizeRange> custom;  // custom sizes, when it takes any
  std::optional<MediaSize> system;  // the system's paper size
};

enum class PaperKind {
  kEscPos,   // the receipt as the printer's own commands, no page at all
  kRoll,     // a PDF page cut to the receipt, within [min_length, page.length]
  kSheet,    // a PDF on `page`, paged when the receipt is longer
  kNoPaper,  // nothing gives a page size
};

struct PaperChoice {
  PaperKind kind = PaperKind::kNoPaper;
  MediaSize page;      // kRoll: the roll's width and margins, its longest page
  int min_length = 0;  // kRoll: the shortest page it cuts
  bool system_size = false;
};

PaperChoice ChoosePaper(const DestinationReport& report);

// The page in points, for the renderer.
PageGeometry PageGeometryOf(const MediaSize& size);

}  // namespace pellomar
