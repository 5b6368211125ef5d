// Settings through the Video Compression Manager: the settings file in the system directory
// and the state block.
#include <cstring>

#include "codec_install.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

constexpr int kThreshold = 21;     // state block offsets
constexpr int kRefresh = 23;
constexpr int kSendGrey = 26;

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

WINTEST_CASE(StateRoundTripsThroughTheManager) {
  OpenCodec codec;
  CHECK(codec);
  CHECK_EQ(ICGetStateSize(codec.get()), kStateSize);
  BYTE state[kStateSize] = {};
  CHECK_EQ(ICGetState(codec.get(), state, sizeof(state)), kStateSize);
  CHECK(std::memcmp(state, "KVTC", 4) == 0);
  CHECK_EQ(static_cast<int>(state[kThreshold]), 8);

  state[kThreshold] = 12;
  state[kSendGrey] = 5;
  CHECK_EQ(ICSetState(codec.get(), state, sizeof(state)), kStateSize);
  BYTE again[kStateSize] = {};
  CHECK_EQ(ICGetState(codec.get(), again, sizeof(again)), kStateSize);
  CHECK_EQ(static_cast<int>(again[kThreshold]), 12);
  CHECK_EQ(static_cast<int>(again[kSendGrey]), 1);
  CHECK_EQ(codec.Quality(), 6000ul);

  // No block: the saved settings come back from the file.
  CHECK_EQ(ICSetState(codec.get(), nullptr, 0), kStateSize);
  CHECK_EQ(codec.Quality(), 7333ul);

  BYTE wrongMagic[kStateSize] = {'X', 'V', 'T', 'C'};
  CHECK_EQ(ICSetState(codec.get(), wrongMagic, sizeof(wrongMagic)), 0);
}

}  // namespace
}  // namespace kvtc::wintest
