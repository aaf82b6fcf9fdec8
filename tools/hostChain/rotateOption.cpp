#include "hostChain/rotateOption.h"

#include "hostChain/optionValues.h"

namespace kxhost {

bool ParseRotateSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  if (value != "90" && value != "180" && value != "270")
    return Refuse(error, "--rotate must be 90, 180 or 270 (degrees clockwise)");
  settings->rotate = static_cast<uint32_t>(std::stoul(value));
  return true;
}

bool AddTransposerStage(const RenderSettings& settings, GdalSource&, std::vector<StageStep>* steps, std::string*) {
  // The transposer turns whatever the stages below it deliver.
  if (settings.rotate != 0) steps->push_back(TransposerStep(settings.rotate));
  return true;
}

StageStep TransposerStep(uint32_t angle) {
  StageStep step;
  step.name = "transposer";
  step.clsid = CLSID_KxvTransposerImp;
  step.configure = [angle](IKxContentImp* stage, std::string* what) {
    ComPtr<IKxTransposerImp> transposer;
    *what = "QueryInterface(IKxTransposerImp)";
    HRESULT status = stage->QueryInterface(IID_IKxTransposerImp, transposer.putVoid());
    if (FAILED(status)) return status;
    // The stage sits on its initialised upstream already, so it reports the turned size at once.
    *what = "SetRotation";
    return transposer->SetRotation(angle);
  };
  return step;
}

void TurnedSceneGeoTransform(uint32_t angle, const Scene& scene, double turnedWidth, double turnedHeight,
                             const GeoDomain& domain, double transform[6]) {
  // Unturned image pixel (u, v) of scene pixel (i, j): u = a0 + a1 i + a2 j, v = b0 + b1 i + b2 j.
  const double x = scene.ulx;
  const double y = scene.uly;
  double a[3] = {x, 1.0, 0.0};
  double b[3] = {y, 0.0, 1.0};
  if (angle == 90) {
    a[0] = y, a[1] = 0.0, a[2] = 1.0;
    b[0] = turnedWidth - x, b[1] = -1.0, b[2] = 0.0;
  } else if (angle == 180) {
    a[0] = turnedWidth - x, a[1] = -1.0;
    b[0] = turnedHeight - y, b[2] = -1.0;
  } else if (angle == 270) {
    a[0] = turnedHeight - y, a[1] = 0.0, a[2] = -1.0;
    b[0] = x, b[1] = 1.0, b[2] = 0.0;
  }
  // Map coordinates are linear in (u, v), with the pixel size at the scene's magnification.
  const double resX = domain.resX / scene.mag;
  const double resY = domain.resY / scene.mag;
  const double result[6] = {domain.x + resX * a[0], resX * a[1], resX * a[2],
                            domain.y + resY * b[0], resY * b[1], resY * b[2]};
  for (int i = 0; i < 6; ++i) transform[i] = result[i];
}

}  // namespace kxhost
