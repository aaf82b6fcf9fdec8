// Pixel replacement, on buffers a host hands over and on every decode.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "stages/pixelReplacer/kxv_pixelReplace.h"
#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"
#include "stages/stageOverFakeUpstream.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const OwnedDecodeBuffer& buffer) { return Bytes(buffer.bytes(), buffer.bytes() + buffer.byteSize()); }

TEST(PixelReplaceKernel, FixedSizePathsMatchThePlainPathByteForByte) {
  // Pixel sizes with and without a fast path, packed and with gaps between pixels and rows.
  std::mt19937 random(7);
  for (uint32_t pixelBytes = 1; pixelBytes <= 9; ++pixelBytes) {
    for (const uint32_t gap : {0u, 3u}) {
      BufferLayout layout = BufferLayout::Interleaved(pixelBytes, KX_TYPE_U8);
      layout.stride = pixelBytes + gap;
      layout.rowPadding = gap;
      OwnedDecodeBuffer fast(MakeScene(0, 0, 37, 5), layout);
      // Runs of key pixels between runs of others, some of whose bytes are the key's.
      const Bytes key(pixelBytes, 0x5A), replacement(pixelBytes, 0xC3);
      bool atKey = false;
      Fakes::ForEachSample(fast.record().scene, 1, [&](uint32_t x, uint32_t y, uint32_t) {
        if (random() % 6 == 0) atKey = !atKey;
        for (uint32_t b = 0; b < pixelBytes; ++b) fast.setSample(x, y, b, atKey || random() % 20 == 0 ? 0x5A : 0x5B);
        return true;
      });
      OwnedDecodeBuffer plain(MakeScene(0, 0, 37, 5), layout);
      std::copy(fast.bytes(), fast.bytes() + fast.byteSize(), plain.bytes());
      for (const uint8_t* from : {key.data(), static_cast<const uint8_t*>(nullptr)}) {
        replacePixelRows(*pixelRowsOf(fast.record()), from, replacement.data(), true);
        replacePixelRows(*pixelRowsOf(plain.record()), from, replacement.data(), false);
        EXPECT_EQ(BytesOf(fast), BytesOf(plain)) << pixelBytes << " bytes, gap " << gap;
      }
    }
  }
}

TEST(PixelReplace, BuffersWhosePixelsCannotAllBeReachedAreRefusedUntouched) {
  const uint8_t to[3] = {255, 255, 255};
  const std::pair<const char*, void (*)(DecodeBuffer&)> cases[] = {
      {"band-sequential", [](DecodeBuffer& b) { b.format.order = KX_ORDER_BAND_SEQUENTIAL; }},
      {"no pixel memory", [](DecodeBuffer& b) { b.pBits = nullptr; }},
      {"rows shorter than their pixels", [](DecodeBuffer& b) { b.format.rowbytes -= 1; }},
      {"pixels overlapping the next", [](DecodeBuffer& b) { b.format.stride = 2; }},
      {"a width that is not a number", [](DecodeBuffer& b) { b.scene.width = std::nan(""); }},
      {"a row wider than any pitch", [](DecodeBuffer& b) { b.scene.width = 2e9; }},
  };
  for (const auto& [name, spoil] : cases) {
    OwnedDecodeBuffer buffer(MakeScene(0, 0, 6, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
    const Bytes before = BytesOf(buffer);
    DecodeBuffer record = buffer.record();
    spoil(record);
    EXPECT_EQ(replacePixels(&record, nullptr, to), E_INVALIDARG) << name;
    EXPECT_EQ(BytesOf(buffer), before) << name;
    EXPECT_TRUE(buffer.guardIntact()) << name;
  }
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 6, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(replacePixels(nullptr, nullptr, to), E_INVALIDARG);
  EXPECT_EQ(replacePixels(buffer.get(), to, nullptr), E_INVALIDARG);
  // A buffer without rows has nothing to replace, with or without memory.
  DecodeBuffer empty = buffer.record();
  empty.scene.height = 0.0;
  empty.pBits = nullptr;
  EXPECT_EQ(replacePixels(&empty, nullptr, to), S_OK);
}

class PixelReplacerDecode : public StageOverFakeUpstream<KxvPixelReplacerImp> {
 protected:
  void SetUp() override {
    StageOverFakeUpstream::SetUp();
    Chain();
  }
  HRESULT SetReplacement(uint32_t spp, uint32_t bps, const Bytes& from, const Bytes& to) {
    BufferFormat format{};
    format.spp = spp;
    format.bps = bps;
    return stage_->SetReplacement(&format, from.data(), to.data());
  }
};

TEST_F(PixelReplacerDecode, StoredPixelOfAnotherSizeIsRefusedBeforeTheUpstreamDecodes) {
  // Without a replacement the upstream decodes and the missing one is reported.
  OwnedDecodeBuffer grey16(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(1, KX_TYPE_U16));
  EXPECT_EQ(DecodeInto(grey16), E_INVALIDARG);
  EXPECT_EQ(source_->decodeCount(), 1u);

  // 12 bits in one sample store two bytes: 16-bit grey buffers fit, 8-bit ones do not.
  ASSERT_EQ(SetReplacement(1, 12, {0, 0}, {0xFF, 0x0F}), S_OK);
  OwnedDecodeBuffer grey8(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(1, KX_TYPE_U8));
  EXPECT_EQ(DecodeInto(grey8), E_INVALIDARG);
  EXPECT_EQ(stage_->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
  EXPECT_EQ(stage_->GetRasterProps(nullptr), E_INVALIDARG);
  EXPECT_EQ(source_->decodeCount(), 1u);
  EXPECT_EQ(DecodeInto(grey16), S_OK);

  // Refused settings leave the stored pixel as it was.
  const Bytes pixel{1, 2, 3};
  BufferFormat format{};
  format.spp = 3;
  format.bps = 8;
  EXPECT_EQ(stage_->SetReplacement(nullptr, pixel.data(), pixel.data()), E_INVALIDARG);
  EXPECT_EQ(stage_->SetReplacement(&format, nullptr, pixel.data()), E_INVALIDARG);
  EXPECT_EQ(stage_->SetReplacement(&format, pixel.data(), nullptr), E_INVALIDARG);
  EXPECT_EQ(SetReplacement(0, 8, pixel, pixel), E_INVALIDARG);
  EXPECT_EQ(DecodeInto(grey16), S_OK);

  // An upstream failure comes back as it is.
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(DecodeInto(grey16), KX_E_NO_PIXEL_MEMORY);
}

using PixelReplacerConcurrency = PixelReplacerDecode;

TEST_F(PixelReplacerConcurrency, ReplacementChangedDuringDecodesIsNeverHalfApplied) {
  // Black outside the image becomes one of two colours while another thread
  // switches between them: every replaced pixel is wholly one of the two.
  ASSERT_EQ(SetReplacement(3, 8, {0, 0, 0}, {10, 20, 30}), S_OK);
  std::atomic<int> torn{0};
  DecodeWhileChanging(
      2,
      [&](int) {
        for (int i = 0; i < 60; ++i) {
          OwnedDecodeBuffer buffer(MakeScene(-6, -2, 16, 8), BufferLayout::Interleaved(3, KX_TYPE_U8));
          if (DecodeInto(buffer) != S_OK) ++torn;
          const uint32_t first = buffer.sample(0, 0, 0);
          for (uint32_t x = 0; x < 6; ++x) {
            const uint32_t r = buffer.sample(x, 0, 0), g = buffer.sample(x, 0, 1), b = buffer.sample(x, 0, 2);
            const bool whole = (r == 10 && g == 20 && b == 30) || (r == 40 && g == 50 && b == 60);
            if (!whole || r != first) ++torn;
          }
        }
      },
      [&](int i) {
        SetReplacement(3, 8, {0, 0, 0}, i % 2 != 0 ? Bytes{10, 20, 30} : Bytes{40, 50, 60});
      });
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace Kelvane
