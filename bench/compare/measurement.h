// The pieces every timed run shares: a stopwatch of processor time, the conversion a player does between a
// codec's pictures and 24-bit RGB (libswscale's fast path, as players use it), and the score
// of delivered BGR24 pictures against the sources.
#pragma once

#include <time.h>

#include <cstdint>
#include <memory>

#include "kvtc/av_support.h"
#include "kvtc/picture_metrics.h"

namespace kvtc::compare {

// The processor time of the calling thread: the other programs sharing the machine do not
// count, only the work done here.
class Stopwatch {
 public:
  void Start() { start_ = Now(); }
  // Adds the time since Start to the total.
  void Stop() { seconds_ += Now() - start_; }
  double Seconds() const { return seconds_; }

 private:
  static double Now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
  double start_ = 0;
  double seconds_ = 0;
};

// libswscale at its default quality between two pictures of the same size, its context kept
// from picture to picture; YUV on either side is limited range, as codecs take and give it.
class PlayerConversion {
 public:
  void Run(const AVFrame& src, AVFrame& dst);

 private:
  std::unique_ptr<SwsContext, tool::SwsFree> context_;
};

// PSNR-Y of top-down packed BGR24 pictures against the RGB24 sources.
class BgrScore {
 public:
  void Add(const AVFrame& source, const std::uint8_t* bgr, int rowBytes);
  double PsnrY() const { return error_.PsnrY(); }

 private:
  tool::PictureError error_;
  tool::FramePtr bgr_;
  tool::FramePtr rgb_;
  tool::Scaler scaler_;
};

}  // namespace kvtc::compare
