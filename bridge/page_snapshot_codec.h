// The wire form of one document completion as the page script posts it:
// JSON text (UTF-8, lone surrogates as \u escapes) of
//   {"url": s, "origins": [s | null, ...], "top": null | doc}
//   doc = {"url": s, "body": s | null, "values": [[id, value], ...],
//          "inputs": [{"type": s, "checked": b, "tag": s | null}, ...],
//          "frames": [[name, doc], ...]}
// Pairs are arrays, not objects, so that ids and names such as "__proto__"
// survive the page side unchanged; the first pair of a name wins.
//
// The reader, like the UTF-8/UTF-16 conversion and the serializer unescaping
// in base/text.h, is our own rather than GLib's or the script engine's: a
// page's text may hold lone surrogates, which GLib's UTF-16 conversion
// refuses and the engine's UTF-8 strings replace, and either would change the
// code-unit counts that the receipt's cuts and padding rely on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bridge/page_snapshot.h"

namespace pellomar {

struct CompletionMessage {
  std::u16string url;                   // the document that completed
  // Absent when the top document was unreadable, or when the address is no
  // print page (the page script captures the model only for those).
  std::optional<DocumentSnapshot> top;
  OriginLineage origins;                // of it and the documents above it
  bool operator==(const CompletionMessage&) const = default;
};

// Frames nest at most this deep; deeper frames are refused with the message.
inline constexpr int kMaxFrameDepth = 16;
// A completing document's lineage holds at most this many origins.
inline constexpr std::size_t kMaxLineage = 64;

// Nothing when the text is not exactly one message of the form above.
std::optional<CompletionMessage> DecodeCompletion(std::string_view json);

std::string EncodeCompletion(const CompletionMessage& message);

}  // namespace pellomar
