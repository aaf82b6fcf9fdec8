// The transformer registry: its lifecycle with a counting factory, the
// identity rules, and the standard registry the module builds at attach.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <typeinfo>

#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/colorKinds.h"
#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/colorSpace/identityTransformer.h"
#include "raster/colorSpace/standardTransformers.h"
#include "raster/colorSpace/transformerRegistry.h"
#include "raster/rasterTestSupport.h"

namespace Kelvane {
namespace {

using testing_support::describe;

ImageBufferInfo description(uint32_t space, uint32_t type = kSampleUInt8) {
  return describe(space, type, type == kSampleUInt8 ? 8 : 16, bands(space));
}

// Counts the factories alive and the transformers made.
struct Counts {
  int alive = 0;
  int created = 0;
};

class CountingFactory : public ColorSpaceTransformerFactory {
 public:
  CountingFactory(Counts& counts, uint32_t to, uint32_t from) : counts_(counts), to_(to), from_(from) {
    ++counts_.alive;
  }
  ~CountingFactory() override { --counts_.alive; }
  std::unique_ptr<ImageTransformer> create(const ImageBufferInfo&, const ImageBufferInfo&) const override {
    ++counts_.created;
    return std::make_unique<IdentityTransformer<E, E>>();
  }
  uint32_t destinationColorSpace() const override { return to_; }
  uint32_t sourceColorSpace() const override { return from_; }

 private:
  Counts& counts_;
  uint32_t to_;
  uint32_t from_;
};

class TransformerRegistry : public ::testing::Test {
 protected:
  void TearDown() override { clearRegistry(); }
};

TEST_F(TransformerRegistry, LastRegistrationWinsAndClearingReleasesEverything) {
  Counts first;
  Counts second;
  Counts identity;
  const ImageBufferInfo rgb = description(kColorSpaceRGB);
  const ImageBufferInfo cmyk = description(kColorSpaceCMYK);
  EXPECT_EQ(findTransformer(rgb, cmyk), nullptr);  // no map yet
  setIdentityFactory(std::make_unique<CountingFactory>(identity, 0, 0));
  EXPECT_EQ(findTransformer(rgb, rgb), nullptr);  // still no map

  registerFactory(std::make_unique<CountingFactory>(first, kColorSpaceRGB, kColorSpaceCMYK));
  EXPECT_NE(findTransformer(rgb, cmyk), nullptr);
  registerFactory(std::make_unique<CountingFactory>(second, kColorSpaceRGB, kColorSpaceCMYK));
  EXPECT_EQ(first.alive, 0);
  EXPECT_NE(findTransformer(rgb, cmyk), nullptr);
  EXPECT_EQ(first.created, 1);
  EXPECT_EQ(second.created, 1);

  // Identity: equal spaces, or luminance into greyscale; nothing else.
  const ImageBufferInfo grey = description(kColorSpaceGrayscale);
  EXPECT_NE(findTransformer(rgb, rgb), nullptr);
  EXPECT_NE(findTransformer(grey, description(kColorSpaceYIQ)), nullptr);
  EXPECT_NE(findTransformer(grey, description(kColorSpaceYIQK)), nullptr);
  EXPECT_EQ(findTransformer(description(kColorSpaceRGBK), rgb), nullptr);
  EXPECT_EQ(findTransformer(grey, rgb), nullptr);
  EXPECT_EQ(identity.created, 3);

  clearRegistry();
  EXPECT_EQ(second.alive + identity.alive, 0);
  EXPECT_EQ(findTransformer(rgb, cmyk), nullptr);
  EXPECT_EQ(findTransformer(rgb, rgb), nullptr);
}

// Whether the registry serves the spaces at the sample types with a T.
template <typename T>
bool serves(uint32_t to, uint32_t toType, uint32_t from, uint32_t fromType) {
  const std::unique_ptr<ImageTransformer> transformer =
      findTransformer(description(to, toType), description(from, fromType));
  return transformer != nullptr && (std::is_void_v<T> || typeid(*transformer) == typeid(T));
}

template <typename Dst, typename Src>
using CmykToRgb = ColorSpaceTransformer<CMYKtoRGBPixelTransformer<Dst, Src>>;

TEST_F(TransformerRegistry, StandardRegistryServesEveryTypePairOfItsKinds) {
  ASSERT_TRUE(buildTransformerRegistry());
  const uint32_t e = kSampleUInt8, g = kSampleUInt16, m = kSampleFloat32, rgb = kColorSpaceRGB, cmyk = kColorSpaceCMYK;
  EXPECT_TRUE((serves<CmykToRgb<E, E>>(rgb, e, cmyk, e)));
  EXPECT_TRUE((serves<CmykToRgb<E, G>>(rgb, e, cmyk, g)));
  EXPECT_TRUE((serves<CmykToRgb<M, G>>(rgb, m, cmyk, g)));
  EXPECT_FALSE((serves<void>(rgb, kSampleFloat64, cmyk, e)));
  EXPECT_FALSE((serves<void>(rgb, e, cmyk, kSampleInt32)));
  EXPECT_TRUE((serves<IdentityTransformer<G, E>>(rgb, g, rgb, e)));
  EXPECT_TRUE((serves<IdentityTransformer<E, E>>(kColorSpaceGrayscale, e, kColorSpaceYIQ, e)));
  EXPECT_FALSE((serves<void>(kColorSpaceRGBK, e, rgb, e)));
  // Every kind answers for its pair of spaces.
  const uint32_t pairs[][2] = {{769, 1026}, {1025, 1026}, {1026, 769},  {257, 769},  {769, 771},
                               {771, 769},  {1027, 1026}, {1026, 1027}, {769, 1027}, {769, 257}};
  for (const auto& pair : pairs) EXPECT_TRUE(serves<void>(pair[0], m, pair[1], g)) << pair[1] << " to " << pair[0];
  // The slim factory serves 8-bit destinations only.
  const SlimColorSpaceTransformerFactory<RGBtoGrayscaleFactoryImp> slim;
  EXPECT_NE(slim.create(description(kColorSpaceGrayscale), description(rgb, m)), nullptr);
  EXPECT_EQ(slim.create(description(kColorSpaceGrayscale, g), description(rgb)), nullptr);
}

}  // namespace
}  // namespace Kelvane
