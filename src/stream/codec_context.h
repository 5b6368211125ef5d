// The codec working context: everything that carries a stream from frame to frame for one
// instance, on the compressing and the decompressing side.
//
// The encoder and the decoder each keep their own geometry, block offsets, planes and
// counters, so an instance that compresses and decompresses streams of different sizes never
// mixes the two; they share the size-independent arithmetic and colour tables.
#pragma once

#include <cstdint>

#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "platform/global_heap.h"
#include "platform/win32_types.h"
#include "stream/arithmetic_tables.h"
#include "stream/block_offsets.h"
#include "stream/plane_geometry.h"

namespace kvtc::stream {

struct EncoderState {
  std::uint32_t frameCounter = 0;  // 0: the next frame starts a stream
  std::uint32_t refreshPhase = 0;
  std::uint32_t nextKeyFrame = 0;
  std::uint8_t keyInterval = 0;     // snapshot at stream start
  std::uint8_t decimation = 0;      // snapshot at stream start
  std::uint32_t refreshPeriod = 0;  // in force
  std::uint32_t searchRadius = 0;   // R in force
  std::uint32_t twiceRadius = 0;    // 2R
  std::uint8_t losslessLuma = 0;    // in force for the frame in hand
  std::uint8_t losslessChroma = 0;
  std::uint8_t sendGrey = 0;
  std::uint8_t motionBiasBase = 0;  // 2R
  std::uint8_t motionCentre = 0;    // B
  std::uint32_t motionBits = 0;     // K
  std::uint8_t keyOwed = 0;         // a due key frame had to go out as an ordinary frame
  std::uint32_t unshownBlocks = 0;  // blocks the decoder has not yet shown whole (see below)
  std::uint8_t buildUpStep = 0;     // index of the last refresh period a build-up frame used
  PlaneGeometry geometry;
  BlockOffsets offsets;
  HeapBuffer<std::uint8_t> changeTable;      // 511
  HeapBuffer<std::uint8_t> sampleChangeMap;  // 81
  HeapBuffer<std::uint8_t> current;          // plane set: converted, filtered input
  HeapBuffer<std::uint8_t> reference;        // plane set: previous reconstruction
  HeapBuffer<std::uint8_t> reconstruction;   // plane set: the decoder's picture of this frame
  HeapBuffer<std::uint8_t> blockBits;        // 8 * blocks + 1
  HeapBuffer<std::uint8_t> refinementBits;   // plane-set size / 8
  HeapBuffer<std::uint8_t> literals;         // plane-set size: the sample section being coded
  HeapBuffer<std::uint8_t> updateMap;        // (8 BY + 4) x (W + 4): marks, as the decoder's
  HeapBuffer<std::uint8_t> inputCopy;        // the caller's input, decimated here
  // One flag a block: 1 while the decoder's shown picture does not hold the block, because no
  // key frame and no refresh block has carried it since the stream started or since a key
  // frame that was due could not be made. A decoder converts only the marked areas of a
  // non-key frame, so such a block can stay blank however closely its planes already match.
  HeapBuffer<std::uint8_t> unshown;          // blocks
};

struct DecoderState {
  std::uint32_t frameCounter = 0;  // 0: the stream has not been initialised
  std::uint32_t motionBits = 0;    // K
  std::uint8_t motionCentre = 0;   // B
  std::uint32_t refreshPeriod = 0;
  std::uint32_t searchRadius = 0;
  std::uint8_t losslessLuma = 0;
  std::uint8_t losslessChroma = 0;
  std::uint8_t grey = 0;
  std::uint8_t interpolationPhase = 0;
  std::uint8_t hasPicture = 0;   // 1 once a frame has been decoded and converted
  std::uint8_t pictureGrey = 0;  // grey state of the picture in the output buffer
  std::uint8_t mapClear = 0;     // 1 when the update map is known to hold no mark
  std::uint32_t outputSize = 0;
  PlaneGeometry geometry;
  BlockOffsets offsets;
  HeapBuffer<std::uint8_t> current;         // plane set being decoded
  HeapBuffer<std::uint8_t> reference;       // plane set of the last decoded picture
  HeapBuffer<std::uint8_t> updateMap;       // (8 BY + 4) x (W + 4)
  HeapBuffer<std::uint8_t> touchedRows;     // BY: the block rows the frame in hand touched
  HeapBuffer<std::uint8_t> expansion;       // unpacked 4-bit literals
  HeapBuffer<std::uint8_t> output;          // W H 4: the converted picture
  HeapBuffer<std::uint8_t> previousOutput;  // W H 4: the one before, for interpolation
  HeapBuffer<std::uint8_t> zoom2x;          // 16 W H
  HeapBuffer<std::uint8_t> zoom4x;          // 64 W H
  HeapBuffer<std::uint8_t> scratch;         // interpolated picture awaiting the zoom
};

struct CodecContext {
  HGLOBAL handle = nullptr;  // the context's own global-heap block

  // Per-frame fields written by the frame entry points.
  std::uint8_t decimation = 0;
  std::uint8_t inputFormat = 0;
  std::uint8_t compBits[3] = {};
  std::uint8_t compCount = 0;
  std::uint8_t threshold = 0;
  std::uint8_t smoothing = 0;
  std::uint8_t median = 0;
  std::uint8_t decoderMode = 0;
  std::uint8_t outputFormat = 0;
  std::uint8_t showGrey = 0;
  std::uint8_t variantLevel = 0;
  std::uint8_t variantFlag = 0;
  // 1: the caller's bitmap is top-down, so the picture is shown with its rows in the
  // opposite order to the one the decoder lays them out in.
  std::uint8_t reverseRows = 0;
  double gamma = 1.0;
  HeapBuffer<std::uint8_t> paletteY, paletteU, paletteV;  // 256 each, 8-bit palettised input

  ArithmeticTables tables;
  pixels::EncoderColourTables encoderColour;
  pixels::DecoderTables decoderTables;

  EncoderState enc;
  DecoderState dec;
};

// A new, zero-filled context from the global heap; null when out of memory.
CodecContext* CreateContext();
// Releases every buffer the context owns and the context itself. Null is ignored.
void FreeContext(CodecContext* context);

}  // namespace kvtc::stream
