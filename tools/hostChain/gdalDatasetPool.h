// Dataset handles for concurrent decodes of one image.
#ifndef KX_HOST_CHAIN_GDAL_DATASET_POOL_H
#define KX_HOST_CHAIN_GDAL_DATASET_POOL_H

#include <gdal.h>

#include <mutex>
#include <string>
#include <vector>

namespace kxhost {

// A GDAL dataset handle serves one thread at a time, so each decode borrows a
// handle of its own: an idle one, or a newly opened one when all are busy.
// The pool owns every idle handle and closes them when destroyed; it grows to
// the largest number of decodes that ran at once.
class GdalDatasetPool {
 public:
  // Borrowed handle, given back when the lease ends. get() is null when the
  // image could not be opened again.
  class Lease {
   public:
    Lease(GdalDatasetPool* pool, GDALDatasetH handle) : pool_(pool), handle_(handle) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() {
      if (handle_ != nullptr) pool_->giveBack(handle_);
    }
    GDALDatasetH get() const { return handle_; }

   private:
    GdalDatasetPool* pool_;
    GDALDatasetH handle_;
  };

  GdalDatasetPool() = default;
  GdalDatasetPool(const GdalDatasetPool&) = delete;
  GdalDatasetPool& operator=(const GdalDatasetPool&) = delete;
  ~GdalDatasetPool();

  // Opens `path` read-only, a paletted image in its palette's colours (see
  // OpenRasterInColour); the first handle becomes the pool's first idle one.
  GDALDatasetH open(const std::string& path);
  Lease borrow();

 private:
  void giveBack(GDALDatasetH handle);

  std::mutex lock_;   // guards idle_
  std::string name_;  // opens the image as the first handle shows it
  std::vector<GDALDatasetH> idle_;
};

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_DATASET_POOL_H
