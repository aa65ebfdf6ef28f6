#include "platform/cups/cups_page_printer.h"

#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "platform/cups/cups_submission.h"
#include "platform/cups/receipt_pdf.h"

namespace pellomar {

namespace {

constexpr std::u16string_view kOrderNumberLabel = u"单号:";
constexpr std::size_t kOrderNumberLine = 3;

// "消费小票 " and the order number, which follows "单号:" on the fourth line.
std::string JobName(const std::vector<std::u16string>& lines) {
  std::u16string name = u"消费小票";
  if (lines.size() > kOrderNumberLine && lines[kOrderNumberLine].starts_with(kOrderNumberLabel)) {
    name += u" ";
    name += std::u16string_view(lines[kOrderNumberLine]).substr(kOrderNumberLabel.size());
  }
  return Utf16ToUtf8(name);
}

class CupsPagePrinter final : public PagePrinter {
 public:
  // The document only collects its lines; the job is made whole at its end,
  // so a run that stops early leaves nothing at the spooler.
  void PrintLine(std::u16string_view text) override { lines_.emplace_back(text); }

  PrintResult EndDocument() override {
    std::vector<std::u16string> lines = std::exchange(lines_, {});
    if (lines.empty()) return {};

    std::vector<std::string> utf8;
    utf8.reserve(lines.size());
    for (const std::u16string& line : lines) utf8.push_back(Utf16ToUtf8(line));
    return SubmitToDefaultDestination(
        JobName(lines), [&utf8](const PageGeometry& page) { return RenderReceiptPdf(utf8, page); });
  }

 private:
  std::vector<std::u16string> lines_;
};

}  // namespace

std::unique_ptr<PagePrinter> MakeCupsPagePrinter() { return std::make_unique<CupsPagePrinter>(); }

}  // namespace pellomar
