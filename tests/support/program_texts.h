// The program's own texts that scenario tests look for on the screen, and
// the check of a notice frame.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/headless_run.h"

namespace texts {

inline const char* const kFilePromptLine1 = " Close Torvelin by clicking (x) in frame or";
inline const char* const kFilePromptLine2 = " Enter FFTab's file name  _ _ _ .txt? ";
inline const char* const kPressAnyKey = " Press any key to continue!";
inline const char* const kCloseKey = " Press any key to close the windows!";
inline const char* const kNotFound = " The FF Table file has not been found!";
inline const char* const kFormat[] = {
    " The FF Table file is not in accordance with the right format",
    " (number of lines and/or content of lines).",
};
inline const char* const kNoticeA[] = {
    " The FF Table file is not in accordance with the right format",
    " (due to wrong number of lines and/or wrong content of lines",
    " and/or not organized as Azimuth slices).",
};
inline const char* const kNoticeB = " The FF Table must be of 1 deg. resolution but is not!";

}  // namespace texts

// On the screen before scripted key `key`: the message lines from row
// `first_row` on in colour 12, one empty row, then the key prompt in
// colour 9.
void expect_notice_rows(const HeadlessRun& r, std::size_t key, int first_row,
                        const std::vector<std::string>& message);
