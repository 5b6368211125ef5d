#include "kvtc/avi_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "kvtc/le_bytes.h"
#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;
// Offsets inside a 32-bit RIFF file are signed in many readers: stay below 2 GiB.
constexpr std::uint64_t kLargestFile = 0x7FFFFFF0u;

// Starts a chunk "id" and returns the offset of its size field, to be patched later.
std::size_t BeginChunk(ByteWriter& w, std::string_view id) {
  w.Fourcc(id);
  const std::size_t at = w.Size();
  w.U32(0);
  return at;
}
std::size_t BeginList(ByteWriter& w, std::string_view type) {
  const std::size_t at = BeginChunk(w, "LIST");
  w.Fourcc(type);
  return at;
}
// Closes a chunk whose size field lies at `at`, padding its data to an even length.
void EndChunk(ByteWriter& w, std::vector<std::uint8_t>& out, std::size_t at) {
  const auto size = static_cast<std::uint32_t>(out.size() - at - 4);
  w.PatchU32(at, size);
  if (size & 1) w.U8(0);
}

}  // namespace

AviWriter::AviWriter(const std::string& path, AviVideoInfo info)
    : info_(std::move(info)), file_(path), stream_(nullptr, &std::fclose) {
  stream_.reset(std::fopen(file_.TempPath().c_str(), "wb"));
  if (!stream_) throw FileError(path, std::string("cannot write: ") + std::strerror(errno));
  if (std::fseek(stream_.get(), 0, SEEK_CUR) != 0) {
    throw FileError(path, "cannot write an AVI into a pipe: it is finished by going back to "
                          "its start");
  }
  const std::vector<std::uint8_t> headers = Headers(0);
  headerSize_ = headers.size();
  moviEnd_ = headerSize_;
  Write(headers.data(), headers.size());
}

AviWriter::~AviWriter() = default;

void AviWriter::Write(const void* data, std::size_t size) {
  if (size && std::fwrite(data, 1, size, stream_.get()) != size) {
    throw FileError(file_.FinalPath(), std::string("cannot write: ") + std::strerror(errno));
  }
}

void AviWriter::WriteFrame(std::span<const std::uint8_t> data, bool key) {
  const std::uint64_t padded = data.size() + (data.size() & 1);
  if (moviEnd_ + 8 + padded + 16 * (index_.size() + 1) + 8 > kLargestFile) {
    throw FileError(file_.FinalPath(), "the video does not fit in a 2 GB AVI file");
  }
  std::vector<std::uint8_t> header;
  ByteWriter w(header);
  w.Fourcc("00dc");
  w.U32(static_cast<std::uint32_t>(data.size()));
  Write(header.data(), header.size());
  Write(data.data(), data.size());
  if (data.size() & 1) Write("", 1);
  // Index offsets count from the "movi" list type, which ends the headers.
  index_.push_back({static_cast<std::uint32_t>(moviEnd_ - (headerSize_ - 4)),
                    static_cast<std::uint32_t>(data.size()), key});
  moviEnd_ += 8 + padded;
  payloadBytes_ += data.size();
  largestFrame_ = std::max(largestFrame_, static_cast<std::uint32_t>(data.size()));
}

void AviWriter::SetCodecState(std::span<const std::uint8_t> state) {
  if (state.size() == info_.codecState.size()) info_.codecState.assign(state.begin(), state.end());
}

void AviWriter::Finish() {
  std::vector<std::uint8_t> idx;
  ByteWriter w(idx);
  w.Fourcc("idx1");
  w.U32(static_cast<std::uint32_t>(16 * index_.size()));
  for (const IndexEntry& e : index_) {
    w.Fourcc("00dc");
    w.U32(e.key ? kAviIndexKeyFrame : 0);
    w.U32(e.offset);
    w.U32(e.size);
  }
  Write(idx.data(), idx.size());

  const std::vector<std::uint8_t> headers = Headers(moviEnd_ + idx.size());
  if (std::fseek(stream_.get(), 0, SEEK_SET) != 0) {
    throw FileError(file_.FinalPath(), std::string("cannot write: ") + std::strerror(errno));
  }
  Write(headers.data(), headers.size());
  if (std::fclose(stream_.release()) != 0) {
    throw FileError(file_.FinalPath(), std::string("cannot write: ") + std::strerror(errno));
  }
  file_.Commit();
}

std::vector<std::uint8_t> AviWriter::Headers(std::uint64_t fileSize) const {
  const BITMAPINFOHEADER& bi = info_.format.header();
  const auto frames = static_cast<std::uint32_t>(index_.size());
  const auto width = static_cast<std::uint32_t>(bi.biWidth);
  const auto height = static_cast<std::uint32_t>(std::abs(bi.biHeight));
  const double fps = info_.rateDen ? static_cast<double>(info_.rateNum) / info_.rateDen : 0.0;

  std::vector<std::uint8_t> out;
  ByteWriter w(out);
  w.Fourcc("RIFF");
  w.U32(fileSize ? static_cast<std::uint32_t>(fileSize - 8) : 0);
  w.Fourcc("AVI ");

  const std::size_t hdrl = BeginList(w, "hdrl");
  const std::size_t avih = BeginChunk(w, "avih");
  w.U32(fps > 0 ? static_cast<std::uint32_t>(std::lround(1e6 / fps)) : 0);  // µs per frame
  w.U32(static_cast<std::uint32_t>(std::min(largestFrame_ * fps, 4.0e9)));  // max bytes/s
  w.U32(0);                                                                  // padding
  w.U32(kAvifHasIndex);
  w.U32(frames);
  w.U32(0);  // initial frames
  w.U32(1);  // streams
  w.U32(largestFrame_);
  w.U32(width);
  w.U32(height);
  for (int i = 0; i < 4; ++i) w.U32(0);
  EndChunk(w, out, avih);

  const std::size_t strl = BeginList(w, "strl");
  const std::size_t strh = BeginChunk(w, "strh");
  w.Fourcc("vids");
  w.U32(info_.handler);
  w.U32(0);  // flags
  w.U16(0);  // priority
  w.U16(0);  // language
  w.U32(0);  // initial frames
  w.U32(info_.rateDen);
  w.U32(info_.rateNum);
  w.U32(0);  // start
  w.U32(frames);
  w.U32(largestFrame_);
  w.U32(0xFFFFFFFFu);  // quality: the codec's default
  w.U32(0);            // sample size: frames vary in size
  w.U16(0);
  w.U16(0);
  w.U16(static_cast<std::uint16_t>(info_.shownWidth ? info_.shownWidth : width));
  w.U16(static_cast<std::uint16_t>(info_.shownHeight ? info_.shownHeight : height));
  EndChunk(w, out, strh);

  const std::size_t strf = BeginChunk(w, "strf");
  w.Bytes(info_.format.bytes().data(), info_.format.bytes().size());
  EndChunk(w, out, strf);
  if (!info_.codecState.empty()) {
    const std::size_t strd = BeginChunk(w, "strd");
    w.Bytes(info_.codecState.data(), info_.codecState.size());
    EndChunk(w, out, strd);
  }
  if (!info_.name.empty()) {
    const std::size_t strn = BeginChunk(w, "strn");
    w.Bytes(info_.name.c_str(), info_.name.size() + 1);
    EndChunk(w, out, strn);
  }
  EndChunk(w, out, strl);
  EndChunk(w, out, hdrl);

  // The movi list: its size covers the list type and every frame chunk written so far.
  w.Fourcc("LIST");
  const std::uint64_t moviEnd = fileSize ? moviEnd_ : out.size() + 8;
  w.U32(static_cast<std::uint32_t>(moviEnd - (out.size() + 4)));
  w.Fourcc("movi");
  return out;
}

}  // namespace kvtc::tool
