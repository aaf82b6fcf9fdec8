// KxvDecodeBufConfig: deciding which differences between a caller's buffer
// and what a source delivers remain, and rewriting a buffer without pixel
// memory towards what can be delivered.
#include <cmath>
#include <cstdint>

#include "content/kxv_decodeBufConfig.h"
#include "content/kxv_navigator.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Distance of a magnification level from a whole octave below which it still
// counts as a power of two.
constexpr double kOctaveTolerance = 1e-7;

// Adds `reason` when the buffer differs in it and the source's flags lack it.
uint32_t ReasonUnlessHandled(bool differs, uint32_t reason, uint32_t flags) {
  return differs && (flags & reason) == 0 ? reason : 0u;
}

// A navigator over the source at the buffer's magnification, keeping the
// scene's centre and pixel size.
KxvNavigator NavigatorAtMag(const RasterProps& props, double mag) {
  KxvNavigator navigator;
  navigator.SetProps(props);
  navigator.SetMag(mag, KXV_SPACE_SCENE, KXV_OCTAVE_THRESHOLD);
  return navigator;
}

KxvRect SceneRect(const Scene& scene) { return KxvRect{scene.ulx, scene.uly, scene.width, scene.height}; }

}  // namespace

uint32_t KxvDecodeBufConfig::checkScene(const DecodeBuffer& buffer, const RasterProps& props, IKxLogSink* sink) {
  const Scene& scene = buffer.scene;
  if (!IsSceneUsable(scene)) return KXV_REASON_UNUSABLE;
  const uint32_t flags = props.flags;
  uint32_t reasons = 0;
  // Magnification: a whole octave level (within tolerance) or any other value.
  if (scene.mag != 1.0) {
    // log2 is exact on powers of two on every platform, where a quotient of
    // two logarithms may carry excess precision and miss a whole level.
    const double level = -std::log2(scene.mag);
    const bool octave = std::fabs(level - std::floor(level + 0.1)) < kOctaveTolerance;
    if (octave && level != std::floor(level)) {
      logDetail(sink, "KxvDecodeBufConfig::checkScene - treating level/mag %f/%f as octave level", level, scene.mag);
    }
    reasons |= ReasonUnlessHandled(true, octave ? KX_CAP_POW2_MAG : KX_CAP_ANY_MAG, flags);
  }
  // Extent: the scene in image fractions at the magnification the source gives.
  const KxvNavigator navigator = NavigatorAtMag(props, scene.mag);
  KxvRect part;
  if (!navigator.RectToFractions(SceneRect(scene), KXV_SPACE_MAG, &part)) return KXV_REASON_UNUSABLE;
  const bool whole = part.x == 0.0 && part.y == 0.0 && part.width == 1.0 && part.height == 1.0;
  reasons |= ReasonUnlessHandled(!whole, KX_CAP_PARTIAL_SCENE, flags);
  const bool outside = part.x < 0.0 || part.y < 0.0 || part.x + part.width > 1.0 || part.y + part.height > 1.0;
  reasons |= ReasonUnlessHandled(outside, KX_CAP_OUTSIDE_IMAGE, flags);
  return reasons;
}

bool KxvDecodeBufConfig::SameSampleMap(const BufferFormat& have, const BufferFormat& want) {
  const uint32_t count = want.spp < kMaxSamples ? want.spp : kMaxSamples;
  // Interleaved samples compare as byte offsets within the pixel.
  if (have.order == KX_ORDER_INTERLEAVED && want.order == KX_ORDER_INTERLEAVED) {
    for (uint32_t i = 0; i < count; ++i) {
      if (have.smap[i] != want.smap[i]) return false;
    }
    return true;
  }
  // Plane offsets scale with each buffer's rows, so planes compare by band.
  const KxvSampleIndices haveIndices = GetSampleIndices(have);
  const KxvSampleIndices wantIndices = GetSampleIndices(want);
  for (uint32_t i = 0; i < count; ++i) {
    if (haveIndices[i] != wantIndices[i]) return false;
  }
  return true;
}

uint32_t KxvDecodeBufConfig::LayoutReasons(const BufferFormat& have, const BufferFormat& want, uint32_t flags) {
  uint32_t reasons = 0;
  reasons |= ReasonUnlessHandled(have.colorSpace != want.colorSpace, KX_CAP_COLOR_SPACE, flags);
  reasons |= ReasonUnlessHandled(have.stride != want.stride, KX_CAP_STRIDE, flags);
  reasons |= ReasonUnlessHandled(have.type != want.type, KX_CAP_DATA_TYPE, flags);
  // A single sample is laid out the same way in both orders.
  reasons |= ReasonUnlessHandled(have.spp > 1 && have.order != want.order, KX_CAP_ORDER, flags);
  reasons |= ReasonUnlessHandled(have.bps != want.bps, KX_CAP_BPS, flags);
  reasons |= ReasonUnlessHandled(!SameSampleMap(have, want), KX_CAP_SAMPLE_MAP, flags);
  return reasons;
}

uint32_t KxvDecodeBufConfig::CheckBuffer(DecodeBuffer& buffer, const BufferFormat& format, const RasterProps& props,
                                         IKxLogSink* sink) {
  uint32_t reasons = checkScene(buffer, props, sink) | LayoutReasons(buffer.format, format, props.flags);
  // Memory the caller attached is only judged, never changed.
  if (buffer.pBits != nullptr) {
    if (!FitsDeclaredMemory(buffer)) reasons |= KXV_REASON_UNUSABLE;
    return reasons;
  }
  if (reasons != 0 && (reasons & KXV_REASON_UNUSABLE) == 0) AdaptToFormat(buffer, format, props, reasons);
  return reasons;
}

void KxvDecodeBufConfig::AdaptToFormat(DecodeBuffer& buffer, const BufferFormat& wanted, const RasterProps& props,
                                       uint32_t reasons) {
  // A copy, in case the wanted format is the buffer's own.
  const BufferFormat format = wanted;
  // Layout, field by field, in an order where each setter sees the earlier ones.
  if ((reasons & KX_CAP_COLOR_SPACE) != 0) SetColorSpace(buffer, format.colorSpace);
  BufferFormat& have = buffer.format;
  if ((reasons & KX_CAP_STRIDE) != 0 && have.stride != format.stride && have.order == KX_ORDER_INTERLEAVED &&
      have.spp <= format.stride) {
    have.stride = format.stride;
    Rederive(buffer);
  }
  if ((reasons & KX_CAP_DATA_TYPE) != 0) SetDataType(buffer, format.type);
  if ((reasons & KX_CAP_ORDER) != 0) SetOrder(buffer, format.order);
  if ((reasons & KX_CAP_BPS) != 0) SetBitsPerSample(buffer, format.bps);
  if ((reasons & KX_CAP_SAMPLE_MAP) != 0) SetSampleMap(buffer, GetSampleIndices(format).data());

  // Scene and magnification: what the source delivers around the requested scene.
  const bool partial = (reasons & KX_CAP_PARTIAL_SCENE) != 0;
  const bool magnification = (reasons & (KX_CAP_POW2_MAG | KX_CAP_ANY_MAG)) != 0;
  if (!partial && !magnification) return;
  KxvNavigator navigator = NavigatorAtMag(props, buffer.scene.mag);
  navigator.SetScene(SceneRect(buffer.scene), KXV_SPACE_MAG);
  if (!partial) {
    buffer.scene.mag = navigator.GetMag();
    return;
  }
  navigator.GetSceneInto(buffer, KXV_SPACE_MAG, true);
  // A new scene size changes the rows, and with them the plane offsets.
  RefitToScene(buffer);
}

}  // namespace Kelvane
