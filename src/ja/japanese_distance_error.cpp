#include "ja/japanese_distance_error.h"

#include "core/base/message_template.h"

namespace lumra::ja {

namespace {

using namespace distance_errors;

std::string describe(const UnsupportedCharacter& e) {
  return fill_message("unsupported character {} at char index {}", QuotedChar{e.character},
                      e.index);
}
std::string describe(const MissingRomajiVariant& e) {
  return fill_message("missing romaji variant for kana unit {}", Quoted{e.unit});
}
std::string describe(const NoReadings&) { return "at least one reading is required"; }
std::string describe(const Lattice& e) { return lumra::message(e.error); }
std::string describe(const DistanceMatrix& e) { return lumra::message(e.error); }
std::string describe(const Dictionary& e) { return e.message; }
std::string describe(const ExpansionLimitExceeded& e) {
  return fill_message("romaji expansion exceeded {} limit: {} > {}",
                      expansion_limit_name(e.kind), e.actual, e.limit);
}

}  // namespace

std::string_view expansion_limit_name(ExpansionLimitKind kind) {
  switch (kind) {
    case ExpansionLimitKind::InputCharacters:
      return "input characters";
    case ExpansionLimitKind::ExpandedPaths:
      return "expanded romaji paths";
    case ExpansionLimitKind::ExpandedSymbols:
      return "expanded romaji symbols";
  }
  return "input characters";
}

std::string message(const JapaneseDistanceError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

bool is_romaji_path_failure(const JapaneseDistanceError& error) {
  return std::holds_alternative<UnsupportedCharacter>(error) ||
         std::holds_alternative<MissingRomajiVariant>(error);
}

}  // namespace lumra::ja
