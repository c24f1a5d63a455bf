// Helpers for the indexed payload tests: payloads assembled field by field
// (so that any field can be wrong), both languages behind one interface, and
// temporary files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "fst_test_support.h"

namespace lumra::artifacts::testing {

using Bytes = std::vector<std::uint8_t>;
using Entries = std::map<std::string, std::vector<std::string>>;  // byte order of surfaces

inline std::string le(std::uint64_t value, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

// A readings record: the count, then each reading's length and bytes.
inline std::string record(const std::vector<std::string>& readings) {
  std::string out = le(readings.size(), 4);
  for (const std::string& reading : readings) out += le(reading.size(), 4) + reading;
  return out;
}

// An indexed payload with every field settable; unset lengths and counts
// are the true ones.
struct RawPayload {
  std::string magic = "LUMRAI01";
  std::uint32_t version = 1;
  std::uint32_t header_word = 0;
  fst::testing::Pairs keys;  // surface -> record offset
  std::optional<std::uint64_t> entry_count;
  std::optional<Bytes> fst;  // instead of the map of `keys`
  std::optional<std::uint64_t> fst_length;
  std::string readings;
  std::optional<std::uint64_t> readings_length;
  std::string tail;  // after both sections

  Bytes bytes() const {
    const Bytes map = fst ? *fst : fst::testing::build(keys);
    std::string out = magic + le(version, 4) + le(header_word, 4) +
                      le(entry_count.value_or(keys.size()), 8) +
                      le(fst_length.value_or(map.size()), 8) +
                      le(readings_length.value_or(readings.size()), 8);
    out.append(map.begin(), map.end());
    out += readings + tail;
    return Bytes(out.begin(), out.end());
  }
};

// One language's loader, writer and messages, so that the tests of the
// shared layout run for both.
struct Language {
  std::string name;
  std::string magic;
  std::string message_word;  // how its messages name it: "UniDic" or "zh"
  std::string (*load_error)(const Bytes& bytes);
  std::string (*file_load_error)(const std::string& path);
  // Every entry through lookups and the canonical walk, or the error.
  std::optional<Entries> (*entries_of)(const Bytes& bytes);
  std::optional<Bytes> (*encode)(const Entries& entries);

  // `text` with "UniDic" put in this language's terms.
  std::string expect(std::string text) const {
    for (std::size_t at = text.find("UniDic"); at != std::string::npos;
         at = text.find("UniDic", at + message_word.size())) {
      text.replace(at, 6, message_word);
    }
    return text;
  }
};

const Language& japanese();
const Language& chinese();  // no-tone view: readings without tone digits
inline std::vector<Language> both_languages() { return {japanese(), chinese()}; }

// A file in a fresh temporary directory, removed with it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumra-indexed-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : "";
    EXPECT_FALSE(path_.empty());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::string path_;
};

}  // namespace lumra::artifacts::testing
