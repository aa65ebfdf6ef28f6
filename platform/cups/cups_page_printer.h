// The user's default CUPS destination as a PagePrinter: the lines of one
// document are rendered as one PDF and printed as one job.
#pragma once

#include <memory>

#include "receipt/page_printer.h"

namespace pellomar {

std::unique_ptr<PagePrinter> MakeCupsPagePrinter();

}  // namespace pellomar
