// Tile file names, and the byte content of tile files written from any layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/recordingLogger.h"
#include "fakes/sceneWriter.h"
#include "stages/kxv_persistantPixelCacheTileFile.h"
#include "stages/kxv_persistantPixelCacheTileName.h"
#include "stages/persistantPixelCacheChain.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A tile buffer holding the synthetic image over its scene.
OwnedDecodeBuffer Tile(const Scene& scene, const BufferLayout& layout) {
  OwnedDecodeBuffer tile(scene, layout);
  Fakes::WriteSyntheticScene(tile.get(), Fakes::SyntheticImage{64, 64, layout.spp, nullptr}, nullptr);
  return tile;
}

// The bytes of a tile file holding Tile(scene, layout).
Bytes TileFileImage(const Scene& scene, uint32_t spp, uint32_t type) {
  const OwnedDecodeBuffer packed = Tile(scene, BufferLayout::Interleaved(spp, type));
  return Bytes(packed.bytes(), packed.bytes() + packed.byteSize());
}

const Scene kTileScene = Fakes::MakeScene(0, 0, 20, 10);

class TileFiles : public ::testing::Test {
 protected:
  ~TileFiles() override { logger_->Release(); }

  IKxLogSink* sink() { return KxLogSinkOf(logger_); }
  PathString Path(const std::string& relative) { return PathString((dir_ / relative).c_str()); }
  HRESULT Write(const std::string& relative, const DecodeBuffer& record, bool* written) {
    return files_.writeTileFile(Path(relative), record, written, sink());
  }

  SupportTestDir dir_;
  Fakes::RecordingLogger* logger_ = Fakes::RecordingLogger::Create(40);
  KxvTileFiles files_;
};

TEST(TileNames, LevelDirectoryRowDirectoryAndFileName) {
  EXPECT_EQ(tileLevelText(1.0), "-0.000000");
  EXPECT_EQ(tileLevelText(0.5), "1.000000");
  EXPECT_EQ(tileLevelText(0.25), "2.000000");
  EXPECT_EQ(tileLevelText(2.0), "-1.000000");

  DecodeBuffer record =
      Fakes::MakeDecodeRecord(Fakes::MakeScene(512, 512, 488.9, 188, 1.0), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_STREQ(makeTileFileName(PathString("/cache/"), record, 1, 1).utf8(),
               "/cache/-0.000000/1/r1.c1.w488.h188.c1.bps8.smp0.bip.raw");
  record.scene.mag = 0.5;
  record.format.type = KX_TYPE_U16;
  record.format.bps = 12;
  record.format.colorSpace = KX_CS_GREY;
  EXPECT_STREQ(makeTileFileName(PathString("/cache"), record, 0, 3).utf8(),
               "/cache/1.000000/0/r0.c3.w488.h188.c4.bps12.smp2.bip.raw");
}

// Whatever the caller's layout, a tile file holds the samples packed and in
// band order, and reads back as such.
TEST_F(TileFiles, EveryLayoutIsStoredPackedInBandOrderAndReadsBack) {
  BufferLayout padded = BufferLayout::Interleaved(3, KX_TYPE_U16);
  padded.align = 16;
  padded.rowPadding = 6;
  BufferLayout scattered = BufferLayout::Interleaved(3, KX_TYPE_U16);
  scattered.stride = 4;
  scattered.slots = {2, 0, 1};
  const Bytes expected = TileFileImage(kTileScene, 3, KX_TYPE_U16);
  int files = 0;
  for (const BufferLayout& layout :
       {BufferLayout::Interleaved(3, KX_TYPE_U16), padded, scattered, BufferLayout::BandSequential(3, KX_TYPE_U16)}) {
    const std::string name = "0/t" + std::to_string(files++) + ".raw";
    bool written = false;
    ASSERT_EQ(Write(name, Tile(kTileScene, layout).record(), &written), S_OK);
    EXPECT_TRUE(written);
    EXPECT_EQ(FileBytes(dir_ / name), expected) << name;
  }
  EXPECT_TRUE(logger_->contains(7, "writing out tile in a single piece"));
  EXPECT_TRUE(logger_->contains(7, "writing out tile in a line by line"));
  EXPECT_TRUE(logger_->contains(40, "ofile.close() (file: kxv_persistantPixelCache line: 961)"));

  OwnedDecodeBuffer back(kTileScene, BufferLayout::Interleaved(3, KX_TYPE_U16));
  ASSERT_EQ(files_.readTileFile(Path("0/t1.raw"), *back.get(), sink()), S_OK);
  EXPECT_EQ(Bytes(back.bytes(), back.bytes() + back.byteSize()), expected);
  EXPECT_TRUE(logger_->contains(40, "ifile.close() (file: kxv_persistantPixelCache line: 848)"));
  EXPECT_EQ(FilesBelow(dir_.path()).size(), 4u) << "no temporary file stays behind";
}

}  // namespace
}  // namespace Kelvane
