// The rules of a keyboard entry, apart from the keys and the screen: which
// texts a target accepts as typed so far, and the value they give.
#pragma once

#include "console/text.h"

namespace console {

// The longest entry; further characters are ignored.
constexpr std::size_t kMaxEntryLength = 255;

// For a text target: whether the entry is acceptable (no comma outside
// quotes, nothing after a closing quote) and, when it is, its value (the
// entry without the quotes of a quoted entry).
bool text_entry_acceptable(const Text& entry, Text& value);

// For a 32-bit float target: whether the entry is acceptable as typed so far
// and, when it is, its value.
bool float_entry_acceptable(const Text& entry, float& value);

}  // namespace console
