// The tool's commands. Each takes the arguments after its name, prints its own --help, and
// returns the exit status; errors leave as UsageError or IoError for the caller to report.
#pragma once

#include <span>
#include <string>

namespace kvtc::tool {

int RunEncode(std::span<const std::string> args);
int RunDecode(std::span<const std::string> args);
int RunInfo(std::span<const std::string> args);
int RunConfig(std::span<const std::string> args);
int RunDemo(std::span<const std::string> args);

// The whole tool: "kvtc COMMAND [ARGS]"; returns the exit status, having reported any error.
int RunKvtc(int argc, const char* const* argv);

}  // namespace kvtc::tool
