#include "window_driver.h"

#include <cstdio>

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
  bool saved = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();

  // A top-down BMP file of the DIB section's rows as they are (BGR, padded to four bytes).
  const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const DWORD pixels = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
  const BITMAPFILEHEADER file{0x4D42, headers + pixels, 0, 0, headers};
  const std::string path = TheOptions().outDir + "\\" + fileName;
  std::FILE* f = saved ? std::fopen(path.c_str(), "wb") : nullptr;
  if (f) {
    saved = std::fwrite(&file, sizeof(file), 1, f) == 1 &&
            std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, f) == 1 &&
            std::fwrite(bits, pixels, 1, f) == 1;
    saved = std::fclose(f) == 0 && saved;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return f && saved;
}

}  // namespace kvtc::wintest
