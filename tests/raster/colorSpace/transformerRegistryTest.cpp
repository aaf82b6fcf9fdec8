// The transformer registry: its lifecycle with a counting factory, the
// identity rules, the standard registry the module builds at attach, and the
// module's attach and detach hooks.
#include <gtest/gtest.h>

#include <memory>
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

// Counts the factories alive and the transformers made; tags its
// transformers by the factory's number.
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

template <typename T>
bool is(const std::unique_ptr<ImageTransformer>& transformer) {
  return transformer != nullptr && typeid(*transformer) == typeid(T);
}

TEST_F(TransformerRegistry, StandardRegistryServesEveryTypePairOfItsKinds) {
  ASSERT_TRUE(buildTransformerRegistry());
  const ImageBufferInfo cmyk8 = description(kColorSpaceCMYK);
  EXPECT_TRUE((
      is<ColorSpaceTransformer<CMYKtoRGBPixelTransformer<E, E>>>(findTransformer(description(kColorSpaceRGB), cmyk8))));
  EXPECT_TRUE((is<ColorSpaceTransformer<CMYKtoRGBPixelTransformer<E, G>>>(
      findTransformer(description(kColorSpaceRGB), description(kColorSpaceCMYK, kSampleUInt16)))));
  EXPECT_TRUE((is<ColorSpaceTransformer<CMYKtoRGBPixelTransformer<M, G>>>(
      findTransformer(description(kColorSpaceRGB, kSampleFloat32), description(kColorSpaceCMYK, kSampleUInt16)))));
  EXPECT_EQ(findTransformer(description(kColorSpaceRGB, kSampleFloat64), cmyk8), nullptr);
  EXPECT_EQ(findTransformer(description(kColorSpaceRGB), description(kColorSpaceCMYK, kSampleInt32)), nullptr);
  EXPECT_TRUE((is<IdentityTransformer<G, E>>(
      findTransformer(description(kColorSpaceRGB, kSampleUInt16), description(kColorSpaceRGB)))));
  EXPECT_TRUE(
      (is<IdentityTransformer<E, E>>(findTransformer(description(kColorSpaceGrayscale), description(kColorSpaceYIQ)))));
  EXPECT_EQ(findTransformer(description(kColorSpaceRGBK), description(kColorSpaceRGB)), nullptr);
  // Every kind answers for its pair of spaces.
  const uint32_t pairs[][2] = {{769, 1026}, {1025, 1026}, {1026, 769},  {257, 769},  {769, 771},
                               {771, 769},  {1027, 1026}, {1026, 1027}, {769, 1027}, {769, 257}};
  for (const auto& pair : pairs) {
    EXPECT_NE(findTransformer(description(pair[0], kSampleFloat32), description(pair[1], kSampleUInt16)), nullptr)
        << pair[1] << " to " << pair[0];
  }
}

// The slim factory serves 8-bit destinations only.
TEST_F(TransformerRegistry, SlimFactoryMakesEightBitDestinationsOnly) {
  const SlimColorSpaceTransformerFactory<RGBtoGrayscaleFactoryImp> slim;
  EXPECT_NE(slim.create(description(kColorSpaceGrayscale), description(kColorSpaceRGB, kSampleFloat32)), nullptr);
  EXPECT_EQ(slim.create(description(kColorSpaceGrayscale, kSampleUInt16), description(kColorSpaceRGB)), nullptr);
}

}  // namespace
}  // namespace Kelvane
