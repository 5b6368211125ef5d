#include <cstdio>
#include <iostream>
#include <new>
#include <vector>

#include "kvtc/av_support.h"
#include "kvtc/commands.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

struct Command {
  const char* name;
  int (*run)(std::span<const std::string>);
  const char* summary;
};

constexpr Command kCommands[] = {
    {"encode", RunEncode, "compress a video into a KVT Codec AVI"},
    {"decode", RunDecode, "decompress a KVT Codec AVI into any video or image format"},
    {"info", RunInfo, "show a KVT Codec AVI's stream and every frame's header"},
    {"config", RunConfig, "show or change the codec's saved settings"},
    {"demo", RunDemo, "encode and decode a built-in camera clip with every preset"},
};

void PrintHelp(std::FILE* to) {
  std::fprintf(to,
               "Usage: kvtc COMMAND [OPTIONS]\n\n"
               "A host for the KVT Codec: it drives the codec through its driver entry point\n"
               "and reads and writes media with FFmpeg.\n\nCommands:\n");
  for (const Command& c : kCommands) std::fprintf(to, "  %-8s %s\n", c.name, c.summary);
  std::fprintf(to,
               "\nRun 'kvtc COMMAND --help' for a command's options.\n"
               "Exit status: 0 success, 1 usage error, 2 input or output error.\n");
}

}  // namespace

int RunKvtc(int argc, const char* const* argv) {
  QuietFfmpegLog();
  if (argc < 2) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp(stdout);
    return kExitOk;
  }
  const Command* command = nullptr;
  for (const Command& c : kCommands) {
    if (name == c.name) command = &c;
  }
  if (!command) {
    std::fprintf(stderr, "kvtc: unknown command '%s'\nTry 'kvtc --help'.\n", name.c_str());
    return kExitUsage;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
    return command->run(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kvtc %s: %s\nTry 'kvtc %s --help'.\n", command->name, e.what(),
                 command->name);
    return kExitUsage;
  } catch (const IoError& e) {
    std::fprintf(stderr, "kvtc %s: %s\n", command->name, e.what());
    return kExitIo;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kvtc %s: out of memory\n", command->name);
    return kExitIo;
  }
}

}  // namespace kvtc::tool
