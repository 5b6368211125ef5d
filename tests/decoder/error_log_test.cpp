#include "decoder/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/host.h"

namespace kvtc::decoder {
namespace {

std::string LogText(const kvtc::testing::ScopedSystemDir& dir) {
  const auto bytes = kvtc::testing::ReadFileBytes(dir.File("KVTC.err"));
  return {bytes.begin(), bytes.end()};
}

TEST(ErrorLog, OpensOnceForAppendingAndSurvivesAFileItCannotOpen) {
  testing::CloseErrorLog();
  kvtc::testing::ScopedSystemDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("KVTC.err")));  // in the file's way
  EXPECT_FALSE(OpenErrorLog());
  LogChecksumFailure(1);  // nowhere to go, and no harm done
  ASSERT_TRUE(std::filesystem::remove(dir.File("KVTC.err")));
  kvtc::testing::WriteFileBytes(dir.File("KVTC.err"), "earlier\n", 8);
  EXPECT_TRUE(OpenErrorLog());
  {
    kvtc::testing::ScopedSystemDir other;  // a later stream start keeps the open log
    EXPECT_TRUE(OpenErrorLog());
    LogChecksumFailure(2);
    LogDamagedFrame(7);
    EXPECT_EQ(LogText(other), "");
  }
  EXPECT_EQ(LogText(dir),
            "earlier\nERROR: failed to pass checksum for frame 2\nERROR: damaged frame 7\n");
  testing::CloseErrorLog();
}

}  // namespace
}  // namespace kvtc::decoder
