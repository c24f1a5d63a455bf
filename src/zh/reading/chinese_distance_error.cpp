#include "zh/reading/chinese_distance_error.h"

#include "core/base/message_template.h"

namespace lumra::zh {

namespace {

using namespace chinese_errors;

std::string describe(const UnsupportedDirectInput& e) {
  return fill_message("unsupported direct pinyin input {}", Quoted{e.text});
}
std::string describe(const Dictionary& e) { return e.message; }
std::string describe(const DistanceMatrix& e) { return lumra::message(e.error); }
std::string describe(const ReadingStringsTooLarge& e) {
  return fill_message("pinyin reading strings of {} bytes exceed the limit of {}", e.bytes,
                      e.limit);
}

}  // namespace

std::string message(const ChineseDistanceError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

}  // namespace lumra::zh
