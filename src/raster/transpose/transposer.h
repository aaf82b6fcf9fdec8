// Transposer<T>: turns a raster by quarter turns or mirrors it, copying every
// source pixel to its transposed place in the destination. Samples pass
// through the pixel copier, so band order and layout convert through the two
// sample maps; when that copy leaves every sample unchanged the pixels are
// moved as raw bytes in cache-sized blocks instead, with identical results.
#ifndef KELVANE_RASTER_TRANSPOSE_TRANSPOSER_H
#define KELVANE_RASTER_TRANSPOSE_TRANSPOSER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/basicRasterTransformer.h"
#include "raster/pixelOperator.h"
#include "raster/scratchMemory.h"
#include "raster/transpose/exactCopyKernels.h"
#include "raster/transpose/exactCopyPlan.h"
#include "raster/transpose/planeCopy.h"
#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {

template <typename T>
class Transposer : public BasicRasterTransformer<PixelCopier<T, T>> {
 public:
  // `mode` is a TransposeMode code; any other value fails at transform.
  explicit Transposer(uint32_t mode) : mode_(mode) {}

  // Writes the whole output (the source's size, turned) from the
  // destination's top-left corner. Tables and value windows play no part.
  // Failures, raised before any pixel is written: KX_STATUS_NO_DATA a raster without
  // data; KX_STATUS_CANNOT_COPY/KX_STATUS_SAMPLE_SIZE from the pixel copier; KX_STATUS_TRANSPOSE_MODE a mode other than
  // 0 to 4; KX_STATUS_BAD_ARGUMENT a destination smaller than the output.
  void transform() override;

  uint32_t mode() const { return mode_; }

  // Whether samples that pass unchanged may be moved as raw bytes (the
  // default); off, every pixel goes through the pixel copier.
  void setExactCopyEnabled(bool enabled) { exactCopyEnabled_ = enabled; }
  // Whether the last transform moved raw bytes.
  bool lastTransformCopiedExactly() const { return copiedExactly_; }
  // Working memory of the raw-byte kernels that the caller keeps between
  // transposers (a stage turning tile after tile, each with a transposer of
  // its own); null, the default, uses the transposer's own.
  void useScratch(std::vector<unsigned char>* scratch) { callersScratch_ = scratch; }

 private:
  // The copier's value ranges are the sample type's full range on both sides.
  bool valuesPassUnchanged() const;
  void transposeThroughCopier(const TransposeWalk& walk);

  uint32_t mode_;
  bool exactCopyEnabled_ = true;
  bool copiedExactly_ = false;
  std::vector<unsigned char> scratch_;  // working memory of the raw-byte kernels, kept between transforms
  std::vector<unsigned char>* callersScratch_ = nullptr;  // the caller's, used instead when set
};

template <typename T>
bool Transposer<T>::valuesPassUnchanged() const {
  const PixelCopier<T, T>& copier = this->operator_;
  const SampleRange<T> full = SampleRange<T>::full();
  return copier.sourceRange.min == full.min && copier.sourceRange.max == full.max &&
         copier.destinationRange.min == full.min && copier.destinationRange.max == full.max;
}

template <typename T>
void Transposer<T>::transform() {
  copiedExactly_ = false;
  this->requireRasterData();
  Raster<T>& source = this->sourceRaster;
  Raster<T>& destination = this->destinationRaster;
  this->operator_.setup(destination.info, source.info);
  const TransposeWalk walk = transposeWalk(mode_, source.width, source.height,
                                           source.pixelStep() * static_cast<ptrdiff_t>(sizeof(T)), source.rowStride);
  // The output is written in full, so the destination must hold all of it.
  if (destination.width < walk.width || destination.height < walk.height) {
    throw KxUtilException(KX_STATUS_BAD_ARGUMENT);
  }
  if (walk.width == 0 || walk.height == 0) return;

  ExactCopyPlan plan;
  if (exactCopyEnabled_ && valuesPassUnchanged() &&
      planExactCopy(destination.info, source.info, sizeof(T), walk.width, walk.height, destination.rowStride, plan)) {
    std::vector<unsigned char>& scratch = callersScratch_ != nullptr ? *callersScratch_ : scratch_;
    growScratch(scratch, kPlaneCopyScratchBytes);
    ExactCopyJob job;
    job.scratch = scratch.data();
    job.source = reinterpret_cast<const unsigned char*>(source.data);
    job.destination = reinterpret_cast<unsigned char*>(destination.data);
    job.destinationRowStride = destination.rowStride;
    job.walk = walk;
    job.quarterTurn = mode_ == Rotate90 || mode_ == Rotate270;
    copyExactly(job, plan);
    copiedExactly_ = true;
    return;
  }
  transposeThroughCopier(walk);
}

template <typename T>
void Transposer<T>::transposeThroughCopier(const TransposeWalk& walk) {
  const PixelCopier<T, T>& copier = this->operator_;
  const Raster<T>& destination = this->destinationRaster;
  const unsigned char* start = reinterpret_cast<const unsigned char*>(this->sourceRaster.data) + walk.start;
  const ptrdiff_t step = destination.pixelStep();
  for (uint32_t y = 0; y < walk.height; ++y) {
    T* to = destination.rowAt(y);
    const unsigned char* from = start + static_cast<ptrdiff_t>(y) * walk.alongColumn;
    for (uint32_t x = 0; x < walk.width; ++x) {
      copier.apply(to + static_cast<ptrdiff_t>(x) * step,
                   reinterpret_cast<const T*>(from + static_cast<ptrdiff_t>(x) * walk.alongRow));
    }
  }
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_TRANSPOSER_H
