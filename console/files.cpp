#include "console/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "console/code_page.h"
#include "console/errors.h"

namespace console {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr unsigned char kCR = 13;
constexpr unsigned char kLF = 10;
constexpr unsigned char kEndOfFile = 26;


bool access_denied(int error) { return error == EACCES || error == EPERM || error == EROFS; }

int32_t read_fault_number(int error) {
  return access_denied(error) || error == EISDIR ? kPermissionDenied : kPathFileAccessError;
}

// A missing name or a missing folder both report ENOENT; they differ in
// whether the folder part of the path exists.
int32_t missing_number(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return kFileNotFound;
  std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return kPathNotFound;
  return kFileNotFound;
}

int32_t open_failure_number(int error, const std::string& path) {
  if (error == ENOENT) return missing_number(path);
  if (error == ENOTDIR) return kPathNotFound;
  if (access_denied(error) || error == EISDIR) return kPermissionDenied;
  return kFileNotFound;
}

// Position of the first CR or LF in bytes[from, to), or `to`. memchr finds
// each of the two quickly; the search goes in windows, so that a file whose
// lines end in one kind of byte does not have the rest of the buffer
// searched for the other kind at every line.
std::size_t line_stop(const unsigned char* bytes, std::size_t from, std::size_t to) {
  constexpr std::size_t kWindowBytes = 512;
  while (from < to) {
    const std::size_t window_end = to - from > kWindowBytes ? from + kWindowBytes : to;
    const unsigned char* first = bytes + from;
    const unsigned char* stop = bytes + window_end;
    for (unsigned char byte : {kLF, kCR})
      if (const void* found = std::memchr(first, byte, static_cast<std::size_t>(stop - first)))
        stop = static_cast<const unsigned char*>(found);
    if (stop != bytes + window_end) return static_cast<std::size_t>(stop - bytes);
    from = window_end;
  }
  return to;
}

}  // namespace

struct FileTable::OpenFile {
  int fd = -1;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(kBufferBytes);
  std::size_t position = 0;  // next unread byte in buffer
  std::size_t filled = 0;    // bytes of buffer holding file data
  bool ended = false;        // the end of the file or a byte 26 was met
  Text line_bytes;           // the line being read

  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }

  // Makes at least one unread byte available unless the file has ended.
  // Returns 0, or the errno of a failing read.
  int refill() {
    if (position < filled || ended) return 0;
    for (;;) {
      ssize_t got = ::read(fd, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return errno;
      position = 0;
      filled = static_cast<std::size_t>(got);
      if (got == 0) ended = true;
      // A byte 26 ends the file: nothing from it on is ever delivered, and
      // nothing more is read. Cutting the buffer there once leaves only CR
      // and LF for the line search.
      if (const void* end_mark = std::memchr(buffer.data(), kEndOfFile, filled)) {
        filled = static_cast<std::size_t>(static_cast<const unsigned char*>(end_mark) - buffer.data());
        ended = true;
      }
      return 0;
    }
  }

  // The next byte without taking it: -1 at the end (a byte 26 included),
  // -2 - errno on a read fault.
  int peek() {
    if (int error = refill()) return -2 - error;
    if (ended && position >= filled) return -1;
    return buffer[position];
  }
};

FileTable::FileTable() = default;
FileTable::~FileTable() = default;

void FileTable::set_abort_check(std::function<bool()> abort_check) { abort_check_ = std::move(abort_check); }

int32_t FileTable::open(const Text& name, int32_t number) {
  if (files_.count(number) != 0) return kFileAlreadyOpen;
  // A NUL would cut the name short and open some other file.
  if (name.find('\0') != Text::npos) return kFileNotFound;
  std::string cp437_path = name;
  for (char& c : cp437_path)
    if (c == '\\') c = '/';
  // The name was typed in the screen's code page; Linux names files in UTF-8.
  const std::string path = utf8_from_cp437(cp437_path);

  auto file = std::make_unique<OpenFile>();
  // Opened without blocking, so that a named pipe without a writer cannot
  // hold the open; reads block again as usual.
  file->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (file->fd < 0) return open_failure_number(errno, path);
  int flags = ::fcntl(file->fd, F_GETFL);
  if (flags >= 0) ::fcntl(file->fd, F_SETFL, flags & ~O_NONBLOCK);
  struct stat info {};
  if (::fstat(file->fd, &info) == 0 && S_ISDIR(info.st_mode)) return kPermissionDenied;
  // The first byte is read at once, so a file that cannot be read fails here.
  if (int error = file->refill()) return read_fault_number(error);
  files_[number] = std::move(file);
  return 0;
}

void FileTable::close(int32_t number) { files_.erase(number); }

void FileTable::close_all() { files_.clear(); }

bool FileTable::is_open(int32_t number) const { return files_.count(number) != 0; }

int32_t FileTable::read_line(int32_t number, Text& line) {
  auto found = files_.find(number);
  if (found == files_.end()) return kBadFileNumber;
  OpenFile& file = *found->second;

  int first = file.peek();
  if (first <= -2) return read_fault_number(-2 - first);
  if (first == -1) {
    line.clear();
    return kInputPastEnd;
  }

  // The line is gathered in the file's own text, which keeps its capacity
  // from line to line; `line` is only changed once the line is complete.
  Text& read = file.line_bytes;
  read.clear();
  const unsigned char* bytes = file.buffer.data();
  std::size_t start = file.position;
  std::size_t end = line_stop(bytes, start, file.filled);
  if (end + 1 < file.filled) {
    // The common case: the line, its line end and the byte after it are all
    // in the buffer, so the line is taken in one piece.
    const unsigned char pair = bytes[end] == kCR ? kLF : kCR;
    read.assign(reinterpret_cast<const char*>(bytes + start), std::min(end - start, kMaxLineBytes));
    file.position = bytes[end + 1] == pair ? end + 2 : end + 1;
    line.swap(read);
    return 0;
  }
  for (;;) {
    // Whole runs of line bytes are taken from the buffer at once.
    start = file.position;
    end = line_stop(file.buffer.data(), start, file.filled);
    std::size_t room = kMaxLineBytes - read.size();
    std::size_t keep = end - start < room ? end - start : room;
    read.append(reinterpret_cast<const char*>(file.buffer.data() + start), keep);
    file.position = end;

    int next = file.peek();
    if (next <= -2) return read_fault_number(-2 - next);
    if (next == -1) break;  // the last line, without line end
    if (next == kCR || next == kLF) {
      ++file.position;
      // CR LF and LF CR are one line end; CR CR and LF LF are two.
      int pair = next == kCR ? kLF : kCR;
      int after = file.peek();
      if (after <= -2) return read_fault_number(-2 - after);
      if (after == pair) ++file.position;
      break;
    }
    // The buffer is used up in the middle of a line; an endless source
    // (a device without line ends) can be given up on a stop request.
    if (abort_check_ && abort_check_()) return kPathFileAccessError;
  }
  // The old text of `line` goes back to the file, so that its capacity
  // serves the next line.
  line.swap(read);
  return 0;
}

}  // namespace console
