// A fixture for a stage as its create function makes it, set over a fresh
// fake upstream source on request; after each test both are released and no
// object of the module may be left alive. Also the sources and the decodes
// under concurrent change that stage tests share.
#ifndef KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H
#define KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"

namespace Kelvane {

// A source of the given size whose pixels have the samples of `layout`.
inline Fakes::FakeUpstreamConfig Image(uint32_t width, uint32_t height,
                                       const Fakes::BufferLayout& layout = Fakes::BufferLayout()) {
  Fakes::FakeUpstreamConfig config;
  config.width = width;
  config.height = height;
  config.numBands = layout.spp;
  config.colorSpace = layout.colorSpace;
  config.type = layout.type;
  config.bitsPerSample = 8 * KxHostSampleBytes(layout.type);
  return config;
}

template <typename Stage>
class StageOverFakeUpstream : public ::testing::Test {
 protected:
  // The stage alone; a fixture whose tests all want a source calls Chain() in its own SetUp.
  void SetUp() override {
    INondelegatingUnknown* object = nullptr;
    ASSERT_EQ(KxComCreate<Stage>(nullptr, &object), S_OK);
    stage_ = static_cast<Stage*>(object);
  }
  void TearDown() override {
    stage_->NondelegatingRelease();
    EXPECT_TRUE(source_ == nullptr || source_->Release() == 0u);
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
  }
  // Sets the stage over a new source made from `config`.
  void Chain(const Fakes::FakeUpstreamConfig& config = Fakes::FakeUpstreamConfig()) {
    source_ = Fakes::FakeUpstream::Create(config);
    ASSERT_EQ(imp()->SetContainedImp(source_), S_OK);
  }
  HRESULT DecodeInto(Fakes::OwnedDecodeBuffer& buffer, uint32_t quality = KXV_BEST_QUALITY) {
    return imp()->Decode(buffer.get(), quality, nullptr);
  }
  IKxContentImp* imp() { return stage_; }

  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  Stage* stage_ = nullptr;                 // owned: one reference, released in TearDown
  Fakes::FakeUpstream* source_ = nullptr;  // owned: one reference, when chained
};

// Runs decodes(t) on `threads` threads while change(i), for i = 0, 1, ...,
// runs again and again on another until every decoding thread is done.
inline void DecodeWhileChanging(int threads, const std::function<void(int t)>& decodes,
                                const std::function<void(int i)>& change) {
  std::atomic<bool> done{false};
  std::thread changer([&] {
    for (int i = 0; !done; ++i) change(i);
  });
  std::vector<std::thread> decoders;
  for (int t = 0; t < threads; ++t) decoders.emplace_back(decodes, t);
  for (std::thread& decoder : decoders) decoder.join();
  done = true;
  changer.join();
}

}  // namespace Kelvane

#endif  // KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H
