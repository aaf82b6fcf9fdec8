// A persistent pixel cache stage as the class table creates it, over a fake
// upstream source, with a recording logger, caching into a directory of the
// test's own; and what the tests read back from that directory.
#ifndef KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H
#define KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"
#include "helpers/childProcess.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"

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

// An 8-bit RGB source of the given size.
inline Fakes::FakeUpstreamConfig Image(uint32_t width, uint32_t height) {
  Fakes::FakeUpstreamConfig config;
  config.width = width;
  config.height = height;
  return config;
}

// An empty directory leaves the cache switched off.
class CacheChain {
 public:
  CacheChain(const Fakes::FakeUpstreamConfig& config, const std::string& directory, uint32_t logLevel = 7)
      : source_(Fakes::FakeUpstream::Create(config)), logger_(Fakes::RecordingLogger::Create(logLevel)) {
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<KxvPersistantPixelCache>(nullptr, &object), S_OK);
    stage_ = static_cast<KxvPersistantPixelCache*>(object);
    EXPECT_EQ(imp()->SetContainedImp(source_), S_OK);
    stage_->SetLogger(logger_);
    EXPECT_EQ(settings()->SetCacheDirectory(directory.c_str()), S_OK);
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

  // A buffer for `scene` in the source's own layout.
  Fakes::OwnedDecodeBuffer Buffer(const Scene& scene) const {
    return Fakes::OwnedDecodeBuffer(
        scene, Fakes::BufferLayout::Interleaved(source_->config().numBands, source_->config().type));
  }

  // Empty when decoding into `buffer` succeeds with exactly the source's own
  // pixels and writes nothing past the buffer; otherwise what went wrong.
  std::string DecodeMismatch(Fakes::OwnedDecodeBuffer& buffer) const {
    const HRESULT status = imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr);
    if (status != S_OK) return "decode status " + std::to_string(status);
    if (!buffer.guardIntact()) return "written past the buffer";
    return source_->FirstMismatch(buffer.record());
  }
  std::string DecodeMismatch(const Scene& scene) const {
    Fakes::OwnedDecodeBuffer buffer = Buffer(scene);
    return DecodeMismatch(buffer);
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
