// _lumra_payload_writer: write_indexed(language, yaml_path, indexed_path)
// loads a YAML payload of "ja" or "zh" and writes its entries as an indexed
// payload; any failure raises ValueError with the library's message.
// write_shared_record(path, surfaces, readings, reading_bytes) writes a
// Japanese indexed payload whose `surfaces` keys ("0000000", "0000001", ...)
// all point at one record of `readings` distinct readings of
// `reading_bytes` bytes: small on disk, but every surface's entry in the
// canonical text holds the whole record.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "artifacts/fst/fst_map_builder.h"
#include "artifacts/load_payload.h"

namespace {

// The library's message for the failure, or "" when the file was written.
std::string write_indexed(std::string_view language, const char* yaml_path,
                          const char* indexed_path) {
  using namespace lumra;
  if (language == "ja") {
    auto index = artifacts::load_japanese_payload(yaml_path, "yaml");
    if (!index.ok()) return ja::message(index.error());
    auto written = artifacts::write_indexed_payload(*index.value(), indexed_path);
    return written.ok() ? "" : artifacts::message(written.error());
  }
  if (language == "zh") {
    auto index = artifacts::load_chinese_payload(yaml_path, "yaml");
    if (!index.ok()) return zh::message(index.error());
    auto written = artifacts::write_zh_indexed_payload(*index.value(), indexed_path);
    return written.ok() ? "" : artifacts::message(written.error());
  }
  return "language must be 'ja' or 'zh'";
}

PyObject* write_indexed_function(PyObject*, PyObject* args) {
  const char* language;
  const char* yaml_path;
  const char* indexed_path;
  if (!PyArg_ParseTuple(args, "sss", &language, &yaml_path, &indexed_path)) return nullptr;
  const std::string error = write_indexed(language, yaml_path, indexed_path);
  if (!error.empty()) {
    PyErr_SetString(PyExc_ValueError, error.c_str());
    return nullptr;
  }
  Py_RETURN_NONE;
}

void append_le(std::string& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

PyObject* write_shared_record_function(PyObject*, PyObject* args) {
  const char* path;
  unsigned long surfaces, readings, reading_bytes;
  if (!PyArg_ParseTuple(args, "skkk", &path, &surfaces, &readings, &reading_bytes)) return nullptr;
  lumra::fst::FstMapBuilder map;
  char key[32];
  for (unsigned long k = 0; k < surfaces; ++k) {
    std::snprintf(key, sizeof key, "%07lu", k);
    if (!map.add(key, 0).ok()) return PyErr_Format(PyExc_ValueError, "key %s refused", key);
  }
  std::string record;
  append_le(record, readings, 4);
  for (unsigned long r = 0; r < readings; ++r) {
    std::string reading(reading_bytes, 'a');
    std::snprintf(key, sizeof key, "%lu", r);
    reading.replace(0, std::min<std::size_t>(reading.size(), std::strlen(key)), key);
    append_le(record, reading.size(), 4);
    record += reading;
  }
  const std::vector<std::uint8_t> fst = std::move(map).finish();
  std::string header = "LUMRAI01";
  append_le(header, 1, 4);
  append_le(header, 0, 4);
  append_le(header, surfaces, 8);
  append_le(header, fst.size(), 8);
  append_le(header, record.size(), 8);
  std::ofstream out(path, std::ios::binary);
  out << header;
  out.write(reinterpret_cast<const char*>(fst.data()), static_cast<std::streamsize>(fst.size()));
  out << record;
  if (!out.good()) return PyErr_Format(PyExc_ValueError, "cannot write %s", path);
  Py_RETURN_NONE;
}

PyMethodDef methods[] = {
    {"write_indexed", &write_indexed_function, METH_VARARGS, nullptr},
    {"write_shared_record", &write_shared_record_function, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef_Slot slots[] = {
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_lumra_payload_writer", nullptr, 0, methods, slots,
    nullptr,               nullptr,                 nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__lumra_payload_writer() { return PyModuleDef_Init(&module_def); }
