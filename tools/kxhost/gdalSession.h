// GDAL set-up shared by the host's commands.
#ifndef KXHOST_GDAL_SESSION_H
#define KXHOST_GDAL_SESSION_H

#include <cpl_error.h>

#include <string>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {

// Registers GDAL's drivers and, while alive, routes GDAL's own messages to the
// host logger at detail level instead of printing them: the host reports every
// failure itself, on one line. The logger must outlive the session.
class KxGdalSession {
 public:
  explicit KxGdalSession(IKxLogger* logger);
  KxGdalSession(const KxGdalSession&) = delete;
  KxGdalSession& operator=(const KxGdalSession&) = delete;
  ~KxGdalSession();

 private:
  CPLErrorHandler previous_;
};

// GDAL's last message on this thread as one line, or `fallback` when none.
std::string KxGdalLastError(const char* fallback);

}  // namespace Kelvane

#endif  // KXHOST_GDAL_SESSION_H
