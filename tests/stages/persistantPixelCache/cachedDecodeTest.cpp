// How one decode serves a scene from tile files whose files go bad after
// they were found.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/sceneWriter.h"
#include "helpers/supportTestDir.h"
#include "stages/persistantPixelCache/cacheChain.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"
#include "stages/persistantPixelCache/kxv_cachedDecode.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSide = 16;
constexpr uint32_t kTile = 8;
const Fakes::SyntheticImage kImage{kSide, kSide, 3, nullptr};

// A sink that, at the first line equal to `trigger`, runs `action` once.
class TriggeredSink final : public IKxLogSink {
 public:
  TriggeredSink(std::string trigger, std::function<void()> action)
      : trigger_(std::move(trigger)), action_(std::move(action)) {}
  void KX_STDCALL SinkSlot0() override {}
  void KX_STDCALL SinkSlot1() override {}
  uint32_t KX_STDCALL GetLevel() override { return 7; }
  HRESULT KX_STDCALL Write(uint32_t, const char* text) override {
    if (action_ && trigger_ == text) std::exchange(action_, nullptr)();
    return S_OK;
  }
  bool fired() const { return !action_; }

 private:
  std::string trigger_;
  std::function<void()> action_;
};

// The whole image, decoded through tiles of `dir`.
OwnedDecodeBuffer DecodeWholeImage(const std::string& dir, IKxLogSink* sink) {
  KxvCacheSettings settings;
  settings.directory = PathString((dir + "/").c_str());
  settings.tileWidth = settings.tileHeight = kTile;
  KxvTileFiles files;
  KxvCachedDecode decode(settings, files, sink, KxvTileGeometry{kTile, kTile, kSide, kSide},
                         [](DecodeBuffer* buffer) { return Fakes::WriteSyntheticScene(buffer, kImage, nullptr); });
  OwnedDecodeBuffer destination(Fakes::MakeScene(0, 0, kSide, kSide), BufferLayout::Interleaved(3, KX_TYPE_U8));
  const Scene& scene = destination.record().scene;
  EXPECT_EQ(decode.decodeAllTiles(*destination.get(), computeTileRange(kTile, kTile, scene, false, kSide, kSide)),
            S_OK);
  return destination;
}

// Tiles found on disk that are no tile when read (replaced after the survey
// by anything else) are decoded again: the caller gets the image's pixels,
// never the file's bytes, and the read neither follows a link nor waits on
// a FIFO.
TEST(CachedDecode, TilesThatFailTheirReadAreDecodedAgain) {
  SupportTestDir dir;
  OwnedDecodeBuffer expected(Fakes::MakeScene(0, 0, kSide, kSide), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(Fakes::WriteSyntheticScene(expected.get(), kImage, nullptr), S_OK);
  const Bytes image(expected.bytes(), expected.bytes() + expected.byteSize());
  for (const auto& [kind, plant] : ForeignFiles(kTile * kTile * 3, dir / "outside.raw")) {
    SCOPED_TRACE(kind);
    const std::string cache = dir / kind;
    DecodeWholeImage(cache, nullptr);
    // Once the survey has found the tiles, every tile file is replaced.
    TriggeredSink sink("KxvPersistantPixelCache: cache hit", [&] {
      for (const std::string& tile : FilesBelow(cache)) {
        if (tile.size() < 4 || tile.substr(tile.size() - 4) != ".raw") continue;
        std::filesystem::remove(cache + "/" + tile);
        plant(cache + "/" + tile);
      }
    });
    const OwnedDecodeBuffer again = DecodeWholeImage(cache, &sink);
    EXPECT_TRUE(sink.fired());
    EXPECT_EQ(Bytes(again.bytes(), again.bytes() + again.byteSize()), image);
  }
}

}  // namespace
}  // namespace Kelvane
