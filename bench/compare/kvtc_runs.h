// The codec through DriverProc, as a host drives it: each preset's encode of a clip held as
// bitmaps, and the decode of what it made to 24-bit RGB and to packed 4:2:2.
#pragma once

#include "compare/clip_set.h"
#include "compare/results.h"
#include "settings/settings_record.h"

namespace kvtc::compare {

// The fastest of `repeats` runs of each direction counts; time is the processor time spent
// inside DriverProc compressing and decompressing frames.
Result RunKvtc(const Clip& clip, settings::Preset preset, const std::string& name, int repeats);

}  // namespace kvtc::compare
