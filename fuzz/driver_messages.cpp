// Fuzzer for everything a host controls through DriverProc: the settings file the codec finds,
// message sequences with arbitrary message numbers, bitmap headers of any size, depth,
// compression and height sign, colour tables, state blocks, quality values, frames to compress
// and bytes to decompress, on two instances that are opened and closed along the way.
//
// Input layout:
//   bytes 0-37  the settings file (a shorter input leaves a short file)
//   then        commands: one byte each, followed by the bytes that command reads (zeros once
//               the input runs out)
//
// Every buffer the codec is handed has exactly the size its header or its message vouches for,
// between guard bytes that must come out untouched, so that AddressSanitizer catches any read
// past it and the guards any write. A compressed frame must never be larger than
// ICM_COMPRESS_GET_SIZE promised.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/driver_proc.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/system_directory.h"
#include "platform/win32_types.h"

namespace {

using namespace kvtc;

using fuzz::Guarded;
using fuzz::Reader;

constexpr WORD kDepths[] = {0, 1, 4, 6, 8, 9, 12, 15, 16, 24, 32, 48};
const DWORD kCompressions[] = {BI_RGB,
                               MakeFourcc("YUY2"),
                               MakeFourcc("YUV "),
                               MakeFourcc("cyuv"),
                               MakeFourcc("YVU9"),
                               MakeFourcc("YUV9"),
                               MakeFourcc("Kvt1"),
                               MakeFourcc("KvtC"),
                               MakeFourcc("Kvtb"),
                               MakeFourcc("Kvtz")};

// A header with a 256-entry colour table biSize bytes after its start (as much as a header
// vouches for), every field from the input. Pictures stay small (sides up to 72, either sign
// of height) so that each input runs quickly.
std::vector<std::uint8_t> HeaderFrom(Reader& in) {
  BITMAPINFOHEADER h{};
  const std::uint8_t shape = in.Byte();
  h.biSize = (shape & 0x80) ? in.Byte() : sizeof(BITMAPINFOHEADER);
  h.biWidth = static_cast<LONG>(in.Byte() % 73) - ((shape & 0x40) ? 1 : 0);
  h.biHeight = static_cast<LONG>(in.Byte() % 73);
  if (shape & 0x20) h.biHeight = -h.biHeight;
  h.biPlanes = 1;
  h.biBitCount = kDepths[in.Byte() % std::size(kDepths)];
  h.biCompression =
      (shape & 0x10) ? in.Dword() : kCompressions[in.Byte() % std::size(kCompressions)];
  if (shape & 0x08) h.biSizeImage = in.Word();
  h.biClrUsed = (shape & 0x04) ? in.Word() : 0;
  std::vector<std::uint8_t> bytes(std::max<std::size_t>(h.biSize, sizeof h) + 256 * sizeof(RGBQUAD));
  if (shape & 0x02) in.Fill(bytes.data() + h.biSize, 256 * sizeof(RGBQUAD));
  std::memcpy(bytes.data(), &h, sizeof h);
  return bytes;
}

BITMAPINFOHEADER& HeaderOf(std::vector<std::uint8_t>& bytes) {
  return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data());
}

// The bytes a header vouches for: its biSizeImage when set, else rows padded to 4 bytes.
std::size_t Vouched(const BITMAPINFOHEADER& h) {
  if (h.biSizeImage) return h.biSizeImage;
  const std::size_t row =
      (std::size_t{h.biBitCount} * static_cast<std::size_t>(std::max<LONG>(h.biWidth, 0)) + 31) /
      32 * 4;
  return row * static_cast<std::size_t>(std::labs(h.biHeight));
}

std::string g_settingsPath;


void WriteSettings(Reader& in, std::size_t bytes) {
  std::vector<std::uint8_t> record(bytes);
  in.Fill(record.data(), bytes);
  if (std::FILE* f = std::fopen(g_settingsPath.c_str(), "wb")) {
    std::fwrite(record.data(), 1, record.size(), f);
    std::fclose(f);
  }
}

struct Session {
  HDRVR driver = nullptr;
  std::array<DWORD_PTR, 2> ids{};
  std::vector<DWORD_PTR> closed;  // stale ids, sent messages all the same

  LRESULT Send(DWORD_PTR id, UINT msg, LPARAM a = 0, LPARAM b = 0) {
    return DriverProc(id, driver, msg, a, b);
  }
  template <class A, class B = void>
  LRESULT Send(DWORD_PTR id, UINT msg, A* a, B* b = nullptr) {
    return Send(id, msg, reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b));
  }
  DWORD_PTR Open(DWORD mode) {
    ICOPEN open{
        sizeof(ICOPEN), MakeFourcc("vidc"), MakeFourcc("KVTC"), 0, mode, 0, nullptr, nullptr, 0};
    return static_cast<DWORD_PTR>(Send(0, DRV_OPEN, 0, reinterpret_cast<LPARAM>(&open)));
  }
};

void Compress(Session& s, DWORD_PTR id, Reader& in) {
  std::vector<std::uint8_t> input = HeaderFrom(in);
  BITMAPINFOHEADER out{};
  out.biSize = sizeof out;
  out.biCompression = MakeFourcc("Kvt1");
  const LRESULT largest = s.Send(id, ICM_COMPRESS_GET_SIZE, input.data(), &out);
  if (largest <= 0 || largest > (1 << 20)) return;
  Guarded picture(Vouched(HeaderOf(input)));
  in.Fill(picture.data(), std::min<std::size_t>(picture.size(), 512));
  for (std::size_t i = 512; i < picture.size(); ++i)
    picture.data()[i] = static_cast<std::uint8_t>(i * 37 + in.Byte());
  Guarded frame(static_cast<std::size_t>(largest));
  DWORD ckid = 0, flags = in.Dword();
  ICCOMPRESS c{};
  c.dwFlags = in.Byte() & 1;
  c.lpbiOutput = &out;
  c.lpOutput = frame.data();
  c.lpbiInput = &HeaderOf(input);
  c.lpInput = picture.data();
  c.lpckid = &ckid;
  c.lpdwFlags = &flags;
  c.dwQuality = (in.Byte() & 1) ? 0xFFFFFFFFu : in.Word() % 10001;
  if (s.Send(id, ICM_COMPRESS, &c, reinterpret_cast<void*>(sizeof c)) == ICERR_OK &&
      out.biSizeImage > static_cast<DWORD>(largest)) {
    std::fprintf(stderr, "a frame of %u bytes, %ld promised\n",
                 static_cast<unsigned>(out.biSizeImage), static_cast<long>(largest));
    std::abort();
  }
  picture.Check("compress input");
  frame.Check("compressed frame");
}

void Decompress(Session& s, DWORD_PTR id, Reader& in, bool ex) {
  std::vector<std::uint8_t> source = HeaderFrom(in);
  std::vector<std::uint8_t> destination = HeaderFrom(in);
  BITMAPINFOHEADER& src = HeaderOf(source);
  BITMAPINFOHEADER& dst = HeaderOf(destination);
  src.biSizeImage = in.Byte() * 4u + in.Byte() % 4;
  Guarded frame(src.biSizeImage);
  in.Fill(frame.data(), frame.size());
  Guarded picture(Vouched(dst));
  if (ex) {
    ICDECOMPRESSEX d{};
    d.dwFlags = in.Byte();
    d.lpbiSrc = &src;
    d.lpSrc = frame.data();
    d.dxSrc = (in.Byte() & 1) ? -1 : src.biWidth;
    d.dySrc = (in.Byte() & 1) ? -1 : std::labs(src.biHeight);
    d.lpbiDst = &dst;
    d.lpDst = picture.data();
    d.dxDst = (in.Byte() & 1) ? -1 : dst.biWidth;
    d.dyDst = (in.Byte() & 1) ? -1 : std::labs(dst.biHeight);
    s.Send(id, ICM_DECOMPRESSEX, &d, reinterpret_cast<void*>(sizeof d));
  } else {
    ICDECOMPRESS d{};
    d.dwFlags = in.Byte();
    d.lpbiInput = &src;
    d.lpInput = frame.data();
    d.lpbiOutput = &dst;
    d.lpOutput = picture.data();
    s.Send(id, ICM_DECOMPRESS, &d, reinterpret_cast<void*>(sizeof d));
  }
  frame.Check("compressed input");
  picture.Check("decompressed picture");
}

void Negotiate(Session& s, DWORD_PTR id, Reader& in) {
  std::vector<std::uint8_t> a = HeaderFrom(in);
  std::vector<std::uint8_t> b = HeaderFrom(in);
  const UINT messages[] = {
      ICM_COMPRESS_QUERY,         ICM_COMPRESS_GET_FORMAT,   ICM_COMPRESS_BEGIN,
      ICM_DECOMPRESS_QUERY,       ICM_DECOMPRESS_GET_FORMAT, ICM_DECOMPRESS_BEGIN,
      ICM_DECOMPRESS_GET_PALETTE, ICM_COMPRESS_END,          ICM_DECOMPRESS_END};
  const UINT message = messages[in.Byte() % std::size(messages)];
  s.Send(id, message, a.data(), (in.Byte() & 1) ? nullptr : b.data());
}

void State(Session& s, DWORD_PTR id, Reader& in) {
  Guarded block(in.Byte() % 48);
  in.Fill(block.data(), block.size());
  if (block.size() >= 4 && (in.Byte() & 1)) std::memcpy(block.data(), "KVTC", 4);
  const LPARAM size = static_cast<LPARAM>(block.size());
  switch (in.Byte() % 4) {
    case 0:
      s.Send(id, ICM_GETSTATE, reinterpret_cast<LPARAM>(block.data()), size);
      break;
    case 1:
      s.Send(id, ICM_SETSTATE, reinterpret_cast<LPARAM>(block.data()), size);
      break;
    case 2:
      s.Send(id, ICM_SETSTATE, 0, 0);
      break;  // reload the settings file
    default: {
      Guarded info(in.Byte() * 4u);
      s.Send(id, ICM_GETINFO, reinterpret_cast<LPARAM>(info.data()),
             static_cast<LPARAM>(info.size()));
      info.Check("ICINFO");
    }
  }
  block.Check("state block");
}

void Quality(Session& s, DWORD_PTR id, Reader& in) {
  DWORD value = in.Dword();
  const UINT messages[] = {ICM_SETQUALITY, ICM_GETQUALITY, ICM_GETDEFAULTQUALITY,
                           ICM_GETDEFAULTKEYFRAMERATE};
  s.Send(id, messages[in.Byte() % std::size(messages)], &value);
}

// Any message number, with null parameters (a handler cannot tell a pointer from garbage);
// the dialogs only as queries.
void AnyMessage(Session& s, DWORD_PTR id, Reader& in) {
  UINT message = in.Word();
  if (in.Byte() & 1) message |= 0x4000;
  if (message == DRV_OPEN || message == DRV_CLOSE) return;
  const LPARAM a = (message == ICM_CONFIGURE || message == ICM_ABOUT) ? -1 : 0;
  s.Send(id, message, a, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_settingsPath = kvtc::fuzz::PrepareSystemDirectory() + "/KVTC.cfg";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  WriteSettings(in, std::min<std::size_t>(size, 38));
  Session s;
  s.Send(0, DRV_LOAD);
  s.Send(0, DRV_ENABLE);
  s.ids = {s.Open(ICMODE_COMPRESS), s.Open(ICMODE_DECOMPRESS)};
  for (int steps = 0; !in.Done() && steps < 64; ++steps) {
    const std::uint8_t op = in.Byte();
    const std::size_t which = (op >> 4) & 1;
    DWORD_PTR id = s.ids[which];
    if ((op & 0xE0) == 0xE0 && !s.closed.empty()) id = s.closed[op % s.closed.size()];
    switch (op % 9) {
      case 0:
        Compress(s, id, in);
        break;
      case 1:
        Decompress(s, id, in, false);
        break;
      case 2:
        Decompress(s, id, in, true);
        break;
      case 3:
        Negotiate(s, id, in);
        break;
      case 4:
        State(s, id, in);
        break;
      case 5:
        Quality(s, id, in);
        break;
      case 6:
        AnyMessage(s, id, in);
        break;
      case 7:
        WriteSettings(in, in.Byte() % 48);
        break;
      default:  // close and reopen one instance; the old id stays around, stale
        s.Send(s.ids[which], DRV_CLOSE);
        s.closed.push_back(s.ids[which]);
        s.ids[which] = s.Open((op & 0x40) ? ICMODE_DECOMPRESS : ICMODE_COMPRESS);
    }
  }
  for (const DWORD_PTR id : s.ids) s.Send(id, DRV_CLOSE);
  s.Send(0, DRV_DISABLE);
  s.Send(0, DRV_FREE);
  return 0;
}
