// How one decode serves a scene from tile files whose files go bad after
// they were found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/sceneWriter.h"
#include "stages/persistantPixelCache/kxv_cachedDecode.h"
#include "stages/persistantPixelCache/kxv_tileRange.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSide = 16;
constexpr uint32_t kTile = 8;
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

// Tiles found on disk that turn out longer than a tile when read (replaced
// after the survey) are decoded again: the caller gets the image's pixels,
// never the file's bytes.
TEST(CachedDecode, TilesThatFailTheirReadAreDecodedAgain) {
  SupportTestDir dir;
  const Scene scene = Fakes::MakeScene(0, 0, kSide, kSide);
  OwnedDecodeBuffer expected(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(Fakes::WriteSyntheticScene(expected.get(), kImage, nullptr), S_OK);
  OwnedDecodeBuffer first(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(DecodeWholeImage(dir.path(), nullptr, first), S_OK);

  // Once the survey has found the tiles, every tile file grows by a byte of garbage.
  TriggeredSink sink("KxvPersistantPixelCache: cache hit", [&] {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (entry.path().extension() != ".raw") continue;
      std::ofstream(entry.path(), std::ios::binary) << std::string(kTile * kTile * 3 + 1, '\x77');
    }
  });
  OwnedDecodeBuffer again(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(DecodeWholeImage(dir.path(), &sink, again), S_OK);
  EXPECT_TRUE(sink.saw("is longer than its 192 bytes"));
  EXPECT_TRUE(sink.saw("will be recovered"));
  EXPECT_EQ(Bytes(again.bytes(), again.bytes() + again.byteSize()),
            Bytes(expected.bytes(), expected.bytes() + expected.byteSize()));
}

}  // namespace
}  // namespace Kelvane
