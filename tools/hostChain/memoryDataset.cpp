#include "hostChain/memoryDataset.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include "hostChain/gdalSession.h"
#include "hostChain/kelvaneApi.h"
#include "hostChain/renderFormat.h"

namespace kxhost {

GDALDatasetH WrapSamplesInMemory(const SampleView& samples, std::string* error) {
  GDALDriverH memory = GDALGetDriverByName("MEM");
  GDALDatasetH dataset =
      memory != nullptr ? GDALCreate(memory, "", samples.width, samples.height, 0, GDT_Byte, nullptr) : nullptr;
  if (dataset == nullptr) {
    *error = "cannot create an in-memory image: " + GdalLastError("MEM driver missing");
    return nullptr;
  }
  // Each band points at its first sample and steps as the samples lie.
  const uint32_t sampleBytes = KxHostSampleBytes(samples.type);
  for (uint32_t b = 0; b < samples.bands; ++b) {
    char pointer[64] = {};
    CPLPrintPointer(pointer, const_cast<uint8_t*>(samples.bits) + b * sampleBytes, sizeof pointer - 1);
    char** options = nullptr;
    options = CSLSetNameValue(options, "DATAPOINTER", pointer);
    options = CSLSetNameValue(options, "PIXELOFFSET", std::to_string(samples.pixelStep).c_str());
    options = CSLSetNameValue(options, "LINEOFFSET", std::to_string(samples.rowStep).c_str());
    const CPLErr added = GDALAddBand(dataset, StoredGdalType(samples.type), options);
    CSLDestroy(options);
    if (added != CE_None) {
      GDALClose(dataset);
      *error = "cannot wrap the rendered samples: " + GdalLastError("band not added");
      return nullptr;
    }
  }
  return dataset;
}

}  // namespace kxhost
