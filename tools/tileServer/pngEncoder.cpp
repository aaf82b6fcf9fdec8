#include "tileServer/pngEncoder.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include <atomic>
#include <cstdio>
#include <utility>

#include "hostChain/gdalSession.h"
#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

// zlib's level for tiles (GDAL's default is 6).
constexpr const char kTileDeflateLevel[] = "1";

// Numbers the in-memory files so that concurrent encodes never share one.
std::atomic<uint64_t> gEncodeSerial{0};

// Owns a dataset handle.
struct DatasetHandle {
  GDALDatasetH handle = nullptr;
  ~DatasetHandle() {
    if (handle != nullptr) GDALClose(handle);
  }
};

// Removes the in-memory file (and any side-car beside it) on every path out.
struct MemoryFile {
  std::string path;
  ~MemoryFile() {
    VSIUnlink(path.c_str());
    VSIUnlink((path + ".aux.xml").c_str());
  }
};

}  // namespace

bool EncodePng(const SampleView& samples, std::vector<uint8_t>* png, std::string* error) {
  GDALDriverH driver = GDALGetDriverByName("PNG");
  if (driver == nullptr) return Refuse(error, "GDAL has no PNG driver");
  DatasetHandle memory{WrapSamplesInMemory(samples, error)};
  if (memory.handle == nullptr) return false;

  // The file, written whole (closing flushes it), then taken out of memory.
  char name[64];
  std::snprintf(name, sizeof name, "/vsimem/kx-tile-%llu.png", static_cast<unsigned long long>(++gEncodeSerial));
  MemoryFile file{name};
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  CPLErrorReset();
  // Deflate at its fastest level: a profile of warm tiles spends three
  // quarters of the time in libpng and zlib, and the files grow little.
  char** options = CSLSetNameValue(nullptr, "ZLEVEL", kTileDeflateLevel);
  DatasetHandle written{GDALCreateCopy(driver, name, memory.handle, FALSE, options, nullptr, nullptr)};
  CSLDestroy(options);
  const bool made = written.handle != nullptr;
  if (made) GDALClose(std::exchange(written.handle, nullptr));
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  if (!made || CPLGetLastErrorType() == CE_Failure)
    return Refuse(error, "cannot encode the tile as PNG: " + GdalLastError("the PNG driver refused it"));
  vsi_l_offset length = 0;
  GByte* bytes = VSIGetMemFileBuffer(name, &length, FALSE);
  if (bytes == nullptr) return Refuse(error, "the encoded tile went missing from memory");
  png->assign(bytes, bytes + length);
  return true;
}

}  // namespace kxhost
