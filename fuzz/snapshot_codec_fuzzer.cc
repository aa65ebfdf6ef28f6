// The page model as the page script posts it: whatever decodes must encode
// to a text that decodes to the same model, and any text survives a round
// trip in every string member.
#include <optional>
#include <string>

#include "bridge/page_snapshot_codec.h"
#include "fuzz/fuzz_support.h"

namespace pellomar::fuzz {
namespace {

void CheckDecoded(std::string_view json) {
  const std::optional<CompletionMessage> decoded = DecodeCompletion(json);
  if (!decoded) return;
  const std::string encoded = EncodeCompletion(*decoded);
  const std::optional<CompletionMessage> again = DecodeCompletion(encoded);
  FUZZ_REQUIRE(again.has_value());
  FUZZ_REQUIRE(*again == *decoded);
  FUZZ_REQUIRE(EncodeCompletion(*again) == encoded);
}

// The text in every string member, nested one frame deep.
void CheckTextRoundTrip(const std::u16string& text) {
  DocumentSnapshot frame;
  frame.url = text;
  frame.body_html = text;
  frame.values_by_id.emplace(text, text);
  frame.inputs.push_back(InputSnapshot{text, true, text});
  DocumentSnapshot top;
  top.url = text;
  top.frames.emplace(text, frame);
  const CompletionMessage message{text, top, {text, std::nullopt}};
  const std::optional<CompletionMessage> decoded = DecodeCompletion(EncodeCompletion(message));
  FUZZ_REQUIRE(decoded.has_value());
  FUZZ_REQUIRE(*decoded == message);
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellomar::fuzz;
  CheckDecoded(AsBytes(data, size));
  CheckTextRoundTrip(FuzzText(AsBytes(data, size)));
  return 0;
}
