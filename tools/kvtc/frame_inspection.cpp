#include "kvtc/frame_inspection.h"

#include "kvtc/le_bytes.h"

namespace kvtc::tool {

FrameInspection InspectFrame(std::span<const std::uint8_t> frame) {
  FrameInspection f;
  f.size = frame.size();
  if (frame.empty()) {
    f.problem = "empty frame";
    return f;
  }
  // Everything but the final checksum byte.
  ByteReader r(frame.first(frame.size() - 1));
  auto fail = [&f](const char* what) {
    f.problem = std::string("ends inside its ") + what;
    return f;
  };

  if (auto flags = r.U8()) {
    f.flags = *flags;
  } else {
    return fail("flags");
  }
  if (f.flags & FrameFlags::kHasPeriod) {
    auto p = r.U8();
    if (!p) return fail("refresh period");
    f.period = *p;
  }
  if (f.flags & FrameFlags::kHasRadius) {
    auto radius = r.U8();
    if (!radius) return fail("search radius");
    f.radius = *radius;
  }
  if (f.period != 0) {
    auto phase = r.U8();
    if (!phase) return fail("refresh phase");
    f.phase = *phase;
  }
  auto l1 = r.U16();
  if (!l1) return fail("sample section length");
  f.sampleBytes = *l1;
  if (!r.Take(f.sampleBytes)) return fail("sample section");
  auto l2 = r.U16();
  if (!l2) return fail("block-bit section length");
  f.blockBitBytes = *l2;
  auto blockBits = r.Take(f.blockBitBytes);
  if (!blockBits) return fail("block-bit section");
  auto refinement = r.Take(r.Remaining());
  f.refinementBytes = static_cast<std::uint32_t>(refinement->size());

  unsigned sum = 0;
  for (std::uint8_t b : *blockBits) sum += b;
  for (std::uint8_t b : *refinement) sum += b;
  f.checksumOk = (sum & 0xFF) == frame.back();

  if (f.flags & FrameFlags::kNeverSet) {
    f.problem = "has flag 0x80 set, which no writer sets";
  } else if (f.radius > 32) {
    f.problem = "has a search radius above 32, which no motion-vector code covers";
  } else if (f.refinementBytes > 0xFFFF) {
    f.problem = "has a refinement-bit section longer than 65535 bytes";
  }
  return f;
}

}  // namespace kvtc::tool
