#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/files.h"

using console::FileTable;
using console::Text;

namespace {

constexpr int32_t kPastEnd = 62;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/torvelin_files_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Every line up to the end, which must come as 62 with the line emptied.
  std::vector<Text> read_all(const std::string& bytes) {
    FileTable files;
    EXPECT_EQ(files.open(write("t.txt", bytes), 1), 0);
    std::vector<Text> lines;
    for (int guard = 0; guard < 100; ++guard) {
      Text line = "stale";
      int32_t result = files.read_line(1, line);
      if (result == kPastEnd) {
        EXPECT_EQ(line, "");
        EXPECT_EQ(files.read_line(1, line), kPastEnd);  // and stays at the end
        break;
      }
      EXPECT_EQ(result, 0);
      lines.push_back(line);
    }
    return lines;
  }

  std::string dir_;
};

struct LineCase {
  std::string bytes;
  std::vector<Text> lines;
};

TEST_F(FilesTest, LineEndsAndTheEndOfTheFile) {
  const LineCase cases[] = {
      {"a\rb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\n\rb", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\n\r\nb\n\r\n\rc", {"a", "", "b", "", "c"}},
      {"last", {"last"}},
      {"a\n", {"a"}},            // a line end at the end makes no further line
      {"a\n\n", {"a", ""}},      // two make one empty last line
      {"", {}},
      {"\n", {""}},
      {"\x1a" "abc\n", {}},      // a first byte 26: the file reads as empty
      {"ab\x1a" "cd\nef", {"ab"}},
      {"a\n\x1a" "b", {"a"}},
      {"a\r\x1a\n", {"a"}},      // the 26 also ends a CR LF pair
      {std::string("t\tb\0c", 5), {std::string("t\tb\0c", 5)}},
  };
  for (const LineCase& c : cases) EXPECT_EQ(read_all(c.bytes), c.lines) << "bytes: " << c.bytes;
}

// A CR LF pair split across two buffer loads is still one line end.
TEST_F(FilesTest, LineEndAcrossBufferLoads) {
  std::string first(FileTable::kMaxLineBytes - 1, 'x');
  EXPECT_EQ(read_all(first + "\r\nb\n"), (std::vector<Text>{first, "b"}));
}

TEST_F(FilesTest, LongLineIsCutAndTheRestSkipped) {
  std::string path = write("long.txt", std::string(3 * FileTable::kMaxLineBytes + 17, 'y') + "\r\nnext");
  FileTable files;
  ASSERT_EQ(files.open(path, 1), 0);
  Text line;
  ASSERT_EQ(files.read_line(1, line), 0);
  EXPECT_EQ(line, std::string(FileTable::kMaxLineBytes, 'y'));
  ASSERT_EQ(files.read_line(1, line), 0);
  EXPECT_EQ(line, "next");
}

// A device without line ends never ends its line: memory stays bounded and a
// stop request gets the read out.
TEST_F(FilesTest, EndlessLineGivesUpOnStop) {
  FileTable files;
  ASSERT_EQ(files.open("/dev/zero", 1), 0);
  int checks = 0;
  files.set_abort_check([&checks] { return ++checks == 100; });
  Text line = "unchanged";
  EXPECT_EQ(files.read_line(1, line), 75);
  EXPECT_EQ(line, "unchanged");
  EXPECT_EQ(checks, 100);
}

TEST_F(FilesTest, OpenFailuresGiveTheirNumbers) {
  write("file.txt", "x\n");
  std::filesystem::create_directory(dir_ + "/folder");
  const struct {
    std::string name;
    int32_t error;
  } cases[] = {
      {dir_ + "/missing.txt", 53},
      {dir_ + "/nofolder/x.txt", 76},
      {dir_ + "/file.txt/x.txt", 76},  // a file where a folder should be
      {dir_ + "/folder", 70},          // a folder as the file name
      {dir_ + "\\folder\\", 70},
      {"", 53},
      {dir_ + std::string("/file.txt\0x", 11), 53},  // a NUL never cuts the name
      {"/proc/self/mem", 75},          // opens, but its first byte cannot be read
  };
  for (const auto& c : cases) {
    FileTable files;
    EXPECT_EQ(files.open(c.name, 1), c.error) << c.name;
    EXPECT_FALSE(files.is_open(1)) << c.name;
  }
}

// Root reads every file, so as root the open runs in a child process that
// has given up its rights.
TEST_F(FilesTest, AccessDeniedGives70) {
  std::string path = write("locked.txt", "x\n");
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  if (::geteuid() != 0) {
    FileTable files;
    EXPECT_EQ(files.open(path, 1), 70);
    return;
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
    FileTable files;
    ::_exit(files.open(path, 1));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 255) GTEST_SKIP() << "cannot give up root rights here";
  EXPECT_EQ(WEXITSTATUS(status), 70);
}

TEST_F(FilesTest, NumbersBackslashesAndClosing) {
  write("file.txt", "one\ntwo\n");
  FileTable files;
  ASSERT_EQ(files.open(dir_ + "\\file.txt", 1), 0);  // "\" separates folders too
  EXPECT_EQ(files.open(dir_ + "/file.txt", 1), 55);
  ASSERT_EQ(files.open(dir_ + "/file.txt", 2), 0);
  Text line;
  EXPECT_EQ(files.read_line(1, line), 0);
  EXPECT_EQ(files.read_line(2, line), 0);
  EXPECT_EQ(line, "one");  // each number reads on its own
  files.close(2);
  files.close(7);          // not open: ignored
  line = "kept";
  EXPECT_EQ(files.read_line(2, line), 52);
  EXPECT_EQ(line, "kept");
  EXPECT_EQ(files.read_line(1, line), 0);
  EXPECT_EQ(line, "two");
  files.close(1);
  EXPECT_EQ(files.open(dir_ + "/file.txt", 1), 0);
}

// A name is typed in code page 437, the screen's character set; the file
// stands under its UTF-8 name.
TEST_F(FilesTest, CodePage437NameOpensTheFileOfItsUtf8Name) {
  write("café.txt", "e acute\n");
  write("░.txt", "light shade\n");
  write("plain.txt", "ascii\n");
  const struct {
    Text name;
    Text line;
  } cases[] = {
      {dir_ + "/caf\x82.txt", "e acute"},
      {dir_ + "\\\xB0.txt", "light shade"},  // after the backslash became "/"
      {dir_ + "/plain.txt", "ascii"},
  };
  for (const auto& c : cases) {
    FileTable files;
    ASSERT_EQ(files.open(c.name, 1), 0) << c.name;
    Text line;
    EXPECT_EQ(files.read_line(1, line), 0) << c.name;
    EXPECT_EQ(line, c.line) << c.name;
  }
}

// The error numbers look at the converted name: a folder that exists under
// its UTF-8 name is found.
TEST_F(FilesTest, OpenFailuresOfCodePage437Names) {
  std::filesystem::create_directory(dir_ + "/café");
  const struct {
    Text name;
    int32_t error;
  } cases[] = {
      {dir_ + "/caf\x82/missing.txt", 53},
      {dir_ + "/caf\x82", 70},
      {dir_ + "/\x82t\x82/x.txt", 76},
      {dir_ + "/café", 53},  // UTF-8 bytes typed as they are name other characters
  };
  for (const auto& c : cases) {
    FileTable files;
    EXPECT_EQ(files.open(c.name, 1), c.error) << c.name;
  }
}

// A named pipe without a writer neither holds the open nor the read.
TEST_F(FilesTest, PipeWithoutWriterReadsAsEmpty) {
  ASSERT_EQ(::mkfifo((dir_ + "/pipe").c_str(), 0600), 0);
  FileTable files;
  ASSERT_EQ(files.open(dir_ + "/pipe", 1), 0);
  Text line;
  EXPECT_EQ(files.read_line(1, line), kPastEnd);
}

// Relative names resolve against the current folder.
TEST_F(FilesTest, RelativeNameFromTheCurrentFolder) {
  write("rel.txt", "here");
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  FileTable files;
  int32_t result = files.open("rel.txt", 1);
  std::filesystem::current_path(before);
  ASSERT_EQ(result, 0);
  Text line;
  EXPECT_EQ(files.read_line(1, line), 0);
  EXPECT_EQ(line, "here");
}

}  // namespace
