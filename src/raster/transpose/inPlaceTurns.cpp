#include "raster/transpose/inPlaceTurns.h"

#include <algorithm>
#include <cstring>

#include "raster/scratchMemory.h"
#include "raster/transpose/planeCopy.h"
#include "raster/transpose/vectorPlaneCopy.h"

namespace Kelvane {

namespace {

// Rows are swapped through a spare buffer this large, a piece at a time.
constexpr size_t kRowPieceBytes = 16 * 1024;

// Blocks of a quarter turn are this many pixels square: the four blocks of a
// cycle and the spare copy of one stay in the second-level cache.
uint32_t blockSideFor(size_t pixelBytes) { return pixelBytes <= 8 ? 64 : 16; }

struct Block {
  uint32_t x;
  uint32_t y;
  uint32_t width;
  uint32_t height;
};

// A square image of side x side pixels being turned.
struct SquareImage {
  unsigned char* pixels;
  uint32_t side;
  size_t pixelBytes;
  ptrdiff_t rowStride;

  unsigned char* at(const Block& block) const {
    return pixels + static_cast<ptrdiff_t>(block.y) * rowStride + block.x * pixelBytes;
  }
  // The block whose pixels the turn brings into `block`: a quarter turn
  // clockwise takes pixel (x, y) from (y, side - 1 - x), counter-clockwise
  // from (side - 1 - y, x).
  Block sourceOf(const Block& block, bool clockwise) const {
    if (clockwise) return {block.y, side - block.x - block.width, block.height, block.width};
    return {side - block.y - block.height, block.x, block.height, block.width};
  }
};

// Turns the width x height pixels at `from` into the height x width pixels
// at `to` (separate memory) with the vector kernels.
void turnBlock(uint32_t mode, const unsigned char* from, ptrdiff_t fromStride, uint32_t width, uint32_t height,
               unsigned char* to, ptrdiff_t toStride, size_t pixelBytes, unsigned char* staging) {
  const ptrdiff_t pixel = static_cast<ptrdiff_t>(pixelBytes);
  const TransposeWalk walk = transposeWalk(mode, width, height, pixel, fromStride);
  copyPlane(planeOfWalk(walk, true, from, to, toStride, pixel, pixelBytes, staging));
}

// The blocks of one quarter of the square (the pixels x < ceil(side / 2),
// y < floor(side / 2)) and their images under the turn partition the whole
// square but for the centre pixel of an odd side. Each block starts a cycle
// of four: the first is kept aside, every block is filled from the next, and
// the last from the kept copy.
void turnSquare(uint32_t mode, const SquareImage& image, unsigned char* staging, unsigned char* spare) {
  const bool clockwise = mode == Rotate90;
  const uint32_t side = blockSideFor(image.pixelBytes);
  const uint32_t across = (image.side + 1) / 2;
  const uint32_t down = image.side / 2;
  for (uint32_t y0 = 0; y0 < down; y0 += side) {
    for (uint32_t x0 = 0; x0 < across; x0 += side) {
      Block cycle[4] = {{x0, y0, std::min(side, across - x0), std::min(side, down - y0)}};
      for (int k = 1; k < 4; ++k) cycle[k] = image.sourceOf(cycle[k - 1], clockwise);
      const size_t spareStride = cycle[0].width * image.pixelBytes;
      for (uint32_t r = 0; r < cycle[0].height; ++r) {
        std::memcpy(spare + r * spareStride, image.at(cycle[0]) + static_cast<ptrdiff_t>(r) * image.rowStride,
                    spareStride);
      }
      for (int k = 0; k < 3; ++k) {
        turnBlock(mode, image.at(cycle[k + 1]), image.rowStride, cycle[k + 1].width, cycle[k + 1].height,
                  image.at(cycle[k]), image.rowStride, image.pixelBytes, staging);
      }
      turnBlock(mode, spare, static_cast<ptrdiff_t>(spareStride), cycle[0].width, cycle[0].height, image.at(cycle[3]),
                image.rowStride, image.pixelBytes, staging);
    }
  }
}

void swapRows(unsigned char* first, unsigned char* second, size_t bytes, unsigned char* spare) {
  for (size_t done = 0; done < bytes; done += kRowPieceBytes) {
    const size_t piece = std::min(kRowPieceBytes, bytes - done);
    std::memcpy(spare, first + done, piece);
    std::memcpy(first + done, second + done, piece);
    std::memcpy(second + done, spare, piece);
  }
}

}  // namespace

bool turnPixelsInPlace(uint32_t mode, unsigned char* pixels, uint32_t width, uint32_t height, size_t pixelBytes,
                       size_t rowStride, std::vector<unsigned char>& scratch) {
  if (mode > MirrorTopBottom) throw KxUtilException(KX_STATUS_TRANSPOSE_MODE);
  if ((mode == Rotate90 || mode == Rotate270) && width != height) return false;
  if (height > 1 && rowStride < uint64_t{width} * pixelBytes) return false;
  if (width == 0 || height == 0) return true;
  const auto row = [&](uint32_t y) { return pixels + static_cast<size_t>(y) * rowStride; };
  switch (mode) {
    case Rotate180:
      for (uint32_t y = 0; y < height / 2; ++y) swapRowsReversed(row(y), row(height - 1 - y), width, pixelBytes);
      if (height % 2 != 0) reverseRow(row(height / 2), width, pixelBytes);
      break;
    case MirrorLeftRight:
      for (uint32_t y = 0; y < height; ++y) reverseRow(row(y), width, pixelBytes);
      break;
    case MirrorTopBottom:
      growScratch(scratch, kRowPieceBytes);
      for (uint32_t y = 0; y < height / 2; ++y)
        swapRows(row(y), row(height - 1 - y), width * pixelBytes, scratch.data());
      break;
    default: {
      const uint32_t side = blockSideFor(pixelBytes);
      growScratch(scratch, kPlaneCopyScratchBytes + size_t{side} * side * pixelBytes);
      const SquareImage image{pixels, width, pixelBytes, static_cast<ptrdiff_t>(rowStride)};
      turnSquare(mode, image, scratch.data(), scratch.data() + kPlaneCopyScratchBytes);
      break;
    }
  }
  return true;
}

}  // namespace Kelvane
