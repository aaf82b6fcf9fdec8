#include "kxhost/watermarkOption.h"

namespace kxhost {

bool ReadWatermarkOption(const CommandLine& line, std::shared_ptr<const WatermarkImage>* watermark,
                         std::string* error) {
  watermark->reset();
  if (!line.has("watermark")) return true;
  if (line.has("map-rect")) {
    *error = "--watermark cannot be combined with --map-rect";
    return false;
  }
  return ReadWatermarkImage(line.value("watermark", ""), watermark, error);
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
