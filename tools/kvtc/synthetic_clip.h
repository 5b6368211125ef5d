// The demo's built-in camera clip, made from nothing: 320x240 RGB at 15 frames a second. A
// textured brick wall pans slowly behind a rolling chequered ball and a striped card; at the
// scene cut the camera shows a landscape that tilts slowly while a cart crosses it. Every
// frame carries sensor noise. The same clip comes out on every run.
#pragma once

#include <cstdint>

#include "kvtc/av_support.h"

namespace kvtc::tool {

class SyntheticClip {
 public:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;
  static constexpr AVRational kRate{15, 1};

  // A clip of `frames` frames whose scene cut comes at 60% of it.
  explicit SyntheticClip(int frames);

  int Frames() const { return frames_; }
  int SceneCut() const { return cut_; }
  // The next frame (RGB24), valid until the next call; nullptr after the last.
  const AVFrame* Next();

 private:
  void DrawWall(int t);
  void DrawLandscape(int t);
  void DrawObjects(int t);
  void AddNoise(int t);

  int frames_;
  int cut_;
  int next_ = 0;
  FramePtr frame_;
};

}  // namespace kvtc::tool
