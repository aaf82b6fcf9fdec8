// kxhost overlay: the module's keyed merge of two images of one size, as a
// chroma-key overlay. Every pixel of OVER shows, except where OVER has the
// key colour (or, with --tolerant, a colour near it over a BASE pixel that is
// not): there BASE shows through.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/outputFile.h"
#include "hostChain/pixelValues.h"
#include "hostChain/renderFormat.h"
#include "kxhost/commands.h"
#include "kxhost/hostModule.h"
#include "kxhost/imageWriter.h"

namespace kxhost {

namespace {

constexpr const char* kUsage = "overlay BASE OVER -o OUT --key R,G,B [--tolerant]";

// One image decoded whole by its GDAL source, in the layout a render has.
struct WholeImage {
  ComPtr<GdalSource> source;
  RasterProps props;
  std::vector<uint8_t> pixels;
  DecodeBuffer buffer;
};

bool decodeWhole(const std::string& path, IKxLogger* logger, WholeImage* image, std::string* error) {
  if (!GdalSource::open(path, GdalSource::Options(), logger, image->source, error)) return false;
  const HRESULT described = image->source->GetRasterProps(&image->props);
  if (FAILED(described)) {
    *error = path + ": GetRasterProps failed with " + StatusText(described);
    return false;
  }
  const RasterProps& props = image->props;
  if (props.numBands == 0 || props.numBands > 256) {
    *error = path + " has " + std::to_string(props.numBands) + " bands; an overlay takes 1 to 256";
    return false;
  }
  const Scene whole{0.0, 0.0, double(props.width), double(props.height), 1.0};
  BufferFormat format;
  if (!RenderBufferFormat(props, whole, &format, error) || !FitsInMemory(whole, format, path, error)) return false;
  try {
    image->pixels.resize(size_t{props.height} * format.rowbytes);
  } catch (const std::exception&) {
    *error = "not enough memory for " + path;
    return false;
  }
  image->buffer.scene = whole;
  image->buffer.pBits = image->pixels.data();
  image->buffer.format = format;
  const HRESULT decoded = image->source->Decode(&image->buffer, KXV_BEST_QUALITY, nullptr);
  if (FAILED(decoded)) {
    *error = "decoding " + path + " failed with " + StatusText(decoded);
    return false;
  }
  return true;
}

// Both images have one size, band count and sample type.
bool checkAlike(const WholeImage& base, const WholeImage& over, std::string* error) {
  const RasterProps& a = base.props;
  const RasterProps& b = over.props;
  if (a.width == b.width && a.height == b.height && a.numBands == b.numBands &&
      base.buffer.format.type == over.buffer.format.type)
    return true;
  *error = "the images differ: " + std::to_string(a.width) + " x " + std::to_string(a.height) + ", " +
           std::to_string(a.numBands) + " bands against " + std::to_string(b.width) + " x " + std::to_string(b.height) +
           ", " + std::to_string(b.numBands) + " bands (or their sample types differ)";
  return false;
}

// The merged pixels in `output`, through the module's pixel replacer.
bool mergeKeyed(const ModuleLibrary& module, WholeImage& base, WholeImage& over, const std::vector<uint8_t>& key,
                bool tolerant, DecodeBuffer* output, std::string* error) {
  ComPtr<IKxContentImp> stage;
  HRESULT status = module.createStage(CLSID_KxvPixelReplacerImp, stage);
  ComPtr<IKxPixelReplacer2> replacer;
  if (SUCCEEDED(status)) status = stage->QueryInterface(IID_IKxPixelReplacer2, replacer.putVoid());
  if (FAILED(status)) {
    *error = "the module " + module.path() + " offers no pixel replacer (" + StatusText(status) + ")";
    return false;
  }
  // The overlay is the source, the base its replacement where the key shows.
  status = replacer->MergeKeyed(output, &over.buffer, &base.buffer, key.data(),
                                tolerant ? KX_MERGE_KEY_TOLERANT : KX_MERGE_KEY_EXACT);
  if (SUCCEEDED(status)) return true;
  *error = "MergeKeyed failed with " + StatusText(status);
  return false;
}

}  // namespace

int OverlayCommand(const HostContext& context) {
  const CommandLine& line = context.line;
  std::string error;
  if (!CheckOptions(line, {"output", "key", "tolerant"}, &error) || !ExpectOperands(line, 2, kUsage, &error))
    return ReportFailure(error);
  const std::string output = line.value("output", "");
  std::vector<double> keyValues;
  if (output.empty() || !line.has("key")) return ReportFailure(std::string("usage: kxhost ") + kUsage);
  if (!ParseNumberList(line.value("key", ""), &keyValues))
    return ReportFailure("--key must list one sample per band, for example 0,255,0");
  if (DriverForPath(output) == nullptr)
    return ReportFailure("cannot tell the format of " + output + " (use .png, .tif or .jpg)");
  for (const std::string& input : line.operands) {
    if (SameExistingFile(output, input))
      return ReportFailure("-o " + output + " names the input image " + input + "; choose another output");
  }

  // The module first, so that it outlives every object made from it; then both images, whole.
  ModuleLibrary module;
  if (!OpenModule(context, module, &error)) return ReportFailure(error);
  WholeImage base;
  WholeImage over;
  if (!decodeWhole(line.operands[0], context.logger, &base, &error) ||
      !decodeWhole(line.operands[1], context.logger, &over, &error) || !checkAlike(base, over, &error))
    return ReportFailure(error);
  std::vector<uint8_t> key;
  if (keyValues.size() != base.props.numBands)
    return ReportFailure("--key gives " + std::to_string(keyValues.size()) + " samples for images of " +
                         std::to_string(base.props.numBands) + " bands");
  if (!EncodePixel(keyValues, base.buffer.format.type, "--key", &key, &error)) return ReportFailure(error);

  // Merged into a buffer of the base's layout, then written with the base's geo-referencing.
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(base.pixels.size());
  } catch (const std::exception&) {
    return ReportFailure("not enough memory for the overlay");
  }
  DecodeBuffer merged = base.buffer;
  merged.pBits = pixels.data();
  if (!mergeKeyed(module, base, over, key, line.has("tolerant"), &merged, &error)) return ReportFailure(error);
  const GdalImage& described = base.source->image();
  RenderedImage image;
  image.bits = pixels.data();
  image.width = static_cast<int>(base.props.width);
  image.height = static_cast<int>(base.props.height);
  image.bands = merged.format.spp;
  image.type = merged.format.type;
  image.pixelStep = static_cast<int64_t>(merged.format.stride) * KxHostSampleBytes(merged.format.type);
  image.rowStep = merged.format.rowbytes;
  image.hasGeoTransform = described.hasGeoTransform;
  for (int i = 0; i < 6; ++i) image.geoTransform[i] = described.geoTransform[i];
  image.wkt = described.wkt;
  image.nodata = described.nodata;
  if (!WriteImage(output, image, &error)) return ReportFailure(error);
  std::printf("wrote %s: %d x %d pixels, %u bands\n", output.c_str(), image.width, image.height, image.bands);
  return 0;
}

}  // namespace kxhost
