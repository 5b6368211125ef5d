// Frames through the Video Compression Manager: the frame hashes that the runner compares with
// those of the Linux library, and the error log that a damaged frame writes.
#include <cstdio>

#include "frame_hashes.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

WINTEST_CASE(FrameHashesForTheLinuxComparison) {
  const CodecPort port{
      [](const settings::SettingsRecord* record) {
        const std::string file = SystemFile("KVTC.cfg");
        DeleteFileA(file.c_str());
        if (record && !WriteSettingsFile(file, *record)) return std::uintptr_t{0};
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
}

// A frame whose checksum fails, decompressed as a host does it, leaves the picture untouched
// and a line naming the frame in KVTC.err in the system directory.
WINTEST_CASE(DamagedFrameIsLoggedInTheSystemDirectory) {
  OpenCodec decoder(ICMODE_DECOMPRESS);
  CHECK(decoder);
  BITMAPINFOHEADER in = Header(kClipWidth, kClipHeight, 24, kStreamFourcc);
  BITMAPINFOHEADER picture = Header(kClipWidth, kClipHeight, 24);
  // No block changed (48 zero bits), and a checksum byte that should be 0.
  BYTE frame[] = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0x5A};
  in.biSizeImage = sizeof(frame);
  const std::vector<BYTE> before(picture.biSizeImage, 0x33);
  std::vector<BYTE> bits = before;
  CHECK_EQ(ICDecompressBegin(decoder.get(), &in, &picture), ICERR_OK);
  CHECK_EQ(ICDecompress(decoder.get(), 0, &in, frame, &picture, bits.data()), ICERR_OK);
  ICDecompressEnd(decoder.get());
  CHECK(bits == before);
  const std::vector<BYTE> log = FileBytes(SystemFile("KVTC.err"));
  const std::string text(log.begin(), log.end());
  // The log is a text stream: on Windows its lines end with CR LF.
  CHECK(text.find("ERROR: failed to pass checksum for frame 0\r\n") != std::string::npos);
}

}  // namespace
}  // namespace kvtc::wintest
