#include "decoder/error_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/host.h"

namespace kvtc::decoder {
namespace {

std::string LogText(const kvtc::testing::ScopedSystemDir& dir) {
  const auto bytes = kvtc::testing::ReadFileBytes(dir.File("KVTC.err"));
  return {bytes.begin(), bytes.end()};
}

class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CloseErrorLog(); }
  void TearDown() override { testing::CloseErrorLog(); }
  kvtc::testing::ScopedSystemDir dir_;
};

TEST_F(ErrorLogTest, AppendsOneFlushedLinePerFailureAfterWhatTheFileHeld) {
  kvtc::testing::WriteFileBytes(dir_.File("KVTC.err"), "earlier\n", 8);
  ASSERT_TRUE(OpenErrorLog());
  LogChecksumFailure(0);
  LogDamagedFrame(7);
  LogChecksumFailure(12);
  EXPECT_EQ(LogText(dir_),
            "earlier\n"
            "ERROR: failed to pass checksum for frame 0\n"
            "ERROR: damaged frame 7\n"
            "ERROR: failed to pass checksum for frame 12\n");
}

TEST_F(ErrorLogTest, StaysWithTheFileItOpenedFirst) {
  ASSERT_TRUE(OpenErrorLog());
  kvtc::testing::ScopedSystemDir other;
  EXPECT_TRUE(OpenErrorLog());
  LogChecksumFailure(3);
  EXPECT_EQ(LogText(dir_), "ERROR: failed to pass checksum for frame 3\n");
  EXPECT_EQ(LogText(other), "");
}

TEST_F(ErrorLogTest, ALogThatCannotBeOpenedDropsLinesAndOpensLater) {
  // A directory where the file should be makes the open fail.
  ASSERT_EQ(::mkdir(dir_.File("KVTC.err").c_str(), 0755), 0);
  EXPECT_FALSE(OpenErrorLog());
  LogChecksumFailure(1);  // nowhere to go, and no harm done
  ASSERT_EQ(::rmdir(dir_.File("KVTC.err").c_str()), 0);
  EXPECT_TRUE(OpenErrorLog());
  LogChecksumFailure(2);
  EXPECT_EQ(LogText(dir_), "ERROR: failed to pass checksum for frame 2\n");
}

}  // namespace
}  // namespace kvtc::decoder
