/* Hooks for counting instructions under callgrind (bench/instructions.py).
 *
 * noop() takes any arguments the way a metric of _lumra does (vectorcall
 * with keywords) and does nothing, so a loop calling it costs what the loop
 * and the call itself cost: the part subtracted from every count. zero() and
 * dump() mark a counted region: zero() clears callgrind's counters and dump()
 * writes them out under a label. Outside valgrind the requests do nothing. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <valgrind/callgrind.h>
#include <valgrind/valgrind.h>

static PyObject* noop(PyObject* self, PyObject* const* args, Py_ssize_t nargsf,
                      PyObject* kwnames) {
  (void)self;
  (void)args;
  (void)nargsf;
  (void)kwnames;
  Py_RETURN_NONE;
}

static PyObject* start(PyObject* self, PyObject* unused) {
  (void)self;
  (void)unused;
  CALLGRIND_START_INSTRUMENTATION;
  Py_RETURN_NONE;
}

static PyObject* zero(PyObject* self, PyObject* unused) {
  (void)self;
  (void)unused;
  CALLGRIND_ZERO_STATS;
  Py_RETURN_NONE;
}

static PyObject* dump(PyObject* self, PyObject* label) {
  (void)self;
  const char* text = PyUnicode_AsUTF8(label);
  if (text == NULL) return NULL;
  CALLGRIND_DUMP_STATS_AT(text);
  Py_RETURN_NONE;
}

static PyObject* under_valgrind(PyObject* self, PyObject* unused) {
  (void)self;
  (void)unused;
  return PyBool_FromLong(RUNNING_ON_VALGRIND ? 1 : 0);
}

static PyMethodDef methods[] = {
    {"noop", (PyCFunction)(void (*)(void))noop, METH_FASTCALL | METH_KEYWORDS, NULL},
    {"start", start, METH_NOARGS, NULL},
    {"zero", zero, METH_NOARGS, NULL},
    {"dump", dump, METH_O, NULL},
    {"under_valgrind", under_valgrind, METH_NOARGS, NULL},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef module = {PyModuleDef_HEAD_INIT, "_bench_probe", NULL, -1, methods};

PyMODINIT_FUNC PyInit__bench_probe(void) { return PyModule_Create(&module); }
