// The loop of the pixel-by-pixel driver and the four ways it reaches pixels:
// a source read directly or through its lookup table, a destination written
// directly or through the nearest entry of its lookup table. The combination
// is chosen once per transform; the per-pixel path neither allocates nor
// dispatches.
#ifndef KELVANE_RASTER_PIXEL_DRIVER_H
#define KELVANE_RASTER_PIXEL_DRIVER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "raster/clut.h"
#include "raster/indexRows.h"
#include "raster/pixel.h"
#include "raster/raster.h"

namespace Kelvane {
namespace pixel_driver {

// Source pixels straight from the raster.
template <typename Src>
class DirectSource {
 public:
  explicit DirectSource(const Raster<Src>& raster) : raster_(raster), step_(raster.pixelStep()) {}
  void beginRow(uint32_t r) { row_ = raster_.rowAt(r); }
  const Src* pixel(uint32_t c) const { return row_ + static_cast<ptrdiff_t>(c) * step_; }

 private:
  const Raster<Src>& raster_;
  ptrdiff_t step_;
  const Src* row_ = nullptr;
};

// Source pixels are indices; the pixel is the table entry they name.
template <typename Src>
class IndexedSource {
 public:
  IndexedSource(const Raster<Src>& raster, const Clut& table, uint32_t columns, std::vector<uint32_t>& indices)
      : raster_(raster), table_(table), columns_(columns), indices_(indices.data()) {}
  void beginRow(uint32_t r) { readIndexRow(raster_.rowAt(r), raster_.info.sampleType, columns_, indices_); }
  const Src* pixel(uint32_t c) const { return table_.entryAt<Src>(indices_[c]); }

 private:
  const Raster<Src>& raster_;
  const Clut& table_;
  uint32_t columns_;
  uint32_t* indices_;  // one row, columns_ entries
};

// Destination pixels written by the operator in place.
template <typename Op>
class DirectDestination {
 public:
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;

  DirectDestination(const Raster<Dst>& raster, const Op& op) : raster_(raster), op_(op), step_(raster.pixelStep()) {}
  void beginRow(uint32_t r) { row_ = raster_.rowAt(r); }
  void put(uint32_t c, const Src* source) const { op_.apply(row_ + static_cast<ptrdiff_t>(c) * step_, source); }
  void endRow() const {}

 private:
  const Raster<Dst>& raster_;
  const Op& op_;
  ptrdiff_t step_;
  Dst* row_ = nullptr;
};

// Destination pixels are indices: the operator writes an entry-shaped
// scratch pixel, which is compacted and looked up in the table; a row of
// indices is stored at the row's end in the raster's own index width.
template <typename Op>
class IndexedDestination {
 public:
  using Dst = typename Op::DestinationSample;
  using Src = typename Op::SourceSample;

  IndexedDestination(const Raster<Dst>& raster, const Clut& table, const Op& op, Dst* entry, TypedPixel<Dst>& pixel,
                     uint32_t columns, std::vector<uint32_t>& indices)
      : raster_(raster),
        table_(table),
        op_(op),
        entry_(entry),
        pixel_(pixel),
        columns_(columns),
        indices_(indices.data()) {}
  void beginRow(uint32_t r) { row_ = raster_.rowAt(r); }
  void put(uint32_t c, const Src* source) {
    op_.apply(entry_, source);
    pixel_.assignFrom(entry_, table_.info().sampleMap());
    indices_[c] = table_.nearestEntry(pixel_);
  }
  void endRow() const { writeIndexRow(row_, raster_.info.sampleType, columns_, indices_); }

 private:
  const Raster<Dst>& raster_;
  const Clut& table_;
  const Op& op_;
  Dst* entry_;  // one entry's samples, laid out by the table's description
  TypedPixel<Dst>& pixel_;
  uint32_t columns_;
  uint32_t* indices_;  // one row, columns_ entries
  Dst* row_ = nullptr;
};

// Walks rows and pixels from the top-left corner in step on both sides.
template <typename Source, typename Destination>
void walkPixels(uint32_t rows, uint32_t columns, Source& source, Destination& destination) {
  for (uint32_t r = 0; r < rows; ++r) {
    source.beginRow(r);
    destination.beginRow(r);
    for (uint32_t c = 0; c < columns; ++c) destination.put(c, source.pixel(c));
    destination.endRow();
  }
}

// Operators that convert a row of pixels at a time offer
//   applyRow(destination row, destination step, source row, source step, count)
// with steps in samples; the driver hands them whole rows when both rasters
// are reached directly. Their result is the same as apply on every pixel.
template <typename Op, typename = void>
struct HasApplyRow : std::false_type {};
template <typename Op>
struct HasApplyRow<Op, std::void_t<decltype(&Op::applyRow)>> : std::true_type {};

// A row converted pixel by pixel through apply: what a row kernel falls back
// to where its layout does not apply.
template <typename Op>
void applyEach(const Op& op, typename Op::DestinationSample* destination, ptrdiff_t destinationStep,
               const typename Op::SourceSample* source, ptrdiff_t sourceStep, uint32_t count) {
  for (uint32_t c = 0; c < count; ++c) {
    op.apply(destination + static_cast<ptrdiff_t>(c) * destinationStep,
             source + static_cast<ptrdiff_t>(c) * sourceStep);
  }
}

// Walks rows from the top in step on both sides, a row at a time.
template <typename Op>
void walkRows(uint32_t rows, uint32_t columns, const Raster<typename Op::DestinationSample>& destination,
              const Raster<typename Op::SourceSample>& source, const Op& op) {
  for (uint32_t r = 0; r < rows; ++r) {
    op.applyRow(destination.rowAt(r), destination.pixelStep(), source.rowAt(r), source.pixelStep(), columns);
  }
}

}  // namespace pixel_driver
}  // namespace Kelvane

#endif  // KELVANE_RASTER_PIXEL_DRIVER_H
