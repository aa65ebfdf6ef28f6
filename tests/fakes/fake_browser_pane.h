// An in-memory browser pane: the page model is built by the test.
#pragma once

#include <string>
#include <vector>

#include "bridge/browser_pane.h"

namespace pellomar::testing {

inline constexpr char16_t kServiceOrigin[] = u"http://shop.test";

class FakeBrowserPane : public BrowserPane {
 public:
  void Navigate(std::u16string_view url) override { navigations.emplace_back(url); }
  const DocumentSnapshot* Document() const override { return has_document ? &top : nullptr; }
  OriginLineage CompletedLineage() const override { return lineage; }

  DocumentSnapshot top;
  bool has_document = true;
  // By default a direct frame of the top-level page, both of the service.
  OriginLineage lineage{std::u16string(kServiceOrigin), std::u16string(kServiceOrigin)};
  std::vector<std::u16string> navigations;
};

// A top-level page of the service with its two frames, in the shape the
// service's pages have.

inline DocumentSnapshot ServiceFrameset(std::u16string middle_body, DocumentSnapshot main) {
  DocumentSnapshot top;
  top.url = std::u16string(kServiceOrigin) + u"/member/index.asp";
  DocumentSnapshot middle;
  middle.url = std::u16string(kServiceOrigin) + u"/member/main/print.asp";
  middle.body_html = std::move(middle_body);
  top.frames.emplace(u"middleFrame", std::move(middle));
  main.url = std::u16string(kServiceOrigin) + u"/member/main/order.asp";
  top.frames.emplace(u"mainFrame", std::move(main));
  return top;
}

inline InputSnapshot Checkbox(std::u16string tag, bool checked = true) {
  return InputSnapshot{u"checkbox", checked, std::move(tag)};
}

}  // namespace pellomar::testing
