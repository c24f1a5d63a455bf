// Helpers for the bundle builder tests: source files in a temporary
// directory, and the builder's parts run without a terminal.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "indexed_test_support.h"

namespace lumra::artifacts::build::testing {

using artifacts::testing::TempDir;

inline std::string write_text(const TempDir& dir, const std::string& name,
                              const std::string& text) {
  std::string path = dir.path() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

inline std::string write_gzip(const TempDir& dir, const std::string& name,
                              const std::string& text) {
  std::string path = dir.path() + "/" + name;
  gzFile out = ::gzopen(path.c_str(), "wb");
  ::gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
  ::gzclose(out);
  return path;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The dicrc feature lines of UniDic 3.x, as Debian ships them.
inline std::string unidic_dicrc() {
  const char* names[] = {"pos1",     "pos2",     "pos3",    "pos4",     "cType",    "cForm",
                         "lForm",    "lemma",    "orth",    "pron",     "orthBase", "pronBase",
                         "goshu",    "iType",    "iForm",   "fType",    "fForm",    "iConType",
                         "fConType", "type",     "kana",    "kanaBase", "form",     "formBase",
                         "aType",    "aConType", "aModType", "lid",     "lemma_id"};
  std::string text = "; List of features\n";
  int index = 0;
  for (const char* name : names) {
    text += "; f[" + std::to_string(index++) + "]:";
    text += std::string(index > 10 ? " " : "  ") + name + "\n";
  }
  return text + "\ncost-factor = 700\n";
}

// A lex.csv row in that layout: surface, cost, pos1, pron and kana.
inline std::string lex_row(const std::string& surface, int cost, const std::string& pos1,
                           const std::string& kana, const std::string& pron = "") {
  std::string row = surface + ",1,2," + std::to_string(cost) + "," + pos1;
  for (int f = 1; f < 29; ++f) {
    row += ",";
    if (f == 9) row += pron.empty() ? kana : pron;
    else if (f == 20) row += kana;
    else row += "*";
  }
  return row + "\n";
}

}  // namespace lumra::artifacts::build::testing
