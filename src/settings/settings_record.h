// The settings record: every tunable of the codec in one fixed 38-byte little-endian layout,
// shared by the instances, the settings file, the presets and the state block.
//
//   offset  0  dwMagic        "KVTC"            20  bForceKey        30  bDecoderMode
//           4  dwReserved                       21  bThreshold       31  bOutputFormat
//           8  flGamma (f32)                    22  bKeyInterval     32  bStreamVariant
//          12  dwWidth                          23  bRefreshPeriod   33  bCompBits[3]
//          16  dwHeight                         24  bLosslessLuma    36  bCompCount
//                                               25  bLosslessChroma  37  bReserved
//                                               26  bFlags (SF_*)
//                                               27  bSearchRadius
//                                               28  bDecimation
//                                               29  bInputFormat
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/win32_types.h"

namespace kvtc::settings {

static_assert(std::endian::native == std::endian::little,
              "the settings record is stored as it lies in memory");

#pragma pack(push, 1)
struct SettingsRecord {
  DWORD dwMagic;
  DWORD dwReserved;
  float flGamma;
  DWORD dwWidth;
  DWORD dwHeight;
  BYTE bForceKey;
  BYTE bThreshold;
  BYTE bKeyInterval;
  BYTE bRefreshPeriod;
  BYTE bLosslessLuma;
  BYTE bLosslessChroma;
  BYTE bFlags;
  BYTE bSearchRadius;
  BYTE bDecimation;
  BYTE bInputFormat;
  BYTE bDecoderMode;
  BYTE bOutputFormat;
  BYTE bStreamVariant;
  BYTE bCompBits[3];
  BYTE bCompCount;
  BYTE bReserved;
};
#pragma pack(pop)

constexpr std::size_t kSettingsSize = 38;
static_assert(sizeof(SettingsRecord) == kSettingsSize);
static_assert(offsetof(SettingsRecord, dwMagic) == 0);
static_assert(offsetof(SettingsRecord, dwReserved) == 4);
static_assert(offsetof(SettingsRecord, flGamma) == 8);
static_assert(offsetof(SettingsRecord, dwWidth) == 12);
static_assert(offsetof(SettingsRecord, dwHeight) == 16);
static_assert(offsetof(SettingsRecord, bForceKey) == 20);
static_assert(offsetof(SettingsRecord, bThreshold) == 21);
static_assert(offsetof(SettingsRecord, bKeyInterval) == 22);
static_assert(offsetof(SettingsRecord, bRefreshPeriod) == 23);
static_assert(offsetof(SettingsRecord, bLosslessLuma) == 24);
static_assert(offsetof(SettingsRecord, bLosslessChroma) == 25);
static_assert(offsetof(SettingsRecord, bFlags) == 26);
static_assert(offsetof(SettingsRecord, bSearchRadius) == 27);
static_assert(offsetof(SettingsRecord, bDecimation) == 28);
static_assert(offsetof(SettingsRecord, bInputFormat) == 29);
static_assert(offsetof(SettingsRecord, bDecoderMode) == 30);
static_assert(offsetof(SettingsRecord, bOutputFormat) == 31);
static_assert(offsetof(SettingsRecord, bStreamVariant) == 32);
static_assert(offsetof(SettingsRecord, bCompBits) == 33);
static_assert(offsetof(SettingsRecord, bCompCount) == 36);
static_assert(offsetof(SettingsRecord, bReserved) == 37);

// bFlags bits.
constexpr BYTE SF_SENDGRAY = 0x01;  // send video in grey scale
constexpr BYTE SF_SHOWGRAY = 0x02;  // display received video in grey scale
constexpr BYTE SF_SMOOTH = 0x04;    // smooth noise filter on the input
constexpr BYTE SF_MEDIAN = 0x08;    // median noise filter on the input
constexpr BYTE SF_VARIANT = 0x10;   // stream variant flag: the decoder sharpens
constexpr BYTE SF_CHROMACHANGE = 0x20;  // change detection also compares each quadrant's chroma
constexpr BYTE SF_FRAMESIZE = 0x40;     // a frame keeps within ICCOMPRESS.dwFrameSize

constexpr DWORD kSettingsMagic = MakeFourcc("KVTC");

enum class Preset { Lan, Modem, Isdn };

// The built-in record of a preset. LAN is the default.
SettingsRecord PresetRecord(Preset preset);

// The preset buttons copy offsets 23 to 27 (refresh period, both lossless options, flags and
// search radius).
constexpr std::size_t kPresetFieldsOffset = offsetof(SettingsRecord, bRefreshPeriod);
constexpr std::size_t kPresetFieldsSize = 5;

// Brings every ranged field of a loaded record into its range.
void ApplyRangeRules(SettingsRecord& record);

// The gamma the codec works with for a stored one: 0.5..2.0, compared by bit pattern as the
// range rules do, so zero, negatives and -NaN give 0.5 and +Inf and +NaN give 2.0. Every
// use of a record's gamma goes through it, since a record reloaded from a damaged file has
// not been through the range rules.
float GammaInRange(float gamma);

}  // namespace kvtc::settings
