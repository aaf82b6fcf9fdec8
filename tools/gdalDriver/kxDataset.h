// KXDataset: a chain of the module's stages over a GDAL image, seen by GDAL
// as a read-only raster. The dataset decodes through the chain's head at its
// own magnification: 1 for the dataset itself, 2^-k for its overview levels,
// which share its chain. GDAL's rule of one handle per thread holds: each
// opened dataset builds a chain of its own, and only its own thread decodes
// through it.
#ifndef KX_GDAL_DRIVER_KX_DATASET_H
#define KX_GDAL_DRIVER_KX_DATASET_H

#include <gdal_priv.h>

#include <memory>
#include <string>
#include <vector>

#include "gdalDriver/cplLogger.h"
#include "hostChain/renderChain.h"

namespace kxdriver {

// Blocks of 512 x 512 pixels without a cache (a cache's tile is its block):
// large enough that a decode's fixed cost is small against its pixels.
inline constexpr int kDefaultBlockSize = 512;

// The chain and what its head reports, shared by a dataset and its levels.
struct DatasetChain {
  kxhost::RenderChain chain;
  kxhost::ComPtr<CplLogger> logger;
  kxhost::RasterProps props;  // of the head, at magnification 1
  uint32_t sampleType = 0;    // the host sample type of every decode
  GDALDataType dataType = GDT_Unknown;
  uint32_t rotate = 0;  // the transposer's clockwise turn, which the geotransform follows
  int blockWidth = kDefaultBlockSize;
  int blockHeight = kDefaultBlockSize;
  // The watermarker stamps each decoded buffer's corner: every read then goes
  // through whole blocks, so each block carries one stamp, whatever window
  // GDAL asks for (as kxhost render --tile stamps each tile).
  bool stampsEachBlock = false;
};

class KXDataset final : public GDALDataset {
 public:
  // Opens a connection string or a chain file; null after one CPLError.
  static GDALDataset* Open(GDALOpenInfo* info);

  KXDataset(std::shared_ptr<DatasetChain> chain, double mag);

  CPLErr GetGeoTransform(double* transform) override;
  const OGRSpatialReference* GetSpatialRef() const override;
  CPLErr IRasterIO(GDALRWFlag flag, int x, int y, int width, int height, void* data, int bufferWidth, int bufferHeight,
                   GDALDataType bufferType, int bandCount, int* bandMap, GSpacing pixelSpace, GSpacing lineSpace,
                   GSpacing bandSpace, GDALRasterIOExtraArg* extra) override;

  // Decodes the window's pixels once, for every band, into `data`: band
  // bandMap[i] (from 1) of pixel (column, row) at data + row x lineSpace +
  // column x pixelSpace + i x bandSpace, as `bufferType`.
  CPLErr decodeWindow(int x, int y, int width, int height, void* data, GDALDataType bufferType, int bandCount,
                      const int* bandMap, GSpacing pixelSpace, GSpacing lineSpace, GSpacing bandSpace);

  // Adds the overview levels, at magnifications 1/2, 1/4, ... while the long
  // side keeps at least kSmallestLevel pixels: smaller levels would cost
  // more in decodes than they save.
  static constexpr uint32_t kSmallestLevel = 256;
  void addOverviewLevels();

  KXDataset* overview(int level) const;
  int overviewCount() const { return static_cast<int>(overviews_.size()); }

 private:
  bool readsPackedInto(GDALDataType bufferType, int bandCount, const int* bandMap, GSpacing pixelSpace,
                       GSpacing bandSpace) const;
  CPLErr decode(kxhost::DecodeBuffer& buffer);
  void describeGeoReference();

  std::shared_ptr<DatasetChain> chain_;
  double mag_;
  std::vector<std::unique_ptr<KXDataset>> overviews_;  // only the full-resolution dataset has levels
  double geoTransform_[6] = {0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
  bool hasGeoTransform_ = false;
  OGRSpatialReference reference_;
};

class KXRasterBand final : public GDALRasterBand {
 public:
  KXRasterBand(KXDataset* dataset, int band, const DatasetChain& chain, GDALColorInterp interpretation);

  CPLErr IReadBlock(int blockX, int blockY, void* image) override;
  GDALColorInterp GetColorInterpretation() override { return interpretation_; }
  int GetOverviewCount() override;
  GDALRasterBand* GetOverview(int level) override;

 private:
  GDALColorInterp interpretation_;
};

}  // namespace kxdriver

#endif  // KX_GDAL_DRIVER_KX_DATASET_H
