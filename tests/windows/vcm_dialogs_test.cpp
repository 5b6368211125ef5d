// The codec's windows shown for real: the three settings dialogs, shown by ICConfigure and
// driven through their controls from a second thread (button clicks, scroll messages and list
// selections, never pixel positions), and the About box, closed the way a person closes it.
// What OK did is read back with ICGetState and from the settings file; Cancel, and the
// dialogs' logic behind every control, are the Linux tests' (the same templates and code).
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "resources/resource_ids.h"
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

constexpr char kConfigure[] = "Configure";
constexpr char kCompressor[] = "Manual KVT Compressor Settings";
constexpr char kDecompressor[] = "Manual KVT Decompressor Settings";

// Offsets in the state block and the settings file.
constexpr int kGamma = 8, kRefresh = 23, kLuma = 24, kSendGrey = 26, kRadius = 27, kFlags = 26;

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

// Waits (up to thirty seconds) for a top-level dialog of this caption owned by this process and
// hands it to `act`, which must end it; acting on it as a person would, from a second thread
// while the codec's modal window runs on the first. Joined by the destructor.
class DialogWatcher {
 public:
  DialogWatcher(std::string caption, std::function<void(HWND)> act)
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
  ~DialogWatcher() { Seen(); }
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  // Waits for the watcher to finish; true when the dialog appeared and `act` ran.
  bool Seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  bool seen_ = false;
  std::thread thread_;
};

// The text of a dialog's control.
std::string ControlText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

// Clicks a push button, check box or radio button of a dialog.
void ClickButton(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Saves the window, frame included, as a BMP file in the --out directory (the suite's runner
// turns it into PNG); false when there is none or the capture fails.
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

// Clicks a button that opens a modal dialog: posted, so that the caller need not wait for
// that dialog to end.
void PostClick(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Scroll(HWND dialog, int id, int code, int position = 0) {
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, position),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool Pushed(HWND dialog, int id) {
  return (SendDlgItemMessageA(dialog, id, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

float GammaOf(const BYTE* block) {
  float gamma;
  std::memcpy(&gamma, block + kGamma, sizeof(gamma));
  return gamma;
}

// Every case starts from the LAN preset and leaves it behind for the others.
struct FreshSettings {
  FreshSettings() { DeleteFileA(SystemFile("KVTC.cfg").c_str()); }
  ~FreshSettings() { DeleteFileA(SystemFile("KVTC.cfg").c_str()); }
};

WINTEST_CASE(ManualDialogsSetEveryControl) {
  FreshSettings fresh;
  OpenCodec codec;
  CHECK(codec);
  // The first open wrote the settings file into the system directory.
  CHECK_EQ(FileBytes(SystemFile("KVTC.cfg")).size(), static_cast<std::size_t>(kStateSize));
  std::string refreshShown, gammaShown;
  bool lanShown = false, compressorSeen = false, decompressorSeen = false;
  DialogWatcher watcher(kConfigure, [&](HWND configure) {
    lanShown = Pushed(configure, IDC_PRESET_LAN) && !Pushed(configure, IDC_PRESET_MODEM);
    SaveScreenshot(configure, "configure.bmp");
    {
      DialogWatcher compressor(kCompressor, [&](HWND dialog) {
        SaveScreenshot(dialog, "compressor.bmp");
        Scroll(dialog, IDC_REFRESH_SLIDER, SB_THUMBPOSITION, 250);
        Scroll(dialog, IDC_REFRESH_SLIDER, SB_PAGERIGHT);  // 255 at most
        refreshShown = ControlText(dialog, IDC_REFRESH_VALUE);
        ClickButton(dialog, IDC_LOSSLESS_LUMA);    // off
        ClickButton(dialog, IDC_FILTER_MEDIAN);
        ClickButton(dialog, IDC_VIDEO_GRAY);
        SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_SETCURSEL, 2, 0);  // "4  pixels"
        ClickButton(dialog, IDOK);
      });
      PostClick(configure, IDC_OPEN_COMPRESSOR);
      compressorSeen = compressor.Seen();
    }
    {
      DialogWatcher decompressor(kDecompressor, [&](HWND dialog) {
        SaveScreenshot(dialog, "decompressor.bmp");
        Scroll(dialog, IDC_GAMMA_SLIDER, SB_THUMBTRACK, 98);
        Scroll(dialog, IDC_GAMMA_SLIDER, SB_LINERIGHT);
        Scroll(dialog, IDC_GAMMA_SLIDER, SB_LINERIGHT);
        gammaShown = ControlText(dialog, IDC_GAMMA_VALUE);
        ClickButton(dialog, IDC_VIDEO_GRAY);
        ClickButton(dialog, IDOK);
      });
      PostClick(configure, IDC_OPEN_DECOMPRESSOR);
      decompressorSeen = decompressor.Seen();
    }
    ClickButton(configure, IDOK);
  });
  CHECK_EQ(ICConfigure(codec.get(), nullptr), ICERR_OK);
  CHECK(watcher.Seen());
  CHECK(lanShown);
  CHECK(compressorSeen);
  CHECK(decompressorSeen);
  CHECK_EQ(refreshShown, std::string("100%"));
  CHECK_EQ(gammaShown, std::string("100"));

  BYTE state[kStateSize] = {};
  CHECK_EQ(ICGetState(codec.get(), state, sizeof(state)), kStateSize);
  CHECK_EQ(static_cast<int>(state[kRefresh]), 1);
  CHECK_EQ(static_cast<int>(state[kLuma]), 0);
  CHECK_EQ(static_cast<int>(state[kSendGrey]), 1);
  CHECK_EQ(static_cast<int>(state[kRadius]), 4);
  CHECK_EQ(GammaOf(state), 1.5f);
  const std::vector<BYTE> file = FileBytes(SystemFile("KVTC.cfg"));
  CHECK_EQ(file.size(), 38u);
  // Send grey, show grey and Median on top of the LAN preset's stream variant flag.
  if (file.size() == 38) CHECK_EQ(static_cast<int>(file[kFlags]), 0x1B);
}

constexpr int kMessageBoxText = 0xFFFF;  // the id of a message box's text

WINTEST_CASE(AboutBoxNamesTheCodec) {
  OpenCodec codec;
  CHECK(codec);
  CHECK(ICQueryAbout(codec.get()));
  std::string text;
  bool shot = false;
  DialogWatcher watcher("KVT Codec", [&](HWND box) {
    text = ControlText(box, kMessageBoxText);
    shot = SaveScreenshot(box, "about.bmp");
    ClickButton(box, IDOK);
  });
  CHECK_EQ(ICAbout(codec.get(), nullptr), ICERR_OK);
  CHECK(watcher.Seen());
  CHECK_EQ(text, std::string("Halvern KVT Codec"));
  CHECK(shot || TheOptions().outDir.empty());
}

}  // namespace
}  // namespace kvtc::wintest
