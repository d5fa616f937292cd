// The numbers by which platform operations report failure.
#pragma once

#include <cstdint>

namespace console {

// Error numbers.
enum ErrorNumber : int32_t {
  kIllegalFunctionCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kBadFileNumber = 52,
  kFileNotFound = 53,
  kFileAlreadyOpen = 55,
  kInputPastEnd = 62,
  kDeviceUnavailable = 68,
  kPermissionDenied = 70,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
};

}  // namespace console
