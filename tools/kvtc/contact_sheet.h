// A contact sheet: chosen frames of a clip, the original on the left and the decoded picture
// on the right of each row, on a dark background, written as one PNG.
#pragma once

#include <string>

#include "kvtc/av_support.h"

namespace kvtc::tool {

class ContactSheet {
 public:
  ContactSheet(int pictureWidth, int pictureHeight, int rows);
  // Places a pair of RGB24 pictures in row `row`.
  void SetRow(int row, const AVFrame& original, const AVFrame& decoded);
  // Throws IoError naming the path when it cannot be written.
  void WritePng(const std::string& path) const;

  const AVFrame& Picture() const { return *sheet_; }

 private:
  static constexpr int kGap = 6;
  void Place(const AVFrame& picture, int left, int top);

  int width_;
  int height_;
  FramePtr sheet_;
};

}  // namespace kvtc::tool
