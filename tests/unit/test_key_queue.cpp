#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "console/key_queue.h"

using console::KeyQueue;
using console::Text;
using namespace std::chrono_literals;

namespace {

TEST(KeyQueue, HoldsFifteenKeysInOrderAndLosesTheSixteenth) {
  KeyQueue keys;
  for (int i = 0; i < 15; ++i) EXPECT_TRUE(keys.push(Text(1, static_cast<char>('a' + i))));
  EXPECT_FALSE(keys.push("z"));
  EXPECT_EQ(keys.size(), 15u);
  EXPECT_EQ(keys.pop(), "a");
  EXPECT_TRUE(keys.push(Text("\0H", 2)));  // room again; two-byte keys count as one
  for (int i = 1; i < 15; ++i) EXPECT_EQ(keys.pop(), Text(1, static_cast<char>('a' + i)));
  EXPECT_EQ(keys.pop(), Text("\0H", 2));
  EXPECT_EQ(keys.pop(), "");
  EXPECT_TRUE(keys.empty());
}

TEST(KeyQueue, WaitEndsAtOnceForAQueuedKeyAndTakesNothing) {
  KeyQueue keys;
  keys.push("k");
  auto start = std::chrono::steady_clock::now();
  keys.wait(10s);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(keys.size(), 1u);
}

TEST(KeyQueue, WaitWakesForAKeyOrAWakeFromAnotherThread) {
  for (bool by_key : {true, false}) {
    KeyQueue keys;
    std::thread other([&] {
      std::this_thread::sleep_for(20ms);
      if (by_key) keys.push("k");
      else keys.wake();
    });
    auto start = std::chrono::steady_clock::now();
    keys.wait(10s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    other.join();
    EXPECT_EQ(keys.size(), by_key ? 1u : 0u);
  }
}

TEST(KeyQueue, WaitEndsAfterItsTimeout) {
  KeyQueue keys;
  auto start = std::chrono::steady_clock::now();
  keys.wait(30ms);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);
}

}  // namespace
