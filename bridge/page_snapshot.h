// The page model as the core reads it during one document completion: the
// top-level document and its named frames, captured in one piece at the
// moment the document completed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellomar {

struct InputSnapshot {
  std::u16string type;  // as the DOM reports it, lower-case ("checkbox")
  bool checked = false;
  std::optional<std::u16string> tag;  // the element's Tag text; absent when it has none
                                      // or it is not a string
  bool operator==(const InputSnapshot&) const = default;
};

// The origins of a document and of every document above it, nearest first,
// the top-level document's last, as the engine gives them (location.origin,
// "null" for an opaque origin); an ancestor the document may not read is
// absent. Its size less one is the document's frame depth.
using OriginLineage = std::vector<std::optional<std::u16string>>;

struct DocumentSnapshot {
  std::u16string url;                       // the document's address
  std::optional<std::u16string> body_html;  // body.innerHTML; absent without a body
  // getElementById(id).value for the ids of elements that have a value,
  // first element in document order when an id is used twice.
  std::map<std::u16string, std::u16string> values_by_id;
  std::vector<InputSnapshot> inputs;  // getElementsByTagName("input"), in order
  // Readable child frames by name (first frame of a name wins); a frame that
  // cannot be read (cross-origin, gone) is absent.
  std::map<std::u16string, DocumentSnapshot> frames;

  const DocumentSnapshot* Frame(const std::u16string& name) const {
    auto it = frames.find(name);
    return it == frames.end() ? nullptr : &it->second;
  }
  const std::u16string* ValueOf(const std::u16string& id) const {
    auto it = values_by_id.find(id);
    return it == values_by_id.end() ? nullptr : &it->second;
  }
  bool operator==(const DocumentSnapshot&) const = default;
};

}  // namespace pellomar
