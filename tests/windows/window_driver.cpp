#include "window_driver.h"

#include <array>
#include <cstdio>
#include <vector>

namespace kvtc::wintest {
namespace {

struct FindArgs {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM param) {
  auto* args = reinterpret_cast<FindArgs*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char text[256] = {};
  GetWindowTextA(window, text, sizeof(text));
  if (pid == GetCurrentProcessId() && IsWindowVisible(window) &&
      lstrcmpA(text, args->caption) == 0) {
    args->found = window;
    return FALSE;
  }
  return TRUE;
}

// PNG with stored (uncompressed) deflate blocks: a screenshot needs no compression.
class PngWriter {
 public:
  explicit PngWriter(std::FILE* f) : f_(f) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      crcTable_[n] = c;
    }
  }
  bool Write(int width, int height, const std::vector<BYTE>& rgbRows) {
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::fwrite(kSignature, 1, 8, f_);
    std::vector<BYTE> header;
    Put32(header, width);
    Put32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    Chunk("IHDR", header);
    std::vector<BYTE> z = {0x78, 0x01};
    for (std::size_t at = 0; at < rgbRows.size() || at == 0;) {
      const std::size_t n = std::min<std::size_t>(65535, rgbRows.size() - at);
      const bool last = at + n == rgbRows.size();
      z.insert(z.end(), {static_cast<BYTE>(last), static_cast<BYTE>(n), static_cast<BYTE>(n >> 8),
                         static_cast<BYTE>(~n), static_cast<BYTE>(~n >> 8)});
      z.insert(z.end(), rgbRows.begin() + at, rgbRows.begin() + at + n);
      at += n;
      if (last) break;
    }
    std::uint32_t a = 1, b = 0;
    for (BYTE v : rgbRows) {
      a = (a + v) % 65521;
      b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    Chunk("IDAT", z);
    Chunk("IEND", {});
    return std::ferror(f_) == 0;
  }

 private:
  static void Put32(std::vector<BYTE>& v, std::uint32_t x) {
    v.insert(v.end(), {static_cast<BYTE>(x >> 24), static_cast<BYTE>(x >> 16),
                       static_cast<BYTE>(x >> 8), static_cast<BYTE>(x)});
  }
  void Chunk(const char* type, const std::vector<BYTE>& data) {
    std::vector<BYTE> body(8 + data.size());
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) {
      body[i] = static_cast<BYTE>(length >> (24 - 8 * i));
      body[4 + i] = static_cast<BYTE>(type[i]);
    }
    std::copy(data.begin(), data.end(), body.begin() + 8);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 4; i < body.size(); ++i) {
      crc = crcTable_[(crc ^ body[i]) & 0xFF] ^ (crc >> 8);
    }
    Put32(body, crc ^ 0xFFFFFFFFu);
    std::fwrite(body.data(), 1, body.size(), f_);
  }

  std::FILE* f_;
  std::array<std::uint32_t, 256> crcTable_{};
};

}  // namespace

DialogWatcher::DialogWatcher(std::string caption, std::function<void(HWND)> act)
    : thread_([this, caption = std::move(caption), act = std::move(act)] {
        for (int tries = 0; tries < 600; ++tries) {
          FindArgs args{caption.c_str(), nullptr};
          EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&args));
          if (args.found) {
            Sleep(300);  // let it paint before anything reads or captures it
            act(args.found);
            seen_ = true;
            return;
          }
          Sleep(50);
        }
      }) {}

DialogWatcher::~DialogWatcher() { Seen(); }

std::string ControlText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

void ClickButton(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool SaveScreenshot(HWND window, const char* fileName) {
  if (TheOptions().outDir.empty()) return false;
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB,
                                    0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool captured = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();

  // PNG rows: a filter byte, then RGB (the bitmap holds BGR rows padded to four bytes).
  std::vector<BYTE> rows;
  const int stride = (width * 3 + 3) & ~3;
  for (int y = 0; captured && y < height; ++y) {
    const BYTE* p = static_cast<const BYTE*>(bits) + y * stride;
    rows.push_back(0);
    for (int x = 0; x < width; ++x) rows.insert(rows.end(), {p[3 * x + 2], p[3 * x + 1], p[3 * x]});
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!captured) return false;

  const std::string path = TheOptions().outDir + "\\" + fileName;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = PngWriter(f).Write(width, height, rows);
  return std::fclose(f) == 0 && ok;
}

}  // namespace kvtc::wintest
