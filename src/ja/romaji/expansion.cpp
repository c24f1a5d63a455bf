#include "ja/romaji/expansion.h"

#include <limits>
#include <utility>

#include "ja/romaji/split_units.h"
#include "ja/romaji/vowel_class.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

constexpr std::uint64_t kOverflow = std::numeric_limits<std::uint64_t>::max();

Failure<JapaneseDistanceError> limit_exceeded(ExpansionLimitKind kind, std::uint64_t actual,
                                              std::uint64_t limit) {
  return Fail(JapaneseDistanceError(distance_errors::ExpansionLimitExceeded{kind, actual, limit}));
}

// The running count of characters written in one step.
class SymbolBudget {
 public:
  explicit SymbolBudget(std::uint64_t max_symbols) : max_(max_symbols) {}

  // Adds a new string of `chars` characters; false once the sum overflows
  // or passes the limit, and the sum is then actual().
  bool add(std::uint64_t chars) {
    if (__builtin_add_overflow(sum_, chars, &sum_)) sum_ = kOverflow;
    return sum_ != kOverflow && sum_ <= max_;
  }
  std::uint64_t actual() const { return sum_; }

 private:
  std::uint64_t max_;
  std::uint64_t sum_ = 0;
};

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? kOverflow : sum;
}

}  // namespace

Status<JapaneseDistanceError> RomajiExpander::expand(std::span<const RomajiUnit> units,
                                                     std::uint64_t max_paths,
                                                     std::uint64_t max_symbols, TextList& out) {
  LUMRA_TRY(fill_unit_variant_lists(units, lists_));
  out.clear();
  out.push_back("");
  chars_.assign(1, 0);
  for (const std::optional<VariantList>& list : lists_) {
    std::swap(out, previous_);
    std::swap(chars_, previous_chars_);
    out.clear();
    chars_.clear();
    SymbolBudget budget(max_symbols);
    const std::size_t count = previous_.size();
    if (list) {
      std::uint64_t product;
      if (__builtin_mul_overflow(std::uint64_t{count}, std::uint64_t{list->size()}, &product)) {
        return limit_exceeded(ExpansionLimitKind::ExpandedPaths, kOverflow, max_paths);
      }
      if (product > max_paths) {
        return limit_exceeded(ExpansionLimitKind::ExpandedPaths, product, max_paths);
      }
      for (std::size_t k = 0; k < count; ++k) {
        for (const RomajiVariant& variant : *list) {
          const std::uint64_t chars = saturating_add(previous_chars_[k], variant.chars());
          if (!budget.add(chars)) {
            return limit_exceeded(ExpansionLimitKind::ExpandedSymbols, budget.actual(),
                                  max_symbols);
          }
          out.push_back(previous_[k], variant.text());
          chars_.push_back(chars);
        }
      }
    } else {
      // The long vowel mark: its spellings depend on each string's last
      // vowel, so the step's size is only known as it is written.
      for (std::size_t k = 0; k < count; ++k) {
        const std::string_view text = previous_[k];
        for (const RomajiVariant& variant :
             long_vowel_variants(vowel_class_after(VowelClass::None, text))) {
          if (out.size() >= max_paths) {
            return limit_exceeded(ExpansionLimitKind::ExpandedPaths, out.size() + 1, max_paths);
          }
          const std::uint64_t chars = saturating_add(previous_chars_[k], variant.chars());
          if (!budget.add(chars)) {
            return limit_exceeded(ExpansionLimitKind::ExpandedSymbols, budget.actual(),
                                  max_symbols);
          }
          out.push_back(text, variant.text());
          chars_.push_back(chars);
        }
      }
    }
  }
  return Unit{};
}

Result<TextList, JapaneseDistanceError> expand_romaji_units(std::span<const RomajiUnit> units,
                                                            std::uint64_t max_paths,
                                                            std::uint64_t max_symbols) {
  RomajiExpander expander;
  TextList out;
  LUMRA_TRY(expander.expand(units, max_paths, max_symbols, out));
  return out;
}

Result<TextList, JapaneseDistanceError> expand_romaji_text(std::string_view text,
                                                           const RomajiExpansionLimits& limits) {
  const std::uint64_t chars = char_count(text);
  if (chars > limits.max_input_chars) {
    return limit_exceeded(ExpansionLimitKind::InputCharacters, chars, limits.max_input_chars);
  }
  LUMRA_TRY_ASSIGN(const std::vector<RomajiUnit> units, split_romaji_units(text, true));
  return expand_romaji_units(units, limits.max_paths, limits.max_symbols);
}

}  // namespace lumra::ja
