// A persistent pixel cache stage as the class table creates it, over a fake
// upstream source, with a recording logger, caching into a directory of the
// test's own; and what the tests read back from that directory.
#ifndef KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H
#define KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"
#include "stages/kxv_persistantPixelCache.h"

namespace Kelvane {

// Every regular file below a directory, by path relative to it.
inline std::vector<std::string> FilesBelow(const std::string& directory) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), directory).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Runs `body` in a forked child process (whose limits and signals the body
// may change freely) and gives whether it returned true there.
inline bool SucceedsInChildProcess(const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = -1;
  if (child < 0 || waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class CacheChain {
 public:
  CacheChain(const Fakes::FakeUpstreamConfig& config, const std::string& directory, uint32_t logLevel = 7)
      : source_(Fakes::FakeUpstream::Create(config)), logger_(Fakes::RecordingLogger::Create(logLevel)) {
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<KxvPersistantPixelCache>(nullptr, &object), S_OK);
    stage_ = static_cast<KxvPersistantPixelCache*>(object);
    EXPECT_EQ(imp()->SetContainedImp(source_), S_OK);
    stage_->SetLogger(logger_);
    if (!directory.empty()) {
      EXPECT_EQ(settings()->SetCacheDirectory(directory.c_str()), S_OK);
    }
  }
  ~CacheChain() {
    imp()->Release();
    source_->Release();
    logger_->Release();
  }
  CacheChain(const CacheChain&) = delete;
  CacheChain& operator=(const CacheChain&) = delete;

  IKxContentImp* imp() const { return stage_; }
  IKxPersistantPixelCache2* settings() const { return stage_; }
  Fakes::FakeUpstream* source() const { return source_; }
  Fakes::RecordingLogger* logger() const { return logger_; }

  HRESULT Decode(Fakes::OwnedDecodeBuffer& buffer) const {
    return imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr);
  }

  // A buffer for `scene` in the source's own layout.
  Fakes::OwnedDecodeBuffer Buffer(const Scene& scene) const {
    Fakes::BufferLayout layout = Fakes::BufferLayout::Interleaved(source_->config().numBands, source_->config().type);
    layout.colorSpace = source_->config().colorSpace;
    return Fakes::OwnedDecodeBuffer(scene, layout);
  }

  // The last statistics line of decodeAllTiles, without its fixed start.
  std::string Statistics() const {
    static const std::string kStart = "KxvPersistantPixelCache::decodeAllTiles: ";
    std::string last;
    for (const auto& entry : logger_->entries()) {
      if (entry.second.rfind(kStart, 0) == 0) last = entry.second.substr(kStart.size());
    }
    return last;
  }

 private:
  KxvPersistantPixelCache* stage_ = nullptr;
  Fakes::FakeUpstream* source_;
  Fakes::RecordingLogger* logger_;
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H
