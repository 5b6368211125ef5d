#include "kvtc/avi_reader.h"

#include <cerrno>
#include <cstring>
#include <map>

#include "kvtc/le_bytes.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

// Header lists larger than this are not plausible and not read.
constexpr std::uint32_t kLargestHeaderList = 1u << 24;

bool Is(const char* id, const char* want) { return std::memcmp(id, want, 4) == 0; }

// "00dc" or "00db" (compressed or uncompressed video) for stream `number`.
bool IsVideoChunk(const char* id, int number) {
  return id[0] == '0' + number / 10 % 10 && id[1] == '0' + number % 10 && id[2] == 'd' &&
         (id[3] == 'c' || id[3] == 'b');
}

std::uint64_t Padded(std::uint64_t size) { return size + (size & 1); }

// A chunk id as a message shows it: '?' for what is not printable.
std::string Printable(const char* id) {
  std::string s(id, 4);
  for (char& c : s) c = (c >= 32 && c < 127) ? c : '?';
  return s;
}

}  // namespace

AviReader::AviReader(std::string path) : path_(std::move(path)), file_(nullptr, &std::fclose) {
  file_.reset(std::fopen(path_.c_str(), "rb"));
  if (!file_) throw FileError(path_, std::string("cannot open: ") + std::strerror(errno));
  if (fseeko(file_.get(), 0, SEEK_END) != 0) throw FileError(path_, "cannot read: not a file");
  fileSize_ = static_cast<std::uint64_t>(ftello(file_.get()));

  const std::vector<std::uint8_t> riff = ReadBytes(0, std::min<std::uint64_t>(12, fileSize_));
  if (riff.size() < 12 || std::memcmp(riff.data(), "RIFF", 4) != 0) {
    throw FileError(path_, "not an AVI file (no RIFF header)");
  }
  if (std::memcmp(riff.data() + 8, "AVI ", 4) != 0) {
    throw FileError(path_, "not an AVI file (a RIFF '" +
                               std::string(reinterpret_cast<const char*>(riff.data() + 8), 4) +
                               "' file)");
  }
  const std::uint64_t riffEnd = 8 + static_cast<std::uint64_t>(LoadU32(riff.data() + 4));
  if (riffEnd > fileSize_) truncated_ = true;
  const std::uint64_t end = std::min(riffEnd, fileSize_);

  std::optional<Chunk> idx1;
  std::uint64_t moviType = 0;
  for (std::uint64_t at = 12; at + 8 <= end;) {
    std::optional<Chunk> c = ReadChunkHeader(at, end);
    if (!c) break;
    const std::uint64_t chunkEnd = c->data + c->size;
    if (Is(c->id, "LIST") && c->size >= 4) {
      const std::vector<std::uint8_t> type = ReadBytes(c->data, 4);
      if (std::memcmp(type.data(), "hdrl", 4) == 0) {
        if (chunkEnd > end) throw FileError(path_, "truncated: the file ends inside its headers");
        ParseHeaderList(c->data + 4, c->size - 4);
      } else if (std::memcmp(type.data(), "movi", 4) == 0 && moviType == 0) {
        moviType = c->data;
        ScanMovie(c->data + 4, std::min(chunkEnd, end));
      }
    } else if (Is(c->id, "idx1")) {
      idx1 = c;
    }
    if (chunkEnd > end) {
      NoteOverrun(at, *c, end);
      break;
    }
    at = Padded(chunkEnd - c->data) + c->data;
  }

  if (!haveVideo_) throw FileError(path_, "no video stream in this AVI file");
  if (moviType == 0) throw FileError(path_, "truncated: the file holds no frames (no movi list)");
  if (idx1) ReadIndex(*idx1, moviType);
  if (truncated_) {
    if (problem_.empty()) {
      problem_ = "truncated at byte " + std::to_string(fileSize_) + ", " +
                 std::to_string(riffEnd - fileSize_) +
                 " bytes short of the length its header gives";
    }
    problem_ += ": " + std::to_string(frames_.size()) + " of " +
                std::to_string(std::max<std::size_t>(declaredFrames_, frames_.size())) +
                " frames complete";
    if (recovered_) {
      problem_ += ", " + std::to_string(recovered_) + " of them found through the index";
    }
  } else if (frames_.size() != declaredFrames_) {
    warnings_.push_back("the headers announce " + std::to_string(declaredFrames_) +
                        " frames, the file holds " + std::to_string(frames_.size()));
  }
}

void AviReader::NoteOverrun(std::uint64_t at, const Chunk& c, std::uint64_t end) {
  truncated_ = true;
  if (!problem_.empty()) return;
  std::string chunk = "a '" + Printable(c.id) + "' chunk";
  if (IsVideoChunk(c.id, streamNumber_)) {
    chunk = "frame " + std::to_string(frames_.size() + 1);
  } else if (Is(c.id, "idx1")) {
    chunk = "the index";
  } else if (Is(c.id, "LIST") && c.size >= 4 && c.data + 4 <= fileSize_) {
    const std::vector<std::uint8_t> type = ReadBytes(c.data, 4);
    chunk = "the '" + Printable(reinterpret_cast<const char*>(type.data())) + "' list";
  }
  if (end >= fileSize_) {
    problem_ = "truncated at byte " + std::to_string(fileSize_) + ", inside " + chunk +
               " (from byte " + std::to_string(at) + ")";
  } else {
    problem_ = "damaged at byte " + std::to_string(at) + ": " + chunk + " of " +
               std::to_string(c.size) +
               " bytes runs past the end of the list that holds it (byte " +
               std::to_string(end) + ")";
  }
}

std::vector<std::uint8_t> AviReader::ReadBytes(std::uint64_t at, std::size_t size) const {
  std::vector<std::uint8_t> bytes(size);
  if (size == 0) return bytes;
  if (fseeko(file_.get(), static_cast<off_t>(at), SEEK_SET) != 0 ||
      std::fread(bytes.data(), 1, size, file_.get()) != size) {
    throw FileError(path_, "cannot read " + std::to_string(size) + " bytes at offset " +
                               std::to_string(at));
  }
  return bytes;
}

std::optional<AviReader::Chunk> AviReader::ReadChunkHeader(std::uint64_t at,
                                                           std::uint64_t end) const {
  if (at + 8 > end) return std::nullopt;
  const std::vector<std::uint8_t> h = ReadBytes(at, 8);
  Chunk c;
  std::memcpy(c.id, h.data(), 4);
  c.size = LoadU32(h.data() + 4);
  c.data = at + 8;
  return c;
}

void AviReader::ParseHeaderList(std::uint64_t at, std::uint32_t size) {
  if (size > kLargestHeaderList) throw FileError(path_, "not an AVI file (implausible headers)");
  const std::vector<std::uint8_t> hdrl = ReadBytes(at, size);
  int streamCount = 0;
  // Walk hdrl's chunks; each strl list describes one stream.
  for (std::size_t pos = 0; pos + 8 <= hdrl.size();) {
    const char* id = reinterpret_cast<const char*>(&hdrl[pos]);
    const std::uint32_t len = LoadU32(&hdrl[pos + 4]);
    const std::size_t data = pos + 8;
    if (len > hdrl.size() - data) break;
    if (Is(id, "LIST") && len >= 4 && Is(reinterpret_cast<const char*>(&hdrl[data]), "strl")) {
      const int number = streamCount++;
      bool video = false;
      AviVideoInfo info;
      std::vector<std::uint8_t> strfExtra;
      std::uint32_t length = 0;
      for (std::size_t p = data + 4; p + 8 <= data + len;) {
        const char* sid = reinterpret_cast<const char*>(&hdrl[p]);
        const std::uint32_t slen = LoadU32(&hdrl[p + 4]);
        const std::size_t sdata = p + 8;
        if (slen > data + len - sdata) break;
        std::span<const std::uint8_t> body(&hdrl[sdata], slen);
        if (Is(sid, "strh") && slen >= 36) {
          video = Is(reinterpret_cast<const char*>(body.data()), "vids");
          info.handler = LoadU32(body.data() + 4);
          info.rateDen = LoadU32(body.data() + 20);
          info.rateNum = LoadU32(body.data() + 24);
          length = LoadU32(body.data() + 32);
          if (slen >= 56) {
            info.shownWidth = LoadU16(body.data() + 52);
            info.shownHeight = LoadU16(body.data() + 54);
          }
        } else if (Is(sid, "strf")) {
          info.format = host::BitmapInfo::FromBytes(body);
          // A remuxer that keeps the codec state as the format's extra data (after a header
          // whose biSize covers it) moves strd there: take it back, and give the codec the
          // plain header it made.
          const std::uint32_t headerSize = slen >= 4 ? LoadU32(body.data()) : 0;
          if (headerSize > sizeof(BITMAPINFOHEADER) && headerSize <= slen) {
            strfExtra.assign(body.begin() + sizeof(BITMAPINFOHEADER), body.begin() + headerSize);
            std::vector<std::uint8_t> plain(body.begin(), body.end());
            plain.erase(plain.begin() + sizeof(BITMAPINFOHEADER), plain.begin() + headerSize);
            plain[0] = sizeof(BITMAPINFOHEADER);
            plain[1] = plain[2] = plain[3] = 0;
            info.format = host::BitmapInfo::FromBytes(plain);
          }
        } else if (Is(sid, "strd")) {
          info.codecState.assign(body.begin(), body.end());
        } else if (Is(sid, "strn")) {
          info.name.assign(reinterpret_cast<const char*>(body.data()),
                           strnlen(reinterpret_cast<const char*>(body.data()), slen));
        }
        p = sdata + Padded(slen);
      }
      if (info.codecState.empty()) info.codecState = std::move(strfExtra);
      if (video && !haveVideo_) {
        video_ = std::move(info);
        declaredFrames_ = length;
        streamNumber_ = number;
        haveVideo_ = true;
      }
    }
    pos = data + Padded(len);
  }
}

bool AviReader::ScanMovie(std::uint64_t at, std::uint64_t end) {
  while (at + 8 <= end) {
    std::optional<Chunk> c = ReadChunkHeader(at, end);
    if (!c) break;
    const bool overrun = c->data + c->size > end;
    if (Is(c->id, "LIST") && c->size >= 4) {
      // A "rec " list groups chunks; its contents belong to the movie in order.
      if (!ScanMovie(c->data + 4, std::min(c->data + c->size, end))) return false;
    } else if (IsVideoChunk(c->id, streamNumber_) && !overrun) {
      frames_.push_back({c->data, c->size, std::nullopt});
      frameChunkPositions_.push_back(at);
    }
    if (overrun) {
      if (!damageAt_) damageAt_ = at;
      NoteOverrun(at, *c, end);
      return false;
    }
    at = c->data + Padded(c->size);
  }
  return true;
}

void AviReader::ReadIndex(const Chunk& idx1, std::uint64_t moviType) {
  const std::uint64_t available = std::min<std::uint64_t>(idx1.size, fileSize_ - idx1.data);
  const std::vector<std::uint8_t> bytes = ReadBytes(idx1.data, available - available % 16);
  hasIndex_ = true;
  struct Entry {
    std::uint32_t offset, flags, size;
  };
  std::vector<Entry> entries;
  for (std::size_t p = 0; p + 16 <= bytes.size(); p += 16) {
    if (!IsVideoChunk(reinterpret_cast<const char*>(&bytes[p]), streamNumber_)) continue;
    entries.push_back({LoadU32(&bytes[p + 8]), LoadU32(&bytes[p + 4]), LoadU32(&bytes[p + 12])});
  }
  if (entries.empty()) {
    if (!frames_.empty()) warnings_.push_back("the index lists none of the frames");
    return;
  }
  // A frame chunk of the video stream at `at`, as far as its header goes.
  const auto videoChunkAt = [this](std::uint64_t at) {
    if (at + 8 > fileSize_) return false;
    const std::vector<std::uint8_t> id = ReadBytes(at, 4);
    return IsVideoChunk(reinterpret_cast<const char*>(id.data()), streamNumber_);
  };
  // Offsets count from the "movi" list type in most files, from the file's start in some.
  const std::uint64_t first = entries.front().offset;
  const bool fromFileStart =
      frames_.empty() ? videoChunkAt(first) : first == frameChunkPositions_.front();
  const std::uint64_t base = fromFileStart ? 0 : moviType;

  // Past a chunk whose size is damaged the frames' own order is lost: the index, where it
  // points at frame chunks, still finds them, at the sizes it gives.
  if (damageAt_) {
    for (const Entry& e : entries) {
      const std::uint64_t at = base + e.offset;
      const std::uint64_t last = frameChunkPositions_.empty() ? 0 : frameChunkPositions_.back();
      if (at < *damageAt_ || (!frameChunkPositions_.empty() && at <= last) ||
          at + 8 + e.size > fileSize_ || !videoChunkAt(at)) {
        continue;
      }
      frames_.push_back({at + 8, e.size, std::nullopt});
      frameChunkPositions_.push_back(at);
      ++recovered_;
    }
  }

  std::map<std::uint64_t, std::size_t> byPosition;
  for (std::size_t i = 0; i < frameChunkPositions_.size(); ++i) {
    byPosition[frameChunkPositions_[i]] = i;
  }
  std::size_t matched = 0;
  for (const Entry& e : entries) {
    auto it = byPosition.find(base + e.offset);
    if (it == byPosition.end()) continue;
    frames_[it->second].indexKey = (e.flags & kAviIndexKeyFrame) != 0;
    ++matched;
  }
  if (matched != entries.size() || matched != frames_.size()) {
    warnings_.push_back("the index lists " + std::to_string(entries.size()) + " frames, " +
                        std::to_string(matched) + " of them found among the " +
                        std::to_string(frames_.size()) + " in the file");
  }
}

void AviReader::RequireComplete() const {
  if (truncated_) throw FileError(path_, problem_);
}

void AviReader::RequireKvtStream() const {
  const DWORD fourcc = video_.format.header().biCompression;
  if (host::FourccText(fourcc).substr(0, 3) == "Kvt") return;
  throw FileError(
      path_, "its video is '" + host::FourccText(fourcc) + "', not a KVT Codec stream ('Kvt1')");
}

std::vector<std::uint8_t> AviReader::ReadFrame(std::size_t index) const {
  const AviFrameRef& f = frames_.at(index);
  return ReadBytes(f.offset, f.size);
}

}  // namespace kvtc::tool
