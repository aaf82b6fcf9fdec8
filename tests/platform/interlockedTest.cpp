// Atomic counters.
#include <gtest/gtest.h>

#include <thread>

#include "platform/kxInterlocked.h"

namespace Kelvane {
namespace {

TEST(InterlockedConcurrency, IncrementsAreAllCountedAndSwapsCompare) {
  int32_t counter = 5;
  auto bump = [&counter] {
    for (int i = 0; i < 1000; ++i) KxInterlockedIncrement(&counter);
  };
  std::thread first(bump), second(bump);
  first.join();
  second.join();
  EXPECT_EQ(counter, 2005);
  EXPECT_EQ(KxInterlockedDecrement(&counter), 2004);
  // Compare-and-swap changes only the expected value.
  EXPECT_FALSE(KxInterlockedCompareExchange(&counter, 6, 9));
  EXPECT_TRUE(KxInterlockedCompareExchange(&counter, 2004, 9));
  EXPECT_EQ(counter, 9);
}

}  // namespace
}  // namespace Kelvane
