#include "encoder/frame_assembly.h"

#include "stream/byte_writer.h"
#include "stream/frame_format.h"

namespace kvtc::encoder {

FrameHeaderFields::Bytes FrameHeaderFields::Encode() const {
  Bytes out;
  stream::ByteWriter writer{out.bytes};
  stream::WriteFrameHeader(writer, flags, period, radius, phase);
  out.size = writer.position;
  return out;
}

std::size_t PackGrey4Samples(std::span<std::uint8_t> literals, std::size_t count,
                             const stream::ArithmeticTables& tables) {
  const std::uint8_t* high = tables.pack4High.data();
  const std::uint8_t* low = tables.pack4Low.data();
  std::size_t out = 0;
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    literals[out++] = static_cast<std::uint8_t>(high[literals[i]] | low[literals[i + 1]]);
  }
  if (count & 1) literals[out++] = high[literals[count - 1]];
  return out;
}

std::size_t AssembleFrame(std::span<std::uint8_t> output, const FrameHeaderFields& header,
                          std::span<std::uint8_t> literals, bool packed,
                          std::span<const std::uint8_t> blockBits,
                          std::span<const std::uint8_t> refinementBits,
                          const stream::ArithmeticTables& tables) {
  const std::size_t sampleBytes =
      packed ? PackGrey4Samples(literals, literals.size(), tables) : literals.size();
  const FrameHeaderFields::Bytes head = header.Encode();
  stream::ByteWriter out{output};
  out.PutBytes(std::span<const std::uint8_t>(head.bytes).first(head.size));
  const bool fits = stream::WriteSampleSection(out, literals.first(sampleBytes)) &&
                    stream::WriteFrameTail(out, blockBits, refinementBits);
  return fits && !out.overflow ? out.position : 0;
}

}  // namespace kvtc::encoder
