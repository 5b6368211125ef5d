// The encoder's colour tables in integer form, for kernels that compute instead of looking up:
// entry i is sign * ((i * factor + bias) >> shift), and 0 for i <= zeroUpTo (negative products
// in (-1, 0) round to 0). Each equals its table at every index (proven by the kernel tests).
#pragma once

namespace kvtc::pixels {

struct TableForm {
  int factor, bias, shift, zeroUpTo;
  bool negative;
};

inline constexpr TableForm kLumaFromR{129, 261, 9, -1, false};
inline constexpr TableForm kLumaFromG{4051, 4140, 13, -1, false};
inline constexpr TableForm kLumaFromB{395, 2050, 12, -1, false};
// Chroma, of a component's sum over a 2x2 block (0..1020).
inline constexpr TableForm kUFromR{-2035, 8421470, 16, -1, false};
inline constexpr TableForm kUFromG{7987, 65738, 17, 16, true};
inline constexpr TableForm kUFromB{12057, 65390, 17, -1, false};
inline constexpr TableForm kVFromR{531, 526280, 12, -1, false};
inline constexpr TableForm kVFromG{7107, 32890, 16, 9, true};
inline constexpr TableForm kVFromB{1387, 32770, 16, 47, true};

}  // namespace kvtc::pixels
