// RecordingLogger: a host logger that keeps every line the module writes to
// its log sink with its level, whatever its own level, so tests can also prove
// that the module consults GetLevel before writing. Thread-safe.
#ifndef KELVANE_FAKES_RECORDING_LOGGER_H
#define KELVANE_FAKES_RECORDING_LOGGER_H

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fakeComSupport.h"

namespace Kelvane::Fakes {

class RecordingLogger final : public KxHostObject<RecordingLogger, KxHostLoggerBase> {
 public:
  // A new logger reporting `level`, holding one reference (the caller's).
  static RecordingLogger* Create(uint32_t level) { return new (std::nothrow) RecordingLogger(level); }

  void setLevel(uint32_t level) { level_ = level; }
  std::vector<std::pair<uint32_t, std::string>> entries() const { return LockedCopy(mutex_, entries_); }
  // A line equal to `text` was written at `level`.
  bool contains(uint32_t level, const std::string& text) const { return find(level, text, true); }
  // A line containing `fragment` was written at `level`.
  bool containsFragment(uint32_t level, const std::string& fragment) const { return find(level, fragment, false); }
  void clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.clear();
  }

  // IUnknown: answers IID_IUnknown and IID_IKxLogger with the logger interface.
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  // Log sink (slots 2 and 3 behind the logger interface).
  uint32_t KX_STDCALL GetLevel() override { return level_.load(); }
  HRESULT KX_STDCALL Write(uint32_t level, const char* text) override;

 private:
  explicit RecordingLogger(uint32_t level) : level_(level) {}
  bool find(uint32_t level, const std::string& text, bool whole) const;

  std::atomic<uint32_t> level_;
  mutable std::mutex mutex_;  // guards entries_
  std::vector<std::pair<uint32_t, std::string>> entries_;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_RECORDING_LOGGER_H
