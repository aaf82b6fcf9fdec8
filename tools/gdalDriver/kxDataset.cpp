#include "gdalDriver/kxDataset.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "hostChain/renderFormat.h"
#include "hostChain/rotateOption.h"
#include "hostChain/scenePlacement.h"

namespace kxdriver {

namespace {

// The colour interpretation of band `band` (from 1) of what the head reports.
GDALColorInterp interpretationOf(const kxhost::RasterProps& props, int band) {
  const uint32_t bands = props.numBands;
  if (props.colorSpace == kxhost::KX_CS_GREY || bands == 1) return GCI_GrayIndex;
  if (bands == 3 && (props.colorSpace == kxhost::KX_CS_RGB || props.colorSpace == kxhost::KX_CS_MULTIBAND))
    return static_cast<GDALColorInterp>(GCI_RedBand + band - 1);
  if (bands == 4 && props.colorSpace == kxhost::KX_CS_CMYK)
    return static_cast<GDALColorInterp>(GCI_CyanBand + band - 1);
  return GCI_Undefined;
}

}  // namespace

KXDataset::KXDataset(std::shared_ptr<DatasetChain> chain, double mag) : chain_(std::move(chain)), mag_(mag) {
  const kxhost::RasterProps& props = chain_->props;
  nRasterXSize = static_cast<int>(kxhost::ScaledExtent(props.width, mag));
  nRasterYSize = static_cast<int>(kxhost::ScaledExtent(props.height, mag));
  for (uint32_t band = 1; band <= props.numBands; ++band) {
    SetBand(static_cast<int>(band),
            new KXRasterBand(this, static_cast<int>(band), *chain_, interpretationOf(props, static_cast<int>(band))));
  }
  // A block read decodes every band at once and keeps them all.
  SetMetadataItem("INTERLEAVE", "PIXEL", "IMAGE_STRUCTURE");
  describeGeoReference();
}

void KXDataset::describeGeoReference() {
  // The head's domain places the unturned image; the turn carries it along.
  kxhost::ComPtr<kxhost::IKxGeoSpatialInfo> spatial;
  kxhost::GeoDomain domain;
  if (SUCCEEDED(chain_->chain.head()->FindInterface(kxhost::IID_IKxGeoSpatialInfo, spatial.putVoid())) &&
      SUCCEEDED(spatial->GetSpatialDomain(&domain))) {
    const kxhost::Scene whole{0.0, 0.0, static_cast<double>(nRasterXSize), static_cast<double>(nRasterYSize), mag_};
    kxhost::TurnedSceneGeoTransform(chain_->rotate, whole, nRasterXSize, nRasterYSize, domain, geoTransform_);
    hasGeoTransform_ = true;
  }
  const std::string& wkt = chain_->chain.source->image().wkt;
  reference_.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (!wkt.empty()) reference_.importFromWkt(wkt.c_str());
}

CPLErr KXDataset::GetGeoTransform(double* transform) {
  std::memcpy(transform, geoTransform_, sizeof geoTransform_);
  return hasGeoTransform_ ? CE_None : CE_Failure;
}

const OGRSpatialReference* KXDataset::GetSpatialRef() const { return reference_.IsEmpty() ? nullptr : &reference_; }

KXDataset* KXDataset::overview(int level) const {
  return level >= 0 && level < overviewCount() ? overviews_[static_cast<size_t>(level)].get() : nullptr;
}

void KXDataset::addOverviewLevels() {
  // Levels at 1/2, 1/4, ... while the long side keeps at least kSmallestLevel pixels.
  for (double mag = 0.5;; mag /= 2) {
    const uint32_t width = kxhost::ScaledExtent(chain_->props.width, mag);
    const uint32_t height = kxhost::ScaledExtent(chain_->props.height, mag);
    if (std::max(width, height) < kSmallestLevel) break;
    overviews_.push_back(std::make_unique<KXDataset>(chain_, mag));
  }
}

CPLErr KXDataset::IRasterIO(GDALRWFlag flag, int x, int y, int width, int height, void* data, int bufferWidth,
                            int bufferHeight, GDALDataType bufferType, int bandCount, int* bandMap, GSpacing pixelSpace,
                            GSpacing lineSpace, GSpacing bandSpace, GDALRasterIOExtraArg* extra) {
  if (flag == GF_Write) {
    CPLError(CE_Failure, CPLE_NoWriteAccess, "kx: a chain of stages is read-only");
    return CE_Failure;
  }
  // A window read at its own size is one decode; a resampled read goes
  // through GDAL, which takes the nearest overview level and its blocks, and
  // so does every read of a chain that stamps each block.
  if (bufferWidth == width && bufferHeight == height && !chain_->stampsEachBlock)
    return decodeWindow(x, y, width, height, data, bufferType, bandCount, bandMap, pixelSpace, lineSpace, bandSpace);
  return GDALDataset::IRasterIO(flag, x, y, width, height, data, bufferWidth, bufferHeight, bufferType, bandCount,
                                bandMap, pixelSpace, lineSpace, bandSpace, extra);
}

bool KXDataset::readsPackedInto(GDALDataType bufferType, int bandCount, const int* bandMap, GSpacing pixelSpace,
                                GSpacing bandSpace) const {
  const GSpacing sampleBytes = GDALGetDataTypeSizeBytes(chain_->dataType);
  if (bufferType != chain_->dataType || bandCount != nBands || pixelSpace != nBands * sampleBytes ||
      bandSpace != sampleBytes)
    return false;
  for (int i = 0; i < bandCount; ++i) {
    if (bandMap[i] != i + 1) return false;
  }
  return true;
}

CPLErr KXDataset::decodeWindow(int x, int y, int width, int height, void* data, GDALDataType bufferType, int bandCount,
                               const int* bandMap, GSpacing pixelSpace, GSpacing lineSpace, GSpacing bandSpace) {
  kxhost::DecodeBuffer buffer;
  buffer.scene = kxhost::Scene{double(x), double(y), double(width), double(height), mag_};
  std::string error;
  if (!kxhost::RenderBufferFormat(chain_->props, buffer.scene, &buffer.format, &error) ||
      !kxhost::FitsInMemory(buffer.scene, buffer.format, "the window", &error)) {
    CPLError(CE_Failure, CPLE_AppDefined, "kx: %s", error.c_str());
    return CE_Failure;
  }
  // GDAL's own pixel-interleaved buffer takes the decode directly.
  if (readsPackedInto(bufferType, bandCount, bandMap, pixelSpace, bandSpace) && lineSpace > 0 &&
      static_cast<uint64_t>(lineSpace) <= UINT32_MAX) {
    buffer.format.rowbytes = static_cast<uint32_t>(lineSpace);
    buffer.pBits = data;
    return decode(buffer);
  }
  // Otherwise one decode into packed rows, then each asked band copied out.
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(size_t{buffer.format.rowbytes} * static_cast<size_t>(height));
  } catch (const std::bad_alloc&) {
    CPLError(CE_Failure, CPLE_OutOfMemory, "kx: not enough memory for a %dx%d window", width, height);
    return CE_Failure;
  }
  buffer.pBits = pixels.data();
  if (decode(buffer) != CE_None) return CE_Failure;
  const int sampleBytes = GDALGetDataTypeSizeBytes(chain_->dataType);
  for (int i = 0; i < bandCount; ++i) {
    for (int row = 0; row < height; ++row) {
      const uint8_t* from = pixels.data() + size_t(row) * buffer.format.rowbytes + size_t(bandMap[i] - 1) * sampleBytes;
      GByte* to = static_cast<GByte*>(data) + row * lineSpace + i * bandSpace;
      GDALCopyWords64(from, chain_->dataType, nBands * sampleBytes, to, bufferType, static_cast<int>(pixelSpace),
                      width);
    }
  }
  return CE_None;
}

CPLErr KXDataset::decode(kxhost::DecodeBuffer& buffer) {
  const HRESULT status = chain_->chain.head()->Decode(&buffer, kxhost::KXV_BEST_QUALITY, nullptr);
  if (SUCCEEDED(status)) return CE_None;
  CPLError(CE_Failure, CPLE_AppDefined, "kx: the chain's decode of %g,%g %gx%g at magnification %g failed with %s",
           buffer.scene.ulx, buffer.scene.uly, buffer.scene.width, buffer.scene.height, buffer.scene.mag,
           kxhost::StatusText(status).c_str());
  return CE_Failure;
}

KXRasterBand::KXRasterBand(KXDataset* dataset, int band, const DatasetChain& chain, GDALColorInterp interpretation)
    : interpretation_(interpretation) {
  poDS = dataset;
  nBand = band;
  eDataType = chain.dataType;
  nBlockXSize = std::min(chain.blockWidth, dataset->GetRasterXSize());
  nBlockYSize = std::min(chain.blockHeight, dataset->GetRasterYSize());
}

CPLErr KXRasterBand::IReadBlock(int blockX, int blockY, void* image) {
  auto* dataset = static_cast<KXDataset*>(poDS);
  const int x = blockX * nBlockXSize;
  const int y = blockY * nBlockYSize;
  const int width = std::min(nBlockXSize, nRasterXSize - x);
  const int height = std::min(nBlockYSize, nRasterYSize - y);
  const int bands = dataset->GetRasterCount();
  const int sampleBytes = GDALGetDataTypeSizeBytes(eDataType);

  // One decode of every band; each band's block is filled from it, so that
  // reading the other bands of this block decodes nothing again.
  std::vector<uint8_t> pixels;
  std::vector<int> everyBand(static_cast<size_t>(bands));
  try {
    pixels.resize(size_t(width) * height * bands * sampleBytes);
  } catch (const std::bad_alloc&) {
    CPLError(CE_Failure, CPLE_OutOfMemory, "kx: not enough memory for a block");
    return CE_Failure;
  }
  for (int b = 0; b < bands; ++b) everyBand[size_t(b)] = b + 1;
  const GSpacing pixelBytes = GSpacing(bands) * sampleBytes;
  if (dataset->decodeWindow(x, y, width, height, pixels.data(), eDataType, bands, everyBand.data(), pixelBytes,
                            pixelBytes * width, sampleBytes) != CE_None)
    return CE_Failure;
  for (int b = 1; b <= bands; ++b) {
    void* target = image;
    GDALRasterBlock* block = nullptr;
    if (b != nBand) {
      GDALRasterBand* other = dataset->GetRasterBand(b);
      block = other->TryGetLockedBlockRef(blockX, blockY);
      if (block != nullptr) {  // already read
        block->DropLock();
        continue;
      }
      block = other->GetLockedBlockRef(blockX, blockY, TRUE);
      if (block == nullptr) continue;
      target = block->GetDataRef();
    }
    for (int row = 0; row < height; ++row) {
      GDALCopyWords64(pixels.data() + (size_t(row) * width * bands + size_t(b - 1)) * sampleBytes, eDataType,
                      static_cast<int>(pixelBytes),
                      static_cast<GByte*>(target) + size_t(row) * nBlockXSize * sampleBytes, eDataType, sampleBytes,
                      width);
    }
    if (block != nullptr) block->DropLock();
  }
  return CE_None;
}

int KXRasterBand::GetOverviewCount() { return static_cast<KXDataset*>(poDS)->overviewCount(); }

GDALRasterBand* KXRasterBand::GetOverview(int level) {
  KXDataset* overview = static_cast<KXDataset*>(poDS)->overview(level);
  return overview != nullptr ? overview->GetRasterBand(nBand) : nullptr;
}

}  // namespace kxdriver
