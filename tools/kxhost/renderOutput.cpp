#include "kxhost/renderOutput.h"

#include <cstdio>

#include "hostChain/optionValues.h"
#include "hostChain/outputFile.h"
#include "hostChain/rotateOption.h"
#include "hostChain/scenePlacement.h"
#include "kxhost/imageWriter.h"

namespace kxhost {

namespace {

// Geo-referencing of the rendered scene, from the chain's spatial information;
// `props` describe the image the head presents, turned by `rotate`.
void georeferenceScene(IKxContentImp* head, const Scene& scene, uint32_t rotate, const RasterProps& props,
                       RenderedImage* image) {
  ComPtr<IKxGeoSpatialInfo> spatial;
  GeoDomain domain;
  if (FAILED(head->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid())) ||
      FAILED(spatial->GetSpatialDomain(&domain)))
    return;
  TurnedSceneGeoTransform(rotate, scene, ScaledExtent(props.width, scene.mag), ScaledExtent(props.height, scene.mag),
                          domain, image->geoTransform);
  image->hasGeoTransform = true;
  ComPtr<IKxSpatialReference> reference;
  if (SUCCEEDED(spatial->GetSpatialReference(reference.put())) && reference && reference->GetWkt() != nullptr)
    image->wkt = reference->GetWkt();
}

}  // namespace

bool CheckRenderOutput(const RenderSettings& settings, std::string* error) {
  if (DriverForPath(settings.output) == nullptr)
    return Refuse(error, "cannot tell the format of " + settings.output + " (use .png, .tif or .jpg)");
  if (SameExistingFile(settings.output, settings.image))
    return Refuse(error, "-o " + settings.output + " names the input image; choose another output");
  return true;
}

bool WriteRenderOutput(const RenderSettings& settings, const RenderChain& chain, const DecodedScene& decoded,
                       std::string* error) {
  // The pixels as they lie in the buffer.
  const BufferFormat& format = decoded.format;
  RenderedImage image;
  image.bits = decoded.pixels.data();
  image.width = static_cast<int>(decoded.scene.width);
  image.height = static_cast<int>(decoded.scene.height);
  image.bands = format.spp;
  image.type = format.type;
  image.pixelStep = static_cast<int64_t>(format.stride) * KxHostSampleBytes(format.type);
  image.rowStep = format.rowbytes;
  // Where they lie on the map, and each band's nodata value from its source band.
  georeferenceScene(chain.head(), decoded.scene, settings.rotate, decoded.props, &image);
  const GdalImage& source = chain.source->image();
  for (uint32_t s = 0; s < format.spp; ++s)
    image.nodata.push_back(source.nodata[settings.bands.empty() ? s : settings.bands[s] - 1]);
  if (!WriteImage(settings.output, image, error)) return false;
  std::printf("wrote %s: %d x %d pixels, %u bands\n", settings.output.c_str(), image.width, image.height, image.bands);
  return true;
}

}  // namespace kxhost
