// KxvTransposerImp: presents its upstream source turned clockwise by 90, 180
// or 270 degrees. It reports the turned size and maps each requested scene
// back into the upstream image. Where the caller's buffer can take the
// upstream's pixels of that scene (the upstream writes its layout, and the
// turn keeps the buffer's shape: half turns, and quarter turns of squares),
// the upstream decodes straight into it and the pixels are turned where they
// lie. Otherwise the upstream decodes into a working buffer of its own
// layout, kept between decodes, and the pixels are turned into the caller's
// buffer. At 0 degrees decodes go straight to the upstream source.
#ifndef KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_IMP_H
#define KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_IMP_H

#include <cstdint>
#include <vector>

#include "content/kxv_contentBase.h"
#include "platform/kxMutex.h"
#include "stages/kxv_scratchShelf.h"
#include "stages/kxv_workingBufferPool.h"
#include "stages/transposer/kxv_transposerGeometry.h"

namespace Kelvane {

class KxvTransposerImp : public KxvContentBase, public IKxTransposer, public IKxTransposerImp {
 public:
  KxvTransposerImp() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxContentImp operations this stage handles itself.
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL Initialize() override;

  // IKxTransposer.
  HRESULT KX_STDCALL Transpose(const DecodeBuffer* source, DecodeBuffer* destination, uint32_t angle) override;

  // IKxTransposerImp.
  HRESULT KX_STDCALL SetRotation(uint32_t angle) override;

  // Working buffers and kernel scratch kept for later decodes (for diagnostics).
  size_t idleWorkingBuffers() const { return workingBuffers_.idleCount(); }
  size_t idleTurnScratch() const { return turnScratch_.idleCount(); }

 private:
  // What the stage presents: the angle, the upstream's properties turned by
  // it, and the layout of the whole turned image at magnification 1.
  struct Presentation {
    uint32_t rotation = 0;
    RasterProps props;
    BufferFormat fullImageLayout;
  };

  // Asks the upstream for its properties and stores them turned by the
  // current angle, with the matching full-image layout.
  HRESULT refreshPresentation();
  // A consistent copy of the stored presentation.
  Presentation presentation() const;

  // The whole turned image at `mag`: the upstream's own size there when it
  // tells it (the image-size query), else its size scaled to `mag`.
  KxvImageExtent turnedExtentAt(double mag, const Presentation& shown);

  // Bodies of the operations above, run inside guarded().
  HRESULT decodeTurned(DecodeBuffer* buffer, uint32_t quality, void* third);
  HRESULT decodeTurnedScene(DecodeBuffer* buffer, uint32_t quality, void* third, const Presentation& shown);
  // The upstream decodes `upstreamScene` into the caller's memory, which is
  // then turned where it lies.
  HRESULT decodeInCallersMemory(DecodeBuffer* buffer, const Scene& upstreamScene, uint32_t quality, void* third,
                                uint32_t rotation);
  // The upstream decodes into `working` (its own layout), turned into the caller's buffer.
  HRESULT decodeThroughWorkingBuffer(DecodeBuffer* buffer, DecodeBuffer& working, uint32_t quality, void* third,
                                     uint32_t rotation);
  // Whether `buffer` can be turned where it lies; with `scratch`, turns it
  // (false when the working memory cannot be had, the pixels unturned).
  static bool turnInPlace(const DecodeBuffer& buffer, uint32_t rotation, std::vector<unsigned char>* scratch);

  // Guards presentation_: a stage above refreshes it through GetRasterProps
  // before each of its decodes, possibly on several threads at once while
  // other threads decode here. Held only to copy the record in or out.
  mutable MutexLock presentationLock_;
  Presentation presentation_;
  // Memory of the working buffers of turned decodes, and the turn kernels'
  // scratch; both kept between decodes and freed with the stage.
  KxvWorkingBufferPool workingBuffers_;
  KxvScratchShelf turnScratch_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_IMP_H
