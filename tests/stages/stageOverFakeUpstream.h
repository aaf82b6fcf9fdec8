// A fixture for a stage as its create function makes it, set over a fresh
// fake upstream source; after each test both are released and no object of
// the module may be left alive.
#ifndef KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H
#define KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H

#include <gtest/gtest.h>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"

namespace Kelvane {

template <typename Stage>
class StageOverFakeUpstream : public ::testing::Test {
 protected:
  void SetUp() override {
    INondelegatingUnknown* object = nullptr;
    ASSERT_EQ(KxComCreate<Stage>(nullptr, &object), S_OK);
    stage_ = static_cast<Stage*>(object);
    source_ = Fakes::FakeUpstream::Create();
    ASSERT_EQ(stage_->SetContainedImp(source_), S_OK);
  }
  void TearDown() override {
    stage_->NondelegatingRelease();
    EXPECT_EQ(source_->Release(), 0u);
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
  }
  HRESULT DecodeInto(Fakes::OwnedDecodeBuffer& buffer) {
    return stage_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr);
  }

  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  Stage* stage_ = nullptr;
  Fakes::FakeUpstream* source_ = nullptr;
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_STAGES_STAGE_OVER_FAKE_UPSTREAM_H
