// A persistent pixel cache stage as the class table creates it, over a fake
// upstream source, with a recording logger, caching into a directory of the
// test's own; what the tests read back from that directory, and what they
// plant in it.
#ifndef KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H
#define KELVANE_TESTS_STAGES_PERSISTANT_PIXEL_CACHE_CHAIN_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/recordingLogger.h"
#include "helpers/childProcess.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"
#include "stages/stageOverFakeUpstream.h"

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

// The file of an 8-bit RGB tile at magnification 1, relative to the cache directory.
inline std::string TileFile(int row, int column, int width, int height) {
  const std::string r = std::to_string(row);
  return "-0.000000/" + r + "/r" + r + ".c" + std::to_string(column) + ".w" + std::to_string(width) + ".h" +
         std::to_string(height) + ".c1.bps8.smp0.bip.raw";
}

// What a test plants at a tile's name instead of a tile of `tileBytes`
// bytes: files a byte shorter and longer, a link to `outside` (made a file
// of the tile's length), a directory, a FIFO.
struct ForeignFile {
  const char* kind;
  std::function<void(const std::string& at)> plant;
};
inline std::vector<ForeignFile> ForeignFiles(size_t tileBytes, const std::string& outside) {
  std::ofstream(outside, std::ios::binary) << std::string(tileBytes, '\xEE');
  const auto file = [](size_t bytes) {
    return [bytes](const std::string& at) { std::ofstream(at, std::ios::binary) << std::string(bytes, 'x'); };
  };
  return {{"shorter file", file(tileBytes - 1)},
          {"longer file", file(tileBytes + 1)},
          {"link to a file of the tile's length",
           [outside](const std::string& at) { std::filesystem::create_symlink(outside, at); }},
          {"directory", [](const std::string& at) { std::filesystem::create_directory(at); }},
          {"FIFO", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }}};
}

// An empty directory leaves the cache switched off; a tile width of 0
// keeps the stage's own tile size.
class CacheChain {
 public:
  CacheChain(const Fakes::FakeUpstreamConfig& config, const std::string& directory, uint32_t tileWidth = 0,
             uint32_t tileHeight = 0, uint32_t logLevel = 7)
      : source_(Fakes::FakeUpstream::Create(config)), logger_(Fakes::RecordingLogger::Create(logLevel)) {
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<KxvPersistantPixelCache>(nullptr, &object), S_OK);
    stage_ = static_cast<KxvPersistantPixelCache*>(object);
    EXPECT_EQ(imp()->SetContainedImp(source_), S_OK);
    stage_->SetLogger(logger_);
    EXPECT_EQ(settings()->SetCacheDirectory(directory.c_str()), S_OK);
    if (tileWidth != 0) {
      EXPECT_EQ(settings()->SetTileSize(tileWidth, tileHeight), S_OK);
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
