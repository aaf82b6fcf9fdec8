#include "fakes/recordingLogger.h"

#include <new>

#include "fakes/fakeComSupport.h"

namespace Kelvane::Fakes {

namespace {
std::atomic<int> g_liveLoggers{0};
}  // namespace

RecordingLogger* RecordingLogger::Create(uint32_t level) { return new (std::nothrow) RecordingLogger(level); }

int RecordingLogger::LiveCount() { return g_liveLoggers.load(); }

RecordingLogger::RecordingLogger(uint32_t level) : level_(level) { ++g_liveLoggers; }

RecordingLogger::~RecordingLogger() { --g_liveLoggers; }

std::vector<std::pair<uint32_t, std::string>> RecordingLogger::entries() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return entries_;
}

bool RecordingLogger::contains(uint32_t level, const std::string& text) const {
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& entry : entries_) {
    if (entry.first == level && entry.second == text) return true;
  }
  return false;
}

bool RecordingLogger::containsFragment(uint32_t level, const std::string& fragment) const {
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& entry : entries_) {
    if (entry.first == level && entry.second.find(fragment) != std::string::npos) return true;
  }
  return false;
}

void RecordingLogger::clear() {
  std::lock_guard<std::mutex> hold(mutex_);
  entries_.clear();
}

HRESULT KX_STDCALL RecordingLogger::QueryInterface(const IID& iid, void** out) {
  return FakeQuerySingle(static_cast<IKxLogger*>(this), IID_IKxLogger, iid, out);
}

ULONG KX_STDCALL RecordingLogger::AddRef() { return ++refs_; }

ULONG KX_STDCALL RecordingLogger::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

uint32_t KX_STDCALL RecordingLogger::GetLevel() { return level_.load(); }

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
