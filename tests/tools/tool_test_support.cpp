#include "tool_test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "driver/driver_proc.h"
#include "host/codec_host.h"
#include "kvtc/commands.h"

namespace kvtc::tool::testing {
namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int g_decompressCalls = 0;

LRESULT StandInProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM p1, LPARAM p2) {
  if (message == ICM_COMPRESS) {
    auto* c = reinterpret_cast<ICCOMPRESS*>(p1);
    const LRESULT query = DriverProc(id, driver, ICM_COMPRESS_QUERY,
                                     reinterpret_cast<LPARAM>(c->lpbiInput),
                                     reinterpret_cast<LPARAM>(c->lpbiOutput));
    if (query != ICERR_OK) return 1;
    const bool key = c->dwFlags & ICCOMPRESS_KEYFRAME;
    *c->lpdwFlags = key ? AVIIF_KEYFRAME : 0;
    const std::uint8_t frame[] = {static_cast<std::uint8_t>(key ? 0x03 : 0x02), 1, 0,
                                  static_cast<std::uint8_t>(c->lFrameNum), 0, 0, 0};
    std::memcpy(c->lpOutput, frame, sizeof frame);
    c->lpbiOutput->biSizeImage = sizeof frame;
    c->lpbiOutput->biCompression = MakeFourcc("Kvt1");
    return ICERR_OK;
  }
  if (message == ICM_DECOMPRESS) {
    ++g_decompressCalls;
    const auto* d = reinterpret_cast<const ICDECOMPRESS*>(p1);
    const auto* src = static_cast<const std::uint8_t*>(d->lpInput);
    const DWORD size = d->lpbiInput->biSizeImage;
    unsigned sum = 0;
    for (DWORD i = 6; i + 1 < size; ++i) sum += src[i];
    if (size < 7 || (sum & 0xFF) != src[size - 1]) return ICERR_OK;
    const BITMAPINFOHEADER& h = *d->lpbiOutput;
    const std::size_t row = h.biBitCount == 4 ? (h.biWidth + 1) / 2
                                              : static_cast<std::size_t>(h.biWidth) * h.biBitCount / 8;
    std::memset(d->lpOutput, src[3], row * std::abs(h.biHeight));
    return ICERR_OK;
  }
  return DriverProc(id, driver, message, p1, p2);
}

}  // namespace

CommandResult Run(const std::string& commandLine) {
  char errPath[] = "/tmp/kvtc-test-err-XXXXXX";
  const int fd = mkstemp(errPath);
  if (fd >= 0) close(fd);
  CommandResult result;
  std::FILE* p = popen((commandLine + " 2>" + errPath).c_str(), "r");
  if (!p) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) result.out.append(buffer, n);
  const int status = pclose(p);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadText(errPath);
  std::remove(errPath);
  return result;
}

CommandResult RunKvtcProgram(const std::vector<std::string>& args) {
  std::string line = Quote(KVTC_TOOL_PATH);
  for (const std::string& a : args) {
    line += ' ';
    line += Quote(a);
  }
  return Run(line);
}

CommandResult RunKvtcHere(const std::vector<std::string>& args, const std::string& stdinPath) {
  std::vector<const char*> argv = {"kvtc"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  // Standard streams go to files for the run, and come back afterwards.
  char outPath[] = "/tmp/kvtc-test-out-XXXXXX";
  char errPath[] = "/tmp/kvtc-test-err-XXXXXX";
  const int outFd = mkstemp(outPath), errFd = mkstemp(errPath);
  std::fflush(stdout);
  std::fflush(stderr);
  const int savedOut = dup(1), savedErr = dup(2), savedIn = dup(0);
  dup2(outFd, 1);
  dup2(errFd, 2);
  if (!stdinPath.empty()) {
    const int in = open(stdinPath.c_str(), O_RDONLY);
    dup2(in, 0);
    close(in);
  }
  CommandResult result;
  result.status = RunKvtc(static_cast<int>(argv.size()), argv.data());
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  dup2(savedIn, 0);
  for (int fd : {savedOut, savedErr, savedIn, outFd, errFd}) close(fd);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  std::remove(outPath);
  std::remove(errPath);
  return result;
}

Probe ProbeVideo(const std::string& path, bool countFrames, bool packets) {
  const CommandResult r = Run(
      "ffprobe -v error -select_streams v:0 " + std::string(countFrames ? "-count_frames " : "") +
      "-show_entries stream=codec_tag_string,width,height,r_frame_rate,nb_frames,nb_read_frames" +
      (packets ? ":packet=flags" : "") + " -of default=nw=1 " + Quote(path));
  Probe probe;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (line.compare(0, eq, "flags") == 0) {
      probe.keys.push_back(line.size() > eq + 1 && line[eq + 1] == 'K');
    } else {
      probe.fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return probe;
}

std::string MakeClip(const std::string& dir, const std::string& name, const std::string& source,
                     int frames, const std::string& pixelFormat) {
  const std::string path = dir + "/" + name;
  const CommandResult r =
      Run("ffmpeg -v error -y -f lavfi -i " + Quote(source) + " -frames:v " +
          std::to_string(frames) + " -pix_fmt " + pixelFormat + " " + Quote(path));
  EXPECT_EQ(r.status, 0) << r.err;
  return path;
}

AviVideoInfo KvtStream(std::uint32_t rateNum, std::uint32_t rateDen) {
  AviVideoInfo info;
  BITMAPINFOHEADER& h = info.format.header();
  h.biWidth = 160;
  h.biHeight = 120;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = MakeFourcc("Kvt1");
  h.biSizeImage = 28800;
  info.handler = MakeFourcc("KVTC");
  info.rateNum = rateNum;
  info.rateDen = rateDen;
  info.codecState.assign(38, 0);
  info.codecState[0] = 'K';
  info.name = "KVT Codec";
  return info;
}

void WriteAvi(const std::string& path, const AviVideoInfo& info,
              const std::vector<std::vector<std::uint8_t>>& frames, const std::vector<bool>& keys) {
  AviWriter w(path, info);
  for (std::size_t i = 0; i < frames.size(); ++i) w.WriteFrame(frames[i], keys[i]);
  w.Finish();
}

double FfmpegPsnr(const std::string& source, const std::string& decoded) {
  const CommandResult r = Run("ffmpeg -v info -i " + Quote(source) + " -i " + Quote(decoded) +
                              " -lavfi psnr -f null - 2>&1 >/dev/null | grep -o 'y:[0-9.inf]*' "
                              "| tail -1");
  return r.out.size() > 2 ? std::stod(r.out.substr(2)) : 0.0;
}

std::vector<std::uint8_t> MakeKvtFrame(const std::vector<std::uint8_t>& header,
                                       const std::vector<std::uint8_t>& samples,
                                       const std::vector<std::uint8_t>& blockBits,
                                       const std::vector<std::uint8_t>& refinement,
                                       int checksum) {
  std::vector<std::uint8_t> f = header;
  for (const auto* section : {&samples, &blockBits}) {
    f.push_back(static_cast<std::uint8_t>(section->size()));
    f.push_back(static_cast<std::uint8_t>(section->size() >> 8));
    f.insert(f.end(), section->begin(), section->end());
  }
  f.insert(f.end(), refinement.begin(), refinement.end());
  unsigned sum = 0;
  for (auto b : blockBits) sum += b;
  for (auto b : refinement) sum += b;
  f.push_back(static_cast<std::uint8_t>(checksum >= 0 ? checksum : sum));
  return f;
}

std::string Footage(const std::string& name) {
  const std::string path = std::string(KVTC_FOOTAGE_DIR) + "/" + name;
  std::ifstream in(path);
  return in ? path : std::string();
}

void StandInCodecTest::SetUp() {
  g_decompressCalls = 0;
  host::SetDriverProcForTesting(&StandInProc);
}

void StandInCodecTest::TearDown() { host::SetDriverProcForTesting(nullptr); }

int StandInCodecTest::DecompressCalls() { return g_decompressCalls; }

}  // namespace kvtc::tool::testing
