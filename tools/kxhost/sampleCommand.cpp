#include <cstdio>
#include <cstring>

#include "hostChain/optionValues.h"
#include "hostChain/outputFile.h"
#include "kxhost/commands.h"
#include "kxhost/imageWriter.h"
#include "kxhost/sampleImage.h"

namespace kxhost {

namespace {

constexpr const char* kUsage = "sample OUT.tif [--bands N] [--size WxH] [--type u8|u16]";
constexpr uint64_t kMostSampleBands = 256;

bool parseSampleRecipe(const CommandLine& line, SampleRecipe* recipe, std::string* error) {
  uint64_t bands = recipe->bands;
  if (line.has("bands") && !ParseUnsigned(line.value("bands", ""), 1, kMostSampleBands, &bands)) {
    *error = "--bands must be a number of bands from 1 to 256";
    return false;
  }
  recipe->bands = static_cast<uint32_t>(bands);
  if (line.has("size") && !ParseSize(line.value("size", ""), &recipe->width, &recipe->height)) {
    *error = "--size must be WIDTHxHEIGHT, for example 1024x768";
    return false;
  }
  const std::string type = line.value("type", "u8");
  if (type != "u8" && type != "u16") {
    *error = "--type must be u8 or u16";
    return false;
  }
  recipe->type = type == "u8" ? GDT_Byte : GDT_UInt16;
  return true;
}

}  // namespace

int SampleCommand(const HostContext& context) {
  const CommandLine& line = context.line;
  std::string error;
  SampleRecipe recipe;
  if (!CheckOptions(line, {"bands", "size", "type"}, &error) || !ExpectOperands(line, 1, kUsage, &error) ||
      !parseSampleRecipe(line, &recipe, &error))
    return ReportFailure(error);
  const std::string& path = line.operands[0];
  const char* driver = DriverForPath(path);
  if (driver == nullptr || std::strcmp(driver, "GTiff") != 0)
    return ReportFailure("sample images are GeoTIFF files: name it .tif (" + path + ")");
  // Written whole under a temporary name, then named; a failure names the file asked for.
  OutputFile output(path);
  if (!WriteSampleImage(output.temporaryPath(), recipe, &error) || !output.commit(&error)) {
    const size_t temporary = error.find(output.temporaryPath());
    if (temporary != std::string::npos) error.replace(temporary, output.temporaryPath().size(), path);
    return ReportFailure(error);
  }
  std::printf("wrote %s: %u x %u pixels, %u bands, %s, EPSG:3857\n", path.c_str(), recipe.width, recipe.height,
              recipe.bands, recipe.type == GDT_Byte ? "u8" : "u16");
  return 0;
}

}  // namespace kxhost
