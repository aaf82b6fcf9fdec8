#include "hostChain/replaceOption.h"

#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/pixelValues.h"
#include "hostChain/renderFormat.h"

namespace kxhost {

namespace {

// The pixel layout the render buffer has for `props`, and both sides of the
// replacement as pixels of it.
bool encodeReplacement(const PixelReplacement& replacement, const RasterProps& props, BufferFormat* format,
                       std::vector<uint8_t>* from, std::vector<uint8_t>* to, std::string* error) {
  const Scene onePixel{0.0, 0.0, 1.0, 1.0, 1.0};
  return RenderBufferFormat(props, onePixel, format, error) &&
         EncodePixel(replacement.from, format->type, "--replace", from, error) &&
         EncodePixel(replacement.to, format->type, "--replace", to, error);
}

// Checks the replacement against what the chain will render from `source`:
// the bands the settings select, in the source's sample type.
bool checkReplacement(const RenderSettings& settings, GdalSource& source, std::string* error) {
  RasterProps props;
  const HRESULT status = source.GetRasterProps(&props);
  if (FAILED(status)) return Refuse(error, "GetRasterProps failed with " + StatusText(status));
  const size_t bands = settings.bands.empty() ? source.image().bandCount : settings.bands.size();
  const PixelReplacement& replacement = *settings.replacement;
  if (replacement.from.size() != bands)
    return Refuse(error, "--replace gives " + std::to_string(replacement.from.size()) +
                             " samples per pixel for an image of " + std::to_string(bands) + " bands");
  BufferFormat format;
  std::vector<uint8_t> from;
  std::vector<uint8_t> to;
  return encodeReplacement(replacement, props, &format, &from, &to, error);
}

}  // namespace

bool ParseReplaceSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  const size_t equals = value.find('=');
  PixelReplacement parsed;
  if (equals == std::string::npos || !ParseNumberList(value.substr(0, equals), &parsed.from) ||
      !ParseNumberList(value.substr(equals + 1), &parsed.to) || parsed.from.size() != parsed.to.size())
    return Refuse(error,
                  "--replace must be FROM=TO with one sample per band on each side, for example 0,0,0=255,255,255");
  settings->replacement = std::move(parsed);
  return true;
}

bool AddPixelReplacerStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                           std::string* error) {
  if (!settings.replacement) return true;
  // The replacer works on the selected bands above the cache, whose tiles
  // keep the source's own pixels whatever is replaced.
  if (!checkReplacement(settings, source, error)) return false;
  steps->push_back(PixelReplacerStep(*settings.replacement));
  return true;
}

StageStep PixelReplacerStep(const PixelReplacement& replacement) {
  StageStep step;
  step.name = "pixel replacer";
  step.clsid = CLSID_KxvPixelReplacerImp;
  step.configure = [replacement](IKxContentImp* stage, std::string* what) {
    // The replacer reports its upstream's properties, and with them the render buffer's pixel.
    RasterProps props;
    *what = "GetRasterProps";
    HRESULT status = stage->GetRasterProps(&props);
    if (FAILED(status)) return status;
    BufferFormat format;
    std::vector<uint8_t> from;
    std::vector<uint8_t> to;
    if (!encodeReplacement(replacement, props, &format, &from, &to, what)) return E_INVALIDARG;
    ComPtr<IKxPixelReplacerImp> replacer;
    *what = "QueryInterface(IKxPixelReplacerImp)";
    status = stage->QueryInterface(IID_IKxPixelReplacerImp, replacer.putVoid());
    if (FAILED(status)) return status;
    *what = "SetReplacement";
    return replacer->SetReplacement(&format, from.data(), to.data());
  };
  return step;
}

}  // namespace kxhost
