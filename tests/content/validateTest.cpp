// What a stage's buffer check lets through, what it reports, and that a
// host's malformed buffer is refused without being touched.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "com/kxComClassEntry.h"
#include "content/kxv_contentBase.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

// A stage with a logger at level 7 over a 64 x 32 source with `flags`; all released at the end.
struct Stage {
  explicit Stage(uint32_t flags) {
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<KxvContentBase>(nullptr, &object), S_OK);
    base = static_cast<KxvContentBase*>(object);
    base->SetLogger(logger);
    props.width = 64;
    props.height = 32;
    props.flags = flags;
  }
  ~Stage() {
    base->NondelegatingRelease();
    logger->Release();
  }
  HRESULT validate(DecodeBuffer* buffer) { return base->validate(buffer, format, props); }

  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(7);
  KxvContentBase* base = nullptr;
  RasterProps props;
  const BufferFormat format = Fakes::MakeDecodeRecord(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, 0)).format;
};

TEST(Validate, MismatchIsLoggedAndTheAdaptedBufferThenOnlyLacksMemory) {
  Stage stage(KX_CAP_PARTIAL_SCENE);
  EXPECT_EQ(stage.validate(nullptr), E_INVALIDARG);
  // 16-bit samples where the stage delivers 8-bit ones: type, sample map and bps differ.
  OwnedDecodeBuffer wide(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, KX_TYPE_U16));
  EXPECT_EQ(stage.validate(wide.get()), KX_E_INVALID_BUFFER);
  EXPECT_EQ(stage.logger->entries(),
            (std::vector<std::pair<uint32_t, std::string>>{
                {7, "KxvContentBase::validate failed, reason=50176"},
                {7,
                 "buf is ul:0.000000,0.000000 wh:4.000000,2.000000 mag:1.000000 spp:3 stride:3 type:2 order:0 "
                 "align:1 rowbytes:24 smap:0,2,4 bps:16"}}));

  // Without memory the request is rewritten to the stage's layout; asked again, only memory is missing.
  DecodeBuffer record = wide.record();
  record.pBits = nullptr;
  EXPECT_EQ(stage.validate(&record), KX_E_INVALID_BUFFER);
  EXPECT_EQ(stage.validate(&record), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(record.format.rowbytes, 12u);
  OwnedDecodeBuffer fitting(MakeScene(0, 0, 4, 2), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(stage.validate(fitting.get()), S_OK);
  fitting.get()->scene.height = 0.0;
  EXPECT_EQ(stage.validate(fitting.get()), E_FAIL);
}

TEST(Validate, MalformedHostBuffersFailUntouchedEvenWhenTheSourceTakesAnyLayout) {
  Stage stage(Fakes::kAllCapabilities);
  const std::vector<std::function<void(BufferFormat&, Scene&)>> breakages = {
      [](BufferFormat&, Scene& s) { s.width = std::numeric_limits<double>::quiet_NaN(); },
      [](BufferFormat&, Scene& s) { s.height = 1e300; },
      [](BufferFormat&, Scene& s) { s.mag = 0.0; },
      [](BufferFormat& f, Scene&) { f.align = 0; },
      [](BufferFormat& f, Scene&) { f.smap[1] = f.smap[0]; },  // two samples on one byte
      [](BufferFormat& f, Scene&) { f.smap[2] = 3; },          // past the pixel
      [](BufferFormat& f, Scene&) { f.rowbytes -= 1; },
      [](BufferFormat& f, Scene&) { f.stride = 0; },
      [](BufferFormat& f, Scene&) { f.spp = 300; },
      [](BufferFormat& f, Scene&) { f.type = 7; },
      [](BufferFormat& f, Scene&) { f.order = 1; },  // planes one byte apart
  };
  for (size_t i = 0; i < breakages.size(); ++i) {
    OwnedDecodeBuffer buffer(MakeScene(0, 0, 8, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
    breakages[i](buffer.get()->format, buffer.get()->scene);
    const DecodeBuffer before = buffer.record();
    EXPECT_EQ(stage.validate(buffer.get()), KX_E_INVALID_BUFFER) << "case " << i;
    EXPECT_EQ(std::memcmp(&before, buffer.get(), sizeof before), 0) << "case " << i;
  }
  // Permuted planes are a sound layout.
  BufferLayout planes = BufferLayout::BandSequential(3, KX_TYPE_U16);
  planes.slots = {2, 0, 1};
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 7, 3), planes);
  EXPECT_EQ(stage.validate(buffer.get()), S_OK);
}

}  // namespace
}  // namespace Kelvane
