// lumra-build: dictionary bundles from UniDic and CC-CEDICT. The work is
// done in artifacts/build; this file only reads the command line.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/build/build_commands.h"
#include "version.h"

namespace {

using namespace lumra::artifacts::build;

constexpr const char* kUsage =
    "usage: lumra-build unidic --lex-csv FILE --out DIR [options]\n"
    "       lumra-build cedict --source FILE --out DIR [options]\n"
    "\n"
    "Builds a dictionary bundle (metadata.yaml, payload, licence files) that\n"
    "JapaneseDictionary.load_bundle or ChineseDictionary.load_bundle loads.\n"
    "The bundle is written beside DIR and renamed into place when complete.\n"
    "\n"
    "unidic: a UniDic 3.x lex.csv, the column layout taken from its dicrc\n"
    "  --lex-csv FILE                 the lexicon (required)\n"
    "  --dicrc FILE                   its dicrc (default: beside the lexicon)\n"
    "  --format yaml|binary|indexed   payload format (default: indexed)\n"
    "  --reading-field NAME           feature holding the readings: kana, pron,\n"
    "                                 kanaBase, pronBase, ... (default: kana)\n"
    "  --exclude-ascii-surfaces       skip surfaces made of ASCII only\n"
    "  --exclude-symbol-pos           skip symbols, punctuation and blanks\n"
    "  --include-normalized-surfaces  also file each surface under its NFKC form\n"
    "  --exclude-unsupported-readings skip readings romaji cannot spell\n"
    "  --checksum-algorithm NAME      sha256-canonical-v1 (default) or\n"
    "                                 fnv1a64-canonical-v1\n"
    "\n"
    "cedict: CC-CEDICT, the text edition or Debian's dictd edition\n"
    "  --source FILE                  cedict_ts.u8, or cc-cedict.index (required)\n"
    "  --dict FILE                    the dictd articles (default: the index's\n"
    "                                 name with .dict.dz)\n"
    "  --source-format text|dictd     default: dictd when FILE ends in .index\n"
    "  --format yaml|indexed          payload format (default: indexed)\n"
    "  --pinyin-view tone3|no-tone    default: tone3\n"
    "\n"
    "both:\n"
    "  --out DIR                      the bundle directory (required)\n"
    "  --force                        replace DIR when it is a bundle or empty\n"
    "  --max-readings-per-surface N   keep the N preferred readings (1..256)\n"
    "  --license LABEL=FILE           copy FILE into the bundle as a licence\n"
    "                                 reference (repeatable)\n"
    "  --selected-license TEXT        the licence the bundle is distributed under\n"
    "  --artifact-name TEXT, --source-name TEXT, --source-version TEXT\n"
    "  --strict                       stop at the first bad row instead of\n"
    "                                 reporting and skipping it\n"
    "  --help                         this text\n"
    "\n"
    "UniDic readings are converted to hiragana and ordered by the lexicon's\n"
    "cost, most frequent first; CEDICT pinyin is written with tone digits\n"
    "(neutral tone 5) for both the traditional and the simplified headword.\n"
    "Bad rows are reported as FILE:LINE on standard error; progress is shown\n"
    "there only when it is a terminal. Exit status: 0 built, 1 failed, 2 usage.\n";

int usage_error(const std::string& what) {
  std::fprintf(stderr, "lumra-build: %s\n(lumra-build --help shows the options)\n", what.c_str());
  return 2;
}

std::optional<std::uint64_t> parse_count(std::string_view text) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Matches the options of one subcommand; false with `error` set on a bad one.
struct Parser {
  std::vector<std::string_view> args;
  std::size_t at = 0;
  std::string error;

  bool done() const { return at >= args.size(); }
  std::string_view peek() const { return args[at]; }

  // "--name VALUE" or "--name=VALUE".
  std::optional<std::string> value(std::string_view name) {
    std::string_view arg = args[at];
    if (arg == name) {
      if (at + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return std::nullopt;
      }
      at += 2;
      return std::string(args[at - 1]);
    }
    if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
      ++at;
      return std::string(arg.substr(name.size() + 1));
    }
    return std::nullopt;
  }

  bool flag(std::string_view name) {
    if (args[at] != name) return false;
    ++at;
    return true;
  }
};

// The options both subcommands share; true when `parser` consumed one.
bool shared_option(Parser& parser, BundleRequest& bundle) {
  if (auto out = parser.value("--out")) {
    bundle.out_dir = *out;
  } else if (auto format = parser.value("--format")) {
    bundle.format = *format;
  } else if (parser.flag("--force")) {
    bundle.replace = true;
  } else if (parser.flag("--strict")) {
    bundle.strict = true;
  } else if (auto cap = parser.value("--max-readings-per-surface")) {
    bundle.max_readings_per_surface = parse_count(*cap);
    if (!bundle.max_readings_per_surface) parser.error = "--max-readings-per-surface takes a number";
  } else if (auto licence = parser.value("--license")) {
    std::size_t equals = licence->find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == licence->size()) {
      parser.error = "--license takes LABEL=FILE";
    } else {
      bundle.description.licences.push_back(
          {licence->substr(0, equals), licence->substr(equals + 1)});
    }
  } else if (auto text = parser.value("--selected-license")) {
    bundle.description.selected_license = *text;
  } else if (auto name = parser.value("--artifact-name")) {
    bundle.description.artifact_name = *name;
  } else if (auto name = parser.value("--source-name")) {
    bundle.description.source_name = *name;
  } else if (auto version = parser.value("--source-version")) {
    bundle.description.source_version = *version;
  } else {
    return false;
  }
  return true;
}

template <class Request, class Build>
int run(Request& request, Build build) {
  BundleRequest& bundle = request.bundle;
  bundle.log = stderr;
  bundle.description.generator = "lumra-build " LUMRA_VERSION;
  std::string out_dir = bundle.out_dir;
  std::string format = bundle.format;
  auto report = build(std::move(request));
  if (!report.ok()) {
    std::fprintf(stderr, "lumra-build: %s\n", message(report.error()).c_str());
    return 1;
  }
  std::printf("%s\n", summary(report.value(), out_dir, format).c_str());
  return 0;
}

int unidic_command(Parser& parser) {
  UnidicRequest request;
  while (!parser.done() && parser.error.empty()) {
    if (auto lex = parser.value("--lex-csv")) {
      request.lex_csv = *lex;
    } else if (auto dicrc = parser.value("--dicrc")) {
      request.dicrc = *dicrc;
    } else if (auto field = parser.value("--reading-field")) {
      request.options.reading_field = *field;
    } else if (parser.flag("--exclude-ascii-surfaces")) {
      request.options.exclude_ascii_surfaces = true;
    } else if (parser.flag("--exclude-symbol-pos")) {
      request.options.exclude_symbol_pos = true;
    } else if (parser.flag("--include-normalized-surfaces")) {
      request.options.include_normalized_surfaces = true;
    } else if (parser.flag("--exclude-unsupported-readings")) {
      request.options.exclude_unsupported_readings = true;
    } else if (auto algorithm = parser.value("--checksum-algorithm")) {
      request.bundle.description.checksum_algorithm = *algorithm;
    } else if (!shared_option(parser, request.bundle) && parser.error.empty()) {
      parser.error = "unknown option " + std::string(parser.peek()) + " for unidic";
    }
  }
  if (!parser.error.empty()) return usage_error(parser.error);
  if (request.lex_csv.empty()) return usage_error("unidic needs --lex-csv FILE");
  if (request.bundle.out_dir.empty()) return usage_error("unidic needs --out DIR");
  return run(request, build_unidic_bundle);
}

int cedict_command(Parser& parser) {
  CedictRequest request;
  std::optional<std::string> source_format;
  while (!parser.done() && parser.error.empty()) {
    if (auto source = parser.value("--source")) {
      request.source = *source;
    } else if (auto dict = parser.value("--dict")) {
      request.dict = *dict;
    } else if (auto form = parser.value("--source-format")) {
      source_format = *form;
    } else if (auto view = parser.value("--pinyin-view")) {
      request.pinyin_view = *view;
    } else if (!shared_option(parser, request.bundle) && parser.error.empty()) {
      parser.error = "unknown option " + std::string(parser.peek()) + " for cedict";
    }
  }
  if (!parser.error.empty()) return usage_error(parser.error);
  if (request.source.empty()) return usage_error("cedict needs --source FILE");
  if (request.bundle.out_dir.empty()) return usage_error("cedict needs --out DIR");
  if (source_format && *source_format != "text" && *source_format != "dictd") {
    return usage_error("--source-format is text or dictd");
  }
  request.dictd = source_format ? *source_format == "dictd"
                                : std::string_view(request.source).ends_with(".index");
  return run(request, build_cedict_bundle);
}

}  // namespace

int main(int argc, char** argv) {
  Parser parser;
  for (int i = 1; i < argc; ++i) parser.args.emplace_back(argv[i]);
  for (std::string_view arg : parser.args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (parser.args.empty()) return usage_error("no command");
  std::string_view command = parser.args[0];
  parser.at = 1;
  if (command == "unidic") return unidic_command(parser);
  if (command == "cedict") return cedict_command(parser);
  if (command == "--version") {
    std::printf("lumra-build %s\n", LUMRA_VERSION);
    return 0;
  }
  return usage_error("unknown command " + std::string(command) + "; expected unidic or cedict");
}
