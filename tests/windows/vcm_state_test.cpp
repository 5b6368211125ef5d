// The settings file: the first open writes it into the system directory.
#include <cstring>

#include "codec_install.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

constexpr int kThreshold = 21;  // offsets in the file
constexpr int kRefresh = 23;

WINTEST_CASE(OpenCreatesTheSettingsFile) {
  DeleteFileA(SystemFile("KVTC.cfg").c_str());
  OpenCodec codec;
  CHECK(codec);
  const std::vector<BYTE> file = FileBytes(SystemFile("KVTC.cfg"));
  CHECK_EQ(file.size(), static_cast<std::size_t>(kStateSize));
  if (file.size() != kStateSize) return;
  CHECK(std::memcmp(file.data(), "KVTC", 4) == 0);
  CHECK_EQ(static_cast<int>(file[kThreshold]), 8);  // the LAN preset
  CHECK_EQ(static_cast<int>(file[kRefresh]), 128);
}

}  // namespace
}  // namespace kvtc::wintest
