#include "artifacts/build/cedict_source.h"

#include <algorithm>
#include <vector>

#include "artifacts/build/gzip_file.h"
#include "artifacts/build/line_reader.h"
#include "artifacts/build/pinyin_marks.h"
#include "core/base/message_template.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts::build {

namespace {

// The dictd edition of CC-CEDICT is about 9 MB uncompressed; this leaves
// room for growth and none for a decompression bomb.
constexpr std::uint64_t kMaxDictBytes = std::uint64_t{1} << 30;

std::string_view take_until(std::string_view& text, char stop) {
  std::size_t at = text.find(stop);
  std::string_view head = text.substr(0, at);
  text.remove_prefix(at == std::string_view::npos ? text.size() : at + 1);
  return head;
}

// "中國 中国 [Zhong1 guo2] /China/" -> the entry, or what is wrong with it.
Result<CedictEntry, std::string> parse_text_line(std::string_view line) {
  CedictEntry entry;
  entry.traditional = take_until(line, ' ');
  entry.simplified = take_until(line, ' ');
  if (entry.traditional.empty() || entry.simplified.empty()) {
    return Fail(std::string("expected \"traditional simplified [pinyin] /gloss/\""));
  }
  if (!line.starts_with('[')) return Fail(std::string("no \"[\" opening the pinyin"));
  line.remove_prefix(1);
  std::size_t close = line.find(']');
  if (close == std::string_view::npos) return Fail(std::string("no \"]\" closing the pinyin"));
  entry.pinyin = line.substr(0, close);
  line.remove_prefix(close + 1);
  if (!line.starts_with(" /")) return Fail(std::string("no \"/\" opening the glosses"));
  return entry;
}

// The dictd index writes offsets and lengths in base64 digits, most
// significant first.
std::optional<std::uint64_t> base64_number(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int digit;
    if (c >= 'A' && c <= 'Z') digit = c - 'A';
    else if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
    else if (c >= '0' && c <= '9') digit = c - '0' + 52;
    else if (c == '+') digit = 62;
    else if (c == '/') digit = 63;
    else return std::nullopt;
    value = value * 64 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

struct Article {
  std::uint64_t offset;
  std::uint64_t length;
  std::uint64_t index_line;
};

// "CC-CEDICT Chinese-English dictionary version 20260906" -> "20260906".
std::string release_in(std::string_view article) {
  std::size_t at = article.find(" version ");
  if (at == std::string_view::npos) return {};
  std::string_view rest = article.substr(at + 9);
  return std::string(rest.substr(0, rest.find_first_of(" \n")));
}

}  // namespace

Result<CedictCounts, BuildError> read_cedict_text(std::string_view path,
                                                  const CedictEntrySink& sink,
                                                  ProblemLog& problems, Progress& progress) {
  LUMRA_TRY_ASSIGN(LineReader source, LineReader::open(path));
  CedictCounts counts;
  std::string_view line;
  while (source.next(line)) {
    progress.rows("reading CC-CEDICT", source.line_number(), source.bytes_read(), source.size());
    if (line.starts_with("#! date=")) counts.release = std::string(line.substr(8));
    if (line.empty() || line.starts_with('#')) continue;
    auto where = [&](std::string what) {
      return InputProblem{source.path(), source.line_number(), std::move(what)};
    };
    auto entry = parse_text_line(line);
    if (!entry.ok()) {
      LUMRA_TRY(problems.report(where(entry.error())));
      continue;
    }
    if (auto what = sink(entry.value())) {
      LUMRA_TRY(problems.report(where(*what)));
      continue;
    }
    ++counts.entries;
  }
  if (source.failure()) return Fail(*source.failure());
  return counts;
}

Result<CedictCounts, BuildError> read_cedict_dictd(std::string_view index_path,
                                                   std::string_view dict_path,
                                                   const CedictEntrySink& sink,
                                                   ProblemLog& problems, Progress& progress) {
  LUMRA_TRY_ASSIGN(LineReader index, LineReader::open(index_path));
  LUMRA_TRY_ASSIGN(std::string dict, read_gzip_file(dict_path, kMaxDictBytes));
  CedictCounts counts;
  auto at_index_line = [&](std::uint64_t line, std::string what) {
    return InputProblem{index.path(), line, std::move(what)};
  };

  // Both headwords of an article point at it, so articles are read once
  // each, in the order of the dictionary (which keeps the source's order of
  // a headword's readings).
  std::vector<Article> articles;
  std::string_view line;
  while (index.next(line)) {
    progress.rows("reading the dictd index", index.line_number(), index.bytes_read(),
                  index.size());
    std::string_view rest = line;
    std::string_view headword = take_until(rest, '\t');
    std::string_view offset_digits = take_until(rest, '\t');
    std::string_view length_digits = take_until(rest, '\t');
    auto offset = base64_number(offset_digits);
    auto length = base64_number(length_digits);
    if (!offset || !length) {
      LUMRA_TRY(problems.report(
          at_index_line(index.line_number(), "expected \"headword<TAB>offset<TAB>length\"")));
      continue;
    }
    if (*offset > dict.size() || *length > dict.size() - *offset) {
      LUMRA_TRY(problems.report(at_index_line(
          index.line_number(), fill_message("article at {} of {} bytes lies past the end of the {} bytes of articles",
                       *offset, *length, dict.size()))));
      continue;
    }
    if (headword.starts_with("00-database-") || headword.starts_with("00database")) {
      // dictd's index spells the headwords without their dashes.
      if (headword == "00-database-short" || headword == "00databaseshort") {
        counts.release = release_in(std::string_view(dict).substr(*offset, *length));
      }
      continue;
    }
    articles.push_back(Article{*offset, *length, index.line_number()});
  }
  if (index.failure()) return Fail(*index.failure());
  std::sort(articles.begin(), articles.end(), [](const Article& a, const Article& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.index_line < b.index_line;
  });
  articles.erase(std::unique(articles.begin(), articles.end(),
                             [](const Article& a, const Article& b) {
                               return a.offset == b.offset && a.length == b.length;
                             }),
                 articles.end());

  std::string marked;
  std::string pinyin;
  std::uint64_t done = 0;
  for (const Article& article : articles) {
    ++done;
    progress.rows("reading CC-CEDICT articles", done, done, articles.size());
    std::string_view text = std::string_view(dict).substr(article.offset, article.length);
    std::string_view headwords = take_until(text, '\n');
    // dictfmt wraps long lines, the pinyin's included, so it runs to the
    // closing bracket rather than to the end of its line.
    std::size_t close = text.find(']');
    if (headwords.empty() || !text.starts_with('[') || close == std::string_view::npos) {
      LUMRA_TRY(problems.report(at_index_line(
          article.index_line, "article does not start with a headword and a [pinyin] line")));
      continue;
    }
    marked.assign(text.substr(1, close - 1));
    std::replace(marked.begin(), marked.end(), '\n', ' ');
    // The conversion would hide bad bytes behind replacement characters.
    if (auto error = ja::find_utf8_error(marked)) {
      LUMRA_TRY(problems.report(at_index_line(
          article.index_line, "invalid UTF-8 in the pinyin: " + ja::message(*error))));
      continue;
    }
    CedictEntry entry;
    std::string_view forms = headwords;
    entry.traditional = take_until(forms, '|');
    entry.simplified = forms.empty() ? entry.traditional : forms;
    pinyin = tone_marks_to_digits(marked);
    entry.pinyin = pinyin;
    if (entry.traditional.empty() || entry.simplified.find('|') != std::string_view::npos) {
      LUMRA_TRY(problems.report(at_index_line(
          article.index_line, fill_message("headword {} is not \"traditional|simplified\"",
                                           Quoted{headwords}))));
      continue;
    }
    if (auto what = sink(entry)) {
      LUMRA_TRY(problems.report(at_index_line(article.index_line, *what)));
      continue;
    }
    ++counts.entries;
  }
  return counts;
}

}  // namespace lumra::artifacts::build
