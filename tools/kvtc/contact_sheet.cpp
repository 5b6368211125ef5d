#include "kvtc/contact_sheet.h"

#include <cstring>

#include "kvtc/media_writer.h"

namespace kvtc::tool {

ContactSheet::ContactSheet(int pictureWidth, int pictureHeight, int rows)
    : width_(pictureWidth),
      height_(pictureHeight),
      sheet_(AllocFrame(2 * pictureWidth + 3 * kGap, rows * (pictureHeight + kGap) + kGap,
                        AV_PIX_FMT_RGB24)) {
  for (int y = 0; y < sheet_->height; ++y) {
    std::memset(sheet_->data[0] + static_cast<std::ptrdiff_t>(y) * sheet_->linesize[0], 32,
                3 * static_cast<std::size_t>(sheet_->width));
  }
}

void ContactSheet::Place(const AVFrame& picture, int left, int top) {
  for (int y = 0; y < height_; ++y) {
    std::memcpy(sheet_->data[0] + static_cast<std::ptrdiff_t>(top + y) * sheet_->linesize[0] +
                    3 * left,
                picture.data[0] + static_cast<std::ptrdiff_t>(y) * picture.linesize[0],
                3 * static_cast<std::size_t>(width_));
  }
}

void ContactSheet::SetRow(int row, const AVFrame& original, const AVFrame& decoded) {
  const int top = kGap + row * (height_ + kGap);
  Place(original, kGap, top);
  Place(decoded, 2 * kGap + width_, top);
}

void ContactSheet::WritePng(const std::string& path) const {
  MediaWriter png(path, sheet_->width, sheet_->height, {1, 1}, false);
  png.Write(*sheet_);
  png.Finish();
}

}  // namespace kvtc::tool
