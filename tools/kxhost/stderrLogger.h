// The host's logger: hands the module's log lines to standard error.
#ifndef KXHOST_STDERR_LOGGER_H
#define KXHOST_STDERR_LOGGER_H

#include <atomic>
#include <cstdint>
#include <mutex>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Reference-counted logger laid out as the module expects (logger interface
// first, log sink directly behind it). Lines at or below the current level are
// written to stderr, one per call, under a process-wide lock so that lines
// from concurrent decodes and the progress bar never interleave mid-line.
class StderrLogger final : public KxHostObject<StderrLogger, KxHostLoggerBase> {
 public:
  // Levels: 2 errors, 3 failures, 4 warnings, 6 summaries, 7 detail, 40 traces.
  static constexpr uint32_t kDefaultLevel = 4;
  static constexpr uint32_t kVerboseLevel = 7;
  static constexpr uint32_t kTraceLevel = 40;

  // The new logger carries one reference, owned by the caller.
  static StderrLogger* create(uint32_t level);

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  uint32_t KX_STDCALL GetLevel() override;
  HRESULT KX_STDCALL Write(uint32_t level, const char* text) override;

  void setLevel(uint32_t level) { level_.store(level); }

  // The lock every writer of stderr lines takes (logger and progress bar).
  static std::mutex& outputLock();

 private:
  friend class KxHostObject<StderrLogger, KxHostLoggerBase>;
  explicit StderrLogger(uint32_t level) : level_(level) {}
  ~StderrLogger() = default;

  std::atomic<uint32_t> level_;
};

}  // namespace kxhost

#endif  // KXHOST_STDERR_LOGGER_H
