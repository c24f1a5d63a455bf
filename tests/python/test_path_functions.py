"""The _paths functions: distances between two sets of alternative spellings."""

import subprocess
import sys
import time

import pytest
from hypothesis import given
from hypothesis import strategies as st

import _lumra
from support import (
    PROPERTY,
    TINY,
    U64_MAX,
    Seq,
    distance_with_cutoff,
    int_cutoffs,
    real_cutoffs,
    similarity_with_cutoff,
    small_texts,
    with_int_cutoff,
)

GRIN = "\U0001f600"


def _within_d(left, right, **kw):
    return _lumra.within_distance_paths(left, right, 1, **kw)


def _within_dd(left, right, **kw):
    return _lumra.within_damerau_distance_paths(left, right, 1, **kw)


ALL_PATH_FUNCTIONS = [
    _lumra.distance_paths,
    _lumra.damerau_distance_paths,
    _lumra.normalized_distance_paths,
    _lumra.normalized_similarity_paths,
    _lumra.ratio_paths,
    _within_d,
    _within_dd,
]
CUTOFF_FUNCTIONS = ALL_PATH_FUNCTIONS[:5]
REAL_FUNCTIONS = ALL_PATH_FUNCTIONS[2:5]
LATTICE_FUNCTIONS = [
    pytest.param(_lumra.distance_paths, id="distance"),
    pytest.param(_lumra.damerau_distance_paths, id="damerau"),
    pytest.param(lambda left, right: _lumra.distance_paths(left, right, score_cutoff=0), id="distance-cutoff"),
    pytest.param(
        lambda left, right: _lumra.damerau_distance_paths(left, right, score_cutoff=U64_MAX), id="damerau-cutoff"
    ),
    pytest.param(lambda left, right: _lumra.within_distance_paths(left, right, 0), id="within"),
    pytest.param(lambda left, right: _lumra.within_damerau_distance_paths(left, right, U64_MAX), id="within-damerau"),
]


# --- validation ------------------------------------------------------------

VALIDATION = [
    ([], ["a"], "left_paths must contain at least one path"),
    (["a"], [], "right_paths must contain at least one path"),
    ([], [], "left_paths must contain at least one path"),
    (["a", ""], ["a"], "left_paths cannot mix empty and non-empty paths"),
    (["", "a"], ["a"], "left_paths cannot mix empty and non-empty paths"),
    (["", "", GRIN], [""], "left_paths cannot mix empty and non-empty paths"),
    (["a"], ["", "b"], "right_paths cannot mix empty and non-empty paths"),
    ([""], ["b", "c", ""], "right_paths cannot mix empty and non-empty paths"),
    (["", "a"], [], "left_paths cannot mix empty and non-empty paths"),
    ([], ["", "a"], "left_paths must contain at least one path"),
    (["a", ""], ["", "a"], "left_paths cannot mix empty and non-empty paths"),
    ((), ("a",), "left_paths must contain at least one path"),
    (Seq(["a"]), Seq(["", "a"]), "right_paths cannot mix empty and non-empty paths"),
]


@pytest.mark.parametrize("f", ALL_PATH_FUNCTIONS)
@pytest.mark.parametrize(("left", "right", "message"), VALIDATION)
def test_path_list_validation(f, left, right, message):
    with pytest.raises(ValueError) as info:
        f(left, right)
    assert type(info.value) is ValueError
    assert str(info.value) == message


@pytest.mark.parametrize("f", REAL_FUNCTIONS)
@pytest.mark.parametrize("cutoff", [2.0, -0.5, float("nan")])
def test_validation_precedes_cutoff_range(f, cutoff):
    with pytest.raises(ValueError, match="^left_paths must contain at least one path$"):
        f([], ["a"], score_cutoff=cutoff)
    with pytest.raises(ValueError, match="^right_paths cannot mix empty and non-empty paths$"):
        f(["a"], ["a", ""], score_cutoff=cutoff)
    with pytest.raises(ValueError, match=r"^score_cutoff must be between 0\.0 and 1\.0$"):
        f(["a"], ["a"], score_cutoff=cutoff)


def test_conversion_precedes_validation():
    with pytest.raises(TypeError, match="^argument 'right_paths': Can't extract `str` to `Vec`$"):
        _lumra.distance_paths([], "abc")
    with pytest.raises(OverflowError):
        _lumra.distance_paths([], ["a"], score_cutoff=-1)
    with pytest.raises(OverflowError):
        _lumra.within_damerau_distance_paths(["a", ""], ["a"], -1)
    with pytest.raises(TypeError, match="^argument 'score_cutoff': "):
        _lumra.normalized_similarity_paths([], ["a"], score_cutoff="0.5")


# --- values ----------------------------------------------------------------

# (left, right, Levenshtein, restricted Damerau)
PATH_DISTANCES = [
    (["abc"], ["abd"], 1, 1),
    (["color", "colour"], ["colour"], 0, 0),
    (["abc", "xyz"], ["xbz"], 1, 1),
    (["ab"], ["ba"], 2, 1),
    (["ca"], ["abc"], 3, 3),
    (["ab", "ab"], ["ba", "ba"], 2, 1),
    (["xy", "ab"], ["ba", "yx"], 2, 1),
    ([""], ["abc"], 3, 3),
    (["abc"], [""], 3, 3),
    ([""], [""], 0, 0),
    (["", ""], [""], 0, 0),
    (["", "", ""], ["ab", "abc"], 2, 2),
    (["a", "abcdef"], ["abcdeg"], 1, 1),
    (["abcdef", "a"], ["b"], 1, 1),
    (["kitten"], ["mittens"], 2, 2),
    ([GRIN + "a"], ["a" + GRIN], 2, 1),
    (["\u00e9"], ["e\u0301"], 2, 2),
    (["\u00e9", "e\u0301"], ["e\u0301"], 0, 0),
    (["東京", "とうきょう"], ["とうきよう"], 1, 1),
    (("abc", "xyz"), ("xbz",), 1, 1),
    (Seq(["ab"]), Seq(["ba"]), 2, 1),
    # A long path on the side with fewer paths: the short paths play the queries.
    (["x" * 4500 + "ab"], ["ba", "xab"], 4499, 4499),
]


@pytest.mark.parametrize(("left", "right", "lev", "dam"), PATH_DISTANCES)
def test_path_distances(left, right, lev, dam):
    got = [_lumra.distance_paths(left, right), _lumra.damerau_distance_paths(left, right)]
    assert got == [lev, dam]
    assert all(type(x) is int for x in got)
    for k in (lev - 1, lev, lev + 1):
        if k >= 0:
            assert _lumra.within_distance_paths(left, right, k) is (lev <= k)
    for k in (dam - 1, dam, dam + 1):
        if k >= 0:
            assert _lumra.within_damerau_distance_paths(left, right, k) is (dam <= k)


# (left, right, cutoff, Levenshtein result, Damerau result)
PATH_CUTOFFS = [
    (["abcdef"], ["a"], 2, 3, 3),
    (["kitten"], ["mittens"], 1, 2, 2),
    (["kitten"], ["mittens"], 2, 2, 2),
    (["ab"], ["ba"], 0, 1, 1),
    (["ab"], ["ba"], 1, 2, 1),
    (["abc", "xyz"], ["xbz"], 0, 1, 1),
    (["abc"], ["abc"], 0, 0, 0),
    ([""], [""], 0, 0, 0),
    (["", ""], ["abc"], 1, 2, 2),
    (["abc"], ["xyz"], U64_MAX, 3, 3),
    (["abc"], ["xyz"], U64_MAX - 1, 3, 3),
    ([""], ["abc"], U64_MAX, 3, 3),
]


@pytest.mark.parametrize(("left", "right", "cutoff", "lev", "dam"), PATH_CUTOFFS)
def test_path_distance_cutoffs(left, right, cutoff, lev, dam):
    assert _lumra.distance_paths(left, right, score_cutoff=cutoff) == lev
    assert _lumra.damerau_distance_paths(left, right, score_cutoff=cutoff) == dam


def test_within_forms_differ_on_transposition():
    assert _lumra.within_damerau_distance_paths(["ab"], ["ba"], 1) is True
    assert _lumra.within_distance_paths(["ab"], ["ba"], 1) is False
    assert _lumra.within_distance_paths(["ab"], ["ba"], U64_MAX) is True
    assert _lumra.within_distance_paths([""], [""], 0) is True
    assert _lumra.within_distance_paths(["", ""], ["a"], 0) is False


# (left, right, best pair similarity)
PATH_SIMILARITIES = [
    (["abcd", "xyz"], ["abce"], 0.75),
    (["abc", "xyz"], ["xyz"], 1.0),
    ([""], [""], 1.0),
    (["", ""], [""], 1.0),
    (["", ""], ["a"], 0.0),
    (["", ""], ["abc"], 0.0),
    (["abc"], ["xyz", "uvw"], 0.0),
    (["saturday", "sunday"], ["saturn", "sundae"], 1.0 - 1 / 6),
    (["\u00e9x"], ["e\u0301x"], 1.0 - 2 / 3),
    (["中文"], ["中字", "英文"], 0.5),
    ([GRIN], ["a"], 0.0),
    (("abcd",), Seq(["abce"]), 0.75),
]


@pytest.mark.parametrize(("left", "right", "sim"), PATH_SIMILARITIES)
def test_path_normalized_scores(left, right, sim):
    got = [
        _lumra.normalized_similarity_paths(left, right),
        _lumra.ratio_paths(left, right),
        _lumra.normalized_distance_paths(left, right),
    ]
    assert got == [sim, sim, 1.0 - sim]
    assert all(type(x) is float for x in got)


# (left, right, cutoff, similarity result, normalized distance result)
PATH_REAL_CUTOFFS = [
    (["abcd", "xyz"], ["abce"], 0.75, 0.75, 0.25),
    (["abcd", "xyz"], ["abce"], 0.8, 0.0, 0.25),
    (["abcd", "xyz"], ["abce"], 0.25, 0.75, 0.25),
    (["abcd", "xyz"], ["abce"], 0.2, 0.75, 1.0),
    (["abcd", "xyz"], ["abce"], 1, 0.0, 0.25),
    (["abcd", "xyz"], ["abce"], 0, 0.75, 1.0),
    ([""], [""], 1.0, 1.0, 0.0),
    (["", ""], ["a"], 0.0, 0.0, 1.0),
]


@pytest.mark.parametrize(("left", "right", "cutoff", "sim", "dist"), PATH_REAL_CUTOFFS)
def test_path_normalized_cutoffs(left, right, cutoff, sim, dist):
    assert _lumra.normalized_similarity_paths(left, right, score_cutoff=cutoff) == sim
    assert _lumra.ratio_paths(left, right, score_cutoff=cutoff) == sim
    assert _lumra.normalized_distance_paths(left, right, score_cutoff=cutoff) == dist


# --- lattice size limit ------------------------------------------------------


@pytest.mark.parametrize("f", LATTICE_FUNCTIONS)
@pytest.mark.parametrize(
    ("left", "right", "rows", "cols"),
    [
        (["a" * 4000], ["b" * 3999], 4001, 4000),
        (["a" * 3999], ["b" * 4000], 4000, 4001),
        # Each path has its own chain between shared start and end nodes.
        (["a" * 2000, "b" * 2001], ["c" * 3999], 4001, 4000),
        # Repeats are compared once but still count, each with its own chain.
        (["abc"] * 4000, ["xyz"] * 1000, 8002, 2002),
    ],
    ids=["4001x4000", "4000x4001", "two-chains", "repeats"],
)
def test_lattice_too_large(f, left, right, rows, cols):
    with pytest.raises(ValueError) as info:
        f(left, right)
    assert str(info.value) == f"distance matrix {rows}x{cols} exceeds the maximum of 16000000 cells"


def test_all_empty_list_is_a_single_node():
    with pytest.raises(ValueError) as info:
        _lumra.distance_paths(["", ""], ["a" * 16_000_000])
    assert str(info.value) == "distance matrix 1x16000001 exceeds the maximum of 16000000 cells"


def test_lattice_at_the_limit_is_searched():
    # 4000 x 4000 nodes: exactly the allowed number of states.
    assert _lumra.distance_paths(["a" * 3999], ["a" * 3999], score_cutoff=0) == 0


# Runs one call on a path of n symbols in a fresh interpreter and prints
# its outcome and how far the peak resident size grew, in bytes per symbol.
_PEAK_GROWTH = """
import resource, sys, _lumra
f, n, right = getattr(_lumra, sys.argv[1]), int(sys.argv[2]), sys.argv[3]
path = "a" * n
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
try:
    print(f([path], [right]))
except ValueError as error:
    print("ValueError:", error)
print(1024 * (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) / n)
"""


@pytest.mark.parametrize(
    ("function", "n", "right", "outcome"),
    [
        ("distance_paths", 20_000_000, "a", "ValueError: distance matrix 20000001x2 exceeds the maximum of 16000000 cells"),
        ("distance_paths", 7_000_000, "a", "6999999"),
        ("damerau_distance_paths", 7_000_000, "b", "7000000"),
    ],
    ids=["20MB-refused", "7MB-levenshtein", "7MB-damerau"],
)
def test_long_path_costs_little_beyond_its_copy(function, n, right, outcome):
    # The call copies the path (four bytes a symbol) and nothing of its size
    # beyond that: no lattice, whether the state limit refuses the pair or
    # not, and no match table of the long path.
    run = subprocess.run(
        [sys.executable, "-c", _PEAK_GROWTH, function, str(n), right], capture_output=True, text=True, check=True
    )
    printed, growth = run.stdout.splitlines()
    assert printed == outcome
    assert float(growth) < 8


@pytest.mark.parametrize("f", ALL_PATH_FUNCTIONS)
def test_repeated_paths_are_compared_once(f):
    # 900 million pairs if every copy were compared: most of a minute.
    start = time.perf_counter()
    got = f(["a"] * 30000, ["b"] * 30000)
    assert time.perf_counter() - start < 2.0
    assert got == f(["a"], ["b"])


def test_normalized_scores_build_no_lattice():
    assert _lumra.normalized_similarity_paths(["a" * 5000], ["a" * 5000]) == 1.0
    s = 1.0 - 4998 / 4999  # 'b' against 'b' * 4999
    assert _lumra.normalized_distance_paths(["a" * 5000, "b"], ["b" * 4999]) == 1.0 - s


# --- properties ------------------------------------------------------------

path_lists = st.one_of(
    st.lists(small_texts(max_size=5, min_size=1), min_size=1, max_size=3),
    st.lists(st.text(alphabet=TINY + "e\u00e9\u4e2d", min_size=1, max_size=5), min_size=1, max_size=3),
    st.lists(st.just(""), min_size=1, max_size=2),
    # Repeats of a few paths, in any order.
    st.lists(small_texts(max_size=4, min_size=1), min_size=1, max_size=3).flatmap(
        lambda pool: st.lists(st.sampled_from(pool), min_size=1, max_size=12)
    ),
)


@PROPERTY
@given(path_lists, path_lists, int_cutoffs)
def test_path_distance_is_best_pair(left, right, cutoff):
    lev = min(_lumra.distance(a, b) for a in left for b in right)
    dam = min(_lumra.damerau_distance(a, b) for a in left for b in right)
    assert _lumra.distance_paths(left, right) == lev
    assert _lumra.damerau_distance_paths(left, right) == dam
    if cutoff is not None:
        assert _lumra.distance_paths(left, right, score_cutoff=cutoff) == with_int_cutoff(lev, cutoff)
        assert _lumra.damerau_distance_paths(left, right, score_cutoff=cutoff) == with_int_cutoff(dam, cutoff)
        assert _lumra.within_distance_paths(left, right, cutoff) is (lev <= cutoff)
        assert _lumra.within_damerau_distance_paths(left, right, cutoff) is (dam <= cutoff)


@PROPERTY
@given(path_lists, path_lists, st.integers(0, 4))
def test_within_matches_distance_around_the_threshold(left, right, threshold):
    assert _lumra.within_distance_paths(left, right, threshold) is (
        _lumra.distance_paths(left, right) <= threshold
    )
    assert _lumra.within_damerau_distance_paths(left, right, threshold) is (
        _lumra.damerau_distance_paths(left, right) <= threshold
    )


@PROPERTY
@given(path_lists, path_lists, real_cutoffs)
def test_path_normalized_is_best_pair(left, right, cutoff):
    s = max(_lumra.normalized_similarity(a, b) for a in left for b in right)
    kw = {"score_cutoff": cutoff}
    sim = _lumra.normalized_similarity_paths(left, right, **kw)
    assert sim == _lumra.ratio_paths(left, right, **kw)
    assert sim == similarity_with_cutoff(s, cutoff)
    assert _lumra.normalized_distance_paths(left, right, **kw) == distance_with_cutoff(1.0 - s, cutoff)
