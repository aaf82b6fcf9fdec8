// KxvContentBase: the common base of every pipeline stage. It makes a stage a
// link in a chain of content imps, holds the host's logger and rendering
// engine, and passes every content-imp operation a stage does not handle
// itself down to its upstream source (the contained imp).
#ifndef KELVANE_CONTENT_KXV_CONTENT_BASE_H
#define KELVANE_CONTENT_KXV_CONTENT_BASE_H

#include <new>

#include "com/kxComUnknown.h"
#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {

class KxvContentBase : public KxComUnknown, public IKxContentImp, public IKxLoggable2, public IKxRenderingEngineUser {
 public:
  KxvContentBase() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  // Releases the contained imp, the logger and the rendering engine, in that order.
  ~KxvContentBase() override;
  // Answers IKxContentImp, IKxLoggable2/IKxLoggable and IKxRenderingEngineUser.
  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxContentImp. Every operation without a contained imp gives E_FAIL.
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL Operation5(void* argument) override;
  HRESULT KX_STDCALL Operation6(void* argument) override;
  HRESULT KX_STDCALL Initialize() override;
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override;
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) override;
  HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) override;
  HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) override;

  // IKxLoggable2. GetLogger hands back the stored pointer without a reference.
  HRESULT KX_STDCALL SetLogger(IKxLogger* logger) override;
  IKxLogger* KX_STDCALL GetLogger() override;

  // IKxRenderingEngineUser. The engine is only stored and handed back.
  HRESULT KX_STDCALL SetRenderingEngine(IUnknown* engine) override;
  HRESULT KX_STDCALL GetRenderingEngine(IUnknown** out) override;

  // The upstream source, without a reference added; null when none is set.
  IKxContentImp* getContainedImp() const { return containedImp_; }
  // The sink of the stored logger, or null without a logger. No reference.
  IKxLogSink* logSink() const { return KxLogSinkOf(logger_); }
  // The stored rendering engine, without a reference added.
  IUnknown* renderingEngine() const { return renderingEngine_; }

  // Checks a caller's buffer against the layout `format` a stage delivers from a source with `props`.
  HRESULT validate(DecodeBuffer* buffer, const BufferFormat& format, const RasterProps& props);

  // The base's Decode into a buffer whose pixels the stage goes on to read,
  // refusing an upstream that rewrote the record's layout: the stage would
  // then read the memory by a layout it was never given. Such a record gets
  // its layout back and the decode fails with E_FAIL, logged.
  HRESULT decodeUpstreamKeepingLayout(DecodeBuffer& buffer, uint32_t quality, void* third);

 protected:
  // Runs the body of a component operation so that no C++ exception leaves
  // it: a library exception becomes its status combined with 0x80040000,
  // exhausted memory E_OUTOFMEMORY, anything else E_FAIL.
  template <typename Body>
  static HRESULT guarded(Body&& body) noexcept {
    try {
      return body();
    } catch (const KxUtilException& e) {
      return KxStatusToResult(e.code());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  // Body of SetContainedImp, run inside guarded().
  HRESULT insertBelow(IKxContentImp* imp);
  // Whether `target` is reachable from `head` along contained imps (head included).
  static bool chainReaches(IKxContentImp* head, IKxContentImp* target);

  // Each holds one reference; all null until the host supplies them.
  IKxLogger* logger_ = nullptr;
  IUnknown* renderingEngine_ = nullptr;
  IKxContentImp* containedImp_ = nullptr;
};

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_CONTENT_BASE_H
