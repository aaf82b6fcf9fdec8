#include "fakes/sceneWriter.h"

#include <cmath>
#include <cstring>

#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {

namespace {

// Scenes beyond these bounds are refused rather than risk integer overflow
// while addressing; no test needs a larger one.
constexpr double kMaxCorner = 1099511627776.0;  // 2^40 pixels
constexpr double kMaxExtent = 16777216.0;       // 2^24 columns or rows
constexpr double kMaxMag = 1.0e6;

// Everything the write loop needs, worked out and checked once per call.
struct ScenePlan {
  uint8_t* bits = nullptr;
  size_t rowbytes = 0;
  size_t pixelStep = 0;  // stride x bytes per sample
  const int32_t* smap = nullptr;
  uint32_t spp = 0;
  uint32_t columns = 0;
  uint32_t rows = 0;
  int64_t x0 = 0;
  int64_t y0 = 0;
  int64_t imageWidth = 0;
  int64_t imageHeight = 0;
  uint32_t magKey = 0;
  uint16_t bands[256] = {};
  uint32_t background[256] = {};  // bit patterns in the buffer's type
};

bool SceneIsAddressable(const Scene& scene) {
  const double values[] = {scene.ulx, scene.uly, scene.width, scene.height, scene.mag};
  for (double value : values) {
    if (!std::isfinite(value)) return false;
  }
  return std::fabs(scene.ulx) < kMaxCorner && std::fabs(scene.uly) < kMaxCorner && scene.width >= -0.5 &&
         scene.height >= -0.5 && scene.width < kMaxExtent && scene.height < kMaxExtent && scene.mag > 0.0 &&
         scene.mag < kMaxMag;
}

// Layout and band checks shared by scene and background writes.
HRESULT PlanLayout(const DecodeBuffer* buffer, const SyntheticImage& image, const uint16_t* bandMap, ScenePlan* plan) {
  if (buffer == nullptr || buffer->pBits == nullptr) return E_INVALIDARG;
  const BufferFormat& format = buffer->format;
  const uint32_t bytes = KxHostSampleBytes(format.type);
  if (bytes == 0 || format.order > 1 || format.stride == 0) return E_INVALIDARG;
  if (format.spp == 0 || format.spp > 256) return E_INVALIDARG;
  if (bandMap == nullptr && format.spp > image.numBands) return E_INVALIDARG;
  for (uint32_t s = 0; s < format.spp; ++s) {
    if (format.smap[s] < 0) return E_INVALIDARG;
    const uint32_t band = bandMap != nullptr ? bandMap[s] : s;
    if (band >= image.numBands) return E_INVALIDARG;
    plan->bands[s] = static_cast<uint16_t>(band);
    const bool known = image.background != nullptr && band < image.background->size();
    plan->background[s] = EncodeSampleBits(known ? (*image.background)[band] : 0.0, format.type);
  }
  plan->bits = static_cast<uint8_t*>(buffer->pBits);
  plan->rowbytes = format.rowbytes;
  plan->pixelStep = static_cast<size_t>(format.stride) * bytes;
  plan->smap = format.smap;
  plan->spp = format.spp;
  return S_OK;
}

template <uint32_t kType, typename Storage>
void WriteRows(const ScenePlan& plan) {
  for (uint32_t j = 0; j < plan.rows; ++j) {
    const int64_t y = plan.y0 + j;
    uint8_t* row = plan.bits + j * plan.rowbytes;
    for (uint32_t i = 0; i < plan.columns; ++i) {
      const int64_t x = plan.x0 + i;
      const bool inside = x >= 0 && y >= 0 && x < plan.imageWidth && y < plan.imageHeight;
      uint8_t* pixel = row + i * plan.pixelStep;
      // One sample per buffer sample, from its band or the background.
      for (uint32_t s = 0; s < plan.spp; ++s) {
        const uint32_t bits = inside ? SyntheticBits<kType>(x, y, plan.bands[s], plan.magKey) : plan.background[s];
        const Storage stored = static_cast<Storage>(bits);
        std::memcpy(pixel + plan.smap[s], &stored, sizeof stored);
      }
    }
  }
}

void WritePlan(const ScenePlan& plan, uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: WriteRows<KX_TYPE_U8, uint8_t>(plan); break;
    case KX_TYPE_S8: WriteRows<KX_TYPE_S8, uint8_t>(plan); break;
    case KX_TYPE_U16: WriteRows<KX_TYPE_U16, uint16_t>(plan); break;
    case KX_TYPE_S16: WriteRows<KX_TYPE_S16, uint16_t>(plan); break;
    case KX_TYPE_F32: WriteRows<KX_TYPE_F32, uint32_t>(plan); break;
    default: break;
  }
}

}  // namespace

int64_t ScaledExtent(uint32_t size, double mag) { return static_cast<int64_t>(std::floor(size * mag + 0.5)); }

HRESULT WriteSyntheticScene(const DecodeBuffer* buffer, const SyntheticImage& image, const uint16_t* bandMap) {
  ScenePlan plan;
  const HRESULT status = PlanLayout(buffer, image, bandMap, &plan);
  if (FAILED(status)) return status;
  const Scene& scene = buffer->scene;
  if (!SceneIsAddressable(scene)) return E_INVALIDARG;
  // Geometry of the scene in the image at its magnification.
  plan.columns = static_cast<uint32_t>(std::floor(scene.width + 0.5));
  plan.rows = static_cast<uint32_t>(std::floor(scene.height + 0.5));
  plan.x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
  plan.y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
  plan.imageWidth = ScaledExtent(image.width, scene.mag);
  plan.imageHeight = ScaledExtent(image.height, scene.mag);
  plan.magKey = SyntheticMagKey(scene.mag);
  WritePlan(plan, buffer->format.type);
  return S_OK;
}

HRESULT WriteBackgroundPixel(const DecodeBuffer* buffer, const SyntheticImage& image) {
  ScenePlan plan;
  const HRESULT status = PlanLayout(buffer, image, nullptr, &plan);
  if (FAILED(status)) return status;
  // An empty image puts the single pixel outside it.
  plan.columns = 1;
  plan.rows = 1;
  WritePlan(plan, buffer->format.type);
  return S_OK;
}

}  // namespace Kelvane::Fakes
