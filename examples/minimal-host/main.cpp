// minimal-host: the smallest host of kx_lib_sp_xform. It finds the module
// through the registry (the InprocServer32 value of the multiband selector's
// class key), loads it with dlopen, chains the module's multiband selector and
// transposer over a gradient source of its own, decodes the whole image turned
// a quarter clockwise with bands 3, 2, 1 shown as red, green and blue, and
// writes it as a binary PPM file.
//
//   minimal-host OUT.ppm
//
// Register the module first (`kxhost register`, or install the package).
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gradientSource.h"
#include "kelvane/kx_lib_sp_xform.h"
#include "kelvane/kx_registry_store.h"

using namespace Kelvane;

namespace {

constexpr uint32_t kWidth = 320;  // the source image, before turning
constexpr uint32_t kHeight = 200;

int fail(const std::string& message) {
  std::fprintf(stderr, "minimal-host: %s\n", message.c_str());
  return 1;
}

// Creates one stage of the module and asks it for `iid`.
HRESULT createStage(KxDllGetClassObjectFn getClassObject, const CLSID& clsid, const IID& iid, void** out) {
  IClassFactory* factory = nullptr;
  HRESULT status = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(status)) return status;
  status = factory->CreateInstance(nullptr, iid, out);
  factory->Release();
  return status;
}

// Selector (bands 3, 2, 1) over the source, transposer (90 degrees) over the
// selector; decodes the turned image into `pixels` (RGB, kHeight x kWidth).
HRESULT render(KxDllGetClassObjectFn getClassObject, IKxContentImp* source, std::vector<uint8_t>* pixels) {
  IKxContentImp* selector = nullptr;
  IKxContentImp* transposer = nullptr;
  HRESULT status = createStage(getClassObject, CLSID_KxvMultibandSelectorImp, IID_IKxContentImp,
                               reinterpret_cast<void**>(&selector));
  if (SUCCEEDED(status)) {
    status =
        createStage(getClassObject, CLSID_KxvTransposerImp, IID_IKxContentImp, reinterpret_cast<void**>(&transposer));
  }
  IKxMultibandSelector* bands = nullptr;
  IKxTransposerImp* rotation = nullptr;
  if (SUCCEEDED(status)) status = selector->QueryInterface(IID_IKxMultibandSelector, reinterpret_cast<void**>(&bands));
  if (SUCCEEDED(status)) status = transposer->QueryInterface(IID_IKxTransposerImp, reinterpret_cast<void**>(&rotation));
  if (SUCCEEDED(status)) status = selector->SetContainedImp(source);
  if (SUCCEEDED(status)) status = selector->Initialize();
  const uint16_t shown[] = {2, 1, 0};  // zero-based: bands 3, 2, 1
  if (SUCCEEDED(status)) status = bands->SetBands(shown, 3);
  if (SUCCEEDED(status)) status = transposer->SetContainedImp(selector);
  if (SUCCEEDED(status)) status = rotation->SetRotation(90);
  if (SUCCEEDED(status)) status = transposer->Initialize();

  // The whole turned image at magnification 1, 8-bit RGB, rows packed.
  DecodeBuffer buffer;
  buffer.scene = Scene{0.0, 0.0, double(kHeight), double(kWidth), 1.0};
  buffer.format.colorSpace = KX_CS_RGB;
  buffer.format.spp = 3;
  buffer.format.stride = 3;
  buffer.format.type = KX_TYPE_U8;
  buffer.format.order = KX_ORDER_INTERLEAVED;
  buffer.format.align = 1;
  buffer.format.rowbytes = kHeight * 3;
  buffer.format.bps = 8;
  for (uint32_t s = 0; s < 3; ++s) buffer.format.smap[s] = s;
  pixels->assign(size_t{kWidth} * kHeight * 3, 0);
  buffer.pBits = pixels->data();
  if (SUCCEEDED(status)) status = transposer->Decode(&buffer, KXV_BEST_QUALITY, nullptr);

  // Every reference is released on every path.
  if (rotation != nullptr) rotation->Release();
  if (bands != nullptr) bands->Release();
  if (transposer != nullptr) transposer->Release();
  if (selector != nullptr) selector->Release();
  return status;
}

bool writePpm(const char* path, const std::vector<uint8_t>& pixels) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P6\n%u %u\n255\n", kHeight, kWidth);
  const bool written = std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: minimal-host OUT.ppm");

  // The module, as the registry names it.
  std::string modulePath;
  if (!KxRegisteredModulePath(CLSID_KxvMultibandSelectorImp, &modulePath)) {
    return fail("the module is not registered (run `kxhost register`)");
  }
  void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return fail("cannot load " + modulePath + ": " + dlerror());
  auto getClassObject = reinterpret_cast<KxDllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<KxDllCanUnloadNowFn>(dlsym(module, "DllCanUnloadNow"));
  if (getClassObject == nullptr || canUnloadNow == nullptr) return fail(modulePath + " is not the module");

  GradientSource* source = new GradientSource(kWidth, kHeight);
  std::vector<uint8_t> pixels;
  const HRESULT status = render(getClassObject, source, &pixels);
  if (canUnloadNow() == S_OK) dlclose(module);
  if (FAILED(status)) {
    source->Release();
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return fail(std::string("the chain failed with status ") + text);
  }

  // Turned a quarter clockwise: output (x, y) is source (y, kHeight - 1 - x).
  std::string mismatch;
  for (uint32_t y = 0; y < kWidth && mismatch.empty(); ++y) {
    for (uint32_t x = 0; x < kHeight && mismatch.empty(); ++x) {
      for (uint32_t s = 0; s < 3; ++s) {
        if (pixels[(size_t{y} * kHeight + x) * 3 + s] != source->sample(y, kHeight - 1 - x, 2 - s)) {
          mismatch = "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs from the source's";
        }
      }
    }
  }
  source->Release();
  if (!mismatch.empty()) return fail(mismatch);
  if (!writePpm(argv[1], pixels)) return fail(std::string("cannot write ") + argv[1]);
  std::printf("wrote %s (%ux%u) with %s\n", argv[1], kHeight, kWidth, modulePath.c_str());
  return 0;
}
