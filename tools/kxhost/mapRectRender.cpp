#include "kxhost/mapRectRender.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdio>

#include "hostChain/comPtr.h"
#include "hostChain/gdalSpatialReference.h"
#include "hostChain/moduleLibrary.h"

namespace kxhost {

namespace {

// The spatial reference GDAL makes of `text`, in both text forms; null with a
// reason when GDAL cannot read it.
ComPtr<IKxSpatialReference> referenceFromText(const std::string& text, std::string* error) {
  OGRSpatialReferenceH parsed = OSRNewSpatialReference(nullptr);
  std::string wkt;
  std::string proj4;
  if (parsed != nullptr && OSRSetFromUserInput(parsed, text.c_str()) == OGRERR_NONE) {
    char* form = nullptr;
    if (OSRExportToWkt(parsed, &form) == OGRERR_NONE && form != nullptr) wkt = form;
    CPLFree(form);
    form = nullptr;
    if (OSRExportToProj4(parsed, &form) == OGRERR_NONE && form != nullptr) proj4 = form;
    CPLFree(form);
  }
  if (parsed != nullptr) OSRDestroySpatialReference(parsed);
  if (wkt.empty() && proj4.empty()) {
    *error = "--srs " + text + " is not a spatial reference GDAL can read";
    return ComPtr<IKxSpatialReference>();
  }
  return ComPtr<IKxSpatialReference>(GdalSpatialReference::create(wkt, proj4));
}

}  // namespace

bool MapRectScene(IKxContentImp* head, const double rect[4], double mag, Scene* scene, std::string* error) {
  ComPtr<IKxGeoSpatialInfo> spatial;
  GeoDomain domain;
  if (FAILED(head->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid())) || !spatial ||
      FAILED(spatial->GetSpatialDomain(&domain)) || domain.resX == 0.0 || domain.resY == 0.0) {
    *error = "--map-rect needs a geo-referenced image";
    return false;
  }
  // Map units to pixels at the magnification; a negative resolution runs the axis the other way.
  const double width = std::floor(rect[2] / std::fabs(domain.resX) * mag + 0.5);
  const double height = std::floor(rect[3] / std::fabs(domain.resY) * mag + 0.5);
  if (width < 1.0 || height < 1.0) {
    *error = "--map-rect covers less than one pixel at this magnification";
    return false;
  }
  *scene = Scene{std::floor((rect[0] - domain.x) / domain.resX * mag + 0.5),
                 std::floor((rect[1] - domain.y) / domain.resY * mag + 0.5), width, height, mag};
  return true;
}

bool DecodeMapRect(IKxContentImp* stage, const double rect[4], const std::string& srs, DecodeBuffer* buffer,
                   std::string* error) {
  ComPtr<IKxGeoRaster> geo;
  if (FAILED(stage->QueryInterface(IID_IKxGeoRaster, geo.putVoid()))) {
    *error = "the stage offers no geo decode";
    return false;
  }
  // The rectangle's reference: the one given, or the chain's own.
  ComPtr<IKxSpatialReference> reference;
  if (!srs.empty()) {
    reference = referenceFromText(srs, error);
    if (!reference) return false;
  } else {
    ComPtr<IKxGeoSpatialInfo> spatial;
    if (SUCCEEDED(stage->QueryInterface(IID_IKxGeoSpatialInfo, spatial.putVoid())))
      spatial->GetSpatialReference(reference.put());
  }
  const GeoDomain mapRect{rect[0], rect[1], rect[2], rect[3]};
  const HRESULT status = geo->GeoDecode(&mapRect, reference.get(), buffer, 0);
  if (SUCCEEDED(status)) return true;
  char text[256];
  std::snprintf(text, sizeof text, "decoding the map rectangle %g,%g,%g,%g failed with %s", rect[0], rect[1], rect[2],
                rect[3], StatusText(status).c_str());
  *error = text;
  if (status == KX_E_GEO_MISMATCH)
    *error += " (another spatial reference, or a magnification that is not a power of two)";
  return false;
}

}  // namespace kxhost
