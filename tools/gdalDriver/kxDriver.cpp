// The GDAL plugin driver "KX": registration, recognising its names, and
// opening a chain of the module's stages as a dataset.
#include <dlfcn.h>
#include <cpl_string.h>
#include <gdal_priv.h>

#include <memory>
#include <string>

#include "gdalDriver/chainRequest.h"
#include "gdalDriver/kxDataset.h"
#include "hostChain/moduleLocation.h"
#include "hostChain/renderFormat.h"

extern "C" void CPL_DLL GDALRegister_KX();

namespace kxdriver {

namespace {

// Longest chain file read; a real one holds a few lines.
constexpr int kMaxChainFileBytes = 64 * 1024;

bool openFailed(const std::string& reason) {
  CPLError(CE_Failure, CPLE_OpenFailed, "%s", reason.c_str());
  return false;
}

bool looksLikeChainFile(GDALOpenInfo* info) {
  return info->pabyHeader != nullptr &&
         std::strstr(reinterpret_cast<const char*>(info->pabyHeader), "<KXChain") != nullptr;
}

int identify(GDALOpenInfo* info) { return IsConnectionString(info->pszFilename) || looksLikeChainFile(info); }

// The request a name makes: a connection string, or a chain file's text.
bool requestOf(GDALOpenInfo* info, ChainRequest* request, std::string* error) {
  const std::string name = info->pszFilename;
  if (IsConnectionString(name)) return ParseConnectionString(name, request, error);
  GByte* text = nullptr;
  if (!VSIIngestFile(nullptr, name.c_str(), &text, nullptr, kMaxChainFileBytes)) {
    *error = "kx: cannot read the chain file " + name;
    return false;
  }
  const bool parsed = ParseChainFile(reinterpret_cast<const char*>(text), CPLGetPath(name.c_str()), request, error);
  VSIFree(text);
  return parsed;
}

// Where the driver finds the module: KX_MODULE when set, the registry, beside
// the plugin (a build tree), or the installation's library directory.
kxhost::ModuleSearch moduleSearch() {
  kxhost::ModuleSearch search;
  search.explicitPath = CPLGetConfigOption("KX_MODULE", "");
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&GDALRegister_KX), &self) != 0 && self.dli_fname != nullptr)
    search.ownDirectory = std::string(CPLGetPath(self.dli_fname)) + "/";
  search.installedFromOwnDirectory = KX_DRIVER_INSTALLED_MODULE_FROM_PLUGINDIR;
  return search;
}

// Builds the chain a request asks for and learns what its head reports.
bool buildChain(const ChainRequest& request, DatasetChain* chain) {
  kxhost::RenderSettings settings;
  std::string error;
  if (!SettingsFor(request, &settings, &error)) return openFailed(error);
  chain->logger = kxhost::ComPtr<CplLogger>(CplLogger::create());
  if (!chain->logger) return openFailed("kx: out of memory");
  // GDAL's own messages on the way are folded into the one error reported.
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const bool built = kxhost::BuildRenderChain(settings, moduleSearch(), chain->logger.get(), CplLogger::kDetailLevel,
                                              &chain->chain, &error);
  CPLPopErrorHandler();
  if (!built) return openFailed("kx: " + error);
  const HRESULT described = chain->chain.head()->GetRasterProps(&chain->props);
  if (FAILED(described)) return openFailed("kx: the chain's properties failed with " + kxhost::StatusText(described));
  if (chain->props.numBands == 0 || chain->props.numBands > 256 || chain->props.width == 0 ||
      chain->props.height == 0 || chain->props.width > INT32_MAX || chain->props.height > INT32_MAX)
    return openFailed("kx: the chain reports an image GDAL cannot show");
  chain->sampleType = kxhost::RenderSampleType(chain->props);
  chain->dataType = kxhost::StoredGdalType(chain->sampleType);
  chain->rotate = settings.rotate;
  // A cache's tile is the natural block: a block read is then one tile file.
  if (!settings.cache.directory.empty()) {
    chain->blockWidth = static_cast<int>(settings.cache.tileWidth.value_or(kDefaultBlockSize));
    chain->blockHeight = static_cast<int>(settings.cache.tileHeight.value_or(kDefaultBlockSize));
  }
  chain->stampsEachBlock = settings.watermark.has_value();
  return true;
}

}  // namespace

GDALDataset* KXDataset::Open(GDALOpenInfo* info) {
  if (!identify(info)) return nullptr;
  if (info->eAccess == GA_Update) {
    openFailed("kx: a chain of stages is read-only");
    return nullptr;
  }
  try {
    ChainRequest request;
    std::string error;
    if (!requestOf(info, &request, &error)) {
      openFailed(error);
      return nullptr;
    }
    auto chain = std::make_shared<DatasetChain>();
    if (!buildChain(request, chain.get())) return nullptr;
    auto dataset = std::make_unique<KXDataset>(chain, 1.0);
    dataset->addOverviewLevels();
    dataset->SetDescription(info->pszFilename);
    // The source's own metadata (default domain), which the chain keeps.
    CPLStringList metadata;
    for (const std::string& item : chain->chain.source->image().metadata) metadata.AddString(item.c_str());
    dataset->SetMetadata(metadata.List());
    return dataset.release();
  } catch (const std::exception& failure) {
    openFailed(std::string("kx: ") + failure.what());
    return nullptr;
  }
}

}  // namespace kxdriver

extern "C" void CPL_DLL GDALRegister_KX() {
  if (!GDAL_CHECK_VERSION("KX")) return;
  if (GDALGetDriverByName("KX") != nullptr) return;
  auto* driver = new GDALDriver();
  driver->SetDescription("KX");
  driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
  driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Kelvane pipeline stages (kx_lib_sp_xform)");
  driver->SetMetadataItem(GDAL_DMD_EXTENSION, "kxchain");
  driver->SetMetadataItem(GDAL_DMD_CONNECTION_PREFIX, "kx:");
  driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
  driver->pfnIdentify = kxdriver::identify;
  driver->pfnOpen = kxdriver::KXDataset::Open;
  GetGDALDriverManager()->RegisterDriver(driver);
}
