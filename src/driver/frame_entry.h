// The frame entry points: every frame passes through here between the host and the codec.
// ICM_COMPRESS keeps the codec working context matched to the frame size, derives the input
// pixel-format code and calls the encoder; ICM_DECOMPRESS and ICM_DECOMPRESSEX keep it matched
// to the output depth, choose the output code, read the stream variant from the FOURCC, call
// the decoder and turn top-down pictures upside down.
//
// A compressed frame takes at most the 12 bits a pixel promised to the host. A host whose
// settings carry SF_FRAMESIZE may ask for less through ICCOMPRESS.dwFrameSize: the encoder then
// raises the threshold, builds a key frame up over several frames, or leaves blocks for later
// frames (encoder/encode_frame.h). Without that flag, or with a frame size of 0, the field is
// ignored, as hosts that fill it in for other codecs expect.
#pragma once

#include "driver/decompress_args.h"
#include "driver/instance.h"
#include "platform/win32_types.h"

namespace kvtc::driver {

LRESULT CompressHandler(DWORD_PTR id, ICCOMPRESS* compress);
LRESULT CompressFrame(InstanceRecord& instance, const BITMAPINFOHEADER& input, const void* inputBits,
                      BITMAPINFOHEADER& output, void* outputBits, DWORD frameSize,
                      bool* keyFrame);

LRESULT DecompressHandler(const DecompressArgs& args);
void DecompressFrame(InstanceRecord& instance, BITMAPINFOHEADER& source, const void* sourceBits,
                     BITMAPINFOHEADER& destination, void* destinationBits, int xDst, int yDst);

}  // namespace kvtc::driver
