"""The six metrics over two plain strings."""

import math
from concurrent.futures import ThreadPoolExecutor

import pytest
from hypothesis import given
from hypothesis import strategies as st

import _lumra
from support import (
    PROPERTY,
    U64_MAX,
    distance_with_cutoff,
    int_cutoffs,
    real_cutoffs,
    similarity_with_cutoff,
    texts,
    with_int_cutoff,
)

E_ACUTE = "\u00e9"
E_COMBINING = "e\u0301"
GRIN = "\U0001f600"

INT_METRICS = [_lumra.distance, _lumra.damerau_distance, _lumra.combined_distance]
DAMERAU_METRICS = [_lumra.damerau_distance, _lumra.combined_distance]
SIMILARITY_METRICS = [_lumra.normalized_similarity, _lumra.ratio]
REAL_METRICS = [_lumra.normalized_distance, *SIMILARITY_METRICS]


# (left, right, Levenshtein, restricted Damerau)
DISTANCES = [
    ("", "", 0, 0),
    ("abc", "", 3, 3),
    ("", "abc", 3, 3),
    ("abc", "abc", 0, 0),
    ("ab", "ba", 2, 1),
    ("ca", "abc", 3, 3),
    ("abc", "ca", 3, 3),
    ("abcdef", "abdcef", 2, 1),
    ("intention", "execution", 5, 5),
    ("saturday", "sunday", 3, 3),
    ("kitten", "sitting", 3, 3),
    ("a", "abcdef", 5, 5),
    ("abcd", "badc", 3, 2),
    ("abab", "baba", 2, 2),
    ("aaaa", "aaa", 1, 1),
    ("xabcx", "xbcax", 2, 2),
    # Unicode: scalar values, no normalisation.
    (E_ACUTE, E_COMBINING, 2, 2),
    (E_COMBINING, "\u0301e", 2, 1),
    (GRIN, "", 1, 1),
    (GRIN + "a", "a" + GRIN, 2, 1),
    (GRIN, "\U0001f601", 1, 1),
    ("\U00010348\U00010349", "\U00010349\U00010348", 2, 1),
    ("中文", "中字", 1, 1),
    ("東京都", "京都", 1, 1),
    ("\U0010ffff", "\U0010fffe", 1, 1),
    ("\u00ff", "\u0100", 1, 1),
    # NUL is an ordinary symbol, not a terminator.
    ("a\x00b", "a\x00c", 1, 1),
    ("\x00", "", 1, 1),
    ("\x00\x00a", "\x00a\x00", 2, 1),
    ("a" * 300 + "b" + "c" * 300, "a" * 300 + "d" + "c" * 300, 1, 1),
]


@pytest.mark.parametrize(("left", "right", "lev", "dam"), DISTANCES)
def test_distances(left, right, lev, dam):
    got = [f(left, right) for f in INT_METRICS]
    assert got == [lev, dam, dam]
    assert all(type(x) is int for x in got)


# (left, right, cutoff, Levenshtein result, Damerau result)
INT_CUTOFFS = [
    ("saturday", "sunday", 0, 1, 1),
    ("saturday", "sunday", 2, 3, 3),
    ("saturday", "sunday", 3, 3, 3),
    ("saturday", "sunday", 10, 3, 3),
    ("intention", "execution", 2, 3, 3),
    ("intention", "execution", 4, 5, 5),
    ("intention", "execution", 5, 5, 5),
    ("abc", "abc", 0, 0, 0),
    ("", "", 0, 0, 0),
    ("", "abc", 2, 3, 3),
    ("abc", "", 3, 3, 3),
    ("a", "abcdef", 2, 3, 3),
    ("ab", "ba", 0, 1, 1),
    ("ab", "ba", 1, 2, 1),
    ("ca", "abc", 2, 3, 3),
    ("ca", "abc", 1, 2, 2),
    ("abcd", "badc", 2, 3, 2),
    ("a" * 50, "b" * 50, 7, 8, 8),
    (GRIN * 3, "a" * 3, 2, 3, 3),
    (E_ACUTE, E_COMBINING, 1, 2, 2),
    ("abc", "xyz", U64_MAX - 1, 3, 3),
    ("abc", "xyz", U64_MAX, 3, 3),
    ("", "abc", U64_MAX, 3, 3),
    ("abcdef", "fedcba", 2**63, 6, 5),
]


@pytest.mark.parametrize(("left", "right", "cutoff", "lev", "dam"), INT_CUTOFFS)
def test_distance_cutoffs(left, right, cutoff, lev, dam):
    # combined_distance takes only signed 64-bit cutoffs.
    metrics = INT_METRICS if cutoff < 2**63 else INT_METRICS[:2]
    got = [f(left, right, score_cutoff=cutoff) for f in metrics]
    assert got == [lev, dam, dam][: len(metrics)]


def test_count_cutoff_true_is_one_but_combined_refuses_bool():
    assert _lumra.distance("saturday", "sunday", score_cutoff=True) == 2
    assert _lumra.damerau_distance("saturday", "sunday", score_cutoff=True) == 2
    with pytest.raises(TypeError, match="^score_cutoff must be an int for distance metrics$"):
        _lumra.combined_distance("saturday", "sunday", score_cutoff=True)


def test_combined_accepts_cutoffs_up_to_i64_max_only():
    assert _lumra.combined_distance("abc", "xyz", score_cutoff=2**63 - 1) == 3
    assert _lumra.damerau_distance("abc", "xyz", score_cutoff=2**63) == 3
    with pytest.raises(TypeError, match="^score_cutoff must be an int for distance metrics$"):
        _lumra.combined_distance("abc", "xyz", score_cutoff=2**63)


# (left, right, similarity)
SIMILARITIES = [
    ("", "", 1.0),
    ("abc", "", 0.0),
    ("", "abc", 0.0),
    ("abc", "abc", 1.0),
    ("abcd", "abce", 0.75),
    ("saturday", "sunday", 0.625),
    ("abc", "abd", 1.0 - 1 / 3),
    ("abc", "xyz", 0.0),
    ("ab", "ba", 0.0),
    ("a", "abcd", 0.25),
    (GRIN, "", 0.0),
    (GRIN + "ab", "ab", 1.0 - 1 / 3),
    ("中文", "中字", 0.5),
    (E_ACUTE, E_COMBINING, 0.0),
    (E_ACUTE + "bc", E_COMBINING + "bc", 0.5),
]


@pytest.mark.parametrize(("left", "right", "sim"), SIMILARITIES)
def test_normalized_scores(left, right, sim):
    for f in SIMILARITY_METRICS:
        got = f(left, right)
        assert type(got) is float
        assert got == sim
    got = _lumra.normalized_distance(left, right)
    assert type(got) is float
    assert got == 1.0 - sim


# (left, right, cutoff, similarity result, normalized distance result)
REAL_CUTOFFS = [
    ("saturday", "sunday", 0.7, 0.0, 0.375),
    ("saturday", "sunday", 0.625, 0.625, 0.375),
    ("saturday", "sunday", 0.375, 0.625, 0.375),
    ("saturday", "sunday", 0.3, 0.625, 1.0),
    ("saturday", "sunday", 0.0, 0.625, 1.0),
    ("saturday", "sunday", -0.0, 0.625, 1.0),
    ("saturday", "sunday", 1.0, 0.0, 0.375),
    ("abcd", "abce", 0.75, 0.75, 0.25),
    ("abcd", "abce", 0.8, 0.0, 0.25),
    ("abcd", "abce", 0.25, 0.75, 0.25),
    ("abcd", "abce", 0.2, 0.75, 1.0),
    ("abcd", "abce", 1, 0.0, 0.25),
    ("abcd", "abcd", 1.0, 1.0, 0.0),
    ("abcd", "abcd", 0.0, 1.0, 0.0),
    ("", "", 1.0, 1.0, 0.0),
    ("", "", 0.0, 1.0, 0.0),
    ("abc", "", 0.0, 0.0, 1.0),
    ("abc", "", 1.0, 0.0, 1.0),
    ("abc", "xyz", 5e-324, 0.0, 1.0),
    ("中文", "中字", 0.5, 0.5, 0.5),
    ("中文", "中字", math.nextafter(0.5, 1.0), 0.0, 0.5),
    ("中文", "中字", math.nextafter(0.5, 0.0), 0.5, 1.0),
]


@pytest.mark.parametrize(("left", "right", "cutoff", "sim", "dist"), REAL_CUTOFFS)
def test_normalized_cutoffs(left, right, cutoff, sim, dist):
    assert [f(left, right, score_cutoff=cutoff) for f in SIMILARITY_METRICS] == [sim, sim]
    assert _lumra.normalized_distance(left, right, score_cutoff=cutoff) == dist


@pytest.mark.parametrize("f", REAL_METRICS)
@pytest.mark.parametrize(
    "cutoff",
    [-0.1, 1.5, math.nan, -math.nan, math.inf, -math.inf, math.nextafter(1.0, 2.0), -5e-324, 2, -1],
)
@pytest.mark.parametrize(("left", "right"), [("abc", "abc"), ("", ""), ("abc", "xyz")])
def test_normalized_cutoff_out_of_range(f, cutoff, left, right):
    with pytest.raises(ValueError) as info:
        f(left, right, score_cutoff=cutoff)
    assert type(info.value) is ValueError
    assert str(info.value) == "score_cutoff must be between 0.0 and 1.0"


def test_results_are_plain_python_numbers():
    assert type(_lumra.distance("a", "b", score_cutoff=U64_MAX)) is int
    assert type(_lumra.combined_distance("a", "b", score_cutoff=0)) is int
    assert type(_lumra.normalized_similarity("a", "b", score_cutoff=1)) is float
    assert type(_lumra.normalized_distance("a", "b", score_cutoff=0)) is float


def test_long_texts():
    left = "x" * 2000 + "abcdef" * 100
    right = "x" * 2000 + "badcfe" * 100
    # Levenshtein shifts the whole block by one; OSA swaps each pair.
    assert _lumra.distance(left, right) == 301
    assert _lumra.damerau_distance(left, right) == 300
    assert _lumra.damerau_distance(left, right, score_cutoff=10) == 11
    assert _lumra.distance(left, right, score_cutoff=300) == 301
    assert _lumra.normalized_similarity(left, right) == 1.0 - 301 / 2600


def test_threads_compute_independently():
    pairs = [("a" * n + "b" * (400 - n), "b" * n + "a" * (400 - n)) for n in range(0, 400, 25)]
    expected = [_lumra.distance(a, b) for a, b in pairs]
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(3):
            assert list(pool.map(lambda p: _lumra.distance(*p), pairs)) == expected


# --- properties ------------------------------------------------------------


@PROPERTY
@given(texts(), texts(), int_cutoffs)
def test_combined_equals_damerau(left, right, cutoff):
    kwargs = {} if cutoff is None or cutoff >= 2**63 else {"score_cutoff": cutoff}
    assert _lumra.combined_distance(left, right, **kwargs) == _lumra.damerau_distance(left, right, **kwargs)


@PROPERTY
@given(texts(), texts(), int_cutoffs)
def test_cutoff_rule_is_consistent_with_uncut_distance(left, right, cutoff):
    for f in INT_METRICS[:2]:
        d = f(left, right)
        got = f(left, right, score_cutoff=cutoff)
        assert got == with_int_cutoff(d, cutoff)


@PROPERTY
@given(texts(), texts())
def test_metric_axioms(left, right):
    lev = _lumra.distance(left, right)
    dam = _lumra.damerau_distance(left, right)
    assert lev == _lumra.distance(right, left)
    assert dam == _lumra.damerau_distance(right, left)
    assert abs(len(left) - len(right)) <= dam <= lev <= max(len(left), len(right))
    assert (lev == 0) == (left == right)


@PROPERTY
@given(texts(), texts(), real_cutoffs)
def test_normalized_family_agrees(left, right, cutoff):
    s = _lumra.normalized_similarity(left, right)
    m = max(len(left), len(right))
    assert s == (1.0 if m == 0 else 1.0 - _lumra.distance(left, right) / m)
    assert _lumra.normalized_distance(left, right) == 1.0 - s
    kw = {"score_cutoff": cutoff}
    sim = _lumra.normalized_similarity(left, right, **kw)
    assert sim == _lumra.ratio(left, right, **kw)
    assert sim == similarity_with_cutoff(s, cutoff)
    assert _lumra.normalized_distance(left, right, **kw) == distance_with_cutoff(1.0 - s, cutoff)


@PROPERTY
@given(texts(), texts(), st.one_of(st.floats(allow_nan=True), st.floats(-1e9, -1e-300), st.floats(1.0000001, 1e9)))
def test_invalid_real_cutoff_always_raises(left, right, cutoff):
    if 0.0 <= cutoff <= 1.0:
        return
    for f in REAL_METRICS:
        with pytest.raises(ValueError, match=r"^score_cutoff must be between 0\.0 and 1\.0$"):
            f(left, right, score_cutoff=cutoff)
