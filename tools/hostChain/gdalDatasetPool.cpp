#include "hostChain/gdalDatasetPool.h"

#include "hostChain/gdalOpen.h"

namespace kxhost {

GdalDatasetPool::~GdalDatasetPool() {
  for (GDALDatasetH handle : idle_) GDALClose(handle);
}

GDALDatasetH GdalDatasetPool::open(const std::string& path) {
  std::string name;
  GDALDatasetH handle = OpenRasterInColour(path, PaletteAlpha::kKeep, &name);
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  name_ = name;
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
  return Lease(this, OpenRasterReadOnly(name_));
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
