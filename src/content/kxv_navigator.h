// KxvNavigator: one scene over one source image, converted between the
// coordinate spaces in which stages and the host describe scenes. It applies
// the source's capabilities while doing so: magnifications snap to powers of
// two or clamp to the source's range, and scenes are clipped to the image
// unless the source accepts scenes outside it. A plain value object, built on
// the stack for one task; it keeps no reference to anything.
#ifndef KELVANE_CONTENT_KXV_NAVIGATOR_H
#define KELVANE_CONTENT_KXV_NAVIGATOR_H

#include "kelvane/kx_records.h"

namespace Kelvane {

// Coordinate spaces of points and rectangles. Any other code is unknown: a
// point converts from it to fraction (0, 0) and back to it unchanged, and every
// operation that sets the scene refuses it.
enum KxvSpace : int {
  KXV_SPACE_IMAGE = 0,     // image pixels at magnification 1
  KXV_SPACE_FRACTION = 1,  // image fractions: 0 to 1 spans the image
  KXV_SPACE_MAG = 2,       // pixels at the navigator's magnification
  KXV_SPACE_SCENE = 3,     // pixels at the magnification, relative to the scene's corner
  KXV_SPACE_MAP = 4,       // map coordinates, through the geo origin and resolution
};

// Octave snapping rounds a level to the nearest whole octave at this threshold;
// every caller passes it.
inline constexpr double KXV_OCTAVE_THRESHOLD = 0.5;

struct KxvPoint {
  double x = 0.0;
  double y = 0.0;
};

struct KxvRect {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
};

// Bad numbers never reach the scene: an operation whose input or result is NaN
// or infinite, whose magnification is not a positive finite number, or whose
// space code is unknown changes nothing and returns false. A coordinate divided
// by an extent that is zero or not finite (an image of zero width, a zero map
// resolution) converts to fraction 0. Limits of the magnification range that are
// not positive finite numbers are not applied.
class KxvNavigator {
 public:
  // Image 1 x 1 pixel, range 1.0 to 1.0, no capability flags, whole-image scene.
  // Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when the record's pixels cannot be allocated.
  KxvNavigator();
  virtual ~KxvNavigator();
  KxvNavigator(const KxvNavigator&) = default;
  KxvNavigator& operator=(const KxvNavigator&) = default;

  // Copies the source's description, resets the scene to the whole image at
  // magnification 1.0, then moves to the source's smallest magnification.
  // Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when the props' pixels cannot be copied; the
  // navigator is then to be discarded.
  virtual void SetProps(const RasterProps& props);
  // Resizes the scene from its corner (only for sources that take partial
  // scenes), clipped to the image unless the source accepts scenes outside it.
  virtual bool SetSceneSize(double width, double height, int space);
  // The scene in a space: its first corner and the absolute extent. With snap,
  // pixel spaces (0, 2, 3) come out in whole pixels.
  virtual KxvRect GetScene(int space, bool snap) const;
  // GetScene into the buffer's corner and size, and the magnification into its mag.
  virtual void GetSceneInto(DecodeBuffer& buffer, int space, bool snap) const;

  double GetMag() const { return mag_; }
  // Snaps or clamps the magnification by the source's capabilities and keeps
  // the scene anchored in a space (3: centre and pixel size; others: the
  // rectangle in that space). Only sources that take partial scenes see the
  // scene move; for the others it stays the whole image.
  bool SetMag(double mag, int anchorSpace, double threshold);
  bool SetScene(const KxvRect& rect, int space);
  bool MoveScene(double dx, double dy, int space);
  KxvPoint GetSceneCentre(int space) const;
  // Zooms so that the rectangle fills the scene, then centres the scene on it.
  // Returns whether the magnification was held at a limit of the range; false
  // also when the rectangle or the scene has no area (nothing changes then).
  bool FitScene(const KxvRect& rect, int space, double threshold);
  // Cuts the scene to the rectangle; a scene wholly outside it becomes empty.
  bool ClipScene(const KxvRect& rect, int space);
  bool SetGeoOrigin(double x, double y);
  bool SetGeoResolution(double x, double y);

  // Point conversions between a space and image fractions.
  KxvPoint ToFractions(KxvPoint point, int space) const;
  KxvPoint FromFractions(KxvPoint point, int space) const;
  // A rectangle in image fractions, from the smaller of its two converted
  // corners; in map space the far corner follows the sign of the resolution so
  // that map rectangles may run in either axis direction. False for an unknown
  // space, a result that is not finite, or a negative extent given in fractions.
  bool RectToFractions(const KxvRect& rect, int space, KxvRect* out) const;

 private:
  // The scene after a change, for sources that take partial scenes; clipped to
  // the whole image unless the source accepts scenes outside it.
  void applyScene(const KxvRect& fractions);
  void clipTo(const KxvRect& bounds);
  double limitMag(double mag, double threshold) const;

  RasterProps props_;                  // owned copy: size, capability flags, magnification range
  KxvRect scene_{0.0, 0.0, 1.0, 1.0};  // in image fractions; width and height never negative
  double mag_ = 1.0;                   // always a positive finite number
  KxvPoint geoResolution_{1.0, 1.0};   // map units per image pixel at magnification 1
  KxvPoint geoOrigin_{0.0, 0.0};       // map coordinates of the image's upper-left corner
};

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_NAVIGATOR_H
