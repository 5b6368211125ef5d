// Synthetic input sequences, made up without looking at the codec: a drifting gradient, a
// textured square moving over a smooth background, a static scene under camera noise,
// scrolling high-contrast text, and a cut between two unrelated scenes. A frame is laid out
// for any input pixel-format code by spreading each pixel's B, G, R over the bytes the
// converter reads for it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "pixels/input_converters.h"

namespace kvtc::testing {

enum class Scene { kGradient, kMovingSquare, kCameraNoise, kText, kSceneCut, kDots };
inline constexpr std::array<Scene, 6> kAllScenes{Scene::kGradient, Scene::kMovingSquare,
                                                 Scene::kCameraNoise, Scene::kText,
                                                 Scene::kSceneCut, Scene::kDots};

class SceneSource {
 public:
  SceneSource(Scene scene, std::uint32_t width, std::uint32_t height)
      : scene_(scene), w_(width), h_(height) {}

  // Channel k (0 B, 1 G, 2 R) of pixel (x, y) of frame f.
  int Pixel(int x, int y, int f, int k) {
    const int smooth = static_cast<int>(128 + 80 * std::sin((x + 40 * k) / 11.0) * std::cos(y / 9.0));
    switch (scene_) {
      case Scene::kGradient:
        return (x * 255 / static_cast<int>(w_) + 3 * f + 70 * k + y) % 256;
      case Scene::kMovingSquare: {
        const int ix = x - 5 - 3 * f, iy = y - 4 - 2 * f, side = static_cast<int>(h_) / 3;
        if (ix < 0 || iy < 0 || ix >= side || iy >= side) return smooth;
        return (((ix / 3 + iy / 2) % 2) * 150 + (ix * iy) % 50 + 60 * k) % 256;
      }
      case Scene::kCameraNoise:
        return std::clamp(smooth + static_cast<int>(random_() % 25) - 12, 0, 255);
      case Scene::kText: {  // 8x12 cells of 3x5 glyph dots, scrolling up by 2 rows a frame
        const int row = (y + 2 * f) / 12, gx = x % 8, gy = (y + 2 * f) % 12;
        const unsigned glyph = (row * 7919u + (x / 8) * 104729u) * 2654435761u;
        const bool ink = gx < 6 && gy < 10 && ((glyph >> ((gy / 2) * 3 + gx / 2)) & 1);
        return ink ? 10 + 5 * k : 245 - 5 * k;
      }
      case Scene::kSceneCut:
        return f < 3 ? smooth : ((x * 7 + y * 13) * (k + 1) + (x ^ y)) % 256;
      case Scene::kDots: {  // at the left edge: from frame 1 one at the bottom, from frame 2
        // one blinking at the top, so that a frame changes only rows far from the last's
        const bool bottom = f >= 1 && y + 8 >= static_cast<int>(h_);
        const bool top = f >= 2 && f % 2 == 0 && y < 8;
        return x < 8 && (top || bottom) ? 250 - 40 * k : smooth;
      }
    }
    return 0;
  }

  // Exactly the bytes the converter for `code` reads for frame f.
  std::vector<std::uint8_t> Frame(std::uint8_t code, int f) {
    const std::size_t pixels = std::size_t{w_} * h_;
    std::vector<std::uint8_t> out(pixels::InputBytesRead(code, w_, h_, 1));
    const std::size_t perPixel = std::max<std::size_t>(1, out.size() / pixels);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const std::size_t p = std::min(i / perPixel, pixels - 1);
      const int x = static_cast<int>(p % w_), y = static_cast<int>(p / w_);
      out[i] = static_cast<std::uint8_t>(Pixel(x, y, f, static_cast<int>(i % perPixel % 3)));
    }
    return out;
  }

 private:
  Scene scene_;
  std::uint32_t w_, h_;
  std::mt19937 random_{1};
};

}  // namespace kvtc::testing
