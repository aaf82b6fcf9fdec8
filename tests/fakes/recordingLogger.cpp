#include "fakes/recordingLogger.h"

namespace Kelvane::Fakes {

bool RecordingLogger::find(uint32_t level, const std::string& text, bool whole) const {
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& [written, line] : entries_) {
    if (written == level && (whole ? line == text : line.find(text) != std::string::npos)) return true;
  }
  return false;
}

HRESULT KX_STDCALL RecordingLogger::QueryInterface(const IID& iid, void** out) {
  return KxHostAnswerQuery(static_cast<IKxLogger*>(this), iid, {&IID_IUnknown, &IID_IKxLogger}, out);
}

HRESULT KX_STDCALL RecordingLogger::Write(uint32_t level, const char* text) {
  try {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.emplace_back(level, text != nullptr ? text : "");
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace Kelvane::Fakes
