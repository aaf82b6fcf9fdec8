// RecordingLogger: a host logger that keeps every line the module writes to
// its log sink, with the level it was written at. It records whatever it is
// sent, whatever its own level, so tests can also prove that the module
// consults GetLevel before writing. Reference-counted and thread-safe.
#ifndef KELVANE_FAKES_RECORDING_LOGGER_H
#define KELVANE_FAKES_RECORDING_LOGGER_H

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

class RecordingLogger final : public KxHostLoggerBase {
 public:
  // A new logger reporting `level`, holding one reference (the caller's).
  static RecordingLogger* Create(uint32_t level);
  // RecordingLogger objects alive in the process (to prove none leaks).
  static int LiveCount();

  void setLevel(uint32_t level) { level_ = level; }
  std::vector<std::pair<uint32_t, std::string>> entries() const;
  // A line equal to `text` was written at `level`.
  bool contains(uint32_t level, const std::string& text) const;
  // A line containing `fragment` was written at `level`.
  bool containsFragment(uint32_t level, const std::string& fragment) const;
  void clear();
  ULONG refCount() const { return refs_.load(); }

  // IUnknown: answers IID_IUnknown and IID_IKxLogger with the logger interface.
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  ULONG KX_STDCALL AddRef() override;
  ULONG KX_STDCALL Release() override;
  // Log sink (slots 2 and 3 behind the logger interface).
  uint32_t KX_STDCALL GetLevel() override;
  HRESULT KX_STDCALL Write(uint32_t level, const char* text) override;

 private:
  explicit RecordingLogger(uint32_t level);
  ~RecordingLogger();

  std::atomic<ULONG> refs_{1};
  std::atomic<uint32_t> level_;
  mutable std::mutex mutex_;  // guards entries_
  std::vector<std::pair<uint32_t, std::string>> entries_;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_RECORDING_LOGGER_H
