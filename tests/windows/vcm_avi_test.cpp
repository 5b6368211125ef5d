// Frames through the system's libraries: AVI files with the codec doing the compression,
// written with AVIMakeCompressedStream + AVIStreamWrite and with AVISaveV, read back with
// AVIStreamGetFrame, which decompresses through the codec again; the frame hashes through the
// Video Compression Manager that the runner compares with the Linux library's; and the error
// log that a damaged frame writes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "frame_hashes.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

constexpr DWORD kQuality = 7500;
constexpr DWORD kKeyFrameEvery = 4;  // frames 0 and 4 of the clip are key frames
// Mean absolute difference per sample that a decoded clip may show at this quality.
constexpr double kMaxMeanError = 12.0;

struct AviLibrary {
  AviLibrary() { AVIFileInit(); }
  ~AviLibrary() { AVIFileExit(); }
};

std::string TempAvi(const char* name) {
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  return std::string(dir) + "\\" + name;
}

AVISTREAMINFOA VideoInfo(DWORD handler, DWORD frameBytes) {
  AVISTREAMINFOA info{};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = handler;
  info.dwScale = 1;
  info.dwRate = 15;
  info.dwSuggestedBufferSize = frameBytes;
  SetRect(&info.rcFrame, 0, 0, kClipWidth, kClipHeight);
  return info;
}

AVICOMPRESSOPTIONS CodecOptions() {
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = kHandler;
  options.dwQuality = kQuality;
  options.dwKeyFrameEvery = kKeyFrameEvery;
  options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES;
  return options;
}

// Writes the 24-bit clip to a new file, through the codec when `compress`; the AVI error of
// the first call that failed, else 0.
HRESULT WriteClip(const std::string& path, bool compress) {
  const BITMAPINFOHEADER format = Header(kClipWidth, kClipHeight, 24);
  PAVIFILE file = nullptr;
  HRESULT hr = AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr);
  if (hr != AVIERR_OK) return hr;
  AVISTREAMINFOA info = VideoInfo(0, format.biSizeImage);
  PAVISTREAM raw = nullptr, stream = nullptr;
  hr = AVIFileCreateStreamA(file, &raw, &info);
  AVICOMPRESSOPTIONS options = CodecOptions();
  if (hr == AVIERR_OK && compress) hr = AVIMakeCompressedStream(&stream, raw, &options, nullptr);
  if (hr == AVIERR_OK && !compress) AVIStreamAddRef(stream = raw);
  if (hr == AVIERR_OK) hr = AVIStreamSetFormat(stream, 0, const_cast<BITMAPINFOHEADER*>(&format),
                                               sizeof(format));
  for (int n = 0; hr == AVIERR_OK && n < kClipFrames; ++n) {
    std::vector<BYTE> bits = ClipFrame(24, BI_RGB, n);
    hr = AVIStreamWrite(stream, n, 1, bits.data(), static_cast<LONG>(bits.size()),
                        n == 0 ? AVIIF_KEYFRAME : 0, nullptr, nullptr);
  }
  if (stream) AVIStreamRelease(stream);
  if (raw) AVIStreamRelease(raw);
  AVIFileRelease(file);
  return hr;
}

// Reads a compressed clip back: its tags, then every frame decoded as 24-bit RGB, compared
// with the clip it was made from.
void CheckCompressedClip(const std::string& path) {
  PAVISTREAM stream = nullptr;
  CHECK_EQ(AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
           AVIERR_OK);
  if (!stream) return;
  AVISTREAMINFOA info{};
  AVIStreamInfoA(stream, &info, sizeof(info));
  CHECK_EQ(info.dwLength, static_cast<DWORD>(kClipFrames));
  BITMAPINFOHEADER format{};
  LONG formatSize = sizeof(format);
  AVIStreamReadFormat(stream, 0, &format, &formatSize);
  CHECK_EQ(format.biCompression, kStreamFourcc);
  for (LONG n = 0; n < kClipFrames; ++n) {
    CHECK_EQ(AVIStreamIsKeyFrame(stream, n) != FALSE, n % kKeyFrameEvery == 0);
  }

  BITMAPINFOHEADER want = Header(kClipWidth, kClipHeight, 24);
  PGETFRAME frames = AVIStreamGetFrameOpen(stream, &want);
  CHECK(frames);
  for (int n = 0; frames && n < kClipFrames; ++n) {
    const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, n));
    CHECK(dib);
    if (!dib) break;
    const BYTE* got = reinterpret_cast<const BYTE*>(dib) + dib->biSize;
    const std::vector<BYTE> sent = ClipFrame(24, BI_RGB, n);
    double error = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) error += std::abs(got[i] - sent[i]);
    error /= static_cast<double>(sent.size());
    if (error > kMaxMeanError) {
      Fail(__FILE__, __LINE__, "frame " + std::to_string(n) + " differs by " + std::to_string(error));
    }
  }
  if (frames) AVIStreamGetFrameClose(frames);
  AVIStreamRelease(stream);
}

WINTEST_CASE(AviWrittenThroughACompressedStream) {
  AviLibrary avi;
  const std::string path = TempAvi("kvtc-stream.avi");
  CHECK_EQ(WriteClip(path, /*compress=*/true), AVIERR_OK);
  CheckCompressedClip(path);
}

WINTEST_CASE(AviSavedWithAviSaveV) {
  AviLibrary avi;
  const std::string rawPath = TempAvi("kvtc-raw.avi");
  const std::string path = TempAvi("kvtc-saved.avi");
  CHECK_EQ(WriteClip(rawPath, /*compress=*/false), AVIERR_OK);
  PAVISTREAM raw = nullptr;
  CHECK_EQ(AVIStreamOpenFromFileA(&raw, rawPath.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
           AVIERR_OK);
  if (!raw) return;
  AVICOMPRESSOPTIONS options = CodecOptions();
  AVICOMPRESSOPTIONS* optionList[] = {&options};
  const HRESULT hr = AVISaveVA(path.c_str(), nullptr, nullptr, 1, &raw, optionList);
  AVIStreamRelease(raw);
  CHECK_EQ(hr, AVIERR_OK);
  CheckCompressedClip(path);
}

// An AVI file that the Linux tool wrote, opened with AVIFileOpen and decoded frame by frame
// with AVIStreamGetFrame: every picture equals, byte for byte, what "kvtc decode --raw" made of
// the same file (24-bit RGB, top row first, beside it as linux.rgb). Every frame of it is a key
// frame: AVIStreamGetFrame may decode a frame again from the key frame before it, and a key
// frame predicts its first block row and column from the border of the picture decoded before
// it, so only a stream decoded in order gives the encoder's pictures exactly.
WINTEST_CASE(AviFromTheLinuxToolDecodesAsOnLinux) {
  if (TheOptions().linuxAvi.empty()) {
    Skip("no AVI from the Linux tool (--linux-avi DIR)");
    return;
  }
  AviLibrary avi;
  const std::vector<BYTE> expected = FileBytes(TheOptions().linuxAvi + "\\linux.rgb");
  PAVIFILE file = nullptr;
  CHECK_EQ(AVIFileOpenA(&file, (TheOptions().linuxAvi + "\\linux.avi").c_str(), OF_READ, nullptr),
           AVIERR_OK);
  if (!file) return;
  PAVISTREAM stream = nullptr;
  CHECK_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
  BITMAPINFOHEADER format{};
  LONG formatSize = sizeof(format);
  if (stream) AVIStreamReadFormat(stream, 0, &format, &formatSize);
  CHECK_EQ(format.biCompression, kStreamFourcc);
  const LONG width = format.biWidth, height = format.biHeight;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  const std::size_t pictureBytes = rowBytes * static_cast<std::size_t>(height);
  CHECK(pictureBytes > 0 && !expected.empty() && expected.size() % pictureBytes == 0);
  const LONG pictures = pictureBytes ? static_cast<LONG>(expected.size() / pictureBytes) : 0;
  CHECK_EQ(stream ? AVIStreamLength(stream) : 0, pictures);

  BITMAPINFOHEADER want = Header(width, height, 24);
  PGETFRAME frames = stream && pictures ? AVIStreamGetFrameOpen(stream, &want) : nullptr;
  CHECK(frames);
  const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
  for (LONG n = 0; frames && n < pictures; ++n) {
    const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, n));
    CHECK(dib);
    if (!dib) break;
    const BYTE* bits = reinterpret_cast<const BYTE*>(dib) + dib->biSize;
    const BYTE* picture = expected.data() + static_cast<std::size_t>(n) * pictureBytes;
    double difference = 0;
    for (LONG y = 0; y < height; ++y) {  // the DIB's rows are bottom-up
      const BYTE* got = bits + static_cast<std::size_t>(height - 1 - y) * stride;
      const BYTE* want = picture + static_cast<std::size_t>(y) * rowBytes;
      for (std::size_t i = 0; i < rowBytes; ++i) difference += std::abs(got[i] - want[i]);
    }
    difference /= static_cast<double>(pictureBytes);
    CHECK_EQ(difference, 0.0);
  }
  if (frames) AVIStreamGetFrameClose(frames);
  if (stream) AVIStreamRelease(stream);
  AVIFileRelease(file);
}

// The frame hashes that the runner compares with those of the Linux library.
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
