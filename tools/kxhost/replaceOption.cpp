#include "kxhost/replaceOption.h"

#include "kxhost/pixelValues.h"
#include "kxhost/renderFormat.h"

namespace kxhost {

namespace {

// A failed check: the reason, and false.
bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// The pixel layout the render buffer has for `props`, and both sides of the
// replacement as pixels of it.
bool encodeReplacement(const PixelReplacement& replacement, const RasterProps& props, BufferFormat* format,
                       std::vector<uint8_t>* from, std::vector<uint8_t>* to, std::string* error) {
  const Scene onePixel{0.0, 0.0, 1.0, 1.0, 1.0};
  return RenderBufferFormat(props, onePixel, format, error) &&
         EncodePixel(replacement.from, format->type, "--replace", from, error) &&
         EncodePixel(replacement.to, format->type, "--replace", to, error);
}

}  // namespace

bool ParseReplaceOption(const CommandLine& line, std::optional<PixelReplacement>* replacement, std::string* error) {
  replacement->reset();
  if (!line.has("replace")) return true;
  const std::string text = line.value("replace", "");
  const size_t equals = text.find('=');
  PixelReplacement parsed;
  if (equals == std::string::npos || !ParseNumberList(text.substr(0, equals), &parsed.from) ||
      !ParseNumberList(text.substr(equals + 1), &parsed.to) || parsed.from.size() != parsed.to.size())
    return refuse(error,
                  "--replace must be FROM=TO with one sample per band on each side, for example 0,0,0=255,255,255");
  if (line.has("map-rect")) return refuse(error, "--replace cannot be combined with --map-rect");
  *replacement = std::move(parsed);
  return true;
}

bool CheckReplacement(const PixelReplacement& replacement, const RasterProps& props, size_t bands, std::string* error) {
  if (replacement.from.size() != bands)
    return refuse(error, "--replace gives " + std::to_string(replacement.from.size()) +
                             " samples per pixel for an image of " + std::to_string(bands) + " bands");
  BufferFormat format;
  std::vector<uint8_t> from;
  std::vector<uint8_t> to;
  return encodeReplacement(replacement, props, &format, &from, &to, error);
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
