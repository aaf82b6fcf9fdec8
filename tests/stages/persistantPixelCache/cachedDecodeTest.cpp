// How one decode serves a scene from tile files whose files go bad after
// they were found.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/sceneWriter.h"
#include "helpers/supportTestDir.h"
#include "stages/persistantPixelCache/kxv_cachedDecode.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSide = 16;
constexpr uint32_t kTile = 8;
constexpr uint32_t kTileBytes = kTile * kTile * 3;
const Fakes::SyntheticImage kImage{kSide, kSide, 3, nullptr};

// A sink that records every line and, at the first line equal to `trigger`,
// runs `action` once.
class TriggeredSink final : public IKxLogSink {
 public:
  TriggeredSink(std::string trigger, std::function<void()> action)
      : trigger_(std::move(trigger)), action_(std::move(action)) {}
  void KX_STDCALL SinkSlot0() override {}
  void KX_STDCALL SinkSlot1() override {}
  uint32_t KX_STDCALL GetLevel() override { return 7; }
  HRESULT KX_STDCALL Write(uint32_t, const char* text) override {
    lines.emplace_back(text);
    if (action_ && trigger_ == text) std::exchange(action_, nullptr)();
    return S_OK;
  }
  bool saw(const std::string& fragment) const {
    for (const std::string& line : lines) {
      if (line.find(fragment) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<std::string> lines;

 private:
  std::string trigger_;
  std::function<void()> action_;
};

// The whole image, decoded through tiles of `dir` into `destination`.
HRESULT DecodeWholeImage(const std::string& dir, IKxLogSink* sink, OwnedDecodeBuffer& destination) {
  KxvCacheSettings settings;
  settings.directory = PathString((dir + "/").c_str());
  settings.tileWidth = settings.tileHeight = kTile;
  KxvTileFiles files;
  KxvCachedDecode decode(settings, files, sink, KxvTileGeometry{kTile, kTile, kSide, kSide},
                         [](DecodeBuffer* buffer) { return Fakes::WriteSyntheticScene(buffer, kImage, nullptr); });
  const Scene& scene = destination.record().scene;
  return decode.decodeAllTiles(*destination.get(), computeTileRange(kTile, kTile, scene, false, kSide, kSide));
}

// Tiles found on disk that are no tile when read (replaced after the survey
// by a longer or shorter file, a link to a file of the tile's length, or a
// FIFO) are decoded again: the caller gets the image's pixels, never the
// file's bytes, and the read neither follows the link nor waits on the FIFO.
TEST(CachedDecode, TilesThatFailTheirReadAreDecodedAgain) {
  SupportTestDir dir;
  const std::string outside = dir / "outside.raw";
  std::ofstream(outside, std::ios::binary) << std::string(kTileBytes, '\x77');
  const std::pair<const char*, std::function<void(const std::string&)>> plants[] = {
      {"longer",
       [](const std::string& at) { std::ofstream(at, std::ios::binary) << std::string(kTileBytes + 1, 'l'); }},
      {"shorter",
       [](const std::string& at) { std::ofstream(at, std::ios::binary) << std::string(kTileBytes - 1, 's'); }},
      {"link", [&](const std::string& at) { std::filesystem::create_symlink(outside, at); }},
      {"fifo", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
  };
  const Scene scene = Fakes::MakeScene(0, 0, kSide, kSide);
  OwnedDecodeBuffer expected(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(Fakes::WriteSyntheticScene(expected.get(), kImage, nullptr), S_OK);
  for (const auto& [kind, plant] : plants) {
    SCOPED_TRACE(kind);
    const std::string cache = dir / kind;
    OwnedDecodeBuffer first(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(DecodeWholeImage(cache, nullptr, first), S_OK);
    // Once the survey has found the tiles, every tile file is replaced.
    TriggeredSink sink("KxvPersistantPixelCache: cache hit", [&] {
      std::vector<std::string> tiles;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(cache)) {
        if (entry.path().extension() == ".raw") tiles.push_back(entry.path().string());
      }
      for (const std::string& tile : tiles) {
        std::filesystem::remove(tile);
        plant(tile);
      }
    });
    OwnedDecodeBuffer again(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(DecodeWholeImage(cache, &sink, again), S_OK);
    EXPECT_TRUE(sink.saw("will be recovered"));
    EXPECT_EQ(Bytes(again.bytes(), again.bytes() + again.byteSize()),
              Bytes(expected.bytes(), expected.bytes() + expected.byteSize()));
  }
}

}  // namespace
}  // namespace Kelvane
