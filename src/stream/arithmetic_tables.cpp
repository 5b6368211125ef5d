#include "stream/arithmetic_tables.h"

namespace kvtc::stream {

bool EnsureSumTables(ArithmeticTables& t) {
  if (!t.halfSum) {
    if (!t.halfSum.Allocate(512)) return false;
    for (int i = 0; i < 512; ++i) t.halfSum[i] = static_cast<std::uint8_t>((i + 1) >> 1);
  }
  if (!t.quarterSum) {
    if (!t.quarterSum.Allocate(1024)) return false;
    for (int i = 0; i < 1024; ++i) t.quarterSum[i] = static_cast<std::uint8_t>((i + 2) >> 2);
  }
  if (!t.clamp) {
    if (!t.clamp.Allocate(768)) return false;
    for (int i = 0; i < 768; ++i) {
      t.clamp[i] = static_cast<std::uint8_t>(i < 256 ? 0 : i < 512 ? i - 256 : 255);
    }
  }
  if (!t.absDiff) {
    if (!t.absDiff.Allocate(511)) return false;
    for (int i = 0; i < 511; ++i) t.absDiff[i] = static_cast<std::uint8_t>(i < 255 ? 255 - i : i - 255);
  }
  return true;
}

bool EnsureTripleTable(ArithmeticTables& t) {
  if (t.triple) return true;
  if (!t.triple.Allocate(256)) return false;
  for (std::uint32_t i = 0; i < 256; ++i) t.triple[i] = 3 * i;
  return true;
}

bool EnsureSharpenTables(ArithmeticTables& t) {
  if (!t.quintuple) {
    if (!t.quintuple.Allocate(256)) return false;
    for (std::uint32_t i = 0; i < 256; ++i) t.quintuple[i] = 5 * i;
  }
  if (!t.sharpenClamp) {
    if (!t.sharpenClamp.Allocate(2304)) return false;
    for (int i = 0; i < 2304; ++i) {
      const int x = i - 1024;
      t.sharpenClamp[i] = static_cast<std::uint8_t>(x < 0 ? 0 : x > 215 ? 215 : x);
    }
  }
  return true;
}

bool EnsureInputScaleTable(ArithmeticTables& t) {
  if (t.inputScale) return true;
  if (!t.inputScale.Allocate(256)) return false;
  for (int i = 0; i < 256; ++i) t.inputScale[i] = static_cast<std::uint8_t>((216 * i) >> 8);
  return true;
}

bool BuildNibbleTables(ArithmeticTables& t) {
  if (!t.pack4High.Ensure(256) || !t.pack4Low.Ensure(256) || !t.unpack4High.Ensure(256) ||
      !t.unpack4Low.Ensure(256)) {
    return false;
  }
  for (int i = 0; i < 256; ++i) {
    const int level = 15 - i / 17;
    t.pack4High[i] = static_cast<std::uint8_t>(16 * level);
    t.pack4Low[i] = static_cast<std::uint8_t>(level);
    t.unpack4High[i] = static_cast<std::uint8_t>(17 * (15 - (i >> 4)));
    t.unpack4Low[i] = static_cast<std::uint8_t>(17 * (15 - (i & 15)));
  }
  return true;
}

}  // namespace kvtc::stream
