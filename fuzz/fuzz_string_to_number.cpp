// The text-to-number scan over arbitrary bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "console/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const console::Text text(reinterpret_cast<const char*>(data), size);
  const console::NumberScan scan = console::scan_number(text);
  // Only an overflowing &H, &O or &B form fails, and it gives 0.
  if (scan.error != 0 && scan.error != 6) std::abort();
  if (scan.error == 6 && scan.value != 0) std::abort();
  if (std::isnan(scan.value)) std::abort();
  // Nothing but blanks and TABs may stand before a prefixed form.
  if (text.find_first_not_of(" \t") == console::Text::npos && scan.value != 0) std::abort();
  return 0;
}
