// Handling of every completed document: the print-page marker, the command
// text of the frame "middleFrame", and the two commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/report.h"

namespace pellomar {

class BrowserPane;
class LocaleServices;
class PagePrinter;
class Clock;
struct LoginProfile;

inline constexpr std::u16string_view kPrintPageMarker = u"member/main/print.asp";

// Whether a completion of the document at url is meant for the program: the
// marker is found in the address lower-cased in the user's locale.
bool IsPrintPageAddress(std::u16string_view url, const LocaleServices& locale);

// The command text of the middle frame, escapes of the serializer undone,
// split at every ",".
struct PageCommand {
  std::vector<std::u16string> fields;
  static PageCommand FromBodyMarkup(std::u16string_view body_html);
};

struct DispatchContext {
  const BrowserPane& pane;
  LoginProfile& profile;
  const LocaleServices& locale;
  const Clock& clock;
  PagePrinter& printer;
  // The service's origin as the engine serialises it (scheme://host[:port]);
  // empty until known. Completions of documents from elsewhere, or under
  // pages from elsewhere, are ignored.
  std::u16string service_origin;
};

// Returns a report when the completion was meant for the program (or
// pretended to be) but could not be carried out or was refused.
Failure OnDocumentComplete(std::u16string_view url, const DispatchContext& context);

}  // namespace pellomar
