// Pixel values given on the command line ("255,0,255"), as the bytes of one
// pixel of a host sample type, for the options that hand a pixel or a key to
// the module's pixel replacer.
#ifndef KX_HOST_CHAIN_PIXEL_VALUES_H
#define KX_HOST_CHAIN_PIXEL_VALUES_H

#include <cstdint>
#include <string>
#include <vector>

namespace kxhost {

// The samples of `values` as consecutive samples of host sample type `type`
// (0, 1, 2, 3 or 10), in the machine's byte order. False with a one-line
// reason naming `option` when a value does not fit the type: outside its
// range, or not a whole number for an integer type.
bool EncodePixel(const std::vector<double>& values, uint32_t type, const char* option, std::vector<uint8_t>* bytes,
                 std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_PIXEL_VALUES_H
