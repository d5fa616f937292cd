// Text files opened for reading by number, read line by line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "console/text.h"

namespace console {

class FileTable {
 public:
  // Only this many bytes of a line are kept; the rest up to its line end is
  // skipped, so a file without line ends cannot exhaust memory.
  static constexpr std::size_t kMaxLineBytes = 64 * 1024;

  FileTable();
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // Opens an existing file for reading under `number`. The name is in code
  // page 437, the screen's character set, and "\" separates folders as "/"
  // does; the file is looked up under the name's UTF-8 form. Returns 0, or the
  // error number: 53 not found (and any unlisted failure), 76 path not found,
  // 70 access denied / read-only medium / a folder, 75 first read failed,
  // 55 number already open.
  int32_t open(const Text& name, int32_t number);
  // Closes the number; a number that is not open is ignored.
  void close(int32_t number);
  void close_all();
  bool is_open(int32_t number) const;
  // Reads the next line (without its line end) into `line`. Returns 0, or
  // 62 past the end (line emptied), 70/75 read fault (line unchanged),
  // 52 number not open.
  int32_t read_line(int32_t number, Text& line);
  // Asked between buffer loads within one line: when it returns true, the
  // read gives up with 75, so an endless line (a device without line ends)
  // does not hold a run that is asked to stop.
  void set_abort_check(std::function<bool()> abort_check);

 private:
  struct OpenFile;
  std::map<int32_t, std::unique_ptr<OpenFile>> files_;
  std::function<bool()> abort_check_;
};

}  // namespace console
