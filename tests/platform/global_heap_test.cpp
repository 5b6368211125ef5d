#include "platform/global_heap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kvtc::platform {
namespace {

TEST(GlobalHeap, BlocksAreZeroFilledAndFreedHandlesNeverComeBack) {
  const std::size_t before = testing::LiveBlockCount();
  HGLOBAL h = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 1000);
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0) << i;
  EXPECT_EQ(GlobalSize(h), 1000u);
  EXPECT_EQ(testing::LiveBlockCount(), before + 1);

  EXPECT_EQ(GlobalUnlock(h), FALSE);  // no lock left
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalLock(h), nullptr);  // freed: never valid again
  EXPECT_EQ(GlobalFree(h), h);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(testing::LiveBlockCount(), before);

  // Never issued, and the id that stands for "no instance".
  EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(std::uintptr_t{0x1234567})), nullptr);
  EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(std::uintptr_t{0xFFFF0000u})), nullptr);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);

  HGLOBAL next = GlobalAlloc(GPTR, 16);  // a freed handle is never issued again
  EXPECT_NE(next, h);
  EXPECT_EQ(GlobalLock(h), nullptr);
  GlobalFree(next);
}

TEST(GlobalHeap, FailureHookAndHeapBuffer) {
  testing::FailAllocationsAfter(1);
  HeapBuffer<std::uint32_t> ok;
  HeapBuffer<std::uint32_t> refused;
  EXPECT_TRUE(ok.Allocate(64));
  EXPECT_FALSE(refused.Allocate(64));
  EXPECT_FALSE(refused);
  EXPECT_TRUE(refused.empty() && HeapBuffer<std::uint32_t>().span().empty());
  testing::FailAllocationsAfter(-1);
  ok[63] = 7;
  EXPECT_TRUE(ok.Ensure(64));
  EXPECT_EQ(ok[63], 7u);  // same size: kept
  EXPECT_TRUE(ok.Ensure(65));
  EXPECT_EQ(ok[63], 0u);  // new size: fresh zeroed block
}

}  // namespace
}  // namespace kvtc::platform
