// The GDAL source writes every decode-buffer layout exactly as GDAL reads the
// image, fills what lies outside the image with each band's background, and
// refuses malformed buffers without touching them.
#include <gdal.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "kxhost/gdalSource.h"
#include "kxhost/sampleImage.h"
#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

constexpr uint8_t kUntouched = 0xAB;

// A buffer layout to decode into: sample offsets in samples (order 0) or in
// planes (order 1), spare bytes at the end of every row, and the image bands
// (from 0) to decode through the band-select interface, if any.
struct Layout {
  const char* name;
  uint32_t type;
  uint32_t order;
  uint32_t stride;
  std::vector<int32_t> smap;
  uint32_t rowPadding;
  std::vector<uint16_t> bandMap = {};
};
const Layout kInterleavedU8{"interleaved u8", KX_TYPE_U8, 0, 3, {0, 1, 2}, 0};

// Whether no byte of `memory` changed since it was filled with kUntouched.
bool untouched(const std::vector<uint8_t>& memory) {
  return std::all_of(memory.begin(), memory.end(), [](uint8_t b) { return b == kUntouched; });
}

// A decode buffer over `memory`, which it sizes and fills with kUntouched.
DecodeBuffer makeBuffer(const Scene& scene, const Layout& layout, std::vector<uint8_t>* memory) {
  const uint32_t bytes = KxHostSampleBytes(layout.type);
  const uint32_t cols = static_cast<uint32_t>(std::floor(scene.width + 0.5));
  const uint32_t rows = static_cast<uint32_t>(std::floor(scene.height + 0.5));
  DecodeBuffer buffer;
  buffer.scene = scene;
  buffer.format.spp = static_cast<uint32_t>(layout.smap.size());
  buffer.format.type = layout.type;
  buffer.format.order = layout.order;
  buffer.format.stride = layout.stride;
  buffer.format.rowbytes = cols * layout.stride * bytes + layout.rowPadding;
  const uint32_t plane = rows * buffer.format.rowbytes;
  for (size_t s = 0; s < layout.smap.size(); ++s)
    buffer.format.smap[s] = layout.smap[s] * static_cast<int32_t>(layout.order == 0 ? bytes : plane);
  memory->assign(layout.order == 0 ? plane : plane * layout.smap.size(), kUntouched);
  buffer.pBits = memory->data();
  return buffer;
}

// The sample at `at`, and `value` as that sample type holds it.
template <typename T>
std::pair<double, double> gotAndWant(const uint8_t* at, double value) {
  T got;
  std::memcpy(&got, at, sizeof got);
  if (std::is_integral_v<T>)
    value = std::clamp(value, double(std::numeric_limits<T>::lowest()), double(std::numeric_limits<T>::max()));
  return {got, value};
}

std::pair<double, double> gotAndWant(const uint8_t* at, uint32_t type, double value) {
  switch (type) {
    case KX_TYPE_U8: return gotAndWant<uint8_t>(at, value);
    case KX_TYPE_S8: return gotAndWant<int8_t>(at, value);
    case KX_TYPE_U16: return gotAndWant<uint16_t>(at, value);
    case KX_TYPE_S16: return gotAndWant<int16_t>(at, value);
    default: return gotAndWant<float>(at, value);
  }
}

// Checks every sample of `buffer` against expected(x, y, sample) and that no
// byte outside the samples changed.
template <typename Expected>
void expectBuffer(const DecodeBuffer& buffer, const std::vector<uint8_t>& memory, Expected expected) {
  const BufferFormat& format = buffer.format;
  const uint32_t bytes = KxHostSampleBytes(format.type);
  std::vector<uint8_t> outside = memory;  // every byte but the samples'
  std::vector<double> got, want;
  for (int64_t y = 0; y < std::floor(buffer.scene.height + 0.5); ++y) {
    for (int64_t x = 0; x < std::floor(buffer.scene.width + 0.5); ++x) {
      for (uint32_t s = 0; s < format.spp; ++s) {
        const size_t offset = y * format.rowbytes + x * format.stride * bytes + format.smap[s];
        std::fill_n(outside.begin() + offset, bytes, kUntouched);
        const auto [sample, value] = gotAndWant(memory.data() + offset, format.type, expected(x, y, s));
        got.push_back(sample);
        want.push_back(value);
      }
    }
  }
  ExpectSameSamples(got, want);
  EXPECT_TRUE(untouched(outside)) << "a byte outside every sample was written";
}

class GdalSourceDecode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    GDALAllRegister();
    path_ = FreshTestDirectory() + "/four.tif";
    const SampleRecipe recipe{256, 192, 4};
    std::string error;
    ASSERT_TRUE(WriteSampleImage(path_, recipe, &error)) << error;
    image_ = ReadWholeImage(path_);
  }
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(GdalSource::open(path_, {}, nullptr, source_, &error)) << error;
    ASSERT_EQ(source_->FindInterface(IID_IKxBandSelectDecode, bandSelect_.putVoid()), S_OK);
  }

  // Full-resolution value of band `band` (from 0), or the background 0 off the image.
  static double pixel(int64_t x, int64_t y, uint32_t band) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return kKxSampleNodata;
    return image_.samples[(static_cast<size_t>(y) * image_.width + x) * 4 + band];
  }

  inline static std::string path_;
  inline static GdalPixels image_;
  ComPtr<GdalSource> source_;
  ComPtr<IKxBandSelectDecode> bandSelect_;
};

// Each layout, over a scene whose corner and size round to whole pixels or
// that reaches past the image, where the band's background is written.
TEST_F(GdalSourceDecode, WritesEveryLayoutAsGdalReadsTheImage) {
  const Layout interleaved16{"interleaved u16", KX_TYPE_U16, 0, 3, {0, 1, 2}, 0};
  // Corner 16.6, 9.4 and size 59.6 x 44.5 round to pixel 17, 9 and 60 x 45.
  const Scene rounded{16.6, 9.4, 59.6, 44.5, 1.0};
  const std::pair<Layout, Scene> cases[] = {
      {kInterleavedU8, rounded},
      {{"stride 4 with row padding", KX_TYPE_U8, 0, 4, {0, 1, 2}, 5}, rounded},
      {{"band-sequential u16", KX_TYPE_U16, 1, 1, {0, 1, 2}, 6}, rounded},
      {{"band-sequential, planes reversed", KX_TYPE_U8, 1, 1, {2, 1, 0}, 0}, rounded},
      {{"permuted sample map s16", KX_TYPE_S16, 0, 3, {2, 0, 1}, 2}, rounded},
      {{"reversed sample map f32", KX_TYPE_F32, 0, 3, {2, 1, 0}, 0}, rounded},
      {{"signed bytes, clamped", KX_TYPE_S8, 0, 4, {1, 3, 0}, 3}, rounded},
      {{"bands 4 and 1 selected", KX_TYPE_U8, 0, 2, {0, 1}, 0, {3, 0}}, {30, 40, 25, 20, 1.0}},
      {interleaved16, {-7, -5, 40, 30, 1.0}},
      {interleaved16, {240, 180, 30, 20, 1.0}},
      {interleaved16, {300, 10, 8, 8, 1.0}},
  };
  for (const auto& [layout, scene] : cases) {
    SCOPED_TRACE(std::string(layout.name) + " at " + std::to_string(scene.ulx) + "," + std::to_string(scene.uly));
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer(scene, layout, &memory);
    const std::vector<uint16_t>& bands = layout.bandMap;
    ASSERT_EQ(bands.empty() ? source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr)
                            : bandSelect_->DecodeBands(&buffer, KXV_BEST_QUALITY, bands.data(), nullptr),
              S_OK);
    const auto x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
    const auto y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
    expectBuffer(buffer, memory,
                 [&](int64_t x, int64_t y, uint32_t s) { return pixel(x0 + x, y0 + y, bands.empty() ? s : bands[s]); });
  }
}

// A quarter size GDAL resamples from the image and its overview.
TEST_F(GdalSourceDecode, ReducedMagnificationResamplesAsGdalDoes) {
  std::vector<uint8_t> memory;
  DecodeBuffer buffer = makeBuffer({0, 0, 64, 48, 0.25}, kInterleavedU8, &memory);
  ASSERT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), S_OK);
  const std::vector<double> want = ReadWithGdal(path_, {1, 2, 3}, 0, 0, 256, 192, 64, 48);
  expectBuffer(buffer, memory, [&](int64_t x, int64_t y, uint32_t s) { return want[(y * 64 + x) * 3 + s]; });
}

TEST_F(GdalSourceDecode, RefusesMalformedBuffersWithoutWriting) {
  // What is wrong, how it spoils a sound buffer, and the status it earns.
  const std::tuple<const char*, void (*)(DecodeBuffer*), HRESULT> cases[] = {
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
  for (const auto& [name, spoil, status] : cases) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> memory;
    DecodeBuffer buffer = makeBuffer({10, 10, 12, 8, 1.0}, kInterleavedU8, &memory);
    spoil(&buffer);
    EXPECT_EQ(source_->Decode(&buffer, KXV_BEST_QUALITY, nullptr), status);
    EXPECT_TRUE(untouched(memory));
  }
  EXPECT_EQ(source_->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);

  // A band the image does not have, or no band map, is refused before anything is written.
  std::vector<uint8_t> memory;
  DecodeBuffer buffer = makeBuffer({30, 40, 25, 20, 1.0}, kInterleavedU8, &memory);
  const uint16_t missing[] = {1, 4, 0};
  EXPECT_EQ(bandSelect_->DecodeBands(&buffer, KXV_BEST_QUALITY, missing, nullptr), E_INVALIDARG);
  EXPECT_EQ(bandSelect_->DecodeBands(&buffer, KXV_BEST_QUALITY, nullptr, nullptr), E_INVALIDARG);
  EXPECT_TRUE(untouched(memory));
}

TEST_F(GdalSourceDecode, ReportsPropertiesAndGeoReferencing) {
  RasterProps props;
  ASSERT_EQ(source_->GetRasterProps(&props), S_OK);
  EXPECT_EQ(std::vector<double>({double(props.width), double(props.height), double(props.numBands),
                                 double(props.bitsPerSample), props.maxMag, props.minMag, double(props.colorSpace),
                                 double(props.pixel.getDataType())}),
            std::vector<double>({256, 192, 4, 8, 1.0, 0.5, KX_CS_MULTIBAND, KX_SAMPLE_U8}));

  ComPtr<IKxGeoSpatialInfo> spatial;
  ASSERT_EQ(source_->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), S_OK);
  GeoDomain domain;
  ASSERT_EQ(spatial->GetSpatialDomain(&domain), S_OK);
  EXPECT_EQ(std::vector<double>({domain.x, domain.y, domain.resX, domain.resY}),
            std::vector<double>({kKxSampleOriginX, kKxSampleOriginY, kKxSamplePixelSize, -kKxSamplePixelSize}));
  ComPtr<IKxSpatialReference> reference;
  ASSERT_EQ(spatial->GetSpatialReference(reference.put()), S_OK);
  ASSERT_TRUE(reference);
  EXPECT_NE(std::string(reference->GetWkt()).find("3857"), std::string::npos);
  EXPECT_NE(std::string(reference->GetProj4()).find("+proj=merc"), std::string::npos);

  // The size query counts partial pixels; every interface belongs to one object.
  uint32_t width = 0, height = 0;
  ComPtr<IKxImageSizeQuery> size;
  ASSERT_EQ(source_->FindInterface(IID_IKxImageSizeQuery, size.putVoid()), S_OK);
  EXPECT_EQ(size->GetImageSize(0.3, &width, &height), S_OK);
  EXPECT_EQ(std::vector<uint32_t>({width, height}), std::vector<uint32_t>({77, 58}));  // 76.8 x 57.6 rounded up
  ComPtr<IUnknown> identity;
  ASSERT_EQ(spatial->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
  EXPECT_EQ(static_cast<void*>(identity.get()), static_cast<void*>(static_cast<IKxContentImp*>(source_.get())));
}

// An image without geo-referencing whose first band has a nodata value and
// whose second has none (a VRT, since GeoTIFF shares one nodata value).
TEST_F(GdalSourceDecode, BackgroundIsEachBandsNodataOrZero) {
  const std::string directory = FreshTestDirectory();
  GDALDatasetH tiff =
      GDALCreate(GDALGetDriverByName("GTiff"), (directory + "/plain.tif").c_str(), 8, 6, 2, GDT_Int16, nullptr);
  ASSERT_NE(tiff, nullptr);
  for (int band = 1; band <= 2; ++band) ASSERT_EQ(GDALFillRaster(GDALGetRasterBand(tiff, band), 100, 0), CE_None);
  GDALDatasetH vrt = GDALCreateCopy(GDALGetDriverByName("VRT"), (directory + "/plain.vrt").c_str(), tiff, FALSE,
                                    nullptr, nullptr, nullptr);
  ASSERT_NE(vrt, nullptr);
  GDALSetRasterNoDataValue(GDALGetRasterBand(vrt, 1), -300);
  GDALClose(vrt);
  GDALClose(tiff);

  ComPtr<GdalSource> source;
  std::string error;
  ASSERT_TRUE(GdalSource::open(directory + "/plain.vrt", {}, nullptr, source, &error)) << error;
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
  ComPtr<IKxBackgroundPixelQuery> query;
  ASSERT_EQ(source->FindInterface(IID_IKxBackgroundPixelQuery, query.putVoid()), S_OK);
  const Layout pixelLayout{"one s16 pixel", KX_TYPE_S16, 0, 2, {0, 1}, 0};
  DecodeBuffer onePixel = makeBuffer({0, 0, 1, 1, 1.0}, pixelLayout, &memory);
  uint32_t reserved = 0;
  ASSERT_EQ(query->GetBackgroundPixel(&reserved, &onePixel), S_OK);
  expectBuffer(onePixel, memory, [](int64_t, int64_t, uint32_t s) { return s == 0 ? -300.0 : 0.0; });

  // No geo-referencing, so no spatial information.
  ComPtr<IKxGeoSpatialInfo> spatial;
  EXPECT_EQ(source->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), E_NOINTERFACE);
}

}  // namespace
}  // namespace kxhost::testing
