// Operand and option values read from text: counts, numbers, sizes and
// lists, and the one-line refusal of a bad one.
#ifndef KX_HOST_CHAIN_OPTION_VALUES_H
#define KX_HOST_CHAIN_OPTION_VALUES_H

#include <cstdint>
#include <string>
#include <vector>

namespace kxhost {

// A failed check: `reason` in `error`, and false.
bool Refuse(std::string* error, const std::string& reason);

bool ParseUnsigned(const std::string& text, uint64_t low, uint64_t high, uint64_t* value);
bool ParseNumber(const std::string& text, double* value);
// "W" "x" "H", both at least 1.
bool ParseSize(const std::string& text, uint32_t* width, uint32_t* height);
// Comma-separated numbers, at least one.
bool ParseNumberList(const std::string& text, std::vector<double>* values);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_OPTION_VALUES_H
