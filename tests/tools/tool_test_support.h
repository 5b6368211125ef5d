// Helpers for the tool's tests: running the built kvtc program and FFmpeg's command-line
// tools, a scratch directory per test, and a stand-in for the codec's frame messages whose
// pictures tell which frame they came from.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kvtc/avi_writer.h"
#include "platform/win32_types.h"
#include "support/host.h"

namespace kvtc::tool::testing {

struct CommandResult {
  int status = -1;  // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs a shell command line.
CommandResult Run(const std::string& commandLine);
// Runs the built kvtc program with the given arguments (each quoted for the shell).
CommandResult RunKvtcProgram(const std::vector<std::string>& args);
// Runs the tool in this process (through the stand-in codec when one is installed), with its
// standard output and error captured and its standard input from `stdinPath` if given.
CommandResult RunKvtcHere(const std::vector<std::string>& args,
                          const std::string& stdinPath = "");

// What ffprobe sees of a file's first video stream: its fields (codec_tag_string, width,
// height, r_frame_rate, nb_frames, and nb_read_frames when frames are counted) and, when asked,
// one entry per packet telling whether it is a key frame.
struct Probe {
  std::map<std::string, std::string> fields;
  std::vector<bool> keys;
  std::string operator[](const std::string& field) { return fields[field]; }
};
Probe ProbeVideo(const std::string& path, bool countFrames = false, bool packets = false);
// Makes a test clip with an ffmpeg lavfi source, e.g. "testsrc2=size=160x120:rate=15".
std::string MakeClip(const std::string& dir, const std::string& name, const std::string& source,
                     int frames, const std::string& pixelFormat = "yuv420p");

// A compressed frame from its header bytes (flags and optional bytes) and its three
// sections, with a checksum that holds unless one is given.
std::vector<std::uint8_t> MakeKvtFrame(const std::vector<std::uint8_t>& header,
                                       const std::vector<std::uint8_t>& samples,
                                       const std::vector<std::uint8_t>& blockBits,
                                       const std::vector<std::uint8_t>& refinement,
                                       int checksum = -1);

// A KVT Codec stream of 160x120 pictures at rateNum/rateDen frames a second, as the tool
// describes one (its handler, name and stored state included).
AviVideoInfo KvtStream(std::uint32_t rateNum = 15, std::uint32_t rateDen = 1);
// Writes an AVI of these frames, each key where `keys` says.
void WriteAvi(const std::string& path, const AviVideoInfo& info,
              const std::vector<std::vector<std::uint8_t>>& frames, const std::vector<bool>& keys);

// The average luma PSNR of `decoded` against `source`, as ffmpeg's psnr filter measures it
// (0 when it cannot).
double FfmpegPsnr(const std::string& source, const std::string& decoded);

// A real camera clip fetched by scripts/install-deps --media; empty when it is missing.
std::string Footage(const std::string& name);

// A test with its own system directory and scratch directory.
class ToolTest : public kvtc::testing::HostTest {
 protected:
  std::string Scratch(const std::string& name) const { return systemDir_.path() + "/" + name; }
};

// The stand-in codec: every message goes to the real DriverProc except ICM_COMPRESS and
// ICM_DECOMPRESS. Compression answers a well-formed 7-byte frame (flags, one sample holding
// the frame number, empty bit sections, checksum 0) with the key flag as asked; decompression
// fills the destination bitmap with that sample, and leaves it alone when the checksum fails,
// as the codec does.
class StandInCodecTest : public ToolTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // ICM_DECOMPRESS calls seen since SetUp.
  static int DecompressCalls();
};

}  // namespace kvtc::tool::testing
