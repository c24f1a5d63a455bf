"""Argument parsing and conversion, shared by every module function."""

import ctypes
import enum
import math
import sys

import pytest

import _lumra
from support import U64_MAX, Index, Real, Seq, Text

# Positional-or-keyword parameters of every function; score_cutoff, where a
# function has it, is keyword-only.
POSITIONAL = {
    "distance": ("left", "right"),
    "damerau_distance": ("left", "right"),
    "combined_distance": ("left", "right"),
    "normalized_distance": ("left", "right"),
    "normalized_similarity": ("left", "right"),
    "ratio": ("left", "right"),
    "_partial_distance_alignment": ("query", "text", "max_span_chars"),
    "_partial_ratio_alignment": ("query", "text", "max_span_chars"),
    "_cdist_distance": ("queries", "choices"),
    "_cdist_damerau_distance": ("queries", "choices"),
    "_cdist_combined_distance": ("queries", "choices"),
    "_cdist_normalized_distance": ("queries", "choices"),
    "_cdist_normalized_similarity": ("queries", "choices"),
    "distance_paths": ("left_paths", "right_paths"),
    "damerau_distance_paths": ("left_paths", "right_paths"),
    "normalized_distance_paths": ("left_paths", "right_paths"),
    "normalized_similarity_paths": ("left_paths", "right_paths"),
    "ratio_paths": ("left_paths", "right_paths"),
    "within_distance_paths": ("left_paths", "right_paths", "threshold"),
    "within_damerau_distance_paths": ("left_paths", "right_paths", "threshold"),
}

# Valid values whose results react to every parameter.
GOOD = {
    "left": "abcd",
    "right": "xbce",
    "query": "abc",
    "text": "xxabdxx",
    "max_span_chars": 5,
    "queries": ["abcd", ""],
    "choices": ["xbce", "abcd"],
    "left_paths": ["abcd", "zzzz"],
    "right_paths": ["xbce"],
    "threshold": 2,
}

UNSET = object()


def call(name, score_cutoff=UNSET, **overrides):
    """Call a function with GOOD arguments, by position, some replaced."""
    args = [overrides.pop(p, GOOD[p]) for p in POSITIONAL[name]]
    assert not overrides
    kwargs = {} if score_cutoff is UNSET else {"score_cutoff": score_cutoff}
    return getattr(_lumra, name)(*args, **kwargs)


def sites(*params):
    return [(name, p) for name, ps in POSITIONAL.items() for p in ps if p in params]


TEXT_SITES = sites("left", "right", "query", "text")
LIST_SITES = sites("left_paths", "right_paths", "queries", "choices")
# Sites that show the remaining conversion cases for text lists.
SOME_LIST_SITES = [
    ("distance_paths", "left_paths"),
    ("within_damerau_distance_paths", "right_paths"),
    ("normalized_similarity_paths", "right_paths"),
    ("_cdist_distance", "queries"),
    ("_cdist_normalized_similarity", "choices"),
]


def _quoted_list(names):
    quoted = [f"'{n}'" for n in names]
    if len(quoted) == 2:
        return " and ".join(quoted)
    return ", ".join(quoted[:-1]) + ", and " + quoted[-1]


def _parse_faults():
    # Every argument is None, which no parameter accepts: the parse error must
    # come before any conversion.
    for name, params in POSITIONAL.items():
        n, fn = len(params), f"{name}()"
        yield name, (None,) * (n + 1), {}, f"{fn} takes {n} positional arguments but {n + 1} were given"
        yield name, (None,) * (n - 1), {}, f"{fn} missing 1 required positional argument: '{params[-1]}'"
        yield name, (), {p: None for p in params[1:]}, f"{fn} missing 1 required positional argument: '{params[0]}'"
        yield name, (), {}, f"{fn} missing {n} required positional arguments: {_quoted_list(params)}"
        yield name, (None,) * n, {"cutoff": 1}, f"{fn} got an unexpected keyword argument 'cutoff'"
        yield name, (None,) * n, {params[0]: None}, f"{fn} got multiple values for argument '{params[0]}'"


@pytest.mark.parametrize(("name", "args", "kwargs", "message"), list(_parse_faults()))
def test_malformed_call(name, args, kwargs, message):
    with pytest.raises(TypeError) as info:
        getattr(_lumra, name)(*args, **kwargs)
    assert type(info.value) is TypeError
    assert str(info.value) == message


@pytest.mark.parametrize("name", list(POSITIONAL))
def test_parameters_by_keyword_in_any_order(name):
    expected = call(name)
    kwargs = {p: GOOD[p] for p in reversed(POSITIONAL[name])}
    assert getattr(_lumra, name)(**kwargs) == expected
    if "threshold" not in POSITIONAL[name]:
        assert call(name, score_cutoff=None) == expected


# Python code can only name keywords with str; a caller of the C API can put
# anything in the keyword-names tuple.
_vectorcall = ctypes.pythonapi.PyObject_Vectorcall
_vectorcall.restype = ctypes.py_object
_vectorcall.argtypes = [ctypes.py_object, ctypes.POINTER(ctypes.py_object), ctypes.c_size_t,
                        ctypes.py_object]


def vectorcall(function, positional, keywords):
    values = [*positional, *keywords.values()]
    array = (ctypes.py_object * len(values))(*values)
    return _vectorcall(function, array, len(positional), tuple(keywords))


class Keyword(str):
    pass


@pytest.mark.parametrize("name", list(POSITIONAL))
@pytest.mark.parametrize("keyword", [1, None, b"score_cutoff"], ids=["int", "None", "bytes"])
def test_keyword_names_that_are_not_str_are_refused(name, keyword):
    positional = [GOOD[p] for p in POSITIONAL[name]]
    with pytest.raises(TypeError) as info:
        vectorcall(getattr(_lumra, name), positional[:-1], {keyword: positional[-1]})
    assert str(info.value) == "keywords must be strings"


@pytest.mark.parametrize("name", list(POSITIONAL))
def test_keyword_names_may_be_str_subclasses(name):
    last = POSITIONAL[name][-1]
    positional = [GOOD[p] for p in POSITIONAL[name][:-1]]
    assert vectorcall(getattr(_lumra, name), positional, {Keyword(last): GOOD[last]}) == call(name)


# --- text ------------------------------------------------------------------

BAD_TEXTS = [
    (b"abc", "'bytes' object is not an instance of 'str'"),
    (bytearray(b"abc"), "'bytearray' object is not an instance of 'str'"),
    (None, "'None' is not an instance of 'str'"),
    (3, "'int' object is not an instance of 'str'"),
    (["abc"], "'list' object is not an instance of 'str'"),
    (Index(1), "'Index' object is not an instance of 'str'"),
]


@pytest.mark.parametrize(("name", "param"), TEXT_SITES)
@pytest.mark.parametrize(("value", "message"), BAD_TEXTS)
def test_text_rejects_non_str(name, param, value, message):
    with pytest.raises(TypeError) as info:
        call(name, **{param: value})
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument '{param}': {message}"


@pytest.mark.parametrize(("name", "param"), TEXT_SITES)
def test_text_accepts_str_subclass_by_contents(name, param):
    assert call(name, **{param: Text(GOOD[param])}) == call(name)


@pytest.mark.parametrize(("name", "param"), TEXT_SITES)
def test_text_lone_surrogate_raises_encoder_error(name, param):
    with pytest.raises(UnicodeEncodeError) as info:
        call(name, **{param: "ab\ud800c"})
    err = info.value
    assert (err.encoding, err.start, err.end, err.reason) == ("utf-8", 2, 3, "surrogates not allowed")


# The copy runs in vector steps of several code units; a surrogate must be
# found in any lane and in the tail, in two- and four-byte strings, and a
# long clean string must arrive whole.
@pytest.mark.parametrize("filler", ["\u3042", "\U0001F600"], ids=["two-byte", "four-byte"])
@pytest.mark.parametrize("at", [0, 7, 15, 16, 17, 31, 33, 999])
@pytest.mark.parametrize("surrogate", ["\ud800", "\udfff"])
@pytest.mark.parametrize("metric", [_lumra.distance, _lumra.damerau_distance, _lumra.normalized_similarity])
def test_lone_surrogate_found_anywhere_in_long_text(filler, at, surrogate, metric):
    text = filler * at + surrogate + filler * (1000 - at)
    with pytest.raises(UnicodeEncodeError) as info:
        # A cutoff the lengths alone settle must not skip the check.
        metric(text, "x", score_cutoff=0)
    assert (info.value.start, info.value.end) == (at, at + 1)


@pytest.mark.parametrize("alphabet", ["ab", "\u3042\u3044", "\U0001F600\U0001F601", "a\uffff"])
@pytest.mark.parametrize("length", [15, 16, 17, 48, 49, 1000])
def test_long_texts_copied_whole(alphabet, length):
    text = "".join(alphabet[i % 2] for i in range(length))
    changed = text[:-1] + ("z" if text[-1] != "z" else "y")
    assert _lumra.distance(text, text) == 0
    assert _lumra.distance(text, changed) == 1
    assert _lumra.distance(text, text[1:]) == 1


# --- text list -------------------------------------------------------------

STR_TO_VEC = "Can't extract `str` to `Vec`"


@pytest.mark.parametrize(("name", "param"), LIST_SITES)
@pytest.mark.parametrize(
    ("make", "message"),
    [
        (lambda: "abc", STR_TO_VEC),
        (lambda: {"abc"}, "'set' object is not an instance of 'Sequence'"),
        (lambda: ["abc", 3], "'int' object is not an instance of 'str'"),
    ],
    ids=["str", "set", "int-item"],
)
def test_text_list_rejections_name_the_parameter(name, param, make, message):
    with pytest.raises(TypeError) as info:
        call(name, **{param: make()})
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument '{param}': {message}"


@pytest.mark.parametrize(("name", "param"), SOME_LIST_SITES)
@pytest.mark.parametrize(
    ("make", "message"),
    [
        (lambda: Text("abc"), STR_TO_VEC),
        (lambda: "", STR_TO_VEC),
        (lambda: 3, "'int' object is not an instance of 'Sequence'"),
        (lambda: {"abc": 1}, "'dict' object is not an instance of 'Sequence'"),
        (lambda: (s for s in ["abc"]), "'generator' object is not an instance of 'Sequence'"),
        (lambda: iter(["abc"]), "'list_iterator' object is not an instance of 'Sequence'"),
        (lambda: ("abc", b"abc"), "'bytes' object is not an instance of 'str'"),
        (lambda: b"abc", "'int' object is not an instance of 'str'"),
        (lambda: [["abc"]], "'list' object is not an instance of 'str'"),
    ],
    ids=["str-subclass", "empty-str", "int", "dict", "generator", "iterator",
         "bytes-item", "bytes", "nested-list"],
)
def test_text_list_rejections(name, param, make, message):
    with pytest.raises(TypeError) as info:
        call(name, **{param: make()})
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument '{param}': {message}"


class LyingLength(Seq):
    """Claims a length that its iteration does not deliver."""

    def __init__(self, items, length):
        super().__init__(items)
        self._length = length

    def __len__(self):
        return self._length

    def __getitem__(self, index):
        raise AssertionError("items are read by iteration")

    def __iter__(self):
        return iter(self._items)


@pytest.mark.parametrize(("name", "param"), LIST_SITES)
@pytest.mark.parametrize(
    "wrap",
    [
        tuple,
        Seq,
        lambda items: [Text(s) for s in items],
        lambda items: LyingLength(items, 0),
        lambda items: LyingLength(items, 1000),
    ],
    ids=["tuple", "sequence", "str-subclass-items", "short-len", "long-len"],
)
def test_text_list_accepts_sequences(name, param, wrap):
    assert call(name, **{param: wrap(GOOD[param])}) == call(name)


class FailingIteration(Seq):
    def __init__(self, exc):
        super().__init__(["abc", "abd"])
        self.exc = exc

    def __iter__(self):
        yield "abc"
        raise self.exc


class FussyTypeError(TypeError):
    pass


@pytest.mark.parametrize(("name", "param"), SOME_LIST_SITES)
def test_text_list_iteration_type_error_is_prefixed_and_keeps_its_cause(name, param):
    root = KeyError("root")
    exc = TypeError("iteration broke")
    exc.__cause__ = root
    with pytest.raises(TypeError) as info:
        call(name, **{param: FailingIteration(exc)})
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument '{param}': iteration broke"
    assert info.value.__cause__ is root


@pytest.mark.parametrize(("name", "param"), SOME_LIST_SITES)
@pytest.mark.parametrize(
    "make",
    [lambda: RuntimeError("boom"), lambda: ValueError("boom"), lambda: FussyTypeError("boom")],
    ids=["RuntimeError", "ValueError", "TypeError-subclass"],
)
def test_text_list_iteration_other_errors_pass_unchanged(name, param, make):
    exc = make()
    with pytest.raises(BaseException) as info:
        call(name, **{param: FailingIteration(exc)})
    assert info.value is exc
    assert str(info.value) == "boom"


@pytest.mark.parametrize(("name", "param"), SOME_LIST_SITES)
def test_text_list_lone_surrogate_raises_encoder_error(name, param):
    with pytest.raises(UnicodeEncodeError):
        call(name, **{param: ["abc", "x\udc80"]})


# --- count -----------------------------------------------------------------

# (function, parameter); for score_cutoff the value is passed by keyword.
COUNT_SITES = [
    ("distance", "score_cutoff"),
    ("damerau_distance", "score_cutoff"),
    ("distance_paths", "score_cutoff"),
    ("damerau_distance_paths", "score_cutoff"),
    ("_cdist_distance", "score_cutoff"),
    ("_cdist_damerau_distance", "score_cutoff"),
    ("_partial_distance_alignment", "score_cutoff"),
    ("within_distance_paths", "threshold"),
    ("within_damerau_distance_paths", "threshold"),
    ("_partial_distance_alignment", "max_span_chars"),
    ("_partial_ratio_alignment", "max_span_chars"),
]


def call_count(name, param, value):
    if param == "score_cutoff":
        return call(name, score_cutoff=value)
    return call(name, **{param: value})


class SmallInt(int):
    pass


@pytest.mark.parametrize(("name", "param"), COUNT_SITES)
@pytest.mark.parametrize(
    ("value", "same_as"),
    [(True, 1), (False, 0), (Index(2), 2), (SmallInt(1), 1), (U64_MAX, U64_MAX), (2**63, U64_MAX)],
    ids=["True", "False", "index", "int-subclass", "u64-max", "2**63"],
)
def test_count_accepts(name, param, value, same_as):
    assert call_count(name, param, value) == call_count(name, param, same_as)


@pytest.mark.parametrize(("name", "param"), COUNT_SITES)
def test_count_values_matter(name, param):
    # Guards the test above: these sites really use the value.
    assert call_count(name, param, 0) != call_count(name, param, 2)


@pytest.mark.parametrize(("name", "param"), COUNT_SITES)
@pytest.mark.parametrize("value", [-1, -(2**64), 2**64, 10**400, Index(-1), Index(2**64)],
                         ids=["-1", "-2**64", "2**64", "10**400", "index-1", "index-2**64"])
def test_count_out_of_range_is_overflow_error(name, param, value):
    with pytest.raises(OverflowError) as info:
        call_count(name, param, value)
    assert not str(info.value).startswith("argument")


@pytest.mark.parametrize(("name", "param"), COUNT_SITES)
@pytest.mark.parametrize(
    ("value", "message"),
    [
        (1.5, "'float' object cannot be interpreted as an integer"),
        (1.0, "'float' object cannot be interpreted as an integer"),
        ("1", "'str' object cannot be interpreted as an integer"),
        (Real(1.0), "'Real' object cannot be interpreted as an integer"),
    ],
)
def test_count_without_index_is_prefixed_type_error(name, param, value, message):
    with pytest.raises(TypeError) as info:
        call_count(name, param, value)
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument '{param}': {message}"


@pytest.mark.parametrize(
    ("name", "param"),
    [s for s in COUNT_SITES if s[1] != "score_cutoff"],
)
def test_required_count_refuses_none(name, param):
    with pytest.raises(TypeError) as info:
        call_count(name, param, None)
    assert str(info.value) == f"argument '{param}': 'NoneType' object cannot be interpreted as an integer"


class RaisingIndex:
    def __init__(self, exc):
        self.exc = exc

    def __index__(self):
        raise self.exc


@pytest.mark.parametrize(("name", "param"), [COUNT_SITES[0], COUNT_SITES[7], COUNT_SITES[9]])
def test_count_prefix_rule_for_index_errors(name, param):
    with pytest.raises(TypeError) as info:
        call_count(name, param, RaisingIndex(TypeError("no index today")))
    assert str(info.value) == f"argument '{param}': no index today"
    exc = ValueError("not prefixed")
    with pytest.raises(ValueError) as info:
        call_count(name, param, RaisingIndex(exc))
    assert info.value is exc


# --- real ------------------------------------------------------------------

REAL_SITES = [
    "normalized_distance",
    "normalized_similarity",
    "ratio",
    "normalized_distance_paths",
    "normalized_similarity_paths",
    "ratio_paths",
    "_cdist_normalized_distance",
    "_cdist_normalized_similarity",
    "_partial_ratio_alignment",
]


@pytest.mark.parametrize("name", REAL_SITES)
@pytest.mark.parametrize(
    ("value", "same_as"),
    [(1, 1.0), (0, 0.0), (True, 1.0), (Real(0.5), 0.5), (Real(1.0), 1.0), (Index(1), 1.0), (None, UNSET)],
    ids=["int-1", "int-0", "True", "float-0.5", "float-1", "index", "None"],
)
def test_real_accepts(name, value, same_as):
    assert call(name, score_cutoff=value) == call(name, score_cutoff=same_as)


@pytest.mark.parametrize("name", REAL_SITES)
def test_real_cutoff_matters(name):
    assert call(name, score_cutoff=1.0) != call(name, score_cutoff=0.0)


@pytest.mark.parametrize("name", REAL_SITES)
@pytest.mark.parametrize(
    ("value", "message"),
    [
        ("0.5", "must be real number, not str"),
        (b"0.5", "must be real number, not bytes"),
        ([0.5], "must be real number, not list"),
    ],
)
def test_real_rejects_non_numbers_with_prefix(name, value, message):
    with pytest.raises(TypeError) as info:
        call(name, score_cutoff=value)
    assert type(info.value) is TypeError
    assert str(info.value) == f"argument 'score_cutoff': {message}"


@pytest.mark.parametrize("name", REAL_SITES)
def test_real_too_large_int_is_overflow_error(name):
    with pytest.raises(OverflowError) as info:
        call(name, score_cutoff=10**400)
    assert not str(info.value).startswith("argument")


# --- combined-distance cutoff ---------------------------------------------

NOT_AN_INT = "score_cutoff must be an int for distance metrics"
NEGATIVE = "score_cutoff must be >= 0 for distance metrics"


class Colour(enum.IntEnum):
    RED = 1


def _combined(value):
    return _lumra.combined_distance("abcd", "badc", score_cutoff=value)


def _cdist_combined(value):
    return _lumra._cdist_combined_distance(["abcd", "a"], ["badc"], score_cutoff=value)


def _cdist_combined_empty(value):
    return _lumra._cdist_combined_distance([], [], score_cutoff=value)


COMBINED_SITES = [_combined, _cdist_combined, _cdist_combined_empty]


@pytest.mark.parametrize("site", COMBINED_SITES)
@pytest.mark.parametrize(
    "value",
    [True, False, 1.0, 0.0, math.nan, "1", b"1", [1], 2**63, 2**64, -(2**63) - 1, Index(2**63),
     Real(1.0), RaisingIndex(ValueError("x")), RaisingIndex(OverflowError("x"))],
    ids=["True", "False", "1.0", "0.0", "nan", "str", "bytes", "list", "2**63", "2**64",
         "below-i64", "index-2**63", "float-object", "index-ValueError", "index-OverflowError"],
)
def test_combined_cutoff_not_an_int(site, value):
    with pytest.raises(TypeError) as info:
        site(value)
    assert type(info.value) is TypeError
    assert str(info.value) == NOT_AN_INT


@pytest.mark.parametrize("site", COMBINED_SITES)
@pytest.mark.parametrize(
    ("value", "cause"),
    [(True, None), (1.5, TypeError), ("1", TypeError), (2**63, OverflowError),
     (RaisingIndex(ValueError("x")), ValueError), (RaisingIndex(ArithmeticError("x")), ArithmeticError)],
    ids=["bool", "float", "str", "2**63", "index-ValueError", "index-ArithmeticError"],
)
def test_combined_cutoff_keeps_the_conversion_error_as_cause(site, value, cause):
    with pytest.raises(TypeError) as info:
        site(value)
    assert str(info.value) == NOT_AN_INT
    found = info.value.__cause__
    assert (found if found is None else type(found)) is cause
    if isinstance(value, RaisingIndex):
        assert info.value.__cause__ is value.exc


@pytest.mark.parametrize("site", COMBINED_SITES)
@pytest.mark.parametrize("make", [KeyboardInterrupt, MemoryError, SystemExit])
def test_combined_cutoff_never_hides_interruptions_or_memory_errors(site, make):
    exc = make()
    with pytest.raises(BaseException) as info:
        site(RaisingIndex(exc))
    assert info.value is exc


@pytest.mark.parametrize("site", COMBINED_SITES)
@pytest.mark.parametrize("value", [-1, -(2**63), Index(-1)], ids=["-1", "i64-min", "index"])
def test_combined_cutoff_negative(site, value):
    with pytest.raises(ValueError) as info:
        site(value)
    assert type(info.value) is ValueError
    assert str(info.value) == NEGATIVE


@pytest.mark.parametrize("site", COMBINED_SITES)
@pytest.mark.parametrize(
    ("value", "same_as"),
    [(Index(1), 1), (SmallInt(1), 1), (Colour.RED, 1), (2**63 - 1, 2**63 - 1), (0, 0), (None, None)],
    ids=["index", "int-subclass", "int-enum", "i64-max", "zero", "None"],
)
def test_combined_cutoff_accepts(site, value, same_as):
    assert site(value) == site(same_as)


def test_combined_cutoff_values_matter():
    assert [_combined(k) for k in (None, 0, 1, 2, 2**63 - 1)] == [2, 1, 2, 2, 2]


# --- conversion order ------------------------------------------------------


@pytest.mark.parametrize(
    ("thunk", "exc", "message"),
    [
        (lambda: _lumra.distance(1, None, score_cutoff=-1), TypeError,
         "argument 'left': 'int' object is not an instance of 'str'"),
        (lambda: _lumra.distance(right=1, left=None), TypeError,
         "argument 'left': 'None' is not an instance of 'str'"),
        (lambda: _lumra.distance("a", 1, score_cutoff=-1), TypeError,
         "argument 'right': 'int' object is not an instance of 'str'"),
        (lambda: _lumra.distance("a", "b", score_cutoff=-1), OverflowError, None),
        (lambda: _lumra.combined_distance(b"a", "b", score_cutoff=True), TypeError,
         "argument 'left': 'bytes' object is not an instance of 'str'"),
        (lambda: _lumra.combined_distance("a", "b\ud800", score_cutoff=-1), UnicodeEncodeError, None),
        (lambda: _lumra.normalized_similarity("a", None, score_cutoff="x"), TypeError,
         "argument 'right': 'None' is not an instance of 'str'"),
        (lambda: _lumra._partial_distance_alignment(1, 2, -1, score_cutoff=1.5), TypeError,
         "argument 'query': 'int' object is not an instance of 'str'"),
        (lambda: _lumra._partial_distance_alignment("a", 2, -1, score_cutoff=1.5), TypeError,
         "argument 'text': 'int' object is not an instance of 'str'"),
        (lambda: _lumra._partial_distance_alignment("a", "b", -1, score_cutoff=1.5), OverflowError, None),
        (lambda: _lumra._partial_ratio_alignment("a", "b", 1.5, score_cutoff="x"), TypeError,
         "argument 'max_span_chars': 'float' object cannot be interpreted as an integer"),
        (lambda: _lumra._partial_ratio_alignment("a", "b", 1, score_cutoff="x"), TypeError,
         "argument 'score_cutoff': must be real number, not str"),
        (lambda: _lumra.distance_paths("abc", 1, score_cutoff=-1), TypeError,
         f"argument 'left_paths': {STR_TO_VEC}"),
        (lambda: _lumra.distance_paths(["a"], {"a"}, score_cutoff=-1), TypeError,
         "argument 'right_paths': 'set' object is not an instance of 'Sequence'"),
        (lambda: _lumra.within_distance_paths(["a"], ["a"], -1), OverflowError, None),
        (lambda: _lumra._cdist_combined_distance(["a"], "a", score_cutoff=True), TypeError,
         f"argument 'choices': {STR_TO_VEC}"),
        (lambda: _lumra._cdist_normalized_similarity([1], "a", score_cutoff="x"), TypeError,
         "argument 'queries': 'int' object is not an instance of 'str'"),
    ],
)
def test_first_failing_parameter_in_signature_order_decides(thunk, exc, message):
    with pytest.raises(exc) as info:
        thunk()
    assert type(info.value) is exc
    if message is not None:
        assert str(info.value) == message


class LyingLength:
    """A sequence whose reported length has nothing to do with its items."""

    def __init__(self, items, length):
        self.items, self.length = items, length

    def __len__(self):
        return self.length

    def __getitem__(self, i):
        return self.items[i]


@pytest.mark.parametrize("length", [0, 1, 10**9, sys.maxsize])
def test_reported_length_only_presizes_a_text_list(length):
    paths = LyingLength(["abc", "abd"], length)
    assert _lumra.distance_paths(paths, ["abd"]) == 0
    assert _lumra._cdist_distance(paths, ["abc"]) == [[0], [1]]


class FailingLength(LyingLength):
    def __init__(self, items, exc):
        super().__init__(items, 0)
        self.exc = exc

    def __len__(self):
        raise self.exc


def test_failing_length_only_loses_the_presizing_unless_it_interrupts():
    paths = FailingLength(["abc", "abd"], ValueError("no length"))
    assert _lumra.distance_paths(paths, ["abd"]) == 0
    for exc in (KeyboardInterrupt(), MemoryError()):
        with pytest.raises(BaseException) as info:
            _lumra._cdist_distance(FailingLength(["abc"], exc), ["abc"])
        assert info.value is exc
