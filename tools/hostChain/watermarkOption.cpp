#include "hostChain/watermarkOption.h"

#include "hostChain/optionValues.h"

namespace kxhost {

bool ParseWatermarkSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  if (value.empty()) return Refuse(error, "--watermark must name an image");
  settings->watermark = value;
  return true;
}

bool AddWatermarkerStage(const RenderSettings& settings, GdalSource&, std::vector<StageStep>* steps,
                         std::string* error) {
  if (!settings.watermark) return true;
  // The watermarker marks the finished picture, so it goes last, above the
  // transposer: its stamp sits upright in the corner of every decoded tile.
  std::shared_ptr<const WatermarkImage> logo;
  if (!ReadWatermarkImage(*settings.watermark, &logo, error)) return false;
  steps->push_back(WatermarkerStep(logo));
  return true;
}

StageStep WatermarkerStep(std::shared_ptr<const WatermarkImage> watermark) {
  StageStep step;
  step.name = "watermarker";
  step.clsid = CLSID_KxvWatermarkerImp;
  step.configure = [watermark](IKxContentImp* stage, std::string* what) {
    ComPtr<IKxWatermarkerImp> watermarker;
    *what = "QueryInterface(IKxWatermarkerImp)";
    HRESULT status = stage->QueryInterface(IID_IKxWatermarkerImp, watermarker.putVoid());
    if (FAILED(status)) return status;
    *what = "SetWatermark";
    return watermarker->SetWatermark(&watermark->record);
  };
  return step;
}

}  // namespace kxhost
