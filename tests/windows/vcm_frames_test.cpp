// Frames through the Video Compression Manager: the frame hashes that the runner compares with
// those of the Linux library, and the error log that a damaged frame writes.
#include <cstdio>
#include <cstring>

#include "codec_install.h"
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

// ICCompress and ICDecompress as a host calls them: a damaged checksum leaves the picture
// untouched and a line naming the frame in KVTC.err in the system directory.
WINTEST_CASE(DamagedFrameIsLoggedInTheSystemDirectory) {
  OpenCodec codec;
  CHECK(codec);
  BITMAPINFOHEADER in = Header(kClipWidth, kClipHeight, 24);
  BITMAPINFOHEADER out{};
  ICCompressGetFormat(codec.get(), &in, &out);
  std::vector<std::vector<BYTE>> frames;
  ICCompressBegin(codec.get(), &in, &out);
  for (int n = 0; n < 2; ++n) {
    std::vector<BYTE> picture = ClipFrame(24, BI_RGB, n);
    std::vector<BYTE> compressed(ICCompressGetSize(codec.get(), &in, &out));
    DWORD ckid = 0, flags = 0;
    const DWORD result = ICCompress(codec.get(), n == 0 ? ICCOMPRESS_KEYFRAME : 0, &out,
                                    compressed.data(), &in, picture.data(), &ckid, &flags, n, 0,
                                    7500, nullptr, nullptr);
    CHECK_EQ(result, ICERR_OK);
    compressed.resize(out.biSizeImage);
    frames.push_back(std::move(compressed));
  }
  ICCompressEnd(codec.get());
  frames[1].back() ^= 0x5A;  // the checksum byte

  OpenCodec decoder(ICMODE_DECOMPRESS);
  BITMAPINFOHEADER picture = Header(kClipWidth, kClipHeight, 24);
  std::vector<BYTE> bits(picture.biSizeImage);
  CHECK_EQ(ICDecompressBegin(decoder.get(), &out, &picture), ICERR_OK);
  for (const std::vector<BYTE>& frame : frames) {
    out.biSizeImage = static_cast<DWORD>(frame.size());
    const std::vector<BYTE> before = bits;
    CHECK_EQ(ICDecompress(decoder.get(), 0, &out, const_cast<BYTE*>(frame.data()), &picture,
                          bits.data()),
             ICERR_OK);
    if (&frame == &frames[1]) CHECK(bits == before);
  }
  ICDecompressEnd(decoder.get());
  const std::vector<BYTE> log = FileBytes(SystemFile("KVTC.err"));
  const std::string text(log.begin(), log.end());
  // The log is a text stream: on Windows its lines end with CR LF.
  CHECK(text.find("ERROR: failed to pass checksum for frame 1\r\n") != std::string::npos);
}

}  // namespace
}  // namespace kvtc::wintest
