// The decoder's error log: the file "KVTC.err" in the system directory, shared by every
// instance of the process. It is opened for appending the first time a decoder stream starts
// and stays open for the life of the process; each line is flushed as it is written, so the
// file is complete even when the process ends without closing it.
#pragma once

#include <cstdint>

namespace kvtc::decoder {

// Opens the log unless the process already has it open. True when the log is open afterwards;
// a log that cannot be opened stays closed until a later stream start tries again.
bool OpenErrorLog();

// One line for a frame whose checksum did not match, naming the frame by its index in the
// stream, counted from 0.
void LogChecksumFailure(std::uint32_t frameIndex);
// One line for a frame whose sections or motion vectors do not fit the picture.
void LogDamagedFrame(std::uint32_t frameIndex);

namespace testing {
// Closes the log and forgets it, so that the next stream start opens the file afresh (in the
// system directory in force then).
void CloseErrorLog();
}  // namespace testing

}  // namespace kvtc::decoder
