// Parameter lists that break a rule of Python signatures must not compile.
// Built once per REFUSE_* case, each expected to fail, and once without, to
// show that the valid list next to them compiles (CMakeLists.txt).
#include <cstdint>
#include <optional>
#include <string>

#include "python/parameter_list.h"

namespace lumra::python {

struct Call {
  SymbolString left;
  SymbolString right;
  std::string format;
  std::optional<std::uint64_t> cutoff;
  ReadingOptionArguments options;
};

#if defined(REFUSE_DUPLICATE_NAME)
constexpr auto kList = parameters(text("left", &Call::left), text("left", &Call::right));
#elif defined(REFUSE_DUPLICATE_FIELD)
constexpr auto kList = parameters(text("left", &Call::left), text("right", &Call::left));
#elif defined(REFUSE_REQUIRED_AFTER_OPTIONAL)
constexpr auto kList =
    parameters(optional_count("cutoff", &Call::cutoff), text("right", &Call::right));
#elif defined(REFUSE_BLOCK_BEFORE_MARKER)
constexpr auto kList = parameters(text("left", &Call::left), reading_options(&Call::options));
#elif defined(REFUSE_WRONG_FIELD_TYPE)
constexpr auto kList = parameters(count("left", &Call::left));
#elif defined(REFUSE_UNWRITABLE_DEFAULT)
constexpr auto kList = parameters(text("format", &Call::format, TextDefault{"a\"b"}));
#else
constexpr auto kList = parameters(
    text("left", &Call::left), text("format", &Call::format, TextDefault{"yaml"}), kKeywordOnly,
    reading_options(&Call::options), optional_count("cutoff", &Call::cutoff));
static_assert(kList.positional == 2 && kList.required_positional == 1);
#endif

}  // namespace lumra::python
