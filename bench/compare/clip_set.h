// The clips the comparison runs on, held in memory as RGB24 pictures of the size each run
// asks for: the camera footage and the demo's built-in clip, each at 320x240 and 640x480.
#pragma once

#include <string>
#include <vector>

#include "kvtc/av_support.h"

namespace kvtc::compare {

struct Clip {
  std::string name;                    // "cup.mp4 640x480"
  int width = 0;
  int height = 0;
  std::vector<tool::FramePtr> frames;  // RGB24, full range
};

// Every clip of the footage directory (the files it holds, in name order) and the built-in
// clip, each at every size given, at most `frameLimit` frames each. Throws IoError naming a
// clip that cannot be read.
std::vector<Clip> LoadClips(const std::string& footageDir, int frameLimit,
                            const std::vector<std::pair<int, int>>& sizes);

}  // namespace kvtc::compare
