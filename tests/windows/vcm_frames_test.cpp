// Frames through the Video Compression Manager: the frame hashes that the runner compares with
// those of the Linux library.
#include <cstdio>

#include "codec_install.h"
#include "frame_hashes.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

WINTEST_CASE(FrameHashesForTheLinuxComparison) {
  const CodecPort port{
      [] {
        DeleteFileA(SystemFile("KVTC.cfg").c_str());
        return reinterpret_cast<std::uintptr_t>(ICOpen(ICTYPE_VIDEO, kHandler, ICMODE_COMPRESS));
      },
      [](std::uintptr_t hic) { ICClose(reinterpret_cast<HIC>(hic)); },
      [](std::uintptr_t hic, UINT message, LPARAM a, LPARAM b) {
        return ICSendMessage(reinterpret_cast<HIC>(hic), message, a, b);
      }};
  const std::vector<std::string> lines = HashSequences(port);
  CHECK(!lines.empty());
  if (!TheOptions().outDir.empty()) {
    const std::string path = TheOptions().outDir + "\\frame-hashes.txt";
    std::FILE* f = std::fopen(path.c_str(), "w");
    CHECK(f);
    if (f) {
      for (const std::string& line : lines) std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }
  DeleteFileA(SystemFile("KVTC.cfg").c_str());
  if (!FramesWereCoded(lines)) Skip("this build of the codec does not compress frames yet");
}

}  // namespace
}  // namespace kvtc::wintest
