#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "kxhost/cacheKey.h"
#include "kxhost/cacheOptions.h"
#include "kxhost/commands.h"
#include "kxhost/gdalSource.h"
#include "kxhost/imageWriter.h"
#include "kxhost/mapRectRender.h"
#include "kxhost/moduleLibrary.h"
#include "kxhost/moduleLocation.h"
#include "kxhost/outputFile.h"
#include "kxhost/progressBar.h"
#include "kxhost/renderFormat.h"
#include "kxhost/renderOptions.h"
#include "kxhost/replaceOption.h"
#include "kxhost/rotateOption.h"
#include "kxhost/scenePlacement.h"
#include "kxhost/stageChain.h"
#include "kxhost/tileRenderer.h"
#include "kxhost/watermarkOption.h"

namespace kxhost {

namespace {

// Tile size of a cache when none is given: the module's own default, set
// explicitly so that the cache directory's name always says it.
constexpr uint32_t kDefaultCacheTile = 512;

// The stages above the source, in chain order; each option that needs a
// stage adds its step here. The cache keeps its tiles in a directory of the
// source, band list and tile size below --cache DIR (see cacheKey.h).
bool stageStepsFor(const RenderOptions& options, CacheOptions cacheOptions,
                   const std::optional<PixelReplacement>& replacement,
                   const std::shared_ptr<const WatermarkImage>& watermark, std::vector<StageStep>* steps,
                   std::string* error) {
  // The selector decodes through the source's band-selecting decode, which it
  // finds down the chain, so it sits below the cache: a cache under it would
  // be passed by.
  if (!options.bands.empty()) {
    std::vector<uint16_t> bandMap;
    for (uint32_t band : options.bands) bandMap.push_back(static_cast<uint16_t>(band - 1));
    steps->push_back(MultibandSelectorStep(bandMap));
  }
  // Otherwise the cache sits directly above the source.
  if (!cacheOptions.directory.empty()) {
    cacheOptions.tileWidth = cacheOptions.tileWidth.value_or(kDefaultCacheTile);
    cacheOptions.tileHeight = cacheOptions.tileHeight.value_or(kDefaultCacheTile);
    const SourceIdentity source = IdentifySource(options.image, options.resamplingName);
    if (!DescribeSourceDirectory(cacheOptions.directory, source, error)) return false;
    cacheOptions.directory = CacheDirectoryFor(cacheOptions.directory, source, options.bands, *cacheOptions.tileWidth,
                                               *cacheOptions.tileHeight);
  }
  if (cacheOptions.useStage) steps->push_back(PersistantPixelCacheStep(cacheOptions));
  // The replacer works on the selected bands above the cache, whose tiles
  // keep the source's own pixels whatever is replaced.
  if (replacement) steps->push_back(PixelReplacerStep(*replacement));
  // The transposer turns whatever the stages below it deliver.
  if (options.rotate != 0) steps->push_back(TransposerStep(options.rotate));
  // The watermarker marks the finished picture, so it goes last, above the
  // transposer: its stamp sits upright in the corner of every decoded tile.
  if (watermark) steps->push_back(WatermarkerStep(watermark));
  return true;
}

bool checkBands(const RenderOptions& options, const GdalImage& image, std::string* error) {
  for (uint32_t band : options.bands) {
    if (band > image.bandCount) {
      *error = "band " + std::to_string(band) + " is out of range: " + image.path + " has bands 1 to " +
               std::to_string(image.bandCount);
      return false;
    }
  }
  return true;
}

// The replacement against the bands the chain will render, in the source's samples.
bool checkReplacement(const PixelReplacement& replacement, const RenderOptions& options, GdalSource& source,
                      std::string* error) {
  RasterProps props;
  const HRESULT status = source.GetRasterProps(&props);
  if (FAILED(status)) {
    *error = "GetRasterProps failed with " + StatusText(status);
    return false;
  }
  const size_t bands = options.bands.empty() ? source.image().bandCount : options.bands.size();
  return CheckReplacement(replacement, props, bands, error);
}

// The scene to render, its corner and size made whole; false when it does
// not touch the image.
bool sceneFor(const RenderOptions& options, const RasterProps& props, Scene* scene, std::string* error) {
  const uint32_t width = ScaledExtent(props.width, options.mag);
  const uint32_t height = ScaledExtent(props.height, options.mag);
  *scene = options.hasScene ? Scene{options.scene[0], options.scene[1], options.scene[2], options.scene[3], options.mag}
                            : Scene{0.0, 0.0, static_cast<double>(width), static_cast<double>(height), options.mag};
  ScenePlacement placement;
  if (!PlaceScene(*scene, props.width, props.height, &placement)) {
    *error = "the scene is too large to render";
    return false;
  }
  if (placement.onImage.empty()) {
    char text[256];
    std::snprintf(text, sizeof text, "scene %g,%g,%g,%g lies outside the image (%u x %u pixels at magnification %g)",
                  scene->ulx, scene->uly, scene->width, scene->height, width, height, options.mag);
    *error = text;
    return false;
  }
  *scene = Scene{static_cast<double>(placement.originX), static_cast<double>(placement.originY),
                 static_cast<double>(placement.cols), static_cast<double>(placement.rows), options.mag};
  return true;
}

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

// Decodes the scene into `pixels` with a progress bar; false with a reason.
bool renderInto(const RenderOptions& options, IKxContentImp* head, const Scene& scene, const BufferFormat& format,
                std::vector<uint8_t>* pixels, std::string* error) {
  RenderJob job;
  job.head = head;
  job.whole.scene = scene;
  job.whole.pBits = pixels->data();
  job.whole.format = format;
  job.tileSize = options.tile;
  job.threads = options.threads;
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
  *error = text;
  return false;
}

}  // namespace

int RenderCommand(const HostContext& context) {
  std::string error;
  RenderOptions options;
  CacheOptions cacheOptions;
  std::optional<PixelReplacement> replacement;
  std::shared_ptr<const WatermarkImage> watermark;
  if (!ParseRenderOptions(context.line, &options, &error) || !ParseCacheOptions(context.line, &cacheOptions, &error) ||
      !ParseReplaceOption(context.line, &replacement, &error) || !ReadWatermarkOption(context.line, &watermark, &error))
    return ReportFailure(error);
  if (cacheOptions.hasMapRect && (options.hasScene || !options.bands.empty()))
    return ReportFailure("--map-rect replaces --scene and cannot be combined with --bands");
  if (DriverForPath(options.output) == nullptr)
    return ReportFailure("cannot tell the format of " + options.output + " (use .png, .tif or .jpg)");
  if (SameExistingFile(options.output, options.image))
    return ReportFailure("-o " + options.output + " names the input image; choose another output");

  // The source, and the module when a stage is needed. The module is declared
  // first so that it outlives every object made from it.
  ComPtr<GdalSource> source;
  GdalSource::Options sourceOptions;
  sourceOptions.resampling = options.resampling;
  if (!GdalSource::open(options.image, sourceOptions, context.logger, source, &error) ||
      !checkBands(options, source->image(), &error))
    return ReportFailure(error);
  if (replacement && !checkReplacement(*replacement, options, *source.get(), &error)) return ReportFailure(error);
  std::vector<StageStep> steps;
  if (!stageStepsFor(options, cacheOptions, replacement, watermark, &steps, &error)) return ReportFailure(error);
  ModuleLibrary module;
  if (!steps.empty() && !OpenModule(context, module, &error)) return ReportFailure(error);

  // The chain: source, then each stage on top.
  source->AddRef();
  StageChain chain{ComPtr<IKxContentImp>(source.get())};
  for (const StageStep& step : steps) {
    if (!chain.push(module, step, context.logger, &error)) return ReportFailure(error);
  }

  // The scene and its buffer, from what the head of the chain reports.
  RasterProps props;
  const HRESULT described = chain.head()->GetRasterProps(&props);
  if (FAILED(described)) return ReportFailure("GetRasterProps failed with " + StatusText(described));
  if (props.numBands == 0 || props.numBands > 256)
    return ReportFailure(std::to_string(props.numBands) + " bands cannot be rendered; choose up to 256 with --bands");
  if (!options.bands.empty() && props.numBands != options.bands.size())
    return ReportFailure("the chain reports " + std::to_string(props.numBands) + " bands for a selection of " +
                         std::to_string(options.bands.size()));
  Scene scene;
  BufferFormat format;
  const bool placed = cacheOptions.hasMapRect
                          ? MapRectScene(chain.head(), cacheOptions.mapRect, options.mag, &scene, &error)
                          : sceneFor(options, props, &scene, &error);
  if (!placed || !RenderBufferFormat(props, scene, &format, &error)) return ReportFailure(error);
  if (!FitsInMemory(scene, format, "the scene", &error))
    return ReportFailure(error + "; render part of it with --scene, or at a smaller --mag");
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(scene.height) * format.rowbytes);
  } catch (const std::exception&) {
    return ReportFailure("not enough memory for the scene");
  }

  // Decode, then write.
  DecodeBuffer mapBuffer;
  mapBuffer.scene = scene;
  mapBuffer.pBits = pixels.data();
  mapBuffer.format = format;
  const bool rendered = cacheOptions.hasMapRect
                            ? DecodeMapRect(chain.head(), cacheOptions.mapRect, cacheOptions.srs, &mapBuffer, &error)
                            : renderInto(options, chain.head(), scene, format, &pixels, &error);
  if (!rendered) return ReportFailure(error);
  RenderedImage image;
  image.bits = pixels.data();
  image.width = static_cast<int>(scene.width);
  image.height = static_cast<int>(scene.height);
  image.bands = format.spp;
  image.type = format.type;
  image.pixelStep = static_cast<int64_t>(format.stride) * KxHostSampleBytes(format.type);
  image.rowStep = format.rowbytes;
  georeferenceScene(chain.head(), scene, options.rotate, props, &image);
  for (uint32_t s = 0; s < format.spp; ++s)
    image.nodata.push_back(source->image().nodata[options.bands.empty() ? s : options.bands[s] - 1]);
  if (!WriteImage(options.output, image, &error)) return ReportFailure(error);
  std::printf("wrote %s: %d x %d pixels, %u bands\n", options.output.c_str(), image.width, image.height, image.bands);
  return 0;
}

}  // namespace kxhost
