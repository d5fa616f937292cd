#include "console/line_input.h"

namespace console {

namespace {

// Takes the quotes off a quoted entry. False when something stands behind a
// closing quote or a comma stands outside quotes.
bool unquote(const Text& entry, Text& content) {
  if (!entry.empty() && entry[0] == '"') {
    std::size_t close = entry.find('"', 1);
    if (close != Text::npos && close + 1 != entry.size()) return false;
    content = entry.substr(1, close == Text::npos ? Text::npos : close - 1);
    return true;
  }
  if (entry.find(',') != Text::npos) return false;
  content = entry;
  return true;
}

}  // namespace

bool text_entry_acceptable(const Text& entry, Text& value) {
  Text content;
  if (!unquote(entry, content)) return false;
  value = content;
  return true;
}

bool float_entry_acceptable(const Text& entry, float& value) {
  Text content;
  if (!unquote(entry, content)) return false;
  value = static_cast<float>(scan_number(content).value);
  return true;
}

}  // namespace console
