// GDAL set-up shared by the host's commands.
#ifndef KX_HOST_CHAIN_GDAL_SESSION_H
#define KX_HOST_CHAIN_GDAL_SESSION_H

#include <cpl_error.h>

#include <string>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Registers GDAL's drivers and, while alive, routes GDAL's own messages to the
// host logger at detail level instead of printing them: the host reports every
// failure itself, on one line. The logger must outlive the session.
class GdalSession {
 public:
  explicit GdalSession(IKxLogger* logger);
  GdalSession(const GdalSession&) = delete;
  GdalSession& operator=(const GdalSession&) = delete;
  ~GdalSession();

 private:
  CPLErrorHandler previous_;
};

// GDAL's last message on this thread as one line, or `fallback` when none.
std::string GdalLastError(const char* fallback);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_SESSION_H
