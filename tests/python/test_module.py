import inspect
import sys
import types
from concurrent.futures import ThreadPoolExecutor

import pytest

import _lumra

# The module attributes in the order in which the module adds them; __all__
# follows this order.
EXPECTED_ALL = [
    "__version__",
    "distance",
    "damerau_distance",
    "combined_distance",
    "normalized_distance",
    "normalized_similarity",
    "ratio",
    "_partial_distance_alignment",
    "_partial_ratio_alignment",
    "_cdist_distance",
    "_cdist_damerau_distance",
    "_cdist_combined_distance",
    "_cdist_normalized_distance",
    "_cdist_normalized_similarity",
    "distance_paths",
    "damerau_distance_paths",
    "normalized_distance_paths",
    "normalized_similarity_paths",
    "ratio_paths",
    "within_distance_paths",
    "within_damerau_distance_paths",
    "JapaneseDictionary",
    "ChineseDictionary",
]

PAIR = "(left, right, *, score_cutoff=None)"
ALIGN = "(query, text, max_span_chars, *, score_cutoff=None)"
CDIST = "(queries, choices, *, score_cutoff=None)"
PATHS = "(left_paths, right_paths, *, score_cutoff=None)"
WITHIN = "(left_paths, right_paths, threshold)"

SIGNATURES = {
    "distance": PAIR,
    "damerau_distance": PAIR,
    "combined_distance": PAIR,
    "normalized_distance": PAIR,
    "normalized_similarity": PAIR,
    "ratio": PAIR,
    "_partial_distance_alignment": ALIGN,
    "_partial_ratio_alignment": ALIGN,
    "_cdist_distance": CDIST,
    "_cdist_damerau_distance": CDIST,
    "_cdist_combined_distance": CDIST,
    "_cdist_normalized_distance": CDIST,
    "_cdist_normalized_similarity": CDIST,
    "distance_paths": PATHS,
    "damerau_distance_paths": PATHS,
    "normalized_distance_paths": PATHS,
    "normalized_similarity_paths": PATHS,
    "ratio_paths": PATHS,
    "within_distance_paths": WITHIN,
    "within_damerau_distance_paths": WITHIN,
}
assert list(SIGNATURES) == EXPECTED_ALL[1:21]


def test_version():
    assert type(_lumra.__version__) is str
    assert _lumra.__version__ == "0.2.3"


def test_module_docstring_is_empty():
    assert _lumra.__doc__ == ""


def test_all_follows_attribute_order():
    names = _lumra.__all__
    assert type(names) is list
    assert names == EXPECTED_ALL


def test_every_listed_name_is_an_attribute():
    for name in _lumra.__all__:
        assert hasattr(_lumra, name), name


def test_no_undeclared_public_attributes():
    extra = {n for n in dir(_lumra) if not (n.startswith("__") and n.endswith("__"))}
    assert extra <= set(EXPECTED_ALL)


@pytest.mark.parametrize("name", list(SIGNATURES))
def test_function_is_builtin_of_this_module(name):
    fn = getattr(_lumra, name)
    assert type(fn) is types.BuiltinFunctionType
    assert inspect.isbuiltin(fn)
    assert fn.__name__ == name
    assert fn.__qualname__ == name
    assert fn.__module__ == "_lumra"


@pytest.mark.parametrize(("name", "signature"), list(SIGNATURES.items()))
def test_function_signature(name, signature):
    fn = getattr(_lumra, name)
    assert fn.__text_signature__ == signature
    assert str(inspect.signature(fn)) == signature
    # The docstring holds nothing beyond the signature block.
    assert fn.__doc__ is None



def test_functions_from_several_threads():
    # Every function computes with the interpreter lock released; results
    # must not depend on what other threads do meanwhile.
    words = ["kitten", "sitting", "\U0001f600abc" * 30, "abc\u0301" * 40, "", "東京都"]
    calls = [
        (_lumra.distance, (words[2], words[3])),
        (_lumra.damerau_distance, (words[0], words[1]), {"score_cutoff": 2}),
        (_lumra.combined_distance, (words[3], words[2])),
        (_lumra.normalized_distance, (words[0], words[5])),
        (_lumra.normalized_similarity, (words[1], words[2]), {"score_cutoff": 0.1}),
        (_lumra.ratio, (words[4], words[4])),
        (_lumra._partial_distance_alignment, ("abc", words[2], 8)),
        (_lumra._partial_ratio_alignment, ("abc", words[3], 8), {"score_cutoff": 0.5}),
        (_lumra._cdist_distance, (words, words)),
        (_lumra._cdist_damerau_distance, (words, words), {"score_cutoff": 3}),
        (_lumra._cdist_combined_distance, (words, words[:3])),
        (_lumra._cdist_normalized_distance, (words, words)),
        (_lumra._cdist_normalized_similarity, (words[:3], words), {"score_cutoff": 0.3}),
        (_lumra.distance_paths, (words[:2], words[2:4])),
        (_lumra.damerau_distance_paths, (words[:3], words[1:2]), {"score_cutoff": 4}),
        (_lumra.normalized_distance_paths, (words[:3], words[3:4])),
        (_lumra.normalized_similarity_paths, (words[:2], words[1:3])),
        (_lumra.ratio_paths, (words[2:3], words[:2])),
        (_lumra.within_distance_paths, (words[:2], words[2:4], 100)),
        (_lumra.within_damerau_distance_paths, (words[:2], words[1:2], 0)),
    ]
    assert {c[0].__name__ for c in calls} == set(SIGNATURES)

    def run(call):
        fn, args, *kw = call
        return fn(*args, **(kw[0] if kw else {}))

    expected = [run(c) for c in calls]
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(5):
            assert list(pool.map(run, calls * 4)) == expected * 4


def test_module_runs_in_subinterpreters_with_their_own_lock():
    interpreters = pytest.importorskip("concurrent.interpreters")
    for _ in range(2):  # a second module object after the first is gone
        interp = interpreters.create()
        try:
            interp.exec(f"import sys; sys.path[:0] = {sys.path!r}")
            # The function is pickled by name, so the subinterpreter imports
            # _lumra itself to call it.
            assert interp.call(_lumra.distance, "kitten", "sitting") == 3
            assert interp.call(_lumra._cdist_distance, ["ab"] * 70, ["b"]) == [[1]] * 70
        finally:
            interp.close()
