// The image of `kxhost render --watermark`: read whole through GDAL into a
// decode buffer of the image's own colour space, as the watermarker takes it.
#ifndef KX_HOST_CHAIN_WATERMARK_IMAGE_H
#define KX_HOST_CHAIN_WATERMARK_IMAGE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// The pixels and the record describing them; the record's pixel memory is
// `pixels`, so the image is handed around only by pointer.
struct WatermarkImage {
  WatermarkImage() = default;
  WatermarkImage(const WatermarkImage&) = delete;
  WatermarkImage& operator=(const WatermarkImage&) = delete;

  std::vector<uint8_t> pixels;
  DecodeBuffer record;
};

// Reads `path` at full size into a pixel-interleaved buffer: 1 band as grey,
// 3 as RGB, 4 bands with a CMYK photometric interpretation as CMYK; 8-bit
// samples as unsigned 8-bit, 16-bit as unsigned 16-bit. False with a one-line
// reason for any other image, or one GDAL cannot read.
bool ReadWatermarkImage(const std::string& path, std::shared_ptr<const WatermarkImage>* image, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_WATERMARK_IMAGE_H
