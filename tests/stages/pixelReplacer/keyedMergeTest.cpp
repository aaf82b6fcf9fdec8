// Keyed merges of three buffers: which pixel wins, what is refused, and the
// fixed-band-count kernels against the general one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "helpers/simdTargetSupport.h"
#include "stages/pixelReplacer/kxv_keyedMerge.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Pixels = std::vector<std::vector<uint32_t>>;  // sample bit patterns, pixel by pixel along one row

// A one-row buffer holding `pixels`.
OwnedDecodeBuffer Row(const Pixels& pixels, uint32_t type = KX_TYPE_U8, BufferLayout layout = BufferLayout()) {
  layout.spp = static_cast<uint32_t>(pixels[0].size());
  layout.type = type;
  OwnedDecodeBuffer buffer(MakeScene(0, 0, static_cast<double>(pixels.size()), 1), layout);
  for (uint32_t x = 0; x < pixels.size(); ++x) {
    for (uint32_t s = 0; s < layout.spp; ++s) buffer.setSample(x, 0, s, pixels[x][s]);
  }
  return buffer;
}

Pixels PixelsOf(const OwnedDecodeBuffer& buffer) {
  Pixels pixels(Fakes::ColumnsOf(buffer.record().scene), std::vector<uint32_t>(buffer.record().format.spp));
  for (uint32_t x = 0; x < pixels.size(); ++x) {
    for (uint32_t s = 0; s < pixels[x].size(); ++s) pixels[x][s] = buffer.sample(x, 0, s);
  }
  return pixels;
}

// Three-band pixels with one value in every band.
Pixels Grey(const std::vector<uint32_t>& values) {
  Pixels pixels;
  for (const uint32_t value : values) pixels.push_back({value, value, value});
  return pixels;
}

TEST(KeyedMerge, ToleranceGrowsAsTheMagnificationsShrink) {
  EXPECT_EQ(mergeTolerance(3, 1.0, 1.0, 4.0), 13);
  EXPECT_EQ(mergeTolerance(3, 1.0 / 16, 1.0 / 16, 4.0), 35);  // t about 2.87
  EXPECT_EQ(mergeTolerance(1, 1e-300, 1e-300, 4.0), 17);      // t levels off at 4
  EXPECT_EQ(mergeTolerance(3, 0.0, 0.0, 4.0), 49);            // t is exactly 4 at 0
  EXPECT_EQ(mergeTolerance(3, 1.0, 0.0, 4.0), 49);
  for (const double mag : {-1.0, -1e-300, std::nan(""), HUGE_VAL})
    EXPECT_EQ(mergeTolerance(3, 1.0, mag, 4.0), std::nullopt);
}

// Each case with all buffers packed, all in planes of reversed band order,
// and with the source packed and the others in planes.
TEST(KeyedMerge, EachPixelTakesWhatItsKeyTestDecides) {
  const struct {
    const char* name;
    uint32_t operation, type;
    std::vector<uint32_t> key;  // none: the source is copied
    Pixels source, replacement, expected;
  } cases[] = {
      // Three bands at magnification 1 reach 13: near the key in the source and far in the replacement.
      {"tolerant", KX_MERGE_KEY_TOLERANT, KX_TYPE_U8, {0, 0, 0}, Grey({4, 5, 4}), Grey({10, 10, 2}), Grey({10, 5, 4})},
      // Signed samples differ as signed numbers: -1 and 1 lie 2 apart, not 254.
      {"tolerant signed", KX_MERGE_KEY_TOLERANT, KX_TYPE_S8, {0xFF, 0xFF, 0xFF}, Grey({1}), Grey({20}), Grey({20})},
      {"exact 16-bit",
       KX_MERGE_KEY_EXACT,
       KX_TYPE_U16,
       {0xFFFF, 0, 0xFFFF},
       {{0xFFFF, 0, 0xFFFF}, {0xFFFF, 1, 0xFFFF}},
       {{7, 8, 9}, {7, 8, 9}},
       {{7, 8, 9}, {0xFFFF, 1, 0xFFFF}}},
      {"no key", KX_MERGE_KEY_TOLERANT, KX_TYPE_U16, {}, {{1, 2, 3}, {4, 5, 6}}, Grey({7, 7}), {{1, 2, 3}, {4, 5, 6}}},
      // Operations without a meaning write nothing and succeed.
      {"no operation", 5, KX_TYPE_U8, {0, 0, 0}, Grey({0}), {{1, 2, 3}}, Grey({0xCD})},
  };
  BufferLayout reversedPlanes = BufferLayout::BandSequential(3, KX_TYPE_U8);
  reversedPlanes.slots = {2, 1, 0};
  const std::pair<BufferLayout, BufferLayout> layouts[] = {
      {BufferLayout(), BufferLayout()}, {reversedPlanes, reversedPlanes}, {BufferLayout(), reversedPlanes}};
  for (const auto& [sourceLayout, layout] : layouts) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", orders " << sourceLayout.order << layout.order);
      OwnedDecodeBuffer source = Row(c.source, c.type, sourceLayout), replacement = Row(c.replacement, c.type, layout);
      OwnedDecodeBuffer destination = Row(Grey(std::vector<uint32_t>(c.source.size(), 0xCD)), c.type, layout);
      OwnedDecodeBuffer key = Row({c.key.empty() ? std::vector<uint32_t>(3) : c.key}, c.type);
      const void* keyBytes = c.key.empty() ? nullptr : key.bytes();
      EXPECT_EQ(keyedMerge(destination.get(), source.get(), replacement.get(), keyBytes, c.operation, 4.0), S_OK);
      EXPECT_EQ(PixelsOf(destination), c.expected);
    }
  }
}

TEST(KeyedMerge, MismatchedOrUnreachableBuffersAreRefusedWithNothingWritten) {
  const uint16_t key[3] = {};
  const HRESULT kRefused = KxStatusToResult(KX_STATUS_FAILURE);
  struct Case {
    const char* name;
    uint32_t operation;
    OwnedDecodeBuffer source;
    HRESULT expected;
    void (*spoil)(DecodeBuffer& destination, DecodeBuffer& source);
  };
  const auto none = [](DecodeBuffer&, DecodeBuffer&) {};
  Case cases[] = {
      {"8-bit source, 16-bit destination", KX_MERGE_KEY_EXACT, Row({{1, 2, 3}}, KX_TYPE_U8), E_INVALIDARG, none},
      {"source with fewer bands", KX_MERGE_KEY_EXACT, Row({{1, 2}}, KX_TYPE_U16), E_INVALIDARG, none},
      {"copy of fewer bands", KX_MERGE_COPY_SOURCE, Row({{1, 2}}, KX_TYPE_U16), kRefused, none},
      {"floating-point samples", KX_MERGE_KEY_EXACT, Row({{1, 2, 3}}, KX_TYPE_F32), kRefused,
       [](DecodeBuffer& d, DecodeBuffer&) { d.format.type = KX_TYPE_F32; }},
      {"another width", KX_MERGE_KEY_EXACT, Row({{1, 2, 3}, {4, 5, 6}}, KX_TYPE_U16), E_INVALIDARG, none},
      {"rows shorter than their pixels", KX_MERGE_KEY_EXACT, Row({{1, 2, 3}}, KX_TYPE_U16), E_INVALIDARG,
       [](DecodeBuffer& d, DecodeBuffer&) { d.format.rowbytes = 4; }},
      {"copy from a source without memory", KX_MERGE_COPY_SOURCE, Row({{1, 2, 3}}, KX_TYPE_U16), E_INVALIDARG,
       [](DecodeBuffer&, DecodeBuffer& s) { s.pBits = nullptr; }},
      {"tolerant at a negative magnification", KX_MERGE_KEY_TOLERANT, Row({{1, 2, 3}}, KX_TYPE_U16), E_INVALIDARG,
       [](DecodeBuffer&, DecodeBuffer& s) { s.scene.mag = -1.0; }},
  };
  for (Case& c : cases) {
    OwnedDecodeBuffer destination = Row({{9, 9, 9}}, KX_TYPE_U16);
    DecodeBuffer target = destination.record(), source = c.source.record();
    c.spoil(target, source);
    EXPECT_EQ(keyedMerge(&target, &source, &source, key, c.operation, 4.0), c.expected) << c.name;
    EXPECT_EQ(PixelsOf(destination), Grey({9})) << c.name;
    EXPECT_TRUE(destination.guardIntact()) << c.name;
  }
  OwnedDecodeBuffer buffer = Row({{1, 2, 3}});
  EXPECT_EQ(keyedMerge(nullptr, buffer.get(), buffer.get(), key, KX_MERGE_KEY_EXACT, 4.0), E_INVALIDARG);
}

TEST(KeyedMergeKernel, FastPathsMatchTheGeneralLoopOnEveryLayoutAndAlias) {
  // The tolerant key's screen runs on every instruction set the machine has.
  testing_support::forEachSimdTarget([] {
    std::mt19937 random(11);
    for (const uint32_t type : {KX_TYPE_U8, KX_TYPE_S8, KX_TYPE_U16, KX_TYPE_S16}) {
      for (uint32_t bands = 1; bands <= 5; ++bands) {
        // Packed alike (whole-pixel paths), or interleaved with a gap, band-sequential and reordered.
        BufferLayout gapped = BufferLayout::Interleaved(bands, type);
        gapped.stride = bands + 1;
        BufferLayout reversed = BufferLayout::Interleaved(bands, type);
        for (uint32_t b = 0; b < bands; ++b) reversed.slots.push_back(bands - 1 - b);
        const BufferLayout layouts[4] = {BufferLayout::Interleaved(bands, type), gapped,
                                         BufferLayout::BandSequential(bands, type), reversed};
        for (const bool mixed : {false, true}) {
          for (const bool inPlace : {false, true}) {  // the replacement is the destination itself
            for (const uint32_t operation : {KX_MERGE_KEY_EXACT, KX_MERGE_KEY_TOLERANT}) {
              // Runs of key pixels between runs near the key, some samples on
              // it; the last row's runs are longer than a screened vector, and
              // between them lie pixels far from the key.
              std::vector<OwnedDecodeBuffer> buffers;
              for (int i = 0; i < 4; ++i) {
                buffers.emplace_back(MakeScene(0, 0, 203, 3), layouts[mixed ? 1 + i % 3 : 0]);
                bool atKey = false;
                Fakes::ForEachSample(buffers.back().record().scene, 1, [&](uint32_t x, uint32_t y, uint32_t) {
                  if (random() % (y == 2 ? 90 : 6) == 0) atKey = !atKey;
                  for (uint32_t b = 0; b < bands; ++b) {
                    const uint32_t off = y == 2 ? 100 + random() % 100 : 3 * (1 + random() % 4);
                    buffers.back().setSample(x, y, b, atKey || random() % 20 == 0 ? 0 : off);
                    // Now and then a source pixel exactly the tolerance (4 per band and 1) away.
                    if (i == 1 && y == 2 && x % 37 == 0) buffers.back().setSample(x, y, b, b == 0 ? 4 * bands + 1 : 0);
                  }
                  return true;
                });
              }
              const std::vector<uint8_t> key(2 * bands, 0);
              OwnedDecodeBuffer &fast = buffers[0], &plain = buffers[3];
              std::copy(fast.bytes(), fast.bytes() + fast.byteSize(), plain.bytes());
              for (const bool fastPaths : {true, false}) {
                OwnedDecodeBuffer& destination = fastPaths ? fast : plain;
                DecodeBuffer* replacement = inPlace ? destination.get() : buffers[2].get();
                ASSERT_EQ(
                    keyedMerge(destination.get(), buffers[1].get(), replacement, key.data(), operation, 4.0, fastPaths),
                    S_OK);
              }
              EXPECT_TRUE(std::equal(fast.bytes(), fast.bytes() + fast.byteSize(), plain.bytes()))
                  << type << " " << bands << " bands, operation " << operation << (mixed ? ", mixed" : "")
                  << (inPlace ? ", in place" : "");
            }
          }
        }
      }
    }
  });
}

}  // namespace
}  // namespace Kelvane
