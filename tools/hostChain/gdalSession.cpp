#include "hostChain/gdalSession.h"

#include <gdal.h>

#include <algorithm>
#include <string>

namespace kxhost {

namespace {

constexpr uint32_t kGdalMessageLevel = 7;

void CPL_STDCALL forwardToLogger(CPLErr kind, CPLErrorNum number, const char* message) {
  auto* logger = static_cast<IKxLogger*>(CPLGetErrorHandlerUserData());
  IKxLogSink* sink = KxLogSinkOf(logger);
  if (sink == nullptr || message == nullptr || sink->GetLevel() < kGdalMessageLevel) return;
  const std::string line =
      std::string("GDAL ") + (kind == CE_Warning ? "warning " : "error ") + std::to_string(number) + ": " + message;
  sink->Write(kGdalMessageLevel, line.c_str());
}

}  // namespace

GdalSession::GdalSession(IKxLogger* logger) {
  GDALAllRegister();
  previous_ = CPLSetErrorHandlerEx(forwardToLogger, logger);
}

GdalSession::~GdalSession() { CPLSetErrorHandlerEx(previous_, nullptr); }

std::string GdalLastError(const char* fallback) {
  std::string message = CPLGetLastErrorMsg();
  if (message.empty()) return fallback;
  std::replace(message.begin(), message.end(), '\n', ' ');
  message.erase(message.find_last_not_of(' ') + 1);
  return message;
}

}  // namespace kxhost
