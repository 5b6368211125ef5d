// Synthetic input sequences, made up without looking at the codec: a drifting gradient, a
// textured square moving over a smooth background, a static scene under camera noise,
// scrolling high-contrast text, and a cut between two unrelated scenes. Each frame is laid
// out in any of the input pixel formats.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "pixels/input_converters.h"
#include "pixels/pixel_format.h"

namespace kvtc::testing {

enum class Scene { kGradient, kMovingSquare, kCameraNoise, kText, kSceneCut };
inline constexpr std::array<Scene, 5> kAllScenes{Scene::kGradient, Scene::kMovingSquare,
                                                 Scene::kCameraNoise, Scene::kText,
                                                 Scene::kSceneCut};

struct Rgb {
  int r, g, b;
};

class SceneSource {
 public:
  SceneSource(Scene scene, std::uint32_t width, std::uint32_t height, unsigned seed = 1)
      : scene_(scene), w_(width), h_(height), random_(seed) {
    glyphs_.resize(64);
    for (auto& g : glyphs_) g = random_();
  }

  // Pixel (x, y) of frame f.
  Rgb Pixel(std::uint32_t x, std::uint32_t y, int f) {
    switch (scene_) {
      case Scene::kGradient: {
        const int v = static_cast<int>(x * 255 / std::max(1u, w_ - 1)) + 3 * f;
        return {v % 256, static_cast<int>(y * 200 / std::max(1u, h_)), 255 - (v % 256)};
      }
      case Scene::kMovingSquare: {
        const int sx = 5 + 3 * f, sy = 4 + 2 * f, side = static_cast<int>(std::min(w_, h_) / 3);
        const int ix = static_cast<int>(x) - sx, iy = static_cast<int>(y) - sy;
        if (ix >= 0 && iy >= 0 && ix < side && iy < side) {
          const int t = ((ix / 3 + iy / 2) % 2) * 150 + (ix * iy) % 50;
          return {t, 255 - t, (t * 3) % 256};
        }
        return {Smooth(x, y, 0), Smooth(x, y, 40), Smooth(x, y, 90)};
      }
      case Scene::kCameraNoise: {
        const int n = static_cast<int>(random_() % 25) - 12;
        return {Clamp(Smooth(x, y, 0) + n), Clamp(Smooth(x, y, 30) + n), Clamp(Smooth(x, y, 60) - n)};
      }
      case Scene::kText: {
        const std::uint32_t row = (y + 2 * f) / 12, col = x / 8;
        const std::uint32_t glyph = glyphs_[(row * 7 + col) % glyphs_.size()];
        const std::uint32_t gx = x % 8, gy = (y + 2 * f) % 12;
        const bool ink = gx < 6 && gy < 10 && ((glyph >> ((gy / 2) * 3 + gx / 2)) & 1);
        return ink ? Rgb{10, 10, 20} : Rgb{245, 240, 230};
      }
      case Scene::kSceneCut:
        if (f < 3) return {Smooth(x, y, 0), Smooth(x, y, 50), Smooth(x, y, 100)};
        return {static_cast<int>((x * 7 + y * 13) % 256), static_cast<int>((x * y) % 256),
                static_cast<int>((x ^ y) % 256)};
    }
    return {};
  }

  // Frame f in the layout of input pixel-format code `code`: exactly the bytes the
  // converter reads, rows packed top first. 6-bit grey takes one byte per pixel.
  std::vector<std::uint8_t> Frame(std::uint8_t code, int f) {
    std::vector<Rgb> rgb(std::size_t{w_} * h_);
    for (std::uint32_t y = 0; y < h_; ++y) {
      for (std::uint32_t x = 0; x < w_; ++x) rgb[y * w_ + x] = Pixel(x, y, f);
    }
    const auto at = [&](std::uint32_t x, std::uint32_t y) { return rgb[y * w_ + x]; };
    const auto luma = [&](std::uint32_t x, std::uint32_t y) {
      const Rgb p = at(x, y);
      return static_cast<std::uint8_t>((p.r + 2 * p.g + p.b) / 4);
    };
    std::vector<std::uint8_t> out(pixels::InputBytesRead(code, w_, h_, 1));
    std::size_t i = 0;
    switch (code) {
      case pixels::kRgb32:
      case pixels::kRgb24:
        for (const Rgb& p : rgb) {
          out[i++] = static_cast<std::uint8_t>(p.b);
          out[i++] = static_cast<std::uint8_t>(p.g);
          out[i++] = static_cast<std::uint8_t>(p.r);
          if (code == pixels::kRgb32) out[i++] = 0;
        }
        break;
      case pixels::kRgb555:
        for (const Rgb& p : rgb) {
          const int word = (p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3);
          out[i++] = static_cast<std::uint8_t>(word);
          out[i++] = static_cast<std::uint8_t>(word >> 8);
        }
        break;
      case pixels::kPackedYuyv:
      case pixels::kPackedUyvy:
        for (std::uint32_t y = 0; y < h_; ++y) {
          for (std::uint32_t x = 0; x + 1 < w_; x += 2) {
            const Rgb p = at(x, y);
            const std::uint8_t u = static_cast<std::uint8_t>(128 + (p.b - p.g) / 2);
            const std::uint8_t v = static_cast<std::uint8_t>(128 + (p.r - p.g) / 2);
            const std::array<std::uint8_t, 4> yuyv{luma(x, y), u, luma(x + 1, y), v};
            const std::array<std::uint8_t, 4> uyvy{u, luma(x, y), v, luma(x + 1, y)};
            const auto& pair = code == pixels::kPackedYuyv ? yuyv : uyvy;
            std::copy(pair.begin(), pair.end(), out.begin() + 2 * (y * w_ + x));
          }
        }
        break;
      case pixels::kPlanar420:
        for (std::uint32_t y = 0; y < h_; ++y) {
          for (std::uint32_t x = 0; x < w_; ++x) out[i++] = luma(x, y);
        }
        for (const int channel : {0, 1}) {
          for (std::uint32_t y = 0; y < h_ / 2; ++y) {
            for (std::uint32_t x = 0; x < w_ / 2; ++x) {
              const Rgb p = at(2 * x, 2 * y);
              out[i++] = static_cast<std::uint8_t>(128 + ((channel ? p.r : p.b) - p.g) / 2);
            }
          }
        }
        break;
      case pixels::kGrey4:
        for (std::uint32_t y = 0; y < h_; ++y) {
          for (std::uint32_t x = 0; x + 1 < w_ + 1; x += 2) {
            const int right = x + 1 < w_ ? luma(x + 1, y) >> 4 : 0;
            out[i++] = static_cast<std::uint8_t>((luma(x, y) >> 4) << 4 | right);
          }
        }
        break;
      case pixels::kBitFields:
        for (std::uint32_t y = 0; y < h_; ++y) {
          for (std::uint32_t x = 0; x < w_; ++x) out[i++] = luma(x, y) >> 2;
        }
        break;
      default:  // one byte per pixel: palette indices, grey, luma rows
        for (std::uint32_t y = 0; y < h_; ++y) {
          for (std::uint32_t x = 0; x < w_; ++x) out[i++] = luma(x, y);
        }
        break;
    }
    return out;
  }

 private:
  int Smooth(std::uint32_t x, std::uint32_t y, int phase) const {
    return Clamp(static_cast<int>(128 + 80 * std::sin((x + phase) / 11.0) * std::cos(y / 9.0)));
  }
  static int Clamp(int v) { return std::clamp(v, 0, 255); }

  Scene scene_;
  std::uint32_t w_, h_;
  std::mt19937 random_;
  std::vector<std::uint32_t> glyphs_;
};

}  // namespace kvtc::testing
