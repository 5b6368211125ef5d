// The settings record's presets, range rules and file, seen through DriverProc where a host
// would see them: the file in the system directory and the state block of an instance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <tuple>

#include "driver/instance.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "support/host.h"

namespace kvtc::settings {
namespace {

using namespace kvtc::testing;

std::vector<unsigned char> Bytes(const SettingsRecord& r) {
  std::vector<unsigned char> bytes(sizeof r);
  std::memcpy(bytes.data(), &r, sizeof r);
  return bytes;
}

TEST(Presets, DifferOnlyWhereTheyShould) {
  // threshold, refresh period, flags, search radius; everything else is common to all three
  const std::tuple<Preset, int, int, int, int> rows[] = {
      {Preset::Lan, 8, 128, 0x10, 0}, {Preset::Modem, 12, 255, 0x18, 16}, {Preset::Isdn, 10, 255, 0x10, 4}};
  for (const auto& [preset, threshold, period, flags, radius] : rows) {
    const SettingsRecord r = PresetRecord(preset);
    EXPECT_EQ(std::tuple(r.dwMagic, r.flGamma, r.dwWidth, r.dwHeight, r.bLosslessLuma,
                         r.bLosslessChroma, r.bInputFormat, r.bOutputFormat, r.bCompCount),
              std::tuple(MakeFourcc("KVTC"), 1.0f, 160u, 120u, 1, 0, 2, 2, 3));
    EXPECT_EQ(r.bCompBits[0] + r.bCompBits[1] + r.bCompBits[2], 24);
    EXPECT_EQ(std::tuple(r.bThreshold, r.bRefreshPeriod, r.bFlags, r.bSearchRadius),
              std::tuple(threshold, period, flags, radius));
  }
}

// Every ranged field at the largest value it keeps and the next one up; every other field
// passes whatever it holds.
TEST(RangeRules, EveryFieldAtBothEdges) {
  const auto byteAt = [](SettingsRecord& r, int offset) -> BYTE& {
    return reinterpret_cast<BYTE*>(&r)[offset];
  };
  // offset, largest value kept, what any larger value becomes
  const int bytes[][3] = {{21, 30, 30}, {24, 1, 0}, {25, 1, 0},  {27, 16, 16}, {28, 8, 0},
                          {29, 13, 2},  {30, 8, 0}, {31, 13, 2}, {32, 2, 0},   {33, 8, 8},
                          {34, 8, 8},   {35, 8, 8}, {36, 4, 4}};
  for (const auto& [offset, max, over] : bytes) {
    for (const int value : {0, max, max + 1, 255}) {
      SettingsRecord r = PresetRecord(Preset::Lan);
      byteAt(r, offset) = static_cast<BYTE>(value);
      ApplyRangeRules(r);
      EXPECT_EQ(byteAt(r, offset), value <= max ? value : over) << offset << " " << value;
    }
  }
  SettingsRecord all;
  std::memset(&all, 0xFF, sizeof all);
  ApplyRangeRules(all);
  for (const int offset : {0, 1, 2, 3, 4, 5, 6, 7, 20, 22, 23, 26, 37}) {
    EXPECT_EQ(byteAt(all, offset), 0xFF) << offset;
  }

  // Sizes compare signed, gamma by its bit pattern read as a signed integer.
  for (const auto& [value, width, height] :
       {std::tuple{-5, 80, 64}, {63, 80, 64}, {64, 80, 64}, {79, 80, 79}, {80, 80, 80},
        {480, 480, 480}, {481, 481, 480}, {640, 640, 480}, {641, 640, 480}, {INT32_MIN, 80, 64}}) {
    SettingsRecord r = PresetRecord(Preset::Lan);
    r.dwWidth = r.dwHeight = static_cast<DWORD>(value);
    ApplyRangeRules(r);
    EXPECT_EQ(std::tuple(r.dwWidth, r.dwHeight), std::tuple(DWORD(width), DWORD(height))) << value;
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (const auto& [gamma, kept] :
       {std::pair{std::nextafter(0.5f, 0.0f), 0.5f}, {0.5f, 0.5f}, {1.37f, 1.37f}, {2.0f, 2.0f},
        {std::nextafter(2.0f, 3.0f), 2.0f}, {inf, 2.0f}, {-0.0f, 0.5f}, {-inf, 0.5f}}) {
    SettingsRecord r = PresetRecord(Preset::Lan);
    r.flGamma = gamma;
    ApplyRangeRules(r);
    EXPECT_EQ(r.flGamma, kept) << gamma;
  }
}

// No file or a short one is replaced by LAN; a long one is read up to the record's size and
// left as it is.
TEST_F(HostTest, MissingShortAndLongFiles) {
  Host host;
  const std::string path = systemDir_.File("KVTC.cfg");
  const std::vector<unsigned char> lan = Bytes(PresetRecord(Preset::Lan));
  std::vector<unsigned char> longFile(50, 0xEE);
  const SettingsRecord modem = PresetRecord(Preset::Modem);
  std::memcpy(longFile.data(), &modem, sizeof modem);
  for (const auto& [file, loaded] :
       {std::pair{std::vector<unsigned char>{}, lan}, {std::vector<unsigned char>(20, 0x55), lan},
        {longFile, Bytes(modem)}}) {
    if (!file.empty()) WriteFileBytes(path, file.data(), file.size());
    const DWORD_PTR id = host.Open();
    ASSERT_NE(id, 0u);
    EXPECT_EQ(Bytes(InstanceSettings(id)), loaded) << file.size();
    EXPECT_EQ(ReadFileBytes(path), file.size() == 50 ? longFile : lan) << file.size();
  }
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
  const SettingsRecord l = InstanceSettings(id);
  EXPECT_EQ(std::tuple(l.flGamma, l.dwWidth, l.dwHeight, l.bThreshold, l.bSearchRadius,
                       l.bDecimation, l.bCompCount, l.bOutputFormat, l.dwMagic),
            std::tuple(2.0f, 640u, 64u, 30, 16, 0, 4, 2, MakeFourcc("XXXX")));
  EXPECT_EQ(ReadFileBytes(path), Bytes(r));

  // The decompressor's reload keeps the values as they are.
  driver::LockedInstance instance(id);
  driver::ReloadSettingsForDecompressor(*instance);
  EXPECT_EQ(instance->settings.bOutputFormat, 14);
  EXPECT_EQ(instance->settings.dwWidth, 1000u);
}

TEST_F(InstanceTest, LoadFromRecordChecksMagicAndSize) {
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

TEST_F(HostTest, SystemDirectoryUnwritableMissingOrFull) {
  // Even root cannot write below a path whose directory part is a plain file.
  const std::string blocker = systemDir_.File("not-a-dir");
  WriteFileBytes(blocker, "x", 1);
  setenv("KVTC_SYSTEM_DIR", blocker.c_str(), 1);
  Host host;
  DWORD_PTR id = host.Open();
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Bytes(InstanceSettings(id)), Bytes(PresetRecord(Preset::Lan)));
  EXPECT_TRUE(SettingsFilePath().find("not-a-dir") != std::string::npos);

  // A system directory that is not there yet is made, with its parents, for the file.
  const std::string nested = systemDir_.File("home/user/.config/kvtc");
  setenv("KVTC_SYSTEM_DIR", nested.c_str(), 1);
  ASSERT_NE(host.Open(), 0u);
  EXPECT_EQ(ReadFileBytes(nested + "/KVTC.cfg").size(), kSettingsSize);

  // A full disk: the record goes into the stream's buffer, and only the close fails.
  std::filesystem::remove(nested + "/KVTC.cfg");
  std::filesystem::create_symlink("/dev/full", nested + "/KVTC.cfg");
  EXPECT_FALSE(SaveSettingsFile(PresetRecord(Preset::Lan)));
}

}  // namespace
}  // namespace kvtc::settings
