#include "compare/clip_set.h"

#include <algorithm>
#include <filesystem>

#include "kvtc/media_reader.h"
#include "kvtc/synthetic_clip.h"
#include "kvtc/tool_errors.h"

namespace kvtc::compare {
namespace {

// Resizes every picture to width x height (a plain copy at the same size).
Clip Resized(const std::string& name, const std::vector<tool::FramePtr>& pictures, int width,
             int height) {
  Clip clip{name + " " + std::to_string(width) + "x" + std::to_string(height), width, height, {}};
  tool::Scaler scaler;
  for (const tool::FramePtr& p : pictures) {
    clip.frames.push_back(tool::AllocFrame(width, height, AV_PIX_FMT_RGB24));
    scaler.Convert(*p, *clip.frames.back(), true);
  }
  return clip;
}

// A picture's own copy, in RGB24 at its own size.
tool::FramePtr Rgb24Copy(const AVFrame& picture, tool::Scaler& scaler) {
  tool::FramePtr copy = tool::AllocFrame(picture.width, picture.height, AV_PIX_FMT_RGB24);
  scaler.Convert(picture, *copy, true);
  return copy;
}

}  // namespace

std::vector<Clip> LoadClips(const std::string& footageDir, int frameLimit,
                            const std::vector<std::pair<int, int>>& sizes) {
  std::vector<std::pair<std::string, std::vector<tool::FramePtr>>> sources;

  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(footageDir, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  if (error) throw tool::FileError(footageDir, "cannot list the footage: " + error.message());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    tool::MediaReader reader(tool::MediaSource{path.string(), {}, {}, {}});
    std::vector<tool::FramePtr> pictures;
    tool::Scaler scaler;
    while (static_cast<int>(pictures.size()) < frameLimit) {
      const AVFrame* picture = reader.Next();
      if (!picture) break;
      pictures.push_back(Rgb24Copy(*picture, scaler));
    }
    if (pictures.empty()) throw tool::FileError(path.string(), "holds no pictures");
    sources.emplace_back(path.filename().string(), std::move(pictures));
  }

  tool::SyntheticClip demo(frameLimit);
  std::vector<tool::FramePtr> demoPictures;
  tool::Scaler scaler;
  while (const AVFrame* picture = demo.Next()) demoPictures.push_back(Rgb24Copy(*picture, scaler));
  sources.emplace_back("demo clip", std::move(demoPictures));

  std::vector<Clip> clips;
  for (const auto& [name, pictures] : sources) {
    for (const auto& [width, height] : sizes) clips.push_back(Resized(name, pictures, width, height));
  }
  return clips;
}

}  // namespace kvtc::compare
