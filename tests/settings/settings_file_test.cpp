// The settings record's presets, range rules and file, seen through DriverProc where a host
// would see them: the file in the system directory and the state block of an instance.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/instance.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "support/host.h"

namespace kvtc::settings {
namespace {

using kvtc::testing::Host;
using kvtc::testing::HostTest;
using kvtc::testing::ReadFileBytes;
using kvtc::testing::WriteFileBytes;

std::vector<unsigned char> Bytes(const SettingsRecord& r) {
  std::vector<unsigned char> bytes(sizeof r);
  std::memcpy(bytes.data(), &r, sizeof r);
  return bytes;
}

SettingsRecord InstanceSettings(DWORD_PTR id) {
  driver::LockedInstance instance(id);
  EXPECT_TRUE(instance);
  return instance ? instance->settings : SettingsRecord{};
}

TEST(Presets, DifferOnlyWhereTheyShould) {
  const SettingsRecord lan = PresetRecord(Preset::Lan);
  const SettingsRecord modem = PresetRecord(Preset::Modem);
  const SettingsRecord isdn = PresetRecord(Preset::Isdn);
  struct Row {
    const SettingsRecord& r;
    BYTE threshold, period, flags, radius;
  } rows[] = {{lan, 8, 128, 0x10, 0}, {modem, 12, 255, 0x18, 16}, {isdn, 10, 255, 0x10, 4}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.r.dwMagic, MakeFourcc("KVTC"));
    EXPECT_EQ(row.r.flGamma, 1.0f);
    EXPECT_EQ(row.r.dwWidth, 160u);
    EXPECT_EQ(row.r.dwHeight, 120u);
    EXPECT_EQ(row.r.bLosslessLuma, 1);
    EXPECT_EQ(row.r.bLosslessChroma, 0);
    EXPECT_EQ(row.r.bInputFormat, 2);
    EXPECT_EQ(row.r.bOutputFormat, 2);
    EXPECT_EQ(row.r.bCompBits[0] + row.r.bCompBits[1] + row.r.bCompBits[2], 24);
    EXPECT_EQ(row.r.bCompCount, 3);
    EXPECT_EQ(row.r.bThreshold, row.threshold);
    EXPECT_EQ(row.r.bRefreshPeriod, row.period);
    EXPECT_EQ(row.r.bFlags, row.flags);
    EXPECT_EQ(row.r.bSearchRadius, row.radius);
  }
}

TEST(RangeRules, BringEveryRangedFieldIntoRange) {
  SettingsRecord r = PresetRecord(Preset::Lan);
  r.flGamma = 3.0f;
  r.dwWidth = 1000;
  r.dwHeight = 10;
  r.bThreshold = 200;
  r.bLosslessLuma = 2;
  r.bLosslessChroma = 7;
  r.bSearchRadius = 20;
  r.bDecimation = 9;
  r.bInputFormat = 14;
  r.bDecoderMode = 9;
  r.bOutputFormat = 14;
  r.bStreamVariant = 3;
  r.bCompBits[1] = 9;
  r.bCompCount = 7;
  r.bKeyInterval = 250;  // taken as it is
  r.bFlags = 0xFF;       // taken as it is
  ApplyRangeRules(r);
  EXPECT_EQ(r.flGamma, 2.0f);
  EXPECT_EQ(r.dwWidth, 640u);
  EXPECT_EQ(r.dwHeight, 64u);
  EXPECT_EQ(r.bThreshold, 30);
  EXPECT_EQ(r.bLosslessLuma, 0);
  EXPECT_EQ(r.bLosslessChroma, 0);
  EXPECT_EQ(r.bSearchRadius, 16);
  EXPECT_EQ(r.bDecimation, 0);
  EXPECT_EQ(r.bInputFormat, 2);
  EXPECT_EQ(r.bDecoderMode, 0);
  EXPECT_EQ(r.bOutputFormat, 2);
  EXPECT_EQ(r.bStreamVariant, 0);
  EXPECT_EQ(r.bCompBits[1], 8);
  EXPECT_EQ(r.bCompCount, 4);
  EXPECT_EQ(r.bKeyInterval, 250);
  EXPECT_EQ(r.bFlags, 0xFF);

  // Signed comparisons: negative sizes and gammas fall below the minimum.
  for (float gamma : {-1.0f, -0.0f, 0.0f, 0.49f}) {
    r.flGamma = gamma;
    ApplyRangeRules(r);
    EXPECT_EQ(r.flGamma, 0.5f) << gamma;
  }
  r.flGamma = 1.37f;
  r.dwWidth = static_cast<DWORD>(-5);
  r.dwHeight = 0x80000000u;
  ApplyRangeRules(r);
  EXPECT_EQ(r.flGamma, 1.37f);
  EXPECT_EQ(r.dwWidth, 80u);
  EXPECT_EQ(r.dwHeight, 64u);
}

TEST_F(HostTest, MissingFileIsCreatedFromLan) {
  Host host;
  const std::string path = systemDir_.File("KVTC.cfg");
  ASSERT_TRUE(ReadFileBytes(path).empty());
  DWORD_PTR id = host.Open();
  ASSERT_NE(id, 0u);
  EXPECT_EQ(ReadFileBytes(path), Bytes(PresetRecord(Preset::Lan)));
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));
}

TEST_F(HostTest, ShortAndLongFiles) {
  Host host;
  const std::string path = systemDir_.File("KVTC.cfg");

  std::vector<unsigned char> shortFile(20, 0x55);
  WriteFileBytes(path, shortFile.data(), shortFile.size());
  DWORD_PTR a = host.Open();
  EXPECT_EQ(ReadFileBytes(path), Bytes(PresetRecord(Preset::Lan)));
  EXPECT_EQ(Bytes(InstanceSettings(a)), Bytes(PresetRecord(Preset::Lan)));

  SettingsRecord modem = PresetRecord(Preset::Modem);
  std::vector<unsigned char> longFile(50, 0xEE);
  std::memcpy(longFile.data(), &modem, sizeof modem);
  WriteFileBytes(path, longFile.data(), longFile.size());
  DWORD_PTR b = host.Open();
  EXPECT_EQ(Bytes(InstanceSettings(b)), Bytes(modem));
  EXPECT_EQ(ReadFileBytes(path), longFile);  // not changed
}

TEST_F(HostTest, OutOfRangeFileLoadsCorrectedAndStaysOnDisk) {
  Host host;
  const std::string path = systemDir_.File("KVTC.cfg");
  SettingsRecord r = PresetRecord(Preset::Lan);
  r.flGamma = 3.0f;
  r.dwWidth = 1000;
  r.dwHeight = 10;
  r.bThreshold = 200;
  r.bSearchRadius = 20;
  r.bDecimation = 9;
  r.bCompCount = 7;
  r.bOutputFormat = 14;
  r.dwMagic = MakeFourcc("XXXX");  // not checked when loading from the file
  WriteFileBytes(path, &r, sizeof r);

  DWORD_PTR id = host.Open();
  SettingsRecord loaded = InstanceSettings(id);
  EXPECT_EQ(loaded.flGamma, 2.0f);
  EXPECT_EQ(loaded.dwWidth, 640u);
  EXPECT_EQ(loaded.dwHeight, 64u);
  EXPECT_EQ(loaded.bThreshold, 30);
  EXPECT_EQ(loaded.bSearchRadius, 16);
  EXPECT_EQ(loaded.bDecimation, 0);
  EXPECT_EQ(loaded.bCompCount, 4);
  EXPECT_EQ(loaded.bOutputFormat, 2);
  EXPECT_EQ(loaded.dwMagic, MakeFourcc("XXXX"));
  EXPECT_EQ(ReadFileBytes(path), Bytes(r));

  // The decompressor's reload keeps the values as they are.
  driver::LockedInstance instance(id);
  driver::ReloadSettingsForDecompressor(*instance);
  EXPECT_EQ(instance->settings.bOutputFormat, 14);
  EXPECT_EQ(instance->settings.dwWidth, 1000u);
}

TEST_F(HostTest, LoadFromRecordChecksMagicAndSize) {
  Host host;
  DWORD_PTR id = host.Open();
  SettingsRecord isdn = PresetRecord(Preset::Isdn);
  isdn.bThreshold = 99;
  EXPECT_EQ(driver::LoadSettingsFromRecord(id, &isdn, 37), 0);
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));
  SettingsRecord foreign = isdn;
  foreign.dwMagic = MakeFourcc("ABCD");
  EXPECT_EQ(driver::LoadSettingsFromRecord(id, &foreign, 38), 0);
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));

  EXPECT_EQ(driver::LoadSettingsFromRecord(id, &isdn, 38), 38);
  EXPECT_EQ(InstanceSettings(id).bSearchRadius, 4);
  EXPECT_EQ(InstanceSettings(id).bThreshold, 30);  // range rules applied

  EXPECT_EQ(driver::LoadSettingsFromRecord(0x777770, &isdn, 38), ICERR_ERROR);
  EXPECT_EQ(driver::LoadSettingsFromRecord(id, nullptr, 0), 38);  // from the file: LAN
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));
}

TEST_F(HostTest, UnwritableSystemDirectoryLeavesLanAndReportsNothing) {
  // Even root cannot write below a path whose directory part is a plain file.
  const std::string blocker = systemDir_.File("not-a-dir");
  WriteFileBytes(blocker, "x", 1);
  setenv("KVTC_SYSTEM_DIR", blocker.c_str(), 1);
  Host host;
  DWORD_PTR id = host.Open();
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));
  EXPECT_TRUE(SettingsFilePath().find("not-a-dir") != std::string::npos);
}

}  // namespace
}  // namespace kvtc::settings
