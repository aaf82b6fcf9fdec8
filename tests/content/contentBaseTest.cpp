// The chain of content imps: building and reshaping it, what travels down it,
// the references each link, logger and engine holds, and what a stage's buffer
// check lets through, reports, and refuses without touching the buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "com/kxComClassEntry.h"
#include "content/kxv_contentBase.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstream;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Fakes::RecordingLogger;
using Links = std::vector<IKxContentImp*>;

// The links below `head`, in chain order; no references are kept (the chain holds its own).
Links ChainBelow(IKxContentImp* head) {
  Links links;
  for (IKxContentImp* link = head; links.size() < 16; links.push_back(link)) {
    link->GetContainedImp(&link);
    if (link == nullptr) break;
    link->Release();
  }
  return links;
}

// A pass-through stage holding one reference for the caller.
KxvContentBase* NewStage() {
  INondelegatingUnknown* object = nullptr;
  EXPECT_EQ(KxComCreate<KxvContentBase>(nullptr, &object), S_OK);
  return static_cast<KxvContentBase*>(object);
}

// Every test releases all it made: nothing leaks and nothing is freed twice
// (a reference too many or too few fails here, or under the sanitizer).
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

// Insertions go directly below the head; loops are refused; removal hands the link back.
TEST_F(ContentBase, InsertingAndRemovingReshapesTheChainAndBalancesReferences) {
  FakeUpstream* source = FakeUpstream::Create();
  IKxContentImp *s1 = NewStage(), *s2 = NewStage(), *s3 = NewStage(), *s4 = NewStage();
  for (IKxContentImp* imp : Links{source, s3, s2}) ASSERT_EQ(s1->SetContainedImp(imp), S_OK);
  EXPECT_EQ(s1->SetContainedImp(s1), E_INVALIDARG);
  EXPECT_EQ(s1->SetContainedImp(s3), E_INVALIDARG);  // already further down
  EXPECT_EQ(s3->SetContainedImp(s1), E_INVALIDARG);  // would lead back up
  EXPECT_EQ(s1->SetContainedImp(s2), S_OK);          // the present upstream again: no change
  ASSERT_EQ(s1->SetContainedImp(s4), S_OK);
  EXPECT_EQ(ChainBelow(s1), (Links{s4, s2, s3, source}));

  // Removing S4 hands it back with a reference for the caller; it keeps its own reference to S2.
  IKxContentImp* removed = s1;
  ASSERT_EQ(s1->RemoveContainedImp(&removed), S_OK);
  EXPECT_EQ(removed, s4);
  EXPECT_EQ(ChainBelow(s1), (Links{s2, s3, source}));
  EXPECT_EQ(ChainBelow(s4), (Links{s2, s3, source}));
  for (IKxContentImp* stage : {removed, s1, s4, s2, s3}) stage->Release();
  source->Release();
}

// Alone a stage fails untouched; linked, calls reach the source and its status and interfaces come back.
TEST_F(ContentBase, OperationsTravelDownTheChainOrFailWithoutOne) {
  FakeUpstream* source = FakeUpstream::Create();
  IKxContentImp* head = NewStage();
  IKxContentImp* middle = NewStage();
  OwnedDecodeBuffer buffer(MakeScene(3, 2, 6, 5), BufferLayout::BandSequential(3, KX_TYPE_U16));
  EXPECT_EQ(head->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_FAIL);
  EXPECT_EQ(Fakes::FirstSampleMismatch(buffer.record(), [](uint32_t, uint32_t, uint32_t) { return 0xCDCDu; }), "");
  EXPECT_EQ(head->SetContainedImp(nullptr), E_INVALIDARG);
  EXPECT_EQ(head->FindInterface(IID_IKxContentImp, nullptr), E_INVALIDARG);

  ASSERT_EQ(head->SetContainedImp(source), S_OK);
  ASSERT_EQ(head->SetContainedImp(middle), S_OK);
  int context = 0;
  ASSERT_EQ(head->Decode(buffer.get(), 1, &context), S_OK);
  EXPECT_EQ(source->FirstMismatch(buffer.record()), "");
  EXPECT_EQ(source->lastDecodeThird(), &context);
  source->failDecode(KX_E_INVALID_BUFFER);
  EXPECT_EQ(head->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_INVALID_BUFFER);

  void* found = head;
  EXPECT_EQ(head->FindInterface(IID_IKxBandSelectDecode, &found), E_NOINTERFACE);
  EXPECT_EQ(found, nullptr);
  source->enableBandSelect(true);
  ASSERT_EQ(head->FindInterface(IID_IKxBandSelectDecode, &found), S_OK);
  EXPECT_EQ(found, static_cast<IKxBandSelectDecode*>(source));
  static_cast<IKxBandSelectDecode*>(found)->Release();
  for (IKxContentImp* stage : {head, middle}) stage->Release();
  source->Release();
}

// The stage holds one reference to its logger and engine and gives both back when it goes.
TEST_F(ContentBase, LoggerAndEngineAreHeldOnceAndReleasedWithTheStage) {
  RecordingLogger* logger = RecordingLogger::Create(7);
  FakeUpstream* engine = FakeUpstream::Create();
  KxvContentBase* stage = NewStage();
  for (const IID& iid : {IID_IKxLoggable, IID_IKxLoggable2}) {
    void* loggable = nullptr;
    ASSERT_EQ(stage->QueryInterface(iid, &loggable), S_OK);
    EXPECT_EQ(loggable, static_cast<IKxLoggable2*>(stage));
    stage->Release();
  }
  // Setting again the logger the stage alone holds neither frees it nor adds a reference.
  ASSERT_EQ(stage->SetLogger(logger), S_OK);
  logger->Release();
  ASSERT_EQ(stage->SetLogger(logger), S_OK);
  EXPECT_EQ(RecordingLogger::LiveCount(), liveLoggers_ + 1);
  EXPECT_EQ(logger->refCount(), 1u);
  logger->AddRef();
  stage->logSink()->Write(3, "through the sink");
  EXPECT_TRUE(logger->contains(3, "through the sink"));
  ASSERT_EQ(stage->SetLogger(nullptr), S_OK);
  EXPECT_EQ(logger->refCount(), 1u);
  ASSERT_EQ(stage->SetLogger(logger), S_OK);

  IUnknown* engineUnknown = static_cast<IKxContentImp*>(engine);
  IUnknown* handedBack = nullptr;
  ASSERT_EQ(stage->SetRenderingEngine(engineUnknown), S_OK);
  ASSERT_EQ(stage->GetRenderingEngine(&handedBack), S_OK);
  EXPECT_EQ(handedBack, engineUnknown);
  EXPECT_EQ(engine->refCount(), 3u);
  handedBack->Release();
  stage->Release();
  EXPECT_EQ(logger->refCount() + engine->refCount(), 2u);
  logger->Release();
  engine->Release();
}

// Checks `buffer` as a stage delivering 8-bit RGB from a 64 x 32 source with `flags`.
HRESULT Validate(KxvContentBase* stage, DecodeBuffer* buffer, uint32_t flags) {
  RasterProps props;
  props.width = 64;
  props.height = 32;
  props.flags = flags;
  return stage->validate(buffer, Fakes::MakeDecodeRecord(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, 0)).format,
                         props);
}

// A mismatch is logged with the buffer; rewritten without memory, the buffer then only lacks memory.
TEST_F(ContentBase, ValidateLogsAMismatchAndTheAdaptedBufferThenOnlyLacksMemory) {
  RecordingLogger* logger = RecordingLogger::Create(7);
  KxvContentBase* stage = NewStage();
  stage->SetLogger(logger);
  EXPECT_EQ(Validate(stage, nullptr, KX_CAP_PARTIAL_SCENE), E_INVALIDARG);
  // 16-bit samples where the stage delivers 8-bit ones: type, sample map and bps differ.
  OwnedDecodeBuffer wide(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, KX_TYPE_U16));
  EXPECT_EQ(Validate(stage, wide.get(), KX_CAP_PARTIAL_SCENE), KX_E_INVALID_BUFFER);
  EXPECT_EQ(logger->entries(),
            (std::vector<std::pair<uint32_t, std::string>>{
                {7, "KxvContentBase::validate failed, reason=50176"},
                {7,
                 "buf is ul:0.000000,0.000000 wh:4.000000,2.000000 mag:1.000000 spp:3 stride:3 type:2 order:0 "
                 "align:1 rowbytes:24 smap:0,2,4 bps:16"}}));
  DecodeBuffer record = wide.record();
  record.pBits = nullptr;
  EXPECT_EQ(Validate(stage, &record, KX_CAP_PARTIAL_SCENE), KX_E_INVALID_BUFFER);
  EXPECT_EQ(Validate(stage, &record, KX_CAP_PARTIAL_SCENE), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(record.format.rowbytes, 12u);
  OwnedDecodeBuffer fitting(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(Validate(stage, fitting.get(), KX_CAP_PARTIAL_SCENE), S_OK);
  fitting.get()->scene.height = 0.0;
  EXPECT_EQ(Validate(stage, fitting.get(), KX_CAP_PARTIAL_SCENE), E_FAIL);
  stage->Release();
  logger->Release();
}

// Malformed buffers fail untouched even when the source takes any layout; permuted planes are sound.
TEST_F(ContentBase, ValidateRefusesMalformedHostBuffersUntouched) {
  KxvContentBase* stage = NewStage();
  // Bad scene values, no alignment, two samples on one byte, a sample past the pixel, short rows, no stride,
  // more samples than the map holds, an unknown type, planes one byte apart.
  const std::vector<void (*)(DecodeBuffer&)> breakages = {
      [](DecodeBuffer& b) { b.scene.width = std::nan(""); },
      [](DecodeBuffer& b) { b.scene.height = 1e300; },
      [](DecodeBuffer& b) { b.scene.mag = 0.0; },
      [](DecodeBuffer& b) { b.format.align = 0; },
      [](DecodeBuffer& b) { b.format.smap[1] = b.format.smap[0]; },
      [](DecodeBuffer& b) { b.format.smap[2] = 3; },
      [](DecodeBuffer& b) { b.format.rowbytes -= 1; },
      [](DecodeBuffer& b) { b.format.stride = 0; },
      [](DecodeBuffer& b) { b.format.spp = 300; },
      [](DecodeBuffer& b) { b.format.type = 7; },
      [](DecodeBuffer& b) { b.format.order = 1; },
  };
  for (size_t i = 0; i < breakages.size(); ++i) {
    OwnedDecodeBuffer buffer(MakeScene(0, 0, 8, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
    breakages[i](*buffer.get());
    const DecodeBuffer before = buffer.record();
    EXPECT_EQ(Validate(stage, buffer.get(), Fakes::kAllCapabilities), KX_E_INVALID_BUFFER) << "case " << i;
    EXPECT_EQ(std::memcmp(&before, buffer.get(), sizeof before), 0) << "case " << i;
  }
  BufferLayout planes = BufferLayout::BandSequential(3, KX_TYPE_U16);
  planes.slots = {2, 0, 1};
  planes.rowPadding = 16;
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 7, 3), planes);
  EXPECT_EQ(Validate(stage, buffer.get(), Fakes::kAllCapabilities), S_OK);
  // Planes with a pixel stride, though their padded rows would hold it: the
  // raster library steps one sample from pixel to pixel in planes.
  buffer.get()->format.stride = 2;
  EXPECT_EQ(Validate(stage, buffer.get(), Fakes::kAllCapabilities), KX_E_INVALID_BUFFER);
  stage->Release();
}

}  // namespace
}  // namespace Kelvane
