// Pictures in, a "Kvt1" AVI out: conversion to the codec's input bitmap, compression through
// the codec with the tool's key-frame requests (its interval and scene cuts) and, with a link
// budget, the quality the rate control chooses for each frame, and the AVI with the codec's
// key-frame flags in its index (a dropped frame is an empty chunk) and the codec's state
// stored with the stream.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/frame_pacer.h"
#include "kvtc/av_support.h"
#include "kvtc/input_conversion.h"
#include "settings/settings_record.h"

namespace kvtc::tool {

struct EncodeJob {
  std::string output;                  // the AVI file
  InputFormat inputFormat = InputFormat::Rgb24;
  int width = 0;                       // the bitmap the codec is given
  int height = 0;
  int sourceWidth = 0;                 // the pictures, padded out to width x height (0: same)
  int sourceHeight = 0;
  AVRational rate{15, 1};
  // The unit of the pictures' timestamps, which place each picture in its frame of the stream
  // (a gap is filled with held frames); {0, 1}: one picture a frame.
  AVRational timeBase{0, 1};
  settings::SettingsRecord settings{};  // the compressor settings wanted
  DWORD quality = 0;                    // sent with every frame
  unsigned keyInterval = 0;             // a key frame every so many frames; 0: the first only
  host::PacingChoices pacing;           // key frames at scene cuts, a link budget
  std::int64_t frameLimit = -1;         // stop after so many pictures; -1: all
  bool quiet = false;
  std::int64_t expectedFrames = 0;      // for the progress line; 0 when unknown
};

struct EncodeSummary {
  std::int64_t frames = 0;
  std::int64_t keyFrames = 0;
  std::int64_t dropped = 0;             // empty frames, for the link budget
  std::int64_t held = 0;                // empty frames, where the source had no new picture
  std::int64_t cuts = 0;                // scene cuts found
  std::uint64_t bytes = 0;
  double codecSeconds = 0;
  std::string codecName;
  // Frames until the decoder showed the whole first picture (1 when the first frame is a key
  // frame); 0 when the stream ended before it was whole.
  std::int64_t buildUpFrames = 0;
};

// `next` gives the pictures in order and nullptr at the end. Throws IoError (the AVI is then
// not left behind).
EncodeSummary EncodeToAvi(const EncodeJob& job, const std::function<const AVFrame*()>& next);

}  // namespace kvtc::tool
