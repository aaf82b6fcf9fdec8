// The GDAL source writes every decode-buffer layout exactly as GDAL reads the
// image, fills what lies outside the image with each band's background, and
// refuses malformed buffers without touching them.
#include <cpl_string.h>
#include <gdal.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "kxhost/kxv_gdalSource.h"
#include "kxhost/sampleImage.h"
#include "kxhost/tileRenderer.h"
#include "kxhostTestSupport.h"

namespace Kelvane {
namespace {

using testing::FreshTestDirectory;
using testing::ReadWholeImage;
using testing::ReadWithGdal;

constexpr uint8_t kUntouched = 0xAB;

// A buffer layout to decode into: sample offsets in samples (order 0) or in
// planes (order 1), and spare bytes at the end of every row.
struct Layout {
  const char* name;
  uint32_t type;
  uint32_t order;
  uint32_t stride;
  std::vector<int32_t> smap;
  uint32_t rowPadding;
};

// A decode buffer over `memory`, which it sizes and fills with kUntouched.
DecodeBuffer makeBuffer(const Scene& scene, const Layout& layout, std::vector<uint8_t>* memory) {
  const uint32_t bytes = KxHostSampleBytes(layout.type);
  const uint32_t cols = static_cast<uint32_t>(std::floor(scene.width + 0.5));
  const uint32_t rows = static_cast<uint32_t>(std::floor(scene.height + 0.5));
  DecodeBuffer buffer;
  buffer.scene = scene;
  buffer.format.spp = static_cast<uint32_t>(layout.smap.size());
  buffer.format.colorSpace = buffer.format.spp == 3 ? KX_CS_RGB : KX_CS_MULTIBAND;
  buffer.format.type = layout.type;
  buffer.format.order = layout.order;
  buffer.format.stride = layout.stride;
  buffer.format.align = 1;
  buffer.format.bps = 8 * bytes;
  buffer.format.rowbytes = cols * layout.stride * bytes + layout.rowPadding;
  const uint32_t plane = rows * buffer.format.rowbytes;
  for (size_t s = 0; s < layout.smap.size(); ++s)
    buffer.format.smap[s] = layout.smap[s] * static_cast<int32_t>(layout.order == 0 ? bytes : plane);
  memory->assign(layout.order == 0 ? plane : plane * layout.smap.size(), kUntouched);
  buffer.pBits = memory->data();
  return buffer;
}

double readSample(const uint8_t* at, uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: return *at;
    case KX_TYPE_S8: return static_cast<int8_t>(*at);
    case KX_TYPE_U16: {
      uint16_t v;
      std::memcpy(&v, at, 2);
      return v;
    }
    case KX_TYPE_S16: {
      int16_t v;
      std::memcpy(&v, at, 2);
      return v;
    }
    default: {
      float v;
      std::memcpy(&v, at, 4);
      return v;
    }
  }
}

// A value as the buffer's sample type holds it.
double asStored(double value, uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: return std::clamp(value, 0.0, 255.0);
    case KX_TYPE_S8: return std::clamp(value, -128.0, 127.0);
    case KX_TYPE_U16: return std::clamp(value, 0.0, 65535.0);
    case KX_TYPE_S16: return std::clamp(value, -32768.0, 32767.0);
    default: return value;
  }
}

// Checks every sample of `buffer` against expected(x, y, sample) and that no
// byte outside the samples changed.
template <typename Expected>
void expectBuffer(const DecodeBuffer& buffer, const std::vector<uint8_t>& memory, Expected expected) {
  const BufferFormat& format = buffer.format;
  const uint32_t bytes = KxHostSampleBytes(format.type);
  const int64_t cols = static_cast<int64_t>(std::floor(buffer.scene.width + 0.5));
  const int64_t rows = static_cast<int64_t>(std::floor(buffer.scene.height + 0.5));
  std::vector<bool> isSample(memory.size(), false);
  int mismatches = 0;
  for (int64_t y = 0; y < rows; ++y) {
    for (int64_t x = 0; x < cols; ++x) {
      for (uint32_t s = 0; s < format.spp; ++s) {
        const size_t offset = y * format.rowbytes + x * format.stride * bytes + format.smap[s];
        std::fill(isSample.begin() + offset, isSample.begin() + offset + bytes, true);
        const double want = asStored(expected(x, y, s), format.type);
        const double got = readSample(memory.data() + offset, format.type);
        if (got != want && mismatches++ < 5)
          ADD_FAILURE() << "pixel " << x << "," << y << " sample " << s << ": " << got << " != " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  for (size_t i = 0; i < memory.size(); ++i) {
    if (!isSample[i] && memory[i] != kUntouched) {
      ADD_FAILURE() << "byte " << i << " outside every sample was written";
      break;
    }
  }
}

class GdalSourceDecode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    GDALAllRegister();
    directory_ = new std::string(FreshTestDirectory());
    KxSampleRecipe recipe;
    recipe.width = 256;
    recipe.height = 192;
    recipe.bands = 4;
    std::string error;
    ASSERT_TRUE(KxWriteSampleImage(path(), recipe, &error)) << error;
    int bands = 0;
    pixels_ = new std::vector<double>(ReadWholeImage(path(), &width_, &height_, &bands));
  }
  static void TearDownTestSuite() {
    delete pixels_;
    delete directory_;
  }
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(KxvGdalSource::open(path(), {}, nullptr, source_, &error)) << error;
  }

  static std::string path() { return *directory_ + "/four.tif"; }
  // Full-resolution value of band `band` (from 0), or the background 0 off the image.
  static double pixel(int64_t x, int64_t y, uint32_t band) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kKxSampleNodata;
    return (*pixels_)[(static_cast<size_t>(y) * width_ + x) * 4 + band];
  }

  static std::string* directory_;
  static std::vector<double>* pixels_;
  static int width_;
  static int height_;
  KxComPtr<KxvGdalSource> source_;
};
std::string* GdalSourceDecode::directory_ = nullptr;
std::vector<double>* GdalSourceDecode::pixels_ = nullptr;
int GdalSourceDecode::width_ = 0;
int GdalSourceDecode::height_ = 0;

TEST_F(GdalSourceDecode, WritesEveryLayoutAsGdalReadsTheImage) {
  const Layout layouts[] = {
      {"interleaved u8", KX_TYPE_U8, 0, 3, {0, 1, 2}, 0},
      {"stride 4 with row padding", KX_TYPE_U8, 0, 4, {0, 1, 2}, 5},
      {"band-sequential u16", KX_TYPE_U16, 1, 1, {0, 1, 2}, 6},
      {"band-sequential, planes reversed", KX_TYPE_U8, 1, 1, {2, 1, 0}, 0},
      {"permuted sample map s16", KX_TYPE_S16, 0, 3, {2, 0, 1}, 2},
      {"reversed sample map f32", KX_TYPE_F32, 0, 3, {2, 1, 0}, 0},
      {"signed bytes, clamped", KX_TYPE_S8, 0, 4, {1, 3, 0}, 3},
  };
  // Corner 16.6, 9.4 and size 59.6 x 44.5 round to pixel 17, 9 and 60 x 45.
  const Scene scene{16.6, 9.4, 59.6, 44.5, 1.0};
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer(scene, layout, &memory);
    ASSERT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), S_OK);
    expectBuffer(buffer, memory, [](int64_t x, int64_t y, uint32_t s) { return pixel(17 + x, 9 + y, s); });
  }
}

TEST_F(GdalSourceDecode, FillsScenePartsOutsideTheImageWithTheBackground) {
  const Layout layout{"interleaved u16", KX_TYPE_U16, 0, 3, {0, 1, 2}, 0};
  const Scene scenes[] = {{-7, -5, 40, 30, 1.0}, {240, 180, 30, 20, 1.0}, {300, 10, 8, 8, 1.0}};
  for (const Scene& scene : scenes) {
    SCOPED_TRACE(scene.ulx);
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer(scene, layout, &memory);
    ASSERT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), S_OK);
    const auto x0 = static_cast<int64_t>(scene.ulx);
    const auto y0 = static_cast<int64_t>(scene.uly);
    expectBuffer(buffer, memory, [&](int64_t x, int64_t y, uint32_t s) { return pixel(x0 + x, y0 + y, s); });
  }
}

TEST_F(GdalSourceDecode, ReducedMagnificationsReadTheOverviewsAndResample) {
  const Layout layout{"interleaved u8", KX_TYPE_U8, 0, 3, {0, 1, 2}, 0};
  // Half size is the stored overview itself; a quarter GDAL resamples from it.
  struct Case {
    double mag;
    int width, height, overview;
  };
  for (const Case& c : {Case{0.5, 128, 96, 0}, Case{0.25, 64, 48, -1}}) {
    SCOPED_TRACE(c.mag);
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer({0, 0, double(c.width), double(c.height), c.mag}, layout, &memory);
    ASSERT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), S_OK);
    const int windowWidth = c.overview >= 0 ? c.width : width_;
    const int windowHeight = c.overview >= 0 ? c.height : height_;
    const std::vector<double> want =
        ReadWithGdal(path(), {1, 2, 3}, 0, 0, windowWidth, windowHeight, c.width, c.height, c.overview);
    expectBuffer(buffer, memory, [&](int64_t x, int64_t y, uint32_t s) { return want[(y * c.width + x) * 3 + s]; });
  }
  // The size query answers with the same scaled sizes, partial pixels counted.
  uint32_t width = 0, height = 0;
  KxComPtr<IKxImageSizeQuery> size;
  ASSERT_EQ(source_->FindInterface(IID_IKxImageSizeQuery, size.putVoid()), S_OK);
  EXPECT_EQ(size->GetImageSize(0.3, &width, &height), S_OK);
  EXPECT_EQ(width, 77u);   // 76.8
  EXPECT_EQ(height, 58u);  // 57.6
}

TEST_F(GdalSourceDecode, BandMapSelectsAndOrdersBands) {
  KxComPtr<IKxBandSelectDecode> bandSelect;
  ASSERT_EQ(source_->FindInterface(IID_IKxBandSelectDecode, bandSelect.putVoid()), S_OK);
  const Layout layout{"two samples", KX_TYPE_U8, 0, 2, {0, 1}, 0};
  std::vector<uint8_t> memory;
  DecodeBuffer buffer = makeBuffer({30, 40, 25, 20, 1.0}, layout, &memory);
  const uint16_t map[] = {3, 0};
  ASSERT_EQ(bandSelect->DecodeBands(&buffer, KXV_BEST_QUALITY, map, nullptr), S_OK);
  expectBuffer(buffer, memory, [&](int64_t x, int64_t y, uint32_t s) { return pixel(30 + x, 40 + y, map[s]); });

  // A band the image does not have is refused before anything is written.
  const std::vector<uint8_t> before(memory.size(), kUntouched);
  std::fill(memory.begin(), memory.end(), kUntouched);
  const uint16_t missing[] = {1, 4};
  EXPECT_EQ(bandSelect->DecodeBands(&buffer, KXV_BEST_QUALITY, missing, nullptr), E_INVALIDARG);
  EXPECT_EQ(bandSelect->DecodeBands(&buffer, KXV_BEST_QUALITY, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(memory, before);
}

TEST_F(GdalSourceDecode, RefusesMalformedBuffersWithoutWriting) {
  const Layout layout{"interleaved u8", KX_TYPE_U8, 0, 3, {0, 1, 2}, 0};
  struct Case {
    const char* name;
    void (*spoil)(DecodeBuffer*);
    HRESULT status;
  };
  const Case cases[] = {
      {"no pixel memory", [](DecodeBuffer* b) { b->pBits = nullptr; }, KX_E_NO_PIXEL_MEMORY},
      {"wrong record size", [](DecodeBuffer* b) { b->size = 1000; }, E_INVALIDARG},
      {"more samples than bands", [](DecodeBuffer* b) { b->format.spp = 5; }, E_INVALIDARG},
      {"unknown sample type", [](DecodeBuffer* b) { b->format.type = 7; }, E_INVALIDARG},
      {"zero stride", [](DecodeBuffer* b) { b->format.stride = 0; }, E_INVALIDARG},
      {"duplicate sample offsets", [](DecodeBuffer* b) { b->format.smap[2] = 0; }, E_INVALIDARG},
      {"sample outside its pixel", [](DecodeBuffer* b) { b->format.smap[2] = 3; }, E_INVALIDARG},
      {"negative sample offset", [](DecodeBuffer* b) { b->format.smap[0] = -1; }, E_INVALIDARG},
      {"rows shorter than their pixels", [](DecodeBuffer* b) { b->format.rowbytes -= 1; }, E_INVALIDARG},
      {"row size beyond 64 bits",
       [](DecodeBuffer* b) {
         b->scene.width = 2e9;
         b->format.stride = 0xFFFFFFFFu;
         b->format.type = KX_TYPE_F32;
       },
       E_INVALIDARG},
      {"unknown order", [](DecodeBuffer* b) { b->format.order = 2; }, E_INVALIDARG},
      {"width not a number", [](DecodeBuffer* b) { b->scene.width = std::nan(""); }, E_INVALIDARG},
      {"negative height", [](DecodeBuffer* b) { b->scene.height = -3; }, E_INVALIDARG},
      {"zero magnification", [](DecodeBuffer* b) { b->scene.mag = 0; }, E_INVALIDARG},
      {"infinite corner", [](DecodeBuffer* b) { b->scene.ulx = std::numeric_limits<double>::infinity(); },
       E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer({10, 10, 12, 8, 1.0}, layout, &memory);
    c.spoil(&buffer);
    EXPECT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), c.status);
    EXPECT_TRUE(std::all_of(memory.begin(), memory.end(), [](uint8_t b) { return b == kUntouched; }));
  }
  EXPECT_EQ(source_->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
}

TEST_F(GdalSourceDecode, ConcurrentTilesMatchTheImage) {
  const Layout layout{"interleaved u8", KX_TYPE_U8, 0, 4, {0, 1, 2, 3}, 0};
  std::vector<uint8_t> memory;
  KxRenderJob job;
  job.head = source_.get();
  job.whole = makeBuffer({-3, 0, 250, 192, 1.0}, layout, &memory);
  job.tileSize = 32;
  job.threads = 4;
  size_t finished = 0;
  ASSERT_EQ(KxRenderScene(
                job, [&](size_t done, size_t) { finished = std::max(finished, done); }, nullptr),
            S_OK);
  EXPECT_EQ(finished, KxRenderDecodeCount(job));
  EXPECT_EQ(finished, 8u * 6u);
  expectBuffer(job.whole, memory, [](int64_t x, int64_t y, uint32_t s) { return pixel(x - 3, y, s); });
}

TEST_F(GdalSourceDecode, ReportsPropertiesAndGeoReferencing) {
  RasterProps props;
  ASSERT_EQ(source_->GetRasterProps(&props), S_OK);
  EXPECT_EQ(props.width, 256u);
  EXPECT_EQ(props.height, 192u);
  EXPECT_EQ(props.numBands, 4u);
  EXPECT_EQ(props.colorSpace, KX_CS_MULTIBAND);
  EXPECT_EQ(props.bitsPerSample, 8u);
  EXPECT_EQ(props.pixel.getDataType(), KX_SAMPLE_U8);
  EXPECT_EQ(props.maxMag, 1.0);
  EXPECT_EQ(props.minMag, 0.5);
  EXPECT_EQ(props.flags & (KX_CAP_PARTIAL_SCENE | KX_CAP_OUTSIDE_IMAGE | KX_CAP_ANY_MAG | KX_CAP_ORDER),
            KX_CAP_PARTIAL_SCENE | KX_CAP_OUTSIDE_IMAGE | KX_CAP_ANY_MAG | KX_CAP_ORDER);
  EXPECT_EQ(props.flags & KX_CAP_COLOR_SPACE, 0u);

  KxComPtr<IKxGeoSpatialInfo> spatial;
  ASSERT_EQ(source_->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), S_OK);
  GeoDomain domain;
  ASSERT_EQ(spatial->GetSpatialDomain(&domain), S_OK);
  EXPECT_DOUBLE_EQ(domain.x, kKxSampleOriginX);
  EXPECT_DOUBLE_EQ(domain.y, kKxSampleOriginY);
  EXPECT_DOUBLE_EQ(domain.resX, kKxSamplePixelSize);
  EXPECT_DOUBLE_EQ(domain.resY, -kKxSamplePixelSize);
  KxComPtr<IKxSpatialReference> reference;
  ASSERT_EQ(spatial->GetSpatialReference(reference.put()), S_OK);
  ASSERT_TRUE(reference);
  EXPECT_NE(std::string(reference->GetWkt()).find("3857"), std::string::npos);
  EXPECT_NE(std::string(reference->GetProj4()).find("+proj=merc"), std::string::npos);

  // Every interface is one object with one count.
  KxComPtr<IUnknown> identity;
  ASSERT_EQ(spatial->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
  EXPECT_EQ(static_cast<void*>(identity.get()), static_cast<void*>(static_cast<IKxContentImp*>(source_.get())));
  EXPECT_EQ(source_->AddRef(), 4u);
  EXPECT_EQ(source_->Release(), 3u);
}

// An image without geo-referencing whose first band has a nodata value and
// whose second has none (a VRT, since GeoTIFF shares one nodata value).
TEST(GdalSourceBackground, IsEachBandsNodataOrZero) {
  GDALAllRegister();
  const std::string directory = FreshTestDirectory();
  const std::string path = directory + "/plain.vrt";
  GDALDatasetH tiff =
      GDALCreate(GDALGetDriverByName("GTiff"), (directory + "/plain.tif").c_str(), 8, 6, 2, GDT_Int16, nullptr);
  ASSERT_NE(tiff, nullptr);
  std::vector<int16_t> values(8 * 6 * 2, 100);
  ASSERT_EQ(GDALDatasetRasterIO(tiff, GF_Write, 0, 0, 8, 6, values.data(), 8, 6, GDT_Int16, 2, nullptr, 0, 0, 0),
            CE_None);
  GDALDatasetH vrt = GDALCreateCopy(GDALGetDriverByName("VRT"), path.c_str(), tiff, FALSE, nullptr, nullptr, nullptr);
  ASSERT_NE(vrt, nullptr);
  GDALSetRasterNoDataValue(GDALGetRasterBand(vrt, 1), -300);
  GDALClose(vrt);
  GDALClose(tiff);

  KxComPtr<KxvGdalSource> source;
  std::string error;
  ASSERT_TRUE(KxvGdalSource::open(path, {}, nullptr, source, &error)) << error;
  // Outside pixels, in a signed 8-bit buffer where -300 clamps to -128.
  const Layout layout{"signed bytes", KX_TYPE_S8, 0, 2, {0, 1}, 0};
  std::vector<uint8_t> memory;
  DecodeBuffer buffer = makeBuffer({-2, -1, 12, 8, 1.0}, layout, &memory);
  ASSERT_EQ(source->Decode(&buffer, KXV_BEST_QUALITY, nullptr), S_OK);
  expectBuffer(buffer, memory, [](int64_t x, int64_t y, uint32_t s) {
    const bool inside = x >= 2 && x < 10 && y >= 1 && y < 7;
    return inside ? 100.0 : (s == 0 ? -300.0 : 0.0);
  });

  // The background-pixel query answers the same values.
  KxComPtr<IKxBackgroundPixelQuery> query;
  ASSERT_EQ(source->FindInterface(IID_IKxBackgroundPixelQuery, query.putVoid()), S_OK);
  const Layout pixelLayout{"one s16 pixel", KX_TYPE_S16, 0, 2, {0, 1}, 0};
  DecodeBuffer onePixel = makeBuffer({0, 0, 1, 1, 1.0}, pixelLayout, &memory);
  uint32_t reserved = 0;
  ASSERT_EQ(query->GetBackgroundPixel(&reserved, &onePixel), S_OK);
  expectBuffer(onePixel, memory, [](int64_t, int64_t, uint32_t s) { return s == 0 ? -300.0 : 0.0; });

  // No geo-referencing, so no spatial information.
  KxComPtr<IKxGeoSpatialInfo> spatial;
  EXPECT_EQ(source->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), E_NOINTERFACE);
}

}  // namespace
}  // namespace Kelvane
