#include "bridge/page_dispatch.h"

#include "base/locale_services.h"
#include "base/text.h"
#include "bridge/browser_pane.h"
#include "bridge/completion_origin.h"
#include "bridge/login_profile.h"
#include "receipt/print_receipt.h"

namespace pellomar {

namespace {

constexpr std::u16string_view kNotDone = u"页面指令未执行：";

Report CommandFailure(std::u16string_view reason, std::string_view diagnostic) {
  return Report{std::u16string(kNotDone) + std::u16string(reason),
                OneLine("page command not carried out: " + std::string(diagnostic))};
}

}  // namespace

PageCommand PageCommand::FromBodyMarkup(std::u16string_view body_html) {
  return PageCommand{SplitAt(UnescapeSerializedText(body_html), u',')};
}

bool IsPrintPageAddress(std::u16string_view url, const LocaleServices& locale) {
  return locale.LowerCase(url).find(kPrintPageMarker) != std::u16string::npos;
}

Failure OnDocumentComplete(std::u16string_view url, const DispatchContext& context) {
  if (!IsPrintPageAddress(url, context.locale)) return std::nullopt;

  // Another site in the pane, or in a frame of the service's pages, must not
  // print or change the profile.
  if (Failure refused = RefuseUnlessFromTheService(url, context.pane.CompletedLineage(),
                                                   context.service_origin)) {
    return refused;
  }
  const DocumentSnapshot* top = context.pane.Document();
  if (top == nullptr) return CommandFailure(u"页面不可读", "no top-level document");

  const DocumentSnapshot* middle = top->Frame(u"middleFrame");
  if (middle == nullptr) {
    return CommandFailure(u"页面缺少 middleFrame", "no readable frame \"middleFrame\"");
  }
  if (!middle->body_html) {
    return CommandFailure(u"middleFrame 没有正文", "the frame \"middleFrame\" has no body");
  }

  const PageCommand command = PageCommand::FromBodyMarkup(*middle->body_html);
  if (command.fields.empty()) {
    return CommandFailure(u"指令为空", "the command text of \"middleFrame\" is empty");
  }
  const std::u16string& verb = command.fields[0];
  if (verb == u"1") {
    return PrintReceipt(ReceiptContext{context.pane, context.profile, context.locale, context.clock,
                                       context.printer});
  }
  if (verb == u"2") {
    if (command.fields.size() < 2) {
      return CommandFailure(u"缺少登录资料", "command \"2\" without a profile text");
    }
    ApplyProfileText(command.fields[1], context.profile, context.locale);
  }
  return std::nullopt;
}

}  // namespace pellomar
