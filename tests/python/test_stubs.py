"""The type stubs _lumra.pyi against the module: every function and method
the module has is in the stubs with the parameters its text signature
reports, and every stub names something the module has, apart from the few
methods that other work is still adding."""

import ast
import inspect
import pathlib

import pytest

import _lumra

STUBS = pathlib.Path(_lumra.__file__).with_name("_lumra.pyi")
CLASSES = ("JapaneseDictionary", "ChineseDictionary")
# Stubbed ahead of the module: dictionary loading from bundles and the
# dictionary partial alignments. A stub may only lack its runtime object if
# it is listed here.
PENDING = {"load_bundle", "_partial_distance_alignment", "_partial_ratio_alignment"}


def stub_parameters(function: ast.FunctionDef):
    """[(name, kind, default)] as inspect reports them."""
    args = function.args
    positional = args.posonlyargs + args.args
    defaults = [inspect.Parameter.empty] * (len(positional) - len(args.defaults))
    defaults += [ast.literal_eval(d) for d in args.defaults]
    out = [(a.arg, inspect.Parameter.POSITIONAL_OR_KEYWORD, d) for a, d in zip(positional, defaults)]
    for a, d in zip(args.kwonlyargs, args.kw_defaults):
        default = inspect.Parameter.empty if d is None else ast.literal_eval(d)
        out.append((a.arg, inspect.Parameter.KEYWORD_ONLY, default))
    return out


def runtime_parameters(obj):
    assert obj.__text_signature__, obj
    return [(p.name, p.kind, p.default) for p in inspect.signature(obj).parameters.values()]


def without_self(parameters):
    """A method's own parameters: the stub's `self` and the module's `$self`
    differ only in how they are written."""
    return [p for p in parameters if p[0] != "self"]


def stub_tree():
    tree = ast.parse(STUBS.read_text(encoding="utf-8"))
    functions = {n.name: n for n in tree.body if isinstance(n, ast.FunctionDef)}
    classes = {
        n.name: {m.name: m for m in n.body if isinstance(m, ast.FunctionDef)}
        for n in tree.body
        if isinstance(n, ast.ClassDef)
    }
    return functions, classes


FUNCTIONS, CLASS_STUBS = stub_tree()


def test_the_stubs_name_exactly_the_module():
    names = [n for n in _lumra.__all__ if n not in ("__version__",) + CLASSES]
    assert sorted(FUNCTIONS) == sorted(names)
    assert sorted(CLASS_STUBS) == sorted(CLASSES)
    for cls in CLASSES:
        runtime = {n for n in vars(getattr(_lumra, cls)) if not n.startswith("__")}
        stubbed = set(CLASS_STUBS[cls])
        assert runtime <= stubbed, runtime - stubbed
        assert stubbed - runtime <= PENDING


@pytest.mark.parametrize("name", sorted(FUNCTIONS))
def test_function_signatures(name):
    assert stub_parameters(FUNCTIONS[name]) == runtime_parameters(getattr(_lumra, name))


@pytest.mark.parametrize("cls, name", [(c, n) for c in CLASSES for n in sorted(CLASS_STUBS[c])])
def test_method_signatures(cls, name):
    stub = CLASS_STUBS[cls][name]
    runtime = vars(getattr(_lumra, cls)).get(name)
    if runtime is None:
        assert name in PENDING
        pytest.skip(f"{cls}.{name} is not in this build of the module yet")
    decorators = {d.id for d in stub.decorator_list if isinstance(d, ast.Name)}
    if "property" in decorators:
        assert type(runtime).__name__ == "getset_descriptor"
        return
    if "staticmethod" in decorators:
        runtime = getattr(getattr(_lumra, cls), name)
    assert without_self(stub_parameters(stub)) == without_self(runtime_parameters(runtime))
