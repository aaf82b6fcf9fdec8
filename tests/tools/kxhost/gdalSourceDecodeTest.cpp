// The GDAL source writes every decode-buffer layout exactly as GDAL reads the
// image, fills what lies outside the image with each band's background, and
// refuses malformed buffers without touching them.
#include <gdal.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/syntheticSamples.h"
#include "hostChain/gdalSource.h"
#include "kxhost/sampleImage.h"
#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

namespace Fakes = Kelvane::Fakes;
using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

// The byte every buffer starts with (the fakes' fill).
constexpr uint8_t kUntouched = 0xCD;

// A layout of `spp` samples of `type` in `order`, `stride` samples a pixel,
// the samples in `slots`, rows padded by `rowPadding` bytes.
BufferLayout Layout(uint32_t type, uint32_t order, uint32_t stride, std::vector<uint32_t> slots,
                    uint32_t rowPadding = 0) {
  BufferLayout layout = BufferLayout::Interleaved(static_cast<uint32_t>(slots.size()), type, order);
  layout.stride = stride;
  layout.slots = std::move(slots);
  layout.rowPadding = rowPadding;
  return layout;
}
const BufferLayout kInterleavedU8 = BufferLayout::Interleaved(3, KX_TYPE_U8);

// Whether no byte of the buffer's memory, or of the guard behind it, changed.
bool Untouched(const OwnedDecodeBuffer& buffer) {
  return buffer.guardIntact() &&
         std::all_of(buffer.bytes(), buffer.bytes() + buffer.byteSize(), [](uint8_t b) { return b == kUntouched; });
}

// Expects every sample of `buffer` to be expected(x, y, s) as its type holds
// it (integers clamped), and no byte outside the samples written.
template <typename Expected>
void ExpectDecoded(OwnedDecodeBuffer& buffer, Expected expected) {
  const DecodeBuffer& record = buffer.record();
  EXPECT_EQ(Fakes::FirstSampleMismatch(record,
                                       [&](uint32_t x, uint32_t y, uint32_t s) {
                                         return Fakes::EncodeSampleBits(expected(x, y, s), record.format.type);
                                       }),
            "");
  Fakes::ForEachSample(record.scene, record.format.spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    buffer.setSample(x, y, s, 0xCDCDCDCDu);
    return true;
  });
  EXPECT_TRUE(Untouched(buffer)) << "a byte outside every sample was written";
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
  const BufferLayout interleaved16 = BufferLayout::Interleaved(3, KX_TYPE_U16);
  // Corner 16.6, 9.4 and size 59.6 x 44.5 round to pixel 17, 9 and 60 x 45.
  const Scene rounded = MakeScene(16.6, 9.4, 59.6, 44.5);
  // A layout, its scene, and the image bands (from 0) to decode through the band-select interface, if any.
  const std::tuple<const char*, BufferLayout, Scene, std::vector<uint16_t>> cases[] = {
      {"interleaved u8", kInterleavedU8, rounded, {}},
      {"stride 4 with row padding", Layout(KX_TYPE_U8, 0, 4, {0, 1, 2}, 5), rounded, {}},
      {"band-sequential u16", Layout(KX_TYPE_U16, 1, 1, {0, 1, 2}, 6), rounded, {}},
      {"band-sequential, planes reversed", Layout(KX_TYPE_U8, 1, 1, {2, 1, 0}), rounded, {}},
      {"permuted sample map s16", Layout(KX_TYPE_S16, 0, 3, {2, 0, 1}, 2), rounded, {}},
      {"reversed sample map f32", Layout(KX_TYPE_F32, 0, 3, {2, 1, 0}), rounded, {}},
      {"signed bytes, clamped", Layout(KX_TYPE_S8, 0, 4, {1, 3, 0}, 3), rounded, {}},
      {"bands 4 and 1 selected", Layout(KX_TYPE_U8, 0, 2, {0, 1}), MakeScene(30, 40, 25, 20), {3, 0}},
      {"over the top-left", interleaved16, MakeScene(-7, -5, 40, 30), {}},
      {"over the bottom-right", interleaved16, MakeScene(240, 180, 30, 20), {}},
      {"beside the image", interleaved16, MakeScene(300, 10, 8, 8), {}},
  };
  for (const auto& [name, layout, scene, bands] : cases) {
    SCOPED_TRACE(name);
    OwnedDecodeBuffer buffer(scene, layout);
    ASSERT_EQ(bands.empty() ? source_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr)
                            : bandSelect_->DecodeBands(buffer.get(), KXV_BEST_QUALITY, bands.data(), nullptr),
              S_OK);
    const auto x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
    const auto y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
    ExpectDecoded(
        buffer, [&](int64_t x, int64_t y, uint32_t s) { return pixel(x0 + x, y0 + y, bands.empty() ? s : bands[s]); });
  }
}

// A quarter size GDAL resamples from the image and its overview.
TEST_F(GdalSourceDecode, ReducedMagnificationResamplesAsGdalDoes) {
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 64, 48, 0.25), kInterleavedU8);
  ASSERT_EQ(source_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  const std::vector<double> want = ReadWithGdal(path_, {1, 2, 3}, 0, 0, 256, 192, 64, 48);
  ExpectDecoded(buffer, [&](int64_t x, int64_t y, uint32_t s) { return want[(y * 64 + x) * 3 + s]; });
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
    OwnedDecodeBuffer buffer(MakeScene(10, 10, 12, 8), kInterleavedU8);
    spoil(buffer.get());
    EXPECT_EQ(source_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), status);
    EXPECT_TRUE(Untouched(buffer));
  }
  EXPECT_EQ(source_->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);

  // A band the image does not have, or no band map, is refused before anything is written.
  OwnedDecodeBuffer buffer(MakeScene(30, 40, 25, 20), kInterleavedU8);
  const uint16_t missing[] = {1, 4, 0};
  EXPECT_EQ(bandSelect_->DecodeBands(buffer.get(), KXV_BEST_QUALITY, missing, nullptr), E_INVALIDARG);
  EXPECT_EQ(bandSelect_->DecodeBands(buffer.get(), KXV_BEST_QUALITY, nullptr, nullptr), E_INVALIDARG);
  EXPECT_TRUE(Untouched(buffer));
}

// The size query counts partial pixels, the reference gives both its texts,
// and every interface belongs to one object.
TEST_F(GdalSourceDecode, SizeQueryRoundsUpAndEveryInterfaceIsOneObject) {
  uint32_t width = 0, height = 0;
  ComPtr<IKxImageSizeQuery> size;
  ASSERT_EQ(source_->FindInterface(IID_IKxImageSizeQuery, size.putVoid()), S_OK);
  EXPECT_EQ(size->GetImageSize(0.3, &width, &height), S_OK);
  EXPECT_EQ(std::vector<uint32_t>({width, height}), std::vector<uint32_t>({77, 58}));  // 76.8 x 57.6 rounded up
  ComPtr<IKxGeoSpatialInfo> spatial;
  ASSERT_EQ(source_->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), S_OK);
  ComPtr<IKxSpatialReference> reference;
  ASSERT_EQ(spatial->GetSpatialReference(reference.put()), S_OK);
  ASSERT_TRUE(reference);
  EXPECT_NE(std::string(reference->GetProj4()).find("+proj=merc"), std::string::npos);
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
  OwnedDecodeBuffer buffer(MakeScene(-2, -1, 12, 8), BufferLayout::Interleaved(2, KX_TYPE_S8));
  ASSERT_EQ(source->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  ExpectDecoded(buffer, [](int64_t x, int64_t y, uint32_t s) {
    const bool inside = x >= 2 && x < 10 && y >= 1 && y < 7;
    return inside ? 100.0 : (s == 0 ? -300.0 : 0.0);
  });

  // The background-pixel query answers the same values.
  ComPtr<IKxBackgroundPixelQuery> query;
  ASSERT_EQ(source->FindInterface(IID_IKxBackgroundPixelQuery, query.putVoid()), S_OK);
  OwnedDecodeBuffer onePixel(MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(2, KX_TYPE_S16));
  uint32_t reserved = 0;
  ASSERT_EQ(query->GetBackgroundPixel(&reserved, onePixel.get()), S_OK);
  ExpectDecoded(onePixel, [](int64_t, int64_t, uint32_t s) { return s == 0 ? -300.0 : 0.0; });

  // No geo-referencing, so no spatial information.
  ComPtr<IKxGeoSpatialInfo> spatial;
  EXPECT_EQ(source->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid()), E_NOINTERFACE);
}

}  // namespace
}  // namespace kxhost::testing
