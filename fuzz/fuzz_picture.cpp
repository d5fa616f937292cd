// Number pictures with arbitrary templates, start positions and values.
// Input: 1 byte start position, 8 bytes of a 64-bit float, 8 bytes of a
// 64-bit integer, the rest the template.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "console/picture.h"

namespace {

// A field holds an optional "%", signs, blanks, digits, "," and at most one
// ".", and the "%" only first.
void check_field(const console::Text& field) {
  if (field.find_first_not_of("%+- 0123456789,.") != console::Text::npos) std::abort();
  const std::size_t percent = field.find('%');
  if (percent != console::Text::npos && percent != 0) std::abort();
  const std::size_t point = field.find('.');
  if (point != console::Text::npos && field.find('.', point + 1) != console::Text::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 17) return 0;
  const int32_t start = data[0];
  double real = 0;
  int64_t integer = 0;
  std::memcpy(&real, data + 1, sizeof real);
  std::memcpy(&integer, data + 9, sizeof integer);
  const console::Text picture(reinterpret_cast<const char*>(data + 17), size - 17);
  const int32_t template_size = static_cast<int32_t>(picture.size());

  int32_t next = -1;
  const console::Text from_integer = console::picture_integer(picture, integer, start, next);
  check_field(from_integer);
  if (next < 0 || next > template_size) std::abort();

  if (std::isfinite(real)) {
    const console::Text from_real = console::picture_double(picture, real, start, next);
    check_field(from_real);
    if (next < 0 || next > template_size) std::abort();
  }
  return 0;
}
