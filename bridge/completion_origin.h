// Which completions may command the program: only a document of the
// service's own origin, in the top-level page or one of its direct frames,
// under a top-level page of the service's origin. Origins are the engine's;
// this only compares them.
#pragma once

#include <string_view>

#include "base/report.h"
#include "bridge/page_snapshot.h"

namespace pellomar {

// Nothing when the completion may act; otherwise a diagnostic without a
// notice: a foreign document is not the person at the till's concern.
Failure RefuseUnlessFromTheService(std::u16string_view url, const OriginLineage& lineage,
                                   std::u16string_view service_origin);

}  // namespace pellomar
