#include "artifacts/fst/format.h"

#include <array>
#include <string_view>

namespace lumra::fst {
namespace {

// The 63 bytes the format treats as frequent, most frequent first (it was
// tuned on URLs and words, hence the order).
constexpr std::string_view kCommonInputs =
    "te/oasripcnw.hlm-du012g=:bf3y5&_4v9678k%?xCDASFIBEjPTzRNM+LOqHG";
static_assert(kCommonInputs.size() == 63);

constexpr std::array<std::uint8_t, 256> make_codes() {
  std::array<std::uint8_t, 256> codes{};
  for (std::size_t i = 0; i < kCommonInputs.size(); ++i) {
    codes[static_cast<std::uint8_t>(kCommonInputs[i])] = static_cast<std::uint8_t>(i + 1);
  }
  return codes;
}
constexpr std::array<std::uint8_t, 256> kCodes = make_codes();

}  // namespace

std::uint8_t common_input_code(std::uint8_t input) { return kCodes[input]; }

std::uint8_t common_input_byte(std::uint8_t code) {
  return static_cast<std::uint8_t>(kCommonInputs[code - 1]);
}

}  // namespace lumra::fst
