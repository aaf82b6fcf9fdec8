#include "fakes/sceneWriter.h"

#include "fakes/decodeBufferBuilder.h"
#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {

namespace {

// Scenes beyond these bounds are refused rather than risk integer overflow
// while addressing; no test needs a larger one.
constexpr double kMaxCorner = 1099511627776.0;  // 2^40 pixels
constexpr double kMaxExtent = 16777216.0;       // 2^24 columns or rows
constexpr double kMaxMag = 1.0e6;

// Every comparison is false for NaN, and infinities fall outside the bounds.
bool SceneIsAddressable(const Scene& scene) {
  return std::fabs(scene.ulx) < kMaxCorner && std::fabs(scene.uly) < kMaxCorner && scene.width >= -0.5 &&
         scene.height >= -0.5 && scene.width < kMaxExtent && scene.height < kMaxExtent && scene.mag > 0.0 &&
         scene.mag < kMaxMag;
}

// Refuses an unsound buffer, scene or band list; otherwise writes the scene
// with the sample type chosen once.
HRESULT WriteScene(const DecodeBuffer* buffer, const Scene& scene, const SyntheticImage& image,
                   const uint16_t* bandMap) {
  if (buffer == nullptr || buffer->pBits == nullptr || !SceneIsAddressable(scene)) return E_INVALIDARG;
  const BufferFormat& format = buffer->format;
  if (format.order > 1 || format.stride == 0 || format.spp == 0 || format.spp > 256) return E_INVALIDARG;
  uint16_t bands[256];
  uint32_t background[256];  // bit patterns in the buffer's type
  for (uint32_t s = 0; s < format.spp; ++s) {
    bands[s] = static_cast<uint16_t>(bandMap != nullptr ? bandMap[s] : s);
    if (format.smap[s] < 0 || bands[s] >= image.numBands) return E_INVALIDARG;
    const bool known = image.background != nullptr && bands[s] < image.background->size();
    background[s] = EncodeSampleBits(known ? (*image.background)[bands[s]] : 0.0, format.type);
  }
  // Geometry of the scene in the image at its magnification.
  const int64_t x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
  const int64_t y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
  const int64_t width = ScaledExtent(image.width, scene.mag), height = ScaledExtent(image.height, scene.mag);
  const uint32_t magKey = SyntheticMagKey(scene.mag);
  const bool knownType = ForHostType(format.type, [&](auto kind) {
    ForEachSample(scene, format.spp, [&](uint32_t i, uint32_t j, uint32_t s) {
      const int64_t x = x0 + i, y = y0 + j;
      const bool inside = x >= 0 && y >= 0 && x < width && y < height;
      const uint32_t bits = inside ? SyntheticBits<decltype(kind)::value>(x, y, bands[s], magKey) : background[s];
      StoreSample<decltype(kind)::value>(SampleAddress(*buffer, s, i, j), bits);
      return true;
    });
  });
  return knownType ? S_OK : E_INVALIDARG;
}

}  // namespace

HRESULT WriteSyntheticScene(const DecodeBuffer* buffer, const SyntheticImage& image, const uint16_t* bandMap) {
  return buffer == nullptr ? E_INVALIDARG : WriteScene(buffer, buffer->scene, image, bandMap);
}

HRESULT WriteBackgroundPixel(const DecodeBuffer* buffer, const SyntheticImage& image) {
  // One pixel left of and above the image is background in every band.
  return WriteScene(buffer, MakeScene(-1, -1, 1, 1), image, nullptr);
}

}  // namespace Kelvane::Fakes
