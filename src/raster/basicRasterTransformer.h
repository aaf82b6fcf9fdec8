// BasicRasterTransformer<Op>: a raster transformer whose transform runs one
// pixel operator over every pixel the two rasters have in common, meeting in
// their top-left corners, through lookup tables where they are in use.
#ifndef KELVANE_RASTER_BASIC_RASTER_TRANSFORMER_H
#define KELVANE_RASTER_BASIC_RASTER_TRANSFORMER_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/clut.h"
#include "raster/indexRows.h"
#include "raster/pixel.h"
#include "raster/pixelDriver.h"
#include "raster/rasterTransformer.h"
#include "raster/scratchMemory.h"

namespace Kelvane {

template <typename Op>
class BasicRasterTransformer : public RasterTransformer<typename Op::DestinationSample, typename Op::SourceSample> {
 public:
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;

  // Failures, all raised before a destination pixel is written:
  // KX_STATUS_NO_DATA a raster without data (destination first); KX_STATUS_NOT_INDEXED a raster paired
  // with a table in use that is not one integer index per pixel of the
  // table's colour space, whose indices fall outside the table, or whose
  // table cannot be searched; KX_STATUS_SAMPLE_SIZE/KX_STATUS_CANNOT_COPY and others from the operator's setup.
  void transform() override;

 protected:
  // Raises KX_STATUS_NO_DATA unless both rasters have data (destination first).
  void requireRasterData() const {
    if (this->destinationRaster.data == nullptr || this->sourceRaster.data == nullptr) {
      throw KxUtilException(KX_STATUS_NO_DATA);
    }
  }

  // Applies the four value window settings that are set, in order.
  void applyWindows() {
    if (this->sourceWindowWidth != kWindowWidthNotSet) operator_.adjustSourceWindowWidth(this->sourceWindowWidth);
    if (this->sourceWindowCenter != kWindowCenterNotSet) operator_.adjustSourceWindowCenter(this->sourceWindowCenter);
    if (this->destinationWindowWidth != kWindowWidthNotSet) {
      operator_.adjustDestinationWindowWidth(this->destinationWindowWidth);
    }
    if (this->destinationWindowCenter != kWindowCenterNotSet) {
      operator_.adjustDestinationWindowCenter(this->destinationWindowCenter);
    }
  }

  Op operator_;

 private:
  static void checkIndexedRaster(const ImageBufferInfo& raster, const Clut& table);
  void checkDestinationTable() const;
  void checkSourceIndices(uint32_t rows, uint32_t columns) const;
  template <typename Source>
  void writeRows(uint32_t rows, uint32_t columns, Source& source);

  // Reused between calls: one row of indices per indexed side, and one
  // entry-shaped destination pixel.
  std::vector<uint32_t> sourceIndices_;
  std::vector<uint32_t> destinationIndices_;
  std::vector<Dst> entryScratch_;
};

template <typename Op>
void BasicRasterTransformer<Op>::checkIndexedRaster(const ImageBufferInfo& raster, const Clut& table) {
  if (!isIndexSampleType(raster.sampleType) || raster.pixelStride != 1 ||
      raster.colorSpace() != table.info().colorSpace()) {
    throw KxUtilException(KX_STATUS_NOT_INDEXED);
  }
}

template <typename Op>
void BasicRasterTransformer<Op>::checkDestinationTable() const {
  // Indices are searched with the table's finder and must fit the raster.
  const Clut& table = this->destinationClut;
  if (!table.hasEntryFinder() || table.entryCount() == 0 ||
      table.entryCount() > addressableEntries(this->destinationRaster.info.sampleType)) {
    throw KxUtilException(KX_STATUS_NOT_INDEXED);
  }
}

template <typename Op>
void BasicRasterTransformer<Op>::checkSourceIndices(uint32_t rows, uint32_t columns) const {
  // Every index the walk will read must name an entry of the table.
  const Raster<Src>& raster = this->sourceRaster;
  if (!indicesBelow(raster.data, raster.rowStride, rows, columns, raster.info.sampleType,
                    this->sourceClut.entryCount())) {
    throw KxUtilException(KX_STATUS_NOT_INDEXED);
  }
}

template <typename Op>
void BasicRasterTransformer<Op>::transform() {
  requireRasterData();
  const bool sourceIndexed = this->sourceClut.inUse();
  const bool destinationIndexed = this->destinationClut.inUse();
  const uint32_t rows = std::min(this->destinationRaster.height, this->sourceRaster.height);
  const uint32_t columns = std::min(this->destinationRaster.width, this->sourceRaster.width);

  // Tables: the indexed rasters and their indices, source first.
  if (sourceIndexed) {
    checkIndexedRaster(this->sourceRaster.info, this->sourceClut);
    checkSourceIndices(rows, columns);
  }
  if (destinationIndexed) {
    checkIndexedRaster(this->destinationRaster.info, this->destinationClut);
    checkDestinationTable();
  }

  // The operator sees a table's entry description in place of its raster's.
  operator_.setup(destinationIndexed ? this->destinationClut.info() : this->destinationRaster.info,
                  sourceIndexed ? this->sourceClut.info() : this->sourceRaster.info);
  applyWindows();

  // Walk with the source reached directly or through its table; operators
  // with a row kernel take rows whole when no table is in use.
  if (sourceIndexed) {
    growScratch(sourceIndices_, columns);
    pixel_driver::IndexedSource<Src> source(this->sourceRaster, this->sourceClut, columns, sourceIndices_);
    writeRows(rows, columns, source);
    return;
  }
  if constexpr (pixel_driver::HasApplyRow<Op>::value) {
    if (!destinationIndexed) {
      pixel_driver::walkRows(rows, columns, this->destinationRaster, this->sourceRaster, operator_);
      return;
    }
  }
  pixel_driver::DirectSource<Src> source(this->sourceRaster);
  writeRows(rows, columns, source);
}

template <typename Op>
template <typename Source>
void BasicRasterTransformer<Op>::writeRows(uint32_t rows, uint32_t columns, Source& source) {
  if (!this->destinationClut.inUse()) {
    pixel_driver::DirectDestination<Op> destination(this->destinationRaster, operator_);
    pixel_driver::walkPixels(rows, columns, source, destination);
    return;
  }
  // An indexed destination: scratch memory is made before the first pixel.
  const Clut& table = this->destinationClut;
  growScratch(destinationIndices_, columns);
  growScratch(entryScratch_, static_cast<size_t>(std::min<uint64_t>(sampleSpan(table.info()), SIZE_MAX)));
  TypedPixel<Dst> pixel(nullptr, table.info());
  pixel_driver::IndexedDestination<Op> destination(this->destinationRaster, table, operator_, entryScratch_.data(),
                                                   pixel, columns, destinationIndices_);
  pixel_driver::walkPixels(rows, columns, source, destination);
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_BASIC_RASTER_TRANSFORMER_H
