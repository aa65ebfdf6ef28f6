// The embedded browser as the core uses it.
#pragma once

#include <string>
#include <string_view>

#include "bridge/page_snapshot.h"

namespace pellomar {

class BrowserPane {
 public:
  virtual ~BrowserPane() = default;

  // Starts loading url and returns at once.
  virtual void Navigate(std::u16string_view url) = 0;

  // The top-level document as captured for the completion being handled;
  // nullptr when there is none.
  virtual const DocumentSnapshot* Document() const = 0;

  // The origins of the document whose completion is being handled and of
  // the documents above it; empty when there is none.
  virtual OriginLineage CompletedLineage() const = 0;
};

}  // namespace pellomar
