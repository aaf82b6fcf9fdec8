// The chain of content imps: building and reshaping it, what travels down it,
// and the references each link, logger and engine holds.
#include <gtest/gtest.h>

#include <vector>

#include "com/kxComClassEntry.h"
#include "content/kxv_contentBase.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstream;
using Fakes::OwnedDecodeBuffer;
using Fakes::RecordingLogger;
using Links = std::vector<IKxContentImp*>;

ULONG RefsOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// The links below `head`, in chain order; no references are kept.
Links ChainBelow(IKxContentImp* head) {
  Links links;
  IKxContentImp* link = nullptr;
  head->GetContainedImp(&link);
  while (link != nullptr && links.size() < 16) {
    links.push_back(link);
    IKxContentImp* next = nullptr;
    link->GetContainedImp(&next);
    link->Release();
    link = next;
  }
  return links;
}

// A pass-through stage holding one reference for the caller.
KxvContentBase* NewStage() {
  INondelegatingUnknown* object = nullptr;
  EXPECT_EQ(KxComCreate<KxvContentBase>(nullptr, &object), S_OK);
  return static_cast<KxvContentBase*>(object);
}

// Every test releases all it made: nothing leaks and nothing is freed twice.
class ContentBase : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
    EXPECT_EQ(FakeUpstream::LiveCount(), liveSources_);
    EXPECT_EQ(RecordingLogger::LiveCount(), liveLoggers_);
  }
  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  const int liveSources_ = FakeUpstream::LiveCount();
  const int liveLoggers_ = RecordingLogger::LiveCount();
};

TEST_F(ContentBase, InsertingAndRemovingReshapesTheChainAndBalancesReferences) {
  FakeUpstream* source = FakeUpstream::Create();
  IKxContentImp* s1 = NewStage();
  IKxContentImp* s2 = NewStage();
  IKxContentImp* s3 = NewStage();
  IKxContentImp* s4 = NewStage();

  // Each insertion goes directly below S1, so the chain grows upwards from the source.
  for (IKxContentImp* imp : Links{source, s3, s2}) ASSERT_EQ(s1->SetContainedImp(imp), S_OK);
  EXPECT_EQ(ChainBelow(s1), (Links{s2, s3, source}));
  ASSERT_EQ(s1->SetContainedImp(s4), S_OK);
  EXPECT_EQ(ChainBelow(s1), (Links{s4, s2, s3, source}));
  EXPECT_EQ(RefsOf(s2), 2u);  // the test and S4

  // Removing S4 hands it back; it keeps its own reference to S2.
  IKxContentImp* removed = s1;
  ASSERT_EQ(s1->RemoveContainedImp(&removed), S_OK);
  EXPECT_EQ(removed, s4);
  EXPECT_EQ(ChainBelow(s1), (Links{s2, s3, source}));
  EXPECT_EQ(ChainBelow(s4), (Links{s2, s3, source}));
  EXPECT_EQ(RefsOf(s2), 3u);  // the test, S1 and S4
  EXPECT_EQ(RefsOf(s4), 2u);  // the test and the removal
  removed->Release();

  for (IKxContentImp* stage : {s1, s4, s2, s3}) stage->Release();
  EXPECT_EQ(source->refCount(), 1u);
  source->Release();
}

TEST_F(ContentBase, ChainsThatWouldLoopAreRefused) {
  IKxContentImp* s1 = NewStage();
  IKxContentImp* s2 = NewStage();
  IKxContentImp* s3 = NewStage();
  ASSERT_EQ(s2->SetContainedImp(s3), S_OK);
  ASSERT_EQ(s1->SetContainedImp(s2), S_OK);

  EXPECT_EQ(s1->SetContainedImp(s1), E_INVALIDARG);
  EXPECT_EQ(s1->SetContainedImp(s3), E_INVALIDARG);  // already further down
  EXPECT_EQ(s3->SetContainedImp(s1), E_INVALIDARG);  // would lead back up
  EXPECT_EQ(s1->SetContainedImp(s2), S_OK);          // the present upstream again: no change
  EXPECT_EQ(ChainBelow(s1), (Links{s2, s3}));
  EXPECT_EQ(RefsOf(s2), 2u);
  EXPECT_EQ(RefsOf(s3), 2u);
  for (IKxContentImp* stage : {s1, s2, s3}) stage->Release();
}

TEST_F(ContentBase, OperationsTravelDownTheChainOrFailWithoutOne) {
  FakeUpstream* source = FakeUpstream::Create();
  IKxContentImp* head = NewStage();
  IKxContentImp* middle = NewStage();
  OwnedDecodeBuffer buffer(Fakes::MakeScene(3, 2, 6, 5), Fakes::BufferLayout::BandSequential(3, KX_TYPE_U16));

  // Alone, the stage has nowhere to send anything and leaves the buffer as it was.
  const std::vector<uint8_t> before(buffer.bytes(), buffer.bytes() + buffer.byteSize());
  EXPECT_EQ(head->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_FAIL);
  EXPECT_EQ(std::vector<uint8_t>(buffer.bytes(), buffer.bytes() + buffer.byteSize()), before);
  EXPECT_EQ(head->Initialize(), E_FAIL);
  EXPECT_EQ(head->SetContainedImp(nullptr), E_INVALIDARG);
  EXPECT_EQ(head->FindInterface(IID_IKxContentImp, nullptr), E_INVALIDARG);

  // Through two links the source gets the caller's arguments, and its status comes back as it is.
  ASSERT_EQ(head->SetContainedImp(source), S_OK);
  ASSERT_EQ(head->SetContainedImp(middle), S_OK);
  int context = 0;
  ASSERT_EQ(head->Decode(buffer.get(), 1, &context), S_OK);
  EXPECT_EQ(source->FirstMismatch(buffer.record()), "");
  EXPECT_EQ(source->lastDecodeThird(), &context);
  EXPECT_EQ(head->Operation6(&context), S_OK);
  EXPECT_EQ(source->operationCount(), 1u);
  source->failDecode(KX_E_INVALID_BUFFER);
  EXPECT_EQ(head->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_INVALID_BUFFER);

  // Only the source offers the band-selecting decode; the head answers what it offers itself.
  void* found = head;
  EXPECT_EQ(head->FindInterface(IID_IKxBandSelectDecode, &found), E_NOINTERFACE);
  EXPECT_EQ(found, nullptr);
  source->enableBandSelect(true);
  ASSERT_EQ(head->FindInterface(IID_IKxBandSelectDecode, &found), S_OK);
  EXPECT_EQ(found, static_cast<IKxBandSelectDecode*>(source));
  static_cast<IKxBandSelectDecode*>(found)->Release();
  ASSERT_EQ(head->FindInterface(IID_IKxContentImp, &found), S_OK);
  EXPECT_EQ(found, head);

  for (IKxContentImp* stage : {head, head, middle}) stage->Release();
  source->Release();
}

TEST_F(ContentBase, LoggerAndEngineAreHeldOnceAndReleasedWithTheStage) {
  RecordingLogger* logger = RecordingLogger::Create(7);
  FakeUpstream* engine = FakeUpstream::Create();
  KxvContentBase* stage = NewStage();

  // Both logging identifiers reach the same table.
  void* loggable = nullptr;
  void* loggable2 = nullptr;
  ASSERT_EQ(stage->QueryInterface(IID_IKxLoggable, &loggable), S_OK);
  ASSERT_EQ(stage->QueryInterface(IID_IKxLoggable2, &loggable2), S_OK);
  EXPECT_EQ(loggable, loggable2);
  auto* logging = static_cast<IKxLoggable2*>(loggable2);

  // Setting again the logger the stage alone holds neither frees it nor adds a reference.
  ASSERT_EQ(logging->SetLogger(logger), S_OK);
  logger->Release();
  ASSERT_EQ(logging->SetLogger(logger), S_OK);
  EXPECT_EQ(RecordingLogger::LiveCount(), liveLoggers_ + 1);
  EXPECT_EQ(logger->refCount(), 1u);
  logger->AddRef();
  EXPECT_EQ(logging->GetLogger(), logger);
  stage->logSink()->Write(3, "through the sink");
  EXPECT_TRUE(logger->contains(3, "through the sink"));
  ASSERT_EQ(logging->SetLogger(nullptr), S_OK);
  EXPECT_EQ(logger->refCount(), 1u);
  EXPECT_EQ(stage->logSink(), nullptr);
  ASSERT_EQ(logging->SetLogger(logger), S_OK);

  // The engine is handed back with a reference of its own.
  IUnknown* engineUnknown = static_cast<IKxContentImp*>(engine);
  ASSERT_EQ(stage->SetRenderingEngine(engineUnknown), S_OK);
  IUnknown* handedBack = nullptr;
  ASSERT_EQ(stage->GetRenderingEngine(&handedBack), S_OK);
  EXPECT_EQ(handedBack, engineUnknown);
  EXPECT_EQ(engine->refCount(), 3u);
  handedBack->Release();

  // Dropping the last reference to the stage releases what it held.
  logging->Release();
  logging->Release();
  static_cast<IKxContentImp*>(stage)->Release();
  EXPECT_EQ(logger->refCount(), 1u);
  EXPECT_EQ(engine->refCount(), 1u);
  logger->Release();
  engine->Release();
}

}  // namespace
}  // namespace Kelvane
