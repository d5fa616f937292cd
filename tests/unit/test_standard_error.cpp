// Lines for standard error: a pipe with room takes the line whole; a full
// pipe that nobody reads does not keep the writer waiting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "console/standard_error.h"

using namespace std::chrono_literals;

namespace {

// Standard error becomes the write end of a pipe for the test's length.
class StandardErrorPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(ends_), 0);
    saved_ = dup(STDERR_FILENO);
    ASSERT_GE(saved_, 0);
    ASSERT_EQ(dup2(ends_[1], STDERR_FILENO), STDERR_FILENO);
  }
  void TearDown() override {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    close(ends_[0]);
    close(ends_[1]);
  }
  std::string drain() {
    fcntl(ends_[0], F_SETFL, O_NONBLOCK);
    std::string got;
    char buffer[65536];
    for (ssize_t count; (count = read(ends_[0], buffer, sizeof buffer)) > 0;) got.append(buffer, count);
    return got;
  }
  int ends_[2] = {-1, -1};
  int saved_ = -1;
};

TEST_F(StandardErrorPipe, APipeWithRoomTakesTheLineWhole) {
  const std::string long_name(5000, 'n');  // more than one atomic write
  console::write_standard_error_line("torvelin: " + long_name);
  EXPECT_EQ(drain(), "torvelin: " + long_name + "\n");
}

TEST_F(StandardErrorPipe, AFullPipeIsGivenUpAfterThePatience) {
  fcntl(ends_[1], F_SETFL, O_NONBLOCK);
  std::string filler(4096, 'x');
  while (write(ends_[1], filler.data(), filler.size()) > 0) {
  }
  fcntl(ends_[1], F_SETFL, 0);  // blocking again, as a standard error is
  // Returns (a plain write would block here for good) and adds nothing.
  console::write_standard_error_line("torvelin: the connection to the X display \":0\" was lost", 50ms);
  const std::string got = drain();
  EXPECT_EQ(got.find("torvelin"), std::string::npos);
  EXPECT_EQ(got.size() % 4096, 0u);
}

}  // namespace
