#include "stream/codec_context.h"

#include <new>

namespace kvtc::stream {

CodecContext* CreateContext() {
  HGLOBAL h = platform::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(CodecContext));
  if (!h) return nullptr;
  void* memory = platform::GlobalLock(h);
  if (!memory) {
    platform::GlobalFree(h);
    return nullptr;
  }
  auto* context = new (memory) CodecContext{};
  context->handle = h;
  return context;
}

void FreeContext(CodecContext* context) {
  if (!context) return;
  HGLOBAL h = context->handle;
  context->~CodecContext();  // every HeapBuffer member frees its block
  platform::GlobalUnlock(h);
  platform::GlobalFree(h);
}

}  // namespace kvtc::stream
