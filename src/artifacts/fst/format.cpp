#include "artifacts/fst/format.h"

#include <array>
#include <string_view>

namespace lumra::fst {
namespace {

constexpr std::array<std::uint8_t, 256> make_codes() {
  std::array<std::uint8_t, 256> codes{};
  for (std::size_t i = 0; i + 1 < sizeof(kCommonInputs); ++i) {
    codes[static_cast<std::uint8_t>(kCommonInputs[i])] = static_cast<std::uint8_t>(i + 1);
  }
  return codes;
}
constexpr std::array<std::uint8_t, 256> kCodes = make_codes();

}  // namespace

std::uint8_t common_input_code(std::uint8_t input) { return kCodes[input]; }

}  // namespace lumra::fst
