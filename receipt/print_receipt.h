// One receipt for the order shown in the frame "mainFrame".
#pragma once

#include <string_view>

#include "base/clock.h"
#include "base/report.h"
#include "receipt/page_printer.h"

namespace pellomar {

class BrowserPane;
class LocaleServices;
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

// What the till is told when the printer did not take a job.
std::u16string_view PrintErrorNotice(PrintError error);

}  // namespace pellomar
