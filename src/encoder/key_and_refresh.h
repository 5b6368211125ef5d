// Which frames are key frames and which blocks of the others are refreshed.
//
// A key frame codes every block without reference to the previous picture. Between key
// frames, a refresh period p re-sends one block in p in every frame, at a phase that moves on
// by one each frame, so that a receiver that lost frames has every block again within p
// frames. The phase restarts at 0 whenever the period differs from the one in force (changes
// to and from 0 included).
//
// The plan for a frame is worked out first and stored only once the frame has gone out, since
// a frame that does not fit the output is coded again, possibly without its key or refresh.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "stream/codec_context.h"

namespace kvtc::encoder {

struct KeyAndRefresh {
  bool key = false;
  std::uint32_t period = 0;  // sent with this frame; 0: no refresh blocks, no phase byte
  std::uint32_t phase = 0;   // first refreshed block of this frame
  // Stored when the frame has gone out.
  std::uint32_t periodInForce = 0;
  std::uint32_t nextPhase = 0;
  std::uint32_t nextKeyFrame = 0;
};

// The plan for the next frame of the stream: a key frame on the first frame, at the scheduled
// key frame (which then moves on by the interval), when the caller forces one, or when one is
// owed (see below).
KeyAndRefresh PlanKeyAndRefresh(const stream::EncoderState& state, std::uint32_t period,
                                bool forceKey);

// The same frame sent without key and without refresh blocks, for when the planned frame does
// not fit the output. The phase stays where this frame would have started it, so the rolling
// refresh resumes from there with the next frame.
KeyAndRefresh WithoutKeyOrRefresh(const KeyAndRefresh& plan);

// Stores the plan of a frame that has gone out. A key frame that had to go out as an ordinary
// frame is owed: the next frame is made a key frame.
void CommitKeyAndRefresh(stream::EncoderState& state, const KeyAndRefresh& planned,
                         const KeyAndRefresh& sent);

// Building the picture up. When a planned key frame does not fit, every block becomes unshown
// (see EncoderState::unshown) and the frames that follow carry refresh blocks at the shortest
// period of this list they fit with, until every block has been refreshed or a key frame goes
// out. The period in force and its phase are left as they were for when the build-up ends.
inline constexpr std::array<std::uint32_t, 17> kBuildUpPeriods = {
    2, 3, 4, 5, 6, 8, 10, 12, 16, 20, 24, 32, 48, 64, 96, 128, 255};

// `sent` with refresh blocks every `period` blocks, starting at the phase that reaches the
// most unshown blocks (the lowest of equals).
KeyAndRefresh WithBuildUpRefresh(const KeyAndRefresh& sent, std::uint32_t period,
                                 std::span<const std::uint8_t> unshown);

// Every block unshown.
void MarkAllUnshown(stream::EncoderState& state);

// The blocks a frame that has gone out carried whole are shown: all of them for a key frame,
// else its refresh blocks.
void MarkShown(stream::EncoderState& state, const KeyAndRefresh& sent);

// Walks the blocks of a frame in order and says which are refresh blocks: all of them in a key
// frame, else blocks phase, phase + p, phase + 2p, ...
struct RefreshCursor {
  bool key = false;
  std::uint32_t period = 0;
  std::uint32_t next = 0;

  explicit RefreshCursor(const KeyAndRefresh& plan)
      : key(plan.key), period(plan.period), next(plan.phase) {}

  // The refresh blocks after block `index` of `blocks` (all of them when key).
  std::uint32_t RemainingAfter(std::uint32_t index, std::uint32_t blocks) const {
    if (key) return blocks - index - 1;
    if (period == 0) return 0;
    std::uint32_t first = next;
    if (first <= index) first += ((index - first) / period + 1) * period;
    return first >= blocks ? 0 : (blocks - 1 - first) / period + 1;
  }

  // Call once per block, with block indices in increasing order.
  bool IsRefresh(std::uint32_t index) {
    if (key) return true;
    if (period == 0 || index != next) return false;
    next += period;
    return true;
  }
};

}  // namespace kvtc::encoder
