#include "compare/measurement.h"

#include <cstring>

namespace kvtc::compare {

void PlayerConversion::Run(const AVFrame& src, AVFrame& dst) {
  context_.reset(sws_getCachedContext(context_.release(), src.width, src.height,
                                      static_cast<AVPixelFormat>(src.format), dst.width,
                                      dst.height, static_cast<AVPixelFormat>(dst.format),
                                      SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!context_) throw std::bad_alloc();
  sws_scale(context_.get(), src.data, src.linesize, 0, src.height, dst.data, dst.linesize);
}

void BgrScore::Add(const AVFrame& source, const std::uint8_t* bgr, int rowBytes) {
  if (!bgr_ || bgr_->width != source.width || bgr_->height != source.height) {
    bgr_ = tool::AllocFrame(source.width, source.height, AV_PIX_FMT_BGR24);
    rgb_ = tool::AllocFrame(source.width, source.height, AV_PIX_FMT_RGB24);
  }
  for (int y = 0; y < source.height; ++y) {
    std::memcpy(bgr_->data[0] + std::ptrdiff_t{bgr_->linesize[0]} * y,
                bgr + std::ptrdiff_t{rowBytes} * y, std::size_t(3) * source.width);
  }
  scaler_.Convert(*bgr_, *rgb_, true);
  error_.Add(source, *rgb_);
}

}  // namespace kvtc::compare
