// One receipt for the order shown in the frame "mainFrame".
#pragma once

#include "base/clock.h"
#include "base/report.h"

namespace pellomar {

class BrowserPane;
class LocaleServices;
class PagePrinter;
struct LoginProfile;

struct ReceiptContext {
  const BrowserPane& pane;
  const LoginProfile& profile;
  const LocaleServices& locale;
  const Clock& clock;
  PagePrinter& printer;
};

// Reads and checks every value first; only a fully composed receipt is sent
// to the printer, as one job. Returns a report when nothing was printed.
Failure PrintReceipt(const ReceiptContext& context);

}  // namespace pellomar
