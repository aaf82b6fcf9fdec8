#include <cstdio>
#include <string>
#include <vector>

#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "kxhost/commands.h"
#include "kxhost/hostModule.h"

namespace kxhost {

namespace {

constexpr const char* kUsage = "info IMAGE";

const char* colorSpaceName(uint32_t colorSpace) {
  switch (colorSpace) {
    case KX_CS_RGB: return "RGB";
    case KX_CS_GREY: return "greyscale";
    case KX_CS_MULTIBAND: return "multiband";
    default: return "other";
  }
}

// Size, bands, samples, magnification range and capabilities, as the source's
// GetRasterProps reports them.
void printProps(IKxContentImp* source) {
  RasterProps props;
  const HRESULT status = source->GetRasterProps(&props);
  if (FAILED(status)) {
    std::printf("properties      unavailable (%s)\n", StatusText(status).c_str());
    return;
  }
  std::printf("size            %u x %u pixels\n", props.width, props.height);
  std::printf("bands           %u, colour space %u (%s)\n", props.numBands, props.colorSpace,
              colorSpaceName(props.colorSpace));
  std::printf("samples         %u bits, %s\n", props.bitsPerSample, props.pixel.isSigned() ? "signed" : "unsigned");
  std::printf("magnification   %g .. %g\n", props.minMag, props.maxMag);
  std::printf("capabilities    0x%x\n", props.flags);
}

// Background per band, through the background-pixel query in 32-bit floats.
void printBackground(IKxContentImp* source, uint32_t bands) {
  ComPtr<IKxBackgroundPixelQuery> query;
  if (FAILED(source->FindInterface(IID_IKxBackgroundPixelQuery, query.putVoid()))) return;
  const uint32_t shown = std::min<uint32_t>(bands, 256);
  std::vector<float> pixel(shown);
  DecodeBuffer buffer;
  buffer.scene = {0.0, 0.0, 1.0, 1.0, 1.0};
  buffer.pBits = pixel.data();
  buffer.format = BufferFormat{KX_CS_MULTIBAND, shown, shown, KX_TYPE_F32, 0, 1, 4 * shown, {}, 32};
  for (uint32_t s = 0; s < shown; ++s) buffer.format.smap[s] = static_cast<int32_t>(4 * s);
  uint32_t reserved = 0;
  if (FAILED(query->GetBackgroundPixel(&reserved, &buffer))) return;
  std::printf("background     ");
  for (float value : pixel) std::printf(" %g", value);
  std::printf("\n");
}

// Map origin, resolution and spatial reference, through the spatial information.
void printGeoreferencing(IKxContentImp* source) {
  ComPtr<IKxGeoSpatialInfo> spatial;
  GeoDomain domain;
  if (FAILED(source->FindInterface(IID_IKxGeoSpatialInfo, spatial.putVoid())) ||
      FAILED(spatial->GetSpatialDomain(&domain))) {
    std::printf("geo-referencing none\n");
    return;
  }
  std::printf("origin          %.3f, %.3f\n", domain.x, domain.y);
  std::printf("resolution      %g, %g\n", domain.resX, domain.resY);
  ComPtr<IKxSpatialReference> reference;
  const char* proj4 = nullptr;
  if (SUCCEEDED(spatial->GetSpatialReference(reference.put())) && reference) proj4 = reference->GetProj4();
  std::printf("reference       %s\n", proj4 != nullptr ? proj4 : "none");
}

// Every known class, tried through DllGetClassObject.
void printClasses(const ModuleLibrary& module) {
  size_t count = 0;
  const KnownClass* classes = KnownClasses(&count);
  for (size_t i = 0; i < count; ++i) {
    ComPtr<IClassFactory> factory;
    const HRESULT status = module.getClassFactory(*classes[i].clsid, factory);
    std::printf("  %-40s %s\n", classes[i].name,
                SUCCEEDED(status) ? "served" : ("not served (" + StatusText(status) + ")").c_str());
  }
}

}  // namespace

int InfoCommand(const HostContext& context) {
  const CommandLine& line = context.line;
  std::string error;
  if (!CheckOptions(line, {}, &error) || !ExpectOperands(line, 1, kUsage, &error)) return ReportFailure(error);

  // What the source reports through its interfaces.
  ComPtr<GdalSource> source;
  if (!GdalSource::open(line.operands[0], {}, context.logger, source, &error)) return ReportFailure(error);
  std::printf("image           %s (%s)\n", source->image().path.c_str(), source->image().driver.c_str());
  printProps(source.get());
  printBackground(source.get(), source->image().bandCount);
  printGeoreferencing(source.get());

  // What the module serves.
  ModuleLibrary module;
  if (!OpenModule(context, module, &error)) return ReportFailure(error);
  std::printf("module          %s\n", module.path().c_str());
  printClasses(module);
  return 0;
}

}  // namespace kxhost
