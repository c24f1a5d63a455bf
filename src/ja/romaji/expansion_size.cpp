#include "ja/romaji/expansion_size.h"

#include <array>
#include <limits>

#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

std::uint64_t add(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? kSaturated : sum;
}

std::uint64_t multiply(std::uint64_t a, std::uint64_t b) {
  std::uint64_t product;
  return __builtin_mul_overflow(a, b, &product) ? kSaturated : product;
}

// The strings of one step whose last vowel is of one class.
using ClassTotals = ExpansionMeter::ClassTotals;
using StepTotals = std::array<ClassTotals, kVowelClassCount>;

// Sums and products that saturate instead of wrapping.
struct Saturating {
  static std::uint64_t add(std::uint64_t a, std::uint64_t b) { return lumra::ja::add(a, b); }
  static std::uint64_t multiply(std::uint64_t a, std::uint64_t b) {
    return lumra::ja::multiply(a, b);
  }
};
// Plain ones, for limits below 2^32: the totals before a step passed the
// limits, so no class holds more than 2^32 strings or characters (nor more
// than 2^34 bytes, at four per character), and a step adds at most six
// spellings of at most four bytes per string and class: no sum of a step
// comes near 2^64.
struct Plain {
  static std::uint64_t add(std::uint64_t a, std::uint64_t b) { return a + b; }
  static std::uint64_t multiply(std::uint64_t a, std::uint64_t b) { return a * b; }
};

// The totals after `list`, from those before it; false when the step
// passes a limit.
template <class Arithmetic>
bool step_totals(const StepTotals& now, const std::optional<VariantList>& list,
                 std::uint64_t max_paths, std::uint64_t max_symbols, StepTotals& next) {
  next = StepTotals{};
  std::uint64_t strings = 0;
  std::uint64_t chars = 0;
  for (std::size_t c = 0; c < kVowelClassCount; ++c) {
    const ClassTotals& from = now[c];
    if (from.strings == 0) continue;
    const auto vowel = static_cast<VowelClass>(c);
    for (const RomajiVariant& variant : list ? *list : long_vowel_variants(vowel)) {
      // Each string of the class, the variant written behind it.
      const std::uint64_t written_chars =
          Arithmetic::add(from.chars, Arithmetic::multiply(from.strings, variant.chars()));
      const std::uint64_t written_bytes =
          Arithmetic::add(from.bytes, Arithmetic::multiply(from.strings, variant.text().size()));
      ClassTotals& to = next[static_cast<std::size_t>(vowel_class_after(vowel, variant))];
      to.strings = Arithmetic::add(to.strings, from.strings);
      to.chars = Arithmetic::add(to.chars, written_chars);
      to.bytes = Arithmetic::add(to.bytes, written_bytes);
      strings = Arithmetic::add(strings, from.strings);
      chars = Arithmetic::add(chars, written_chars);
    }
  }
  // The expansion fails on a step with more strings than max_paths, or
  // whose characters pass max_symbols, whichever it meets first.
  return !(strings > max_paths || chars > max_symbols || chars == kSaturated);
}

bool step_totals(const StepTotals& now, const std::optional<VariantList>& list,
                 std::uint64_t max_paths, std::uint64_t max_symbols, StepTotals& next) {
  constexpr std::uint64_t kPlainBelow = std::uint64_t{1} << 32;
  if (max_paths < kPlainBelow && max_symbols < kPlainBelow) {
    return step_totals<Plain>(now, list, max_paths, max_symbols, next);
  }
  return step_totals<Saturating>(now, list, max_paths, max_symbols, next);
}

StepTotals first_totals() {
  StepTotals start{};
  start[static_cast<std::size_t>(VowelClass::None)].strings = 1;
  return start;
}

ExpansionSize size_of(const StepTotals& last) {
  ExpansionSize size{true, 0, 0};
  for (const ClassTotals& totals : last) {
    size.strings += totals.strings;
    size.bytes = add(size.bytes, totals.bytes);
  }
  return size;
}

}  // namespace

ExpansionSize expansion_size(const UnitVariantLists& lists, std::uint64_t max_paths,
                             std::uint64_t max_symbols) {
  StepTotals now = first_totals();
  StepTotals next;
  for (const std::optional<VariantList>& list : lists) {
    if (!step_totals(now, list, max_paths, max_symbols, next)) return {false, 0, 0};
    now = next;
  }
  return size_of(now);
}

ExpansionSize ExpansionMeter::measure(const UnitVariantLists& lists, std::size_t kept) {
  if (steps_.empty()) steps_.push_back(first_totals());
  steps_.resize(std::min(kept + 1, steps_.size()));
  for (std::size_t d = steps_.size() - 1; d < lists.size(); ++d) {
    steps_.emplace_back();
    if (!step_totals(steps_[d], lists[d], max_paths_, max_symbols_, steps_[d + 1])) {
      steps_.pop_back();
      return {false, 0, 0};
    }
  }
  return size_of(steps_[lists.size()]);
}

}  // namespace lumra::ja
