#include "stream/frame_format.h"

namespace kvtc::stream {

namespace {

// Takes bytes off the front of a frame; every take checks what is left.
struct FrameCursor {
  std::span<const std::uint8_t> rest;
  bool short_ = false;

  std::span<const std::uint8_t> Take(std::size_t count) {
    if (count > rest.size()) {
      short_ = true;
      return {};
    }
    const auto taken = rest.first(count);
    rest = rest.subspan(count);
    return taken;
  }
  std::uint8_t Byte() {
    const auto b = Take(1);
    return b.empty() ? 0 : b[0];
  }
  std::uint16_t U16() {
    const auto b = Take(2);
    return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | b[1] << 8);
  }
};

constexpr std::size_t kMaxSectionLength = 0xFFFF;

}  // namespace

std::optional<FrameHeader> ParseFrameHeader(std::span<const std::uint8_t> frame) {
  FrameCursor cursor{frame};
  FrameHeader h;
  h.flags = cursor.Byte();
  if (h.flags & kFlagRefreshPeriod) h.refreshPeriod = cursor.Byte();
  if (h.flags & kFlagSearchRadius) h.searchRadius = cursor.Byte();
  if (h.refreshPeriod != 0) h.refreshPhase = cursor.Byte();
  h.headerSize = frame.size() - cursor.rest.size();
  h.samples = cursor.Take(cursor.U16());
  h.blockBits = cursor.Take(cursor.U16());
  if (cursor.short_ || cursor.rest.empty()) return std::nullopt;
  h.refinementBits = cursor.rest.first(cursor.rest.size() - 1);
  h.checksum = cursor.rest.back();
  h.motion = ComputeMotionParameters(h.searchRadius, h.losslessLuma());
  return h;
}

std::uint8_t ComputeChecksum(std::span<const std::uint8_t> blockBits,
                             std::span<const std::uint8_t> refinementBits) {
  unsigned sum = 0;
  for (const std::uint8_t b : blockBits) sum += b;
  for (const std::uint8_t b : refinementBits) sum += b;
  return static_cast<std::uint8_t>(sum);
}

void WriteFrameHeader(ByteWriter& out, std::uint8_t flags, std::uint8_t refreshPeriod,
                      std::uint8_t searchRadius, std::uint8_t refreshPhase) {
  out.Put(flags);
  const std::uint8_t period = (flags & kFlagRefreshPeriod) ? refreshPeriod : 0;
  if (flags & kFlagRefreshPeriod) out.Put(period);
  if (flags & kFlagSearchRadius) out.Put(searchRadius);
  if (period != 0) out.Put(refreshPhase);
}

bool WriteSampleSection(ByteWriter& out, std::span<const std::uint8_t> samples) {
  out.Put16(static_cast<std::uint16_t>(samples.size()));
  out.PutBytes(samples);
  return samples.size() <= kMaxSectionLength;
}

bool WriteFrameTail(ByteWriter& out, std::span<const std::uint8_t> blockBits,
                    std::span<const std::uint8_t> refinementBits) {
  out.Put16(static_cast<std::uint16_t>(blockBits.size()));
  out.PutBytes(blockBits);
  out.PutBytes(refinementBits);
  out.Put(ComputeChecksum(blockBits, refinementBits));
  return blockBits.size() <= kMaxSectionLength;
}

}  // namespace kvtc::stream
