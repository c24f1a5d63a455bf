// The one way this binding includes CPython's headers.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
