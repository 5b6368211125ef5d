// A tolerant reader for the first video stream of an AVI file. It takes what it can from
// damaged files and says what is wrong: a file that is not an AVI or has no video stream is an
// error; a file that ends early, or whose chunks run past the list that holds them, yields the
// frames that are complete before that point, and those the index finds after it, and is
// marked truncated, with where it broke; an index that disagrees with the frames is noted and
// the frames' own order wins.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kvtc/avi_stream.h"

namespace kvtc::tool {

struct AviFrameRef {
  std::uint64_t offset = 0;       // of the frame's data in the file
  std::uint32_t size = 0;
  std::optional<bool> indexKey;   // the index's key-frame flag, when an index lists the frame
};

class AviReader {
 public:
  // Throws IoError naming the file when it cannot be read, is not an AVI, or has no video.
  explicit AviReader(std::string path);

  const std::string& Path() const { return path_; }
  const AviVideoInfo& Video() const { return video_; }
  const std::vector<AviFrameRef>& Frames() const { return frames_; }
  std::uint32_t DeclaredFrames() const { return declaredFrames_; }
  bool HasIndex() const { return hasIndex_; }
  // How many frames, at the end of Frames(), only the index found past a damaged chunk.
  std::size_t FoundThroughIndex() const { return recovered_; }
  // The file ends early or a chunk runs past its list: the frames after that point are lost.
  bool Truncated() const { return truncated_; }
  // What else does not add up, one sentence each: none of it costs a frame.
  const std::vector<std::string>& Warnings() const { return warnings_; }

  std::vector<std::uint8_t> ReadFrame(std::size_t index) const;

  // Throw IoError naming the file when it is truncated (saying at which byte, in which frame
  // or chunk, and how many frames are complete), or when its video is not a stream of this
  // codec ("Kvt" and a variant letter).
  void RequireComplete() const;
  void RequireKvtStream() const;

 private:
  struct Chunk {
    char id[5] = {};
    std::uint32_t size = 0;
    std::uint64_t data = 0;  // position of the chunk's data
  };
  std::optional<Chunk> ReadChunkHeader(std::uint64_t at, std::uint64_t end) const;
  std::vector<std::uint8_t> ReadBytes(std::uint64_t at, std::size_t size) const;
  void ParseHeaderList(std::uint64_t at, std::uint32_t size);
  // Lists the frames up to `end`; false when a chunk runs past it.
  bool ScanMovie(std::uint64_t at, std::uint64_t end);
  void ReadIndex(const Chunk& idx1, std::uint64_t moviType);
  // Marks the file truncated where the chunk at `at` runs past `end`.
  void NoteOverrun(std::uint64_t at, const Chunk& c, std::uint64_t end);

  std::string path_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  std::uint64_t fileSize_ = 0;
  AviVideoInfo video_;
  int streamNumber_ = -1;
  bool haveVideo_ = false;
  std::uint32_t declaredFrames_ = 0;
  std::vector<AviFrameRef> frames_;
  std::vector<std::uint64_t> frameChunkPositions_;
  bool hasIndex_ = false;
  bool truncated_ = false;
  std::string problem_;  // where the file ends or what broke, when truncated
  std::optional<std::uint64_t> damageAt_;  // the frame list's chunk that runs past its list
  std::size_t recovered_ = 0;              // frames past it that the index found
  std::vector<std::string> warnings_;
};

}  // namespace kvtc::tool
