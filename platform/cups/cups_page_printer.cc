#include "platform/cups/cups_page_printer.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <glib.h>

#include "base/text.h"
#include "platform/cups/cups_submission.h"
#include "platform/cups/destination_report.h"
#include "platform/cups/escpos_receipt.h"
#include "platform/cups/receipt_pdf.h"
#include "receipt/receipt_layout.h"

namespace pellomar {

namespace {

// "消费小票 " and the receipt's order number.
std::string JobName(const std::vector<std::u16string>& lines) {
  std::u16string name = u"消费小票";
  if (const std::u16string_view number = OrderNumberOf(lines); !number.empty()) {
    name += u" ";
    name += number;
  }
  return Utf16ToUtf8(name);
}

PrintDocument Unmade(PrintError error, std::string detail) {
  return {.bytes = {}, .format = {}, .media = {}, .failure = {error, std::move(detail)}};
}

// The receipt as the printer's own text; characters it could not show as
// they stand are named on stderr (the receipt still prints).
PrintDocument EscPosDocument(const std::vector<std::u16string>& lines) {
  EscPosReceipt receipt = EncodeEscPosReceipt(lines);
  if (!receipt.ok()) return Unmade(PrintError::kRenderFailed, receipt.error);
  if (!receipt.replaced.empty()) {
    std::string list;
    for (const std::string& what : receipt.replaced) list += (list.empty() ? "" : ", ") + what;
    g_warning("receipt printed with stand-ins the printer can show: %s", list.c_str());
  }
  return {.bytes = std::move(receipt.bytes), .format = CUPS_FORMAT_RAW, .media = {}, .failure = {}};
}

// The receipt as a PDF on the destination's sheet, or on a page cut from
// its roll to the receipt's length and asked for as a custom size.
PrintDocument PdfDocument(const std::vector<std::u16string>& lines, const PaperChoice& paper) {
  std::vector<std::string> utf8;
  utf8.reserve(lines.size());
  for (const std::u16string& line : lines) utf8.push_back(Utf16ToUtf8(line));

  const bool roll = paper.kind == PaperKind::kRoll;
  const PageGeometry page = PageGeometryOf(paper.page);
  std::optional<double> shortest;
  if (roll) shortest = PageGeometryFromHundredthsMm(0, paper.min_length, 0, 0, 0, 0).height;
  ReceiptPdf pdf = RenderReceiptPdf(utf8, page, shortest);
  if (!pdf.ok()) return Unmade(PrintError::kRenderFailed, pdf.error);

  // Every page of a roll job has the length asked for, the longest included.
  std::string media;
  if (roll) media = CustomMediaName(paper.page.width, HundredthsMmFromPoints(pdf.page_height));
  return {
      .bytes = std::move(pdf.document), .format = CUPS_FORMAT_PDF, .media = media, .failure = {}};
}

PrintDocument ReceiptDocument(const std::vector<std::u16string>& lines, const PaperChoice& paper) {
  if (paper.kind == PaperKind::kEscPos) return EscPosDocument(lines);
  return PdfDocument(lines, paper);
}

class CupsPagePrinter final : public PagePrinter {
 public:
  // The document only collects its lines; the job is made whole at its end,
  // so a run that stops early leaves nothing at the spooler.
  void PrintLine(std::u16string_view text) override { lines_.emplace_back(text); }

  PrintResult EndDocument() override {
    std::vector<std::u16string> lines = std::exchange(lines_, {});
    if (lines.empty()) return {};

    return submitter_.Submit(JobName(lines), [&lines](const PaperChoice& paper) {
      return ReceiptDocument(lines, paper);
    });
  }

  // The connection, the destination and its paper, and what the receipt
  // for that paper is made with.
  void Prepare() override {
    const std::optional<PaperChoice> paper = submitter_.Prepare();
    if (paper && paper->kind == PaperKind::kEscPos) {
      // Loads the printer's character set.
      EncodeEscPosReceipt({u"消费小票"});
      return;
    }
    // On the printer's own page when it is known: glyph caches are per size.
    if (paper && paper->kind != PaperKind::kNoPaper) {
      PrepareReceiptFonts(PageGeometryOf(paper->page));
    } else {
      PrepareReceiptFonts();
    }
  }

 private:
  std::vector<std::u16string> lines_;
  CupsSubmitter submitter_;
};

}  // namespace

std::unique_ptr<PagePrinter> MakeCupsPagePrinter() { return std::make_unique<CupsPagePrinter>(); }

}  // namespace pellomar
