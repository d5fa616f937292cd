// Far-field table files for tests: the writer itself is the one the sample
// tables are made with (tools/far_field_writer.h); this adds fresh paths.
#pragma once

#include <string>

#include "tools/far_field_writer.h"

// A fresh path in the system's temporary folder, unique per test process.
std::string temporary_table_path(const std::string& stem);
