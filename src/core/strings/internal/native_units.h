// Calling a function template with the unit pointers of two native texts,
// whatever their widths.
#pragma once

#include <cstdint>

#include "core/strings/native_text.h"

namespace lumra::internal {

// Calls visit(const A* left, left.length, const B* right, right.length)
// with A and B the unsigned types of the two texts' unit widths.
template <class Visit>
decltype(auto) with_native_units(NativeText left, NativeText right, Visit&& visit) {
  const auto with_right = [&](const auto* l) -> decltype(auto) {
    switch (right.width) {
      case 1:
        return visit(l, left.length, static_cast<const std::uint8_t*>(right.units), right.length);
      case 2:
        return visit(l, left.length, static_cast<const std::uint16_t*>(right.units), right.length);
      default:
        return visit(l, left.length, static_cast<const std::uint32_t*>(right.units), right.length);
    }
  };
  switch (left.width) {
    case 1:
      return with_right(static_cast<const std::uint8_t*>(left.units));
    case 2:
      return with_right(static_cast<const std::uint16_t*>(left.units));
    default:
      return with_right(static_cast<const std::uint32_t*>(left.units));
  }
}

}  // namespace lumra::internal
