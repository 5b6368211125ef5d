#include "kvtc/settings_text.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace kvtc::tool {
namespace {

using settings::SettingsRecord;

std::string Line(const char* name, const std::string& value) {
  char text[128];
  std::snprintf(text, sizeof text, "  %-18s %s\n", name, value.c_str());
  return text;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

constexpr std::string_view kMedianNote = ", median filter";

}  // namespace

std::string DescribeCompressorSettings(const SettingsRecord& r) {
  std::string out;
  out += Line("threshold", std::to_string(r.bThreshold) + " (0 best, 30 coarsest)");
  out += Line("key interval", r.bKeyInterval ? std::to_string(r.bKeyInterval) + " frames"
                                             : std::string("first frame only"));
  out += Line("refresh period", r.bRefreshPeriod ? std::to_string(r.bRefreshPeriod) + " frames"
                                                 : std::string("off"));
  out += Line("lossless luma", OnOff(r.bLosslessLuma));
  out += Line("lossless chroma", OnOff(r.bLosslessChroma));
  out += Line("send", (r.bFlags & settings::SF_SENDGRAY) ? "gray" : "color");
  if (r.bFlags & settings::SF_CHROMACHANGE) out += Line("change detection", "luma and color");
  const bool median = r.bFlags & settings::SF_MEDIAN;
  const bool smooth = r.bFlags & settings::SF_SMOOTH;
  out += Line("filter", median && smooth ? "median and smooth"
                        : median         ? "median"
                        : smooth         ? "smooth"
                                         : "none");
  out += Line("search radius", r.bSearchRadius ? std::to_string(r.bSearchRadius) + " pixels"
                                               : std::string("none"));
  const int d = r.bDecimation;
  out += Line("decimation", d == 2 || d == 4 || d == 8 ? "1/" + std::to_string(d)
                                                        : std::string("none"));
  return out;
}

std::string DescribeDisplaySettings(const SettingsRecord& r) {
  std::string out;
  char gamma[32];
  std::snprintf(gamma, sizeof gamma, "%.2f", static_cast<double>(r.flGamma));
  out += Line("gamma", gamma);
  out += Line("display", (r.bFlags & settings::SF_SHOWGRAY) ? "gray" : "color");
  const int z = r.bDecoderMode;
  std::string zoom = "none";
  if (z != 0) zoom = std::string("x").append(std::to_string(z == 2 || z == 4 ? z : 8));
  out += Line("zoom", zoom);
  return out;
}

SettingsRecord RecordFromStateBlock(std::span<const std::uint8_t, 38> state) {
  SettingsRecord r;
  std::memcpy(&r, state.data(), sizeof r);
  r.bFlags = static_cast<BYTE>((state[offsetof(SettingsRecord, bFlags)] ? settings::SF_SENDGRAY : 0) |
                               (state[offsetof(SettingsRecord, bStreamVariant)] ? settings::SF_SMOOTH : 0));
  r.bStreamVariant = 0;
  return r;
}

std::string StreamName(const std::string& codecName, const SettingsRecord& record) {
  return (record.bFlags & settings::SF_MEDIAN) ? codecName + std::string(kMedianNote) : codecName;
}

bool NamesMedianFilter(const std::string& streamName) {
  return streamName.ends_with(kMedianNote);
}

}  // namespace kvtc::tool
