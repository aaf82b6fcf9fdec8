#include "kxhost/sceneDecode.h"

#include <cstdio>
#include <exception>

#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/renderFormat.h"
#include "hostChain/scenePlacement.h"
#include "kxhost/mapRectRender.h"
#include "kxhost/progressBar.h"
#include "kxhost/tileRenderer.h"

namespace kxhost {

namespace {

// The chain renders the bands the settings ask for, and no more than a
// decode buffer's sample map holds.
bool checkBandCount(const RenderSettings& settings, const RasterProps& props, std::string* error) {
  if (props.numBands == 0 || props.numBands > 256)
    return Refuse(error, std::to_string(props.numBands) + " bands cannot be rendered; choose up to 256 with --bands");
  if (!settings.bands.empty() && props.numBands != settings.bands.size())
    return Refuse(error, "the chain reports " + std::to_string(props.numBands) + " bands for a selection of " +
                             std::to_string(settings.bands.size()));
  return true;
}

// The scene to render, its corner and size made whole; false when it does
// not touch the image.
bool sceneFor(const RenderSettings& settings, const RasterProps& props, Scene* scene, std::string* error) {
  const double mag = settings.mag;
  const uint32_t width = ScaledExtent(props.width, mag);
  const uint32_t height = ScaledExtent(props.height, mag);
  const double* given = settings.scene;
  *scene = settings.hasScene ? Scene{given[0], given[1], given[2], given[3], mag}
                             : Scene{0.0, 0.0, static_cast<double>(width), static_cast<double>(height), mag};
  ScenePlacement placement;
  if (!PlaceScene(*scene, props.width, props.height, &placement))
    return Refuse(error, "the scene is too large to render");
  if (placement.onImage.empty()) {
    char text[256];
    std::snprintf(text, sizeof text, "scene %g,%g,%g,%g lies outside the image (%u x %u pixels at magnification %g)",
                  scene->ulx, scene->uly, scene->width, scene->height, width, height, mag);
    return Refuse(error, text);
  }
  *scene = Scene{static_cast<double>(placement.originX), static_cast<double>(placement.originY),
                 static_cast<double>(placement.cols), static_cast<double>(placement.rows), mag};
  return true;
}

// Decodes the scene in tiles with a progress bar; false with a reason.
bool decodeTiles(const RenderSettings& settings, IKxContentImp* head, DecodedScene* decoded, std::string* error) {
  RenderJob job;
  job.head = head;
  job.whole.scene = decoded->scene;
  job.whole.pBits = decoded->pixels.data();
  job.whole.format = decoded->format;
  job.tileSize = settings.tile;
  job.threads = settings.threads;
  const size_t decodes = RenderDecodeCount(job);
  Scene failedScene;
  HRESULT status = S_OK;
  {
    ProgressBar bar(decodes, decodes == 1 ? "decode" : "tiles");
    status = RenderScene(
        job, [&bar](size_t done, size_t) { bar.update(done); }, &failedScene);
    if (SUCCEEDED(status)) bar.finish(decodes);
  }
  if (SUCCEEDED(status)) return true;
  char text[256];
  std::snprintf(text, sizeof text, "decoding the scene at %g,%g size %gx%g failed with %s", failedScene.ulx,
                failedScene.uly, failedScene.width, failedScene.height, StatusText(status).c_str());
  return Refuse(error, text);
}

// Decodes the map rectangle through the cache's geo decode.
bool decodeMapRect(const RenderSettings& settings, IKxContentImp* head, DecodedScene* decoded, std::string* error) {
  DecodeBuffer buffer;
  buffer.scene = decoded->scene;
  buffer.pBits = decoded->pixels.data();
  buffer.format = decoded->format;
  return DecodeMapRect(head, settings.cache.mapRect, settings.cache.srs, &buffer, error);
}

}  // namespace

bool DecodeRenderScene(const RenderSettings& settings, IKxContentImp* head, DecodedScene* decoded, std::string* error) {
  // What the head of the chain presents.
  const HRESULT described = head->GetRasterProps(&decoded->props);
  if (FAILED(described)) return Refuse(error, "GetRasterProps failed with " + StatusText(described));
  if (!checkBandCount(settings, decoded->props, error)) return false;

  // The scene and its buffer.
  const bool mapped = settings.cache.hasMapRect;
  const bool placed = mapped ? MapRectScene(head, settings.cache.mapRect, settings.mag, &decoded->scene, error)
                             : sceneFor(settings, decoded->props, &decoded->scene, error);
  if (!placed || !RenderBufferFormat(decoded->props, decoded->scene, &decoded->format, error)) return false;
  if (!FitsInMemory(decoded->scene, decoded->format, "the scene", error))
    return Refuse(error, *error + "; render part of it with --scene, or at a smaller --mag");
  try {
    decoded->pixels.resize(static_cast<size_t>(decoded->scene.height) * decoded->format.rowbytes);
  } catch (const std::exception&) {
    return Refuse(error, "not enough memory for the scene");
  }

  // The decode.
  return mapped ? decodeMapRect(settings, head, decoded, error) : decodeTiles(settings, head, decoded, error);
}

}  // namespace kxhost
