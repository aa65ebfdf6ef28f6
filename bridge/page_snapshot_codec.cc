#include "bridge/page_snapshot_codec.h"

#include <cstdint>

#include "base/text.h"

namespace pellomar {

namespace {

// Reads the JSON of one message. Every step either advances or fails, and
// nesting is bounded, so arbitrary input is read in one pass.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<CompletionMessage> Message() {
    CompletionMessage message;
    bool ok = Object([&](std::string_view key) {
      if (key == "url") return String(message.url);
      if (key == "origins") {
        message.origins.clear();
        return Array([&] {
          if (message.origins.size() == kMaxLineage) return false;
          std::optional<std::u16string> origin;
          if (!Literal("null")) {
            origin.emplace();
            if (!String(*origin)) return false;
          }
          message.origins.push_back(std::move(origin));
          return true;
        });
      }
      if (key == "top") {
        if (Literal("null")) {
          message.top.reset();
          return true;
        }
        message.top.emplace();
        return Document(*message.top, 0);
      }
      return SkipValue(0);
    });
    SkipSpace();
    if (!ok || pos_ != text_.size()) return std::nullopt;
    return message;
  }

 private:
  static constexpr int kMaxSkipDepth = 32;

  bool Document(DocumentSnapshot& doc, int depth) {
    if (depth > kMaxFrameDepth) return false;
    return Object([&](std::string_view key) {
      if (key == "url") return String(doc.url);
      if (key == "body") {
        if (Literal("null")) {
          doc.body_html.reset();
          return true;
        }
        doc.body_html.emplace();
        return String(*doc.body_html);
      }
      if (key == "values") {
        return Array([&] {
          std::u16string id, value;
          if (!Pair(id, [&] { return String(value); })) return false;
          doc.values_by_id.emplace(std::move(id), std::move(value));
          return true;
        });
      }
      if (key == "inputs") {
        return Array([&] {
          InputSnapshot input;
          if (!Input(input)) return false;
          doc.inputs.push_back(std::move(input));
          return true;
        });
      }
      if (key == "frames") {
        return Array([&] {
          std::u16string name;
          DocumentSnapshot frame;
          if (!Pair(name, [&] { return Document(frame, depth + 1); })) return false;
          doc.frames.emplace(std::move(name), std::move(frame));
          return true;
        });
      }
      return SkipValue(0);
    });
  }

  bool Input(InputSnapshot& input) {
    return Object([&](std::string_view key) {
      if (key == "type") return String(input.type);
      if (key == "checked") return Bool(input.checked);
      if (key == "tag") {
        if (Literal("null")) {
          input.tag.reset();
          return true;
        }
        input.tag.emplace();
        return String(*input.tag);
      }
      return SkipValue(0);
    });
  }

  // [name, second]
  template <typename Second>
  bool Pair(std::u16string& name, Second second) {
    SkipSpace();
    if (!Take('[') || !String(name)) return false;
    SkipSpace();
    if (!Take(',') || !second()) return false;
    SkipSpace();
    return Take(']');
  }

  // Calls member(key) with the reader placed at each member's value.
  template <typename Member>
  bool Object(Member member) {
    SkipSpace();
    if (!Take('{')) return false;
    SkipSpace();
    if (Take('}')) return true;
    while (true) {
      std::string key;
      if (!RawKey(key)) return false;
      SkipSpace();
      if (!Take(':') || !member(std::string_view(key))) return false;
      SkipSpace();
      if (Take('}')) return true;
      if (!Take(',')) return false;
      SkipSpace();
    }
  }

  template <typename Element>
  bool Array(Element element) {
    SkipSpace();
    if (!Take('[')) return false;
    SkipSpace();
    if (Take(']')) return true;
    while (true) {
      if (!element()) return false;
      SkipSpace();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  // Keys of this schema are plain ASCII; anything else is an unknown key.
  bool RawKey(std::string& key) {
    std::u16string text;
    if (!String(text)) return false;
    for (char16_t c : text) key.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return true;
  }

  bool String(std::u16string& out) {
    out.clear();
    SkipSpace();
    if (!Take('"')) return false;
    size_t run_start = pos_;
    auto flush_run = [&] {
      if (pos_ > run_start) out += Utf8ToUtf16(text_.substr(run_start, pos_ - run_start));
    };
    while (pos_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        flush_run();
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c != '\\') {
        ++pos_;
        continue;
      }
      flush_run();
      ++pos_;
      if (pos_ >= text_.size()) return false;
      const char escape = text_[pos_++];
      switch (escape) {
        case '"':
          out.push_back(u'"');
          break;
        case '\\':
          out.push_back(u'\\');
          break;
        case '/':
          out.push_back(u'/');
          break;
        case 'b':
          out.push_back(u'\b');
          break;
        case 'f':
          out.push_back(u'\f');
          break;
        case 'n':
          out.push_back(u'\n');
          break;
        case 'r':
          out.push_back(u'\r');
          break;
        case 't':
          out.push_back(u'\t');
          break;
        case 'u': {
          char16_t unit = 0;
          if (!Hex4(unit)) return false;
          out.push_back(unit);  // a surrogate stays a code unit, paired or not
          break;
        }
        default:
          return false;
      }
      run_start = pos_;
    }
    return false;
  }

  bool Hex4(char16_t& unit) {
    if (text_.size() - pos_ < 4) return false;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      uint32_t digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      else
        return false;
      value = value * 16 + digit;
    }
    unit = static_cast<char16_t>(value);
    return true;
  }

  bool Bool(bool& out) {
    SkipSpace();
    if (Literal("true")) {
      out = true;
      return true;
    }
    if (Literal("false")) {
      out = false;
      return true;
    }
    return false;
  }

  // Any JSON value of a member this reader does not know.
  bool SkipValue(int depth) {
    if (depth > kMaxSkipDepth) return false;
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') {
      return Object([&](std::string_view) { return SkipValue(depth + 1); });
    }
    if (c == '[') return Array([&] { return SkipValue(depth + 1); });
    if (c == '"') {
      std::u16string ignored;
      return String(ignored);
    }
    if (Literal("true") || Literal("false") || Literal("null")) return true;
    return Number();
  }

  bool Number() {
    const size_t start = pos_;
    Take('-');
    size_t digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_, ++digits;
    if (digits == 0) return false;
    if (Take('.')) {
      digits = 0;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_, ++digits;
      if (digits == 0) return false;
    }
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      digits = 0;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_, ++digits;
      if (digits == 0) return false;
    }
    return pos_ > start;
  }

  bool Literal(std::string_view word) {
    SkipSpace();
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

void AppendString(std::string& out, std::u16string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c >= 0x20 && c < 0x7f) {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 0xf]);
    }
  }
  out.push_back('"');
}

void AppendOptionalString(std::string& out, const std::optional<std::u16string>& text) {
  if (text)
    AppendString(out, *text);
  else
    out += "null";
}

void AppendDocument(std::string& out, const DocumentSnapshot& doc) {
  out += "{\"url\":";
  AppendString(out, doc.url);
  out += ",\"body\":";
  AppendOptionalString(out, doc.body_html);
  out += ",\"values\":[";
  const char* separator = "";
  for (const auto& [id, value] : doc.values_by_id) {
    out += separator;
    out += "[";
    AppendString(out, id);
    out += ",";
    AppendString(out, value);
    out += "]";
    separator = ",";
  }
  out += "],\"inputs\":[";
  separator = "";
  for (const InputSnapshot& input : doc.inputs) {
    out += separator;
    out += "{\"type\":";
    AppendString(out, input.type);
    out += input.checked ? ",\"checked\":true,\"tag\":" : ",\"checked\":false,\"tag\":";
    AppendOptionalString(out, input.tag);
    out += "}";
    separator = ",";
  }
  out += "],\"frames\":[";
  separator = "";
  for (const auto& [name, frame] : doc.frames) {
    out += separator;
    out += "[";
    AppendString(out, name);
    out += ",";
    AppendDocument(out, frame);
    out += "]";
    separator = ",";
  }
  out += "]}";
}

}  // namespace

std::optional<CompletionMessage> DecodeCompletion(std::string_view json) {
  return Reader(json).Message();
}

std::string EncodeCompletion(const CompletionMessage& message) {
  std::string out = "{\"url\":";
  AppendString(out, message.url);
  out += ",\"origins\":[";
  const char* separator = "";
  for (const std::optional<std::u16string>& origin : message.origins) {
    out += separator;
    AppendOptionalString(out, origin);
    separator = ",";
  }
  out += "],\"top\":";
  if (message.top)
    AppendDocument(out, *message.top);
  else
    out += "null";
  out += "}";
  return out;
}

}  // namespace pellomar
