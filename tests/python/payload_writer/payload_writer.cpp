// _lumra_payload_writer: write_indexed(language, yaml_path, indexed_path)
// loads a YAML payload of "ja" or "zh" and writes its entries as an indexed
// payload; any failure raises ValueError with the library's message.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>
#include <string_view>

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
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

PyMethodDef methods[] = {
    {"write_indexed", &write_indexed_function, METH_VARARGS, nullptr},
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
