#include "driver/driver_proc.h"

#include <atomic>

#include "driver/codec_info.h"
#include "driver/configure.h"
#include "driver/decompress_args.h"
#include "driver/format_negotiation.h"
#include "driver/instance.h"
#include "platform/system_services.h"

namespace kvtc::driver {
namespace {

std::atomic<HMODULE> g_module{nullptr};

template <class T>
T* As(LPARAM p) {
  return reinterpret_cast<T*>(p);
}

LRESULT Load(HDRVR driver) {
  if (!g_module.load()) {
    HMODULE expected = nullptr;
    g_module.compare_exchange_strong(expected, platform::GetDriverModuleHandle(driver));
  }
  return 1;
}

LRESULT Open(LPARAM lParam2) {
  if (!lParam2) return static_cast<LRESULT>(kDriverOnlyId);
  return static_cast<LRESULT>(OpenInstance(*As<ICOPEN>(lParam2)));
}

// The argument list of the QUERY and BEGIN messages: headers only, whole frames.
DecompressArgs HeaderArgs(DWORD_PTR id, LPARAM src, LPARAM dst) {
  DecompressArgs a;
  a.id = id;
  a.src = As<BITMAPINFOHEADER>(src);
  a.dst = As<BITMAPINFOHEADER>(dst);
  return a;
}

// The argument list of the EX messages: every field of the ICDECOMPRESSEX, unchanged.
DecompressArgs ExArgs(DWORD_PTR id, LPARAM lParam1) {
  DecompressArgs a;
  a.id = id;
  const auto* ex = As<const ICDECOMPRESSEX>(lParam1);
  if (!ex) return a;
  a.flags = ex->dwFlags;
  a.src = ex->lpbiSrc;
  a.srcBits = ex->lpSrc;
  a.xSrc = ex->xSrc;
  a.ySrc = ex->ySrc;
  a.dxSrc = ex->dxSrc;
  a.dySrc = ex->dySrc;
  a.dst = ex->lpbiDst;
  a.dstBits = ex->lpDst;
  a.xDst = ex->xDst;
  a.yDst = ex->yDst;
  a.dxDst = ex->dxDst;
  a.dyDst = ex->dyDst;
  return a;
}

LRESULT SetStatusProc(DWORD_PTR id, const ICSETSTATUSPROC* status) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!status) return ICERR_BADPARAM;
  instance->lStatusParam = status->lParam;
  instance->pfnStatus = status->Status;
  return ICERR_OK;
}

}  // namespace

HMODULE ModuleHandle() { return g_module.load(); }

}  // namespace kvtc::driver

using namespace kvtc::driver;

KVTC_EXPORT LRESULT KVTC_CALLBACK DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg,
                                             LPARAM lParam1, LPARAM lParam2) {
  switch (uMsg) {
    case DRV_LOAD:
      return Load(hDriver);
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_FREE:
    case DRV_CONFIGURE:
    case DRV_INSTALL:
    case DRV_REMOVE:
      return 1;
    case DRV_QUERYCONFIGURE:
      return 0;
    case DRV_OPEN:
      return Open(lParam2);
    case DRV_CLOSE:
      CloseInstance(dwDriverId);
      return 1;

    case ICM_GETINFO:
      return GetInfo(dwDriverId, As<ICINFO>(lParam1), lParam2);
    case ICM_GETSTATE:
      return GetState(dwDriverId, As<void>(lParam1), lParam2);
    case ICM_SETSTATE:
      return SetState(dwDriverId, As<const void>(lParam1), lParam2);
    case ICM_GETQUALITY:
    case ICM_GETDEFAULTQUALITY:
      return GetQuality(dwDriverId, As<DWORD>(lParam1));
    case ICM_SETQUALITY:
      return SetQuality(dwDriverId, As<const DWORD>(lParam1));
    case ICM_GETDEFAULTKEYFRAMERATE:
      return GetDefaultKeyFrameRate(dwDriverId, As<DWORD>(lParam1));
    case ICM_ABOUT:
      if (lParam1 == -1) return ICERR_OK;
      return About(dwDriverId, As<HWND__>(lParam1));
    case ICM_CONFIGURE:
      if (lParam1 == -1) return ICERR_OK;
      return Configure(dwDriverId, As<HWND__>(lParam1));

    case ICM_COMPRESS_QUERY:
      return CompressQuery(As<BITMAPINFOHEADER>(lParam1), As<BITMAPINFOHEADER>(lParam2));
    case ICM_COMPRESS_GET_FORMAT:
      return CompressGetFormat(dwDriverId, As<BITMAPINFOHEADER>(lParam1),
                               As<BITMAPINFOHEADER>(lParam2));
    case ICM_COMPRESS_GET_SIZE:
      return CompressGetSize(As<BITMAPINFOHEADER>(lParam1));
    case ICM_COMPRESS_BEGIN:
      return CompressBegin(dwDriverId, As<BITMAPINFOHEADER>(lParam1),
                           As<BITMAPINFOHEADER>(lParam2));
    case ICM_COMPRESS_END:
      return CompressEnd(dwDriverId);

    case ICM_DECOMPRESS_QUERY:
      return DecompressQuery(HeaderArgs(dwDriverId, lParam1, lParam2));
    case ICM_DECOMPRESSEX_QUERY:
      if (!lParam1) return ICERR_BADPARAM;
      return DecompressQuery(ExArgs(dwDriverId, lParam1));
    case ICM_DECOMPRESS_BEGIN:
      return DecompressBegin(HeaderArgs(dwDriverId, lParam1, lParam2));
    case ICM_DECOMPRESSEX_BEGIN:
      if (!lParam1) return ICERR_BADPARAM;
      return DecompressBegin(ExArgs(dwDriverId, lParam1));
    case ICM_DECOMPRESS_END:
    case ICM_DECOMPRESSEX_END:
      return DecompressEnd(dwDriverId);
    case ICM_DECOMPRESS_GET_FORMAT:
      return DecompressGetFormat(dwDriverId, As<BITMAPINFOHEADER>(lParam1),
                                 As<BITMAPINFOHEADER>(lParam2));
    case ICM_DECOMPRESS_GET_PALETTE:
      return DecompressGetPalette(dwDriverId, As<BITMAPINFOHEADER>(lParam1),
                                  As<BITMAPINFOHEADER>(lParam2));

    case ICM_SET_STATUS_PROC:
      return SetStatusProc(dwDriverId, As<const ICSETSTATUSPROC>(lParam1));

    default:
      if (uMsg < DRV_USER) {
        return kvtc::platform::DefDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
      }
      return ICERR_UNSUPPORTED;
  }
}
