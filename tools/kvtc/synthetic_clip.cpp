#include "kvtc/synthetic_clip.h"

#include <algorithm>
#include <cmath>

namespace kvtc::tool {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A repeatable hash of a lattice point, 0..1.
double Hash(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise, 0..1, with features about `scale` pixels apart.
double Noise(double x, double y, double scale, std::uint32_t seed) {
  x /= scale;
  y /= scale;
  const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  const double fx = x - ix, fy = y - iy;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

std::uint8_t Byte(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); }

void Put(AVFrame& f, int x, int y, double r, double g, double b) {
  std::uint8_t* p = f.data[0] + static_cast<std::ptrdiff_t>(y) * f.linesize[0] + 3 * x;
  p[0] = Byte(r);
  p[1] = Byte(g);
  p[2] = Byte(b);
}

}  // namespace

SyntheticClip::SyntheticClip(int frames)
    : frames_(frames), cut_(frames * 3 / 5), frame_(AllocFrame(kWidth, kHeight, AV_PIX_FMT_RGB24)) {}

const AVFrame* SyntheticClip::Next() {
  if (next_ >= frames_) return nullptr;
  const int t = next_++;
  if (av_frame_make_writable(frame_.get()) < 0) return nullptr;
  if (t < cut_) {
    DrawWall(t);
  } else {
    DrawLandscape(t - cut_);
  }
  DrawObjects(t);
  AddNoise(t);
  frame_->pts = t;
  return frame_.get();
}

void SyntheticClip::DrawWall(int t) {
  // Bricks of 40x16 with mortar, each with its own tint and a grainy surface; the camera
  // pans right by three quarters of a pixel a frame.
  const double pan = 0.75 * t;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double wx = x + pan, wy = y;
      const int row = static_cast<int>(std::floor(wy / 16));
      const double bx = wx + (row & 1) * 20;
      const int col = static_cast<int>(std::floor(bx / 40));
      const double mx = bx - col * 40, my = wy - row * 16;
      const double grain = Noise(wx, wy, 3, 7) * 40 + Noise(wx, wy, 11, 9) * 30;
      if (mx < 2.5 || my < 2.5) {
        Put(*frame_, x, y, 150 + grain * 0.3, 145 + grain * 0.3, 135 + grain * 0.3);
      } else {
        const double tint = Hash(col, row, 3) * 50;
        Put(*frame_, x, y, 120 + tint + grain, 60 + tint * 0.4 + grain * 0.6, 40 + grain * 0.4);
      }
    }
  }
}

void SyntheticClip::DrawLandscape(int t) {
  // Sky, two ranges of hills and a field, tilting up by half a pixel a frame.
  const double tilt = 0.5 * t;
  for (int y = 0; y < kHeight; ++y) {
    const double wy = y - tilt;
    for (int x = 0; x < kWidth; ++x) {
      const double far = 110 + 18 * std::sin(x * 0.031) + 10 * std::sin(x * 0.083 + 1);
      const double near = 150 + 14 * std::sin(x * 0.021 + 2) + 6 * std::sin(x * 0.11);
      const double cloud = Noise(x, wy, 24, 21);
      if (wy < far) {
        const double sky = 1 - std::clamp(wy / 120.0, 0.0, 1.0);
        const double white = std::max(0.0, cloud - 0.55) * 300;
        Put(*frame_, x, y, 90 + 60 * (1 - sky) + white, 140 + 50 * (1 - sky) + white, 230 + white);
      } else if (wy < near) {
        const double shade = Noise(x, wy, 6, 23) * 40;
        Put(*frame_, x, y, 70 + shade, 100 + shade, 120 + shade);
      } else {
        const double grass = Noise(x, wy, 2, 25) * 60 + Noise(x, wy, 15, 27) * 40;
        Put(*frame_, x, y, 50 + grass * 0.5, 110 + grass, 40 + grass * 0.3);
      }
    }
  }
}

void SyntheticClip::DrawObjects(int t) {
  if (t < cut_) {
    // A chequered ball rolling along a wave, and a striped card sliding down and across.
    const double cx = 60 + 3.2 * t, cy = 120 + 50 * std::sin(t * 0.12), radius = 30;
    const double spin = t * 0.15;
    const double kx = 250 - 1.5 * t, ky = 30 + 1.0 * t;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double dx = x - cx, dy = y - cy, d = std::hypot(dx, dy);
        if (d < radius) {
          const double angle = std::atan2(dy, dx) + spin;
          const bool check = (static_cast<int>(std::floor(angle / (kPi / 4)) + 8) +
                              static_cast<int>(d / 10)) & 1;
          const double light = 1 - 0.5 * d / radius;
          Put(*frame_, x, y, (check ? 230 : 30) * light, (check ? 220 : 40) * light,
              (check ? 60 : 160) * light);
        } else if (x >= kx && x < kx + 70 && y >= ky && y < ky + 45) {
          const bool stripe = static_cast<int>((x - kx + y - ky) / 6) & 1;
          Put(*frame_, x, y, stripe ? 240 : 20, stripe ? 240 : 120, stripe ? 240 : 60);
        }
      }
    }
  } else {
    // A cart crossing the field from the left.
    const double kx = -80 + 4.0 * (t - cut_), ky = 175;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool body = x >= kx && x < kx + 80 && y >= ky && y < ky + 30;
        const double w1 = std::hypot(x - (kx + 18), y - (ky + 32));
        const double w2 = std::hypot(x - (kx + 62), y - (ky + 32));
        if (w1 < 10 || w2 < 10) {
          Put(*frame_, x, y, 25, 25, 25);
        } else if (body) {
          Put(*frame_, x, y, 200, 40 + (y - ky) * 2, 30);
        }
      }
    }
  }
}

void SyntheticClip::AddNoise(int t) {
  // Sensor noise: roughly Gaussian, a standard deviation near 2.5 levels.
  std::uint32_t state = 0x9E3779B9u ^ static_cast<std::uint32_t>(t) * 2654435761u;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<int>(state & 0xFF);
  };
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* p = frame_->data[0] + static_cast<std::ptrdiff_t>(y) * frame_->linesize[0];
    for (int i = 0; i < 3 * kWidth; ++i) {
      const int n = (next() + next() + next() - 382) / 50;
      p[i] = Byte(p[i] + n);
    }
  }
}

}  // namespace kvtc::tool
