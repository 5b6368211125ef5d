// How the tool fails: a usage error (exit status 1) or an input/output error (exit status 2),
// each carrying the one message the user sees.
#pragma once

#include <stdexcept>

#include "host/host_errors.h"

namespace kvtc::tool {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitIo = 2;

// A command line the tool cannot act on: unknown option, bad value, missing argument.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Input and output errors are the host layer's, shared with every host.
using host::FileError;
using host::IoError;
using host::NamedAfter;

}  // namespace kvtc::tool
