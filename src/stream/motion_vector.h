// Motion vectors as the stream codes them, and the displacements they stand for.
//
// A vector component is sent as an unsigned K-bit value; the value B (the motion centre) means
// no motion on that axis. Displacements are in half luma samples when the frame carries
// lossless luma, in whole samples otherwise. The chroma planes, half the size, move by the
// luma vector halved, rounded to a whole chroma step (see ChromaComponent).
#pragma once

#include <cstdint>

namespace kvtc::stream {

struct MotionParameters {
  std::uint32_t bits = 0;    // K, bits per coded component
  std::uint32_t centre = 0;  // B, the coded value of a zero displacement
};

// K and B for a search radius R: with lossless luma K is the smallest integer of at least 3
// with 2^K >= 8R - 3 and B = 4R; otherwise K is one less and B = 2R. Radius 0 (no vectors)
// gives K = B = 0.
//
// Writers use radii up to 32 (K <= 8). A larger radius byte from elsewhere is honoured as
// written, with K up to 11 and B up to 1020 held at full width: the vector bounds check
// decides whether its vectors are usable, so nothing has to be narrowed or wrapped here.
MotionParameters ComputeMotionParameters(std::uint32_t radius, bool losslessLuma);

// The chroma component for a coded luma component v: the displacement d = v - B, rounded in
// magnitude to a multiple of 4 when it is 1 or 3 past one, then halved around B; with B = 16,
// v = 16, 17, 18, 19, 20, 13 gives 8, 8, 9, 10, 10, 6. The chroma centre is B >> 1.
std::uint32_t ChromaComponent(std::uint32_t v, std::uint32_t centre);

struct MotionVector {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
};

// The luma displacement of coded components (x, y): x - B, y - B.
MotionVector LumaDisplacement(std::uint32_t x, std::uint32_t y, std::uint32_t centre);
// The chroma displacement of coded luma components (x, y): each chroma component minus B >> 1.
MotionVector ChromaDisplacement(std::uint32_t x, std::uint32_t y, std::uint32_t centre);

}  // namespace kvtc::stream
