// What the test process holds of the machine: open file descriptors and
// resident memory, read from /proc/self, for tests that must show that a
// run does not leak either.
#pragma once

#include <cstdint>

// Defined in a build with the address sanitizer (GCC or clang).
#if defined(__SANITIZE_ADDRESS__)
#define TORVELIN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVELIN_ADDRESS_SANITIZER 1
#endif
#endif

// Entries of /proc/self/fd (the count includes the descriptor that lists
// them, the same at every call).
int open_descriptor_count();
// Resident memory now (/proc/self/statm), in KiB.
int64_t resident_kib();
// The highest resident memory since the last reset_peak_resident (VmHWM of
// /proc/self/status), in KiB.
int64_t peak_resident_kib();
// Sets the peak back to the resident memory now.
void reset_peak_resident();
// Hands freed heap memory back to the system (the sanitizer build also
// empties the allocator's quarantine of freed blocks), so that a resident
// size shows what is still in use rather than what was freed.
void release_freed_memory();
