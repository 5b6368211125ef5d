// The About box, shown for real and closed the way a person closes it.
#include "vcm_support.h"
#include "window_driver.h"

namespace kvtc::wintest {
namespace {

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
