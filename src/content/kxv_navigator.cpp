#include "content/kxv_navigator.h"

#include <algorithm>
#include <cmath>

namespace Kelvane {

namespace {

// FitScene reports a magnification held at the top of the range only past this
// distance from the request, and at the bottom past the much smaller one.
constexpr double kHeldAtMaxTolerance = 0.001;
constexpr double kHeldAtMinTolerance = 1e-8;

bool isKnownSpace(int space) { return space >= KXV_SPACE_IMAGE && space <= KXV_SPACE_MAP; }

bool isPositiveFinite(double value) { return std::isfinite(value) && value > 0.0; }

bool isFiniteRect(const KxvRect& rect) {
  return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) && std::isfinite(rect.height);
}

// A coordinate against an extent that is zero or not finite has no meaningful
// fraction; it maps to the image's origin instead of dividing by zero.
double fractionOf(double value, double extent) {
  if (extent == 0.0 || !std::isfinite(extent)) return 0.0;
  return value / extent;
}

double nearestWhole(double value) { return std::floor(value + 0.5); }

// Octave level of a magnification: 0 at 1.0, 1 at 0.5, -1 at 2.0. log2 is exact
// on powers of two, so a range limit such as 0.125 lands on its whole level.
double octaveLevel(double mag) { return -std::log2(mag); }

double magOfLevel(double level) { return std::pow(2.0, -level); }

}  // namespace

KxvNavigator::KxvNavigator() {
  props_.width = 1;
  props_.height = 1;
  props_.maxMag = 1.0;
  props_.minMag = 1.0;
}

KxvNavigator::~KxvNavigator() = default;

void KxvNavigator::SetProps(const RasterProps& props) {
  props_ = props;
  scene_ = KxvRect{0.0, 0.0, 1.0, 1.0};
  mag_ = 1.0;
  SetMag(props_.minMag, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD);
}

KxvPoint KxvNavigator::ToFractions(KxvPoint point, int space) const {
  const double width = props_.width;
  const double height = props_.height;
  switch (space) {
    case KXV_SPACE_IMAGE: return {fractionOf(point.x, width), fractionOf(point.y, height)};
    case KXV_SPACE_FRACTION: return point;
    case KXV_SPACE_MAG: return {fractionOf(point.x, width * mag_), fractionOf(point.y, height * mag_)};
    case KXV_SPACE_SCENE:
      return {fractionOf(point.x, width * mag_) + scene_.x, fractionOf(point.y, height * mag_) + scene_.y};
    case KXV_SPACE_MAP:
      return {fractionOf(point.x - geoOrigin_.x, width * geoResolution_.x),
              fractionOf(point.y - geoOrigin_.y, height * geoResolution_.y)};
    default: return {0.0, 0.0};
  }
}

KxvPoint KxvNavigator::FromFractions(KxvPoint point, int space) const {
  const double width = props_.width;
  const double height = props_.height;
  switch (space) {
    case KXV_SPACE_IMAGE: return {point.x * width, point.y * height};
    case KXV_SPACE_FRACTION: return point;
    case KXV_SPACE_MAG: return {point.x * width * mag_, point.y * height * mag_};
    case KXV_SPACE_SCENE: return {(point.x - scene_.x) * width * mag_, (point.y - scene_.y) * height * mag_};
    case KXV_SPACE_MAP:
      return {point.x * width * geoResolution_.x + geoOrigin_.x, point.y * height * geoResolution_.y + geoOrigin_.y};
    default: return point;
  }
}

bool KxvNavigator::RectToFractions(const KxvRect& rect, int space, KxvRect* out) const {
  if (!isKnownSpace(space) || out == nullptr) return false;
  KxvRect result = rect;
  if (space != KXV_SPACE_FRACTION) {
    // Map rectangles run against the axis where the resolution is negative.
    KxvPoint farCorner{rect.x + rect.width, rect.y + rect.height};
    if (space == KXV_SPACE_MAP) {
      farCorner.x = geoResolution_.x > 0.0 ? rect.x + rect.width : rect.x - rect.width;
      farCorner.y = geoResolution_.y > 0.0 ? rect.y + rect.height : rect.y - rect.height;
    }
    const KxvPoint first = ToFractions(KxvPoint{rect.x, rect.y}, space);
    const KxvPoint second = ToFractions(farCorner, space);
    result = KxvRect{std::min(first.x, second.x), std::min(first.y, second.y), std::fabs(second.x - first.x),
                     std::fabs(second.y - first.y)};
  }
  if (!isFiniteRect(result) || result.width < 0.0 || result.height < 0.0) return false;
  *out = result;
  return true;
}

KxvRect KxvNavigator::GetScene(int space, bool snap) const {
  const KxvPoint first = FromFractions(KxvPoint{scene_.x, scene_.y}, space);
  const KxvPoint second = FromFractions(KxvPoint{scene_.x + scene_.width, scene_.y + scene_.height}, space);
  KxvRect out{first.x, first.y, std::fabs(second.x - first.x), std::fabs(second.y - first.y)};
  // Whole pixels: the size snaps first and the far edges stay at their nearest pixel.
  if (snap && (space == KXV_SPACE_IMAGE || space == KXV_SPACE_MAG || space == KXV_SPACE_SCENE)) {
    const double width = nearestWhole(out.width);
    const double height = nearestWhole(out.height);
    out.x = nearestWhole(out.x + out.width - width);
    out.y = nearestWhole(out.y + out.height - height);
    out.width = width;
    out.height = height;
  }
  return out;
}

void KxvNavigator::GetSceneInto(DecodeBuffer& buffer, int space, bool snap) const {
  const KxvRect rect = GetScene(space, snap);
  buffer.scene.ulx = rect.x;
  buffer.scene.uly = rect.y;
  buffer.scene.width = rect.width;
  buffer.scene.height = rect.height;
  buffer.scene.mag = mag_;
}

double KxvNavigator::limitMag(double mag, double threshold) const {
  const bool hasMax = isPositiveFinite(props_.maxMag);
  const bool hasMin = isPositiveFinite(props_.minMag);
  // Any magnification: clamp to the range, the bottom limit winning.
  if ((props_.flags & KX_CAP_ANY_MAG) != 0) {
    if (hasMax && mag > props_.maxMag) mag = props_.maxMag;
    if (hasMin && mag < props_.minMag) mag = props_.minMag;
    return mag;
  }
  // Powers of two: round the level at the threshold, then pull it into the range
  // by whole octaves that lie inside it.
  const double level = octaveLevel(mag);
  const double lower = std::floor(level);
  const double snapped = magOfLevel(level < lower + threshold ? lower : lower + 1.0);
  if (hasMin && snapped < props_.minMag) return magOfLevel(std::floor(octaveLevel(props_.minMag)));
  if (hasMax && snapped > props_.maxMag) return magOfLevel(std::ceil(octaveLevel(props_.maxMag)));
  return snapped;
}

bool KxvNavigator::SetMag(double mag, int anchorSpace, double threshold) {
  if (!isKnownSpace(anchorSpace) || !isPositiveFinite(mag)) return false;
  if ((props_.flags & (KX_CAP_POW2_MAG | KX_CAP_ANY_MAG)) == 0) return true;
  const double newMag = limitMag(mag, threshold);
  if (!isPositiveFinite(newMag)) return false;

  // Anchored at the centre: the scene keeps its size in pixels around its centre.
  if (anchorSpace == KXV_SPACE_SCENE) {
    const double scale = mag_ / newMag;
    const KxvRect resized{scene_.x + scene_.width * (1.0 - scale) / 2.0, scene_.y + scene_.height * (1.0 - scale) / 2.0,
                          scene_.width * scale, scene_.height * scale};
    if (!isFiniteRect(resized)) return false;
    mag_ = newMag;
    if ((props_.flags & KX_CAP_PARTIAL_SCENE) != 0) scene_ = resized;
    return true;
  }

  // Anchored in another space: the scene keeps its rectangle in that space.
  const KxvRect anchored = GetScene(anchorSpace, false);
  const double oldMag = mag_;
  mag_ = newMag;
  KxvRect fractions;
  if (!RectToFractions(anchored, anchorSpace, &fractions)) {
    mag_ = oldMag;
    return false;
  }
  applyScene(fractions);
  return true;
}

void KxvNavigator::applyScene(const KxvRect& fractions) {
  if ((props_.flags & KX_CAP_PARTIAL_SCENE) == 0) return;
  scene_ = fractions;
  if ((props_.flags & KX_CAP_OUTSIDE_IMAGE) == 0) clipTo(KxvRect{0.0, 0.0, 1.0, 1.0});
}

void KxvNavigator::clipTo(const KxvRect& bounds) {
  // Start edges: move the start in and shorten by the same amount.
  if (scene_.x < bounds.x) {
    scene_.width -= bounds.x - scene_.x;
    scene_.x = bounds.x;
  }
  if (scene_.y < bounds.y) {
    scene_.height -= bounds.y - scene_.y;
    scene_.y = bounds.y;
  }
  // Far edges: shorten to end at the bounds.
  if (scene_.x + scene_.width > bounds.x + bounds.width) scene_.width = bounds.x + bounds.width - scene_.x;
  if (scene_.y + scene_.height > bounds.y + bounds.height) scene_.height = bounds.y + bounds.height - scene_.y;
  // A scene that lay wholly outside has turned inside out: it becomes empty.
  if (scene_.width < 0.0 || scene_.height < 0.0) scene_ = KxvRect{};
}

bool KxvNavigator::SetScene(const KxvRect& rect, int space) {
  KxvRect fractions;
  if (!RectToFractions(rect, space, &fractions)) return false;
  applyScene(fractions);
  return true;
}

bool KxvNavigator::SetSceneSize(double width, double height, int space) {
  KxvRect size;
  if (!RectToFractions(KxvRect{0.0, 0.0, width, height}, space, &size)) return false;
  applyScene(KxvRect{scene_.x, scene_.y, size.width, size.height});
  return true;
}

bool KxvNavigator::MoveScene(double dx, double dy, int space) {
  if (!isKnownSpace(space)) return false;
  const KxvPoint corner = FromFractions(KxvPoint{scene_.x, scene_.y}, space);
  const KxvPoint moved = ToFractions(KxvPoint{corner.x + dx, corner.y + dy}, space);
  if (!std::isfinite(moved.x) || !std::isfinite(moved.y)) return false;
  applyScene(KxvRect{moved.x, moved.y, scene_.width, scene_.height});
  return true;
}

KxvPoint KxvNavigator::GetSceneCentre(int space) const {
  return FromFractions(KxvPoint{scene_.x + scene_.width / 2.0, scene_.y + scene_.height / 2.0}, space);
}

bool KxvNavigator::ClipScene(const KxvRect& rect, int space) {
  KxvRect fractions;
  if (!RectToFractions(rect, space, &fractions)) return false;
  clipTo(fractions);
  return true;
}

bool KxvNavigator::FitScene(const KxvRect& rect, int space, double threshold) {
  KxvRect target;
  if (!RectToFractions(rect, space, &target) || !(target.width > 0.0 && target.height > 0.0)) return false;
  // The side that is relatively longer decides the zoom (ratios compared
  // crosswise, so an empty scene gives zoom 0 and is refused by SetMag).
  const double requested = target.width * scene_.height <= scene_.width * target.height
                               ? mag_ * (scene_.height / target.height)
                               : mag_ * (scene_.width / target.width);
  if (!SetMag(requested, KXV_SPACE_SCENE, threshold)) return false;

  const bool heldAtMax = mag_ == props_.maxMag && std::fabs(mag_ - requested) > kHeldAtMaxTolerance;
  const bool heldAtMin =
      mag_ != props_.maxMag && mag_ == props_.minMag && std::fabs(mag_ - requested) > kHeldAtMinTolerance;
  // Centre the scene on the rectangle, where the source takes partial scenes.
  if ((props_.flags & KX_CAP_PARTIAL_SCENE) != 0) {
    scene_.x = target.x + target.width / 2.0 - scene_.width / 2.0;
    scene_.y = target.y + target.height / 2.0 - scene_.height / 2.0;
  }
  return heldAtMax || heldAtMin;
}

bool KxvNavigator::SetGeoOrigin(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  geoOrigin_ = KxvPoint{x, y};
  return true;
}

bool KxvNavigator::SetGeoResolution(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  geoResolution_ = KxvPoint{x, y};
  return true;
}

}  // namespace Kelvane
