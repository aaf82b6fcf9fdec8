// PNG files made in memory through GDAL's PNG driver: the samples go
// through a MEM dataset into a /vsimem/ file that is read back and
// removed, so nothing touches the disk.
#ifndef KX_TILE_SERVER_PNG_ENCODER_H
#define KX_TILE_SERVER_PNG_ENCODER_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostChain/memoryDataset.h"

namespace kxhost {

// The PNG file of `samples` (8- or 16-bit, as kxhost render writes them);
// false with a one-line reason.
bool EncodePng(const SampleView& samples, std::vector<uint8_t>* png, std::string* error);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_PNG_ENCODER_H
