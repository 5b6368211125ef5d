// Codec information, the state block and the quality mapping, through DriverProc.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "driver/codec_info.h"
#include "driver/instance.h"
#include "platform/system_services.h"
#include "settings/settings_file.h"
#include "support/host.h"

namespace kvtc::driver {
namespace {

using kvtc::settings::PresetRecord;
using kvtc::settings::SettingsRecord;
using namespace kvtc::testing;
namespace sys = kvtc::platform::testing;

TEST_F(InstanceTest, GetInfoFillsTheStructureOnlyWhenItFits) {
  ICINFO info;
  std::memset(&info, 0xAB, sizeof info);
  EXPECT_EQ(host.Send(id, ICM_GETINFO, &info, 567), 0);
  EXPECT_EQ(info.dwSize, 0xABABABABu);
  EXPECT_EQ(host.Send(id, ICM_GETINFO, static_cast<ICINFO*>(nullptr), 568), 0);
  EXPECT_EQ(host.Send(id, ICM_GETINFO, &info, 568), 568);
  EXPECT_EQ(std::tuple(info.dwSize, info.fccType, info.fccHandler, info.dwFlags, info.dwVersion,
                       info.dwVersionICM),
            std::tuple(568u, MakeFourcc("vidc"), MakeFourcc("KVTC"), 0xA5u, 0x0002004Au, 0x104u));
  EXPECT_EQ(std::u16string(info.szName), u"KVT Codec");
  EXPECT_EQ(std::u16string(info.szDescription), u"Halvern KVT Codec");
  EXPECT_EQ(info.szDriver[0], 0xABAB);  // not written
}

TEST_F(InstanceTest, GetStateSizesAndRoundTrip) {
  EXPECT_EQ(host.Send(id, ICM_GETSTATE, static_cast<void*>(nullptr), 0), 38);
  unsigned char state[38];
  std::memset(state, 0xCD, sizeof state);
  EXPECT_EQ(host.Send(id, ICM_GETSTATE, state, 0), 38);
  EXPECT_EQ(host.Send(id, ICM_GETSTATE, state, 37), 0);
  EXPECT_EQ(state[0], 0xCD);
  EXPECT_EQ(host.Send(id, ICM_GETSTATE, state, 38), 38);
  EXPECT_EQ(std::memcmp(state, "KVTC", 4), 0);
  EXPECT_EQ(state[4], 0xCD);   // bytes 4..7 and 37 keep what the buffer held
  EXPECT_EQ(state[37], 0xCD);
  EXPECT_EQ(state[26], 0);     // no grey sending
  EXPECT_EQ(state[32], 0);     // no smoothing (in place of the stream variant)
  const SettingsRecord before = InstanceSettings(id);
  const auto* record = reinterpret_cast<const unsigned char*>(&before);
  for (int i = 8; i < 37; ++i) {
    if (i == 26 || i == 32) continue;  // the grey-sending and smoothing bytes, checked above
    EXPECT_EQ(state[i], record[i]) << "byte " << i;
  }

  EXPECT_EQ(host.Send(id, ICM_SETSTATE, state, 38), 38);
  const SettingsRecord after = InstanceSettings(id);
  EXPECT_EQ(std::memcmp(&before, &after, 38), 0);
}

TEST_F(InstanceTest, SetStateCopiesFieldsAndFlags) {
  LockedInstance(id)->settings.bFlags = settings::SF_MEDIAN | settings::SF_SHOWGRAY | settings::SF_VARIANT;
  LockedInstance(id)->settings.bStreamVariant = 2;
  SettingsRecord block = PresetRecord(settings::Preset::Isdn);
  auto* bytes = reinterpret_cast<unsigned char*>(&block);
  bytes[26] = 5;
  bytes[32] = 1;
  block.dwWidth = 2000;
  block.bCompCount = 2;
  EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 38), 38);
  const SettingsRecord s = InstanceSettings(id);
  EXPECT_EQ(s.bFlags, settings::SF_SENDGRAY | settings::SF_SMOOTH | settings::SF_MEDIAN |
                          settings::SF_SHOWGRAY | settings::SF_VARIANT);
  EXPECT_EQ(s.bStreamVariant, 2);  // not part of the state
  EXPECT_EQ(s.dwWidth, 640u);
  EXPECT_EQ(s.bSearchRadius, 4);
  EXPECT_EQ(s.bThreshold, 10);
  EXPECT_EQ(s.bCompCount, 2);

  bytes[26] = 0;
  bytes[32] = 0;
  EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 38), 38);
  EXPECT_EQ(InstanceSettings(id).bFlags, settings::SF_MEDIAN | settings::SF_SHOWGRAY | settings::SF_VARIANT);
}

TEST_F(InstanceTest, SetStateRefusesForeignOrShortBlocksAndReloadsWithout) {
  SettingsRecord block = PresetRecord(settings::Preset::Modem);
  block.dwMagic = MakeFourcc("NOPE");
  EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 38), 0);
  block.dwMagic = MakeFourcc("KVTC");
  EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 37), 0);
  EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 3), 0);
  EXPECT_EQ(InstanceSettings(id).bSearchRadius, 0);  // still LAN

  // A null block, or one of no bytes, reloads the file, whatever the instance holds now.
  settings::SettingsRecord onDisk = PresetRecord(settings::Preset::Isdn);
  ASSERT_TRUE(settings::SaveSettingsFile(onDisk));
  for (void* none : {static_cast<void*>(nullptr), static_cast<void*>(&block)}) {
    EXPECT_EQ(host.Send(id, ICM_SETSTATE, &block, 38), 38);
    EXPECT_EQ(InstanceSettings(id).bSearchRadius, 16);
    EXPECT_EQ(host.Send(id, ICM_SETSTATE, none, 0), 38);
    EXPECT_EQ(InstanceSettings(id).bSearchRadius, 4);
  }
}

TEST(QualityMapping, MatchesTheTableAndRoundTripsEveryThreshold) {
  const std::pair<BYTE, DWORD> rows[] = {{0, 10000}, {8, 7333}, {10, 6666}, {12, 6000}, {30, 0}};
  for (const auto& [threshold, quality] : rows) EXPECT_EQ(QualityFromThreshold(threshold), quality);
  EXPECT_EQ(ThresholdFromQuality(7500), 7);
  for (int t = 0; t <= 30; ++t) {
    EXPECT_EQ(ThresholdFromQuality(QualityFromThreshold(static_cast<BYTE>(t))), t);
  }
}

TEST_F(InstanceTest, QualityAndKeyFrameRateMessages) {
  DWORD q = 0;
  EXPECT_EQ(host.Send(id, ICM_GETQUALITY, &q), ICERR_OK);
  EXPECT_EQ(q, 7333u);
  EXPECT_EQ(host.Send(id, ICM_GETDEFAULTQUALITY, &q), ICERR_OK);
  EXPECT_EQ(q, 7333u);
  DWORD rate = 99;
  EXPECT_EQ(host.Send(id, ICM_GETDEFAULTKEYFRAMERATE, &rate), ICERR_OK);
  EXPECT_EQ(rate, 0u);

  const DWORD set = 7500;  // threshold 7, whose quality reads back
  EXPECT_EQ(host.Send(id, ICM_SETQUALITY, &set), ICERR_OK);
  EXPECT_EQ(InstanceSettings(id).bThreshold, 7);
  EXPECT_EQ(host.Send(id, ICM_GETQUALITY, &q), ICERR_OK);
  EXPECT_EQ(q, 7666u);
  EXPECT_EQ(host.Send(id, ICM_GETQUALITY, static_cast<DWORD*>(nullptr)), ICERR_BADPARAM);
}

TEST_F(InstanceTest, AboutShowsTheMessageBox) {
  sys::ClearCalls();
  auto* parent = reinterpret_cast<HWND>(std::uintptr_t{0x1010});
  EXPECT_EQ(host.Send(id, ICM_ABOUT, parent), ICERR_OK);
  auto boxes = sys::MessageBoxCalls();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, parent);
  EXPECT_EQ(boxes[0].text, "Halvern KVT Codec");
  EXPECT_EQ(boxes[0].caption, "KVT Codec");
  EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONINFORMATION);
}

}  // namespace
}  // namespace kvtc::driver
