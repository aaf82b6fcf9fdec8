#include "kxhost/gdalDatasetPool.h"

namespace kxhost {

namespace {

// Verbose, so that GDAL says why an image cannot be opened.
GDALDatasetH openReadOnly(const std::string& path) {
  return GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr);
}

}  // namespace

GdalDatasetPool::~GdalDatasetPool() {
  for (GDALDatasetH handle : idle_) GDALClose(handle);
}

GDALDatasetH GdalDatasetPool::open(const std::string& path) {
  GDALDatasetH handle = openReadOnly(path);
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  path_ = path;
  idle_.push_back(handle);
  return handle;
}

GdalDatasetPool::Lease GdalDatasetPool::borrow() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!idle_.empty()) {
      GDALDatasetH handle = idle_.back();
      idle_.pop_back();
      return Lease(this, handle);
    }
  }
  return Lease(this, openReadOnly(path_));
}

void GdalDatasetPool::giveBack(GDALDatasetH handle) {
  // A handle that cannot be kept is closed rather than lost.
  try {
    std::lock_guard<std::mutex> hold(lock_);
    idle_.push_back(handle);
  } catch (...) {
    GDALClose(handle);
  }
}

}  // namespace kxhost
