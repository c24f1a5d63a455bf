"""Distance matrices (_cdist_*) and partial alignment (_partial_*_alignment)."""

import math
import random

import pytest
from hypothesis import given
from hypothesis import strategies as st

import _lumra
from support import (
    PROPERTY,
    U64_MAX,
    int_cutoffs,
    levenshtein,
    real_cutoffs,
    similarity,
    similarity_with_cutoff,
    small_texts,
    texts,
)

GRIN = "\U0001f600"
RANGE_ERROR = "score_cutoff must be between 0.0 and 1.0"

INT_CDIST = [_lumra._cdist_distance, _lumra._cdist_damerau_distance, _lumra._cdist_combined_distance]
REAL_CDIST = [_lumra._cdist_normalized_distance, _lumra._cdist_normalized_similarity]

# --- matrices --------------------------------------------------------------

# (queries, choices, cutoff, Levenshtein matrix, Damerau matrix)
INT_MATRICES = [
    (["ab", "abc"], ["ab", "b", ""], None, [[0, 1, 2], [1, 2, 3]], [[0, 1, 2], [1, 2, 3]]),
    (["abc", ""], ["abd", "abc", "x"], None, [[1, 0, 3], [3, 3, 1]], [[1, 0, 3], [3, 3, 1]]),
    (["abc", ""], ["abd", "abc", "x"], 1, [[1, 0, 2], [2, 2, 1]], [[1, 0, 2], [2, 2, 1]]),
    (["abcdef"], ["a", "abcdef"], 2, [[3, 0]], [[3, 0]]),
    (["ab", "ca"], ["ba", "abc"], None, [[2, 1], [1, 3]], [[1, 1], [1, 3]]),
    (["ab", "ca"], ["ba", "abc"], 1, [[2, 1], [1, 2]], [[1, 1], [1, 2]]),
    (["ab", "ab"], ["ba"], 0, [[1], [1]], [[1], [1]]),
    ([GRIN + "a", "\u00e9"], ["a" + GRIN, "e\u0301"], None, [[2, 2], [2, 2]], [[1, 2], [2, 2]]),
    (["abc"], ["xyz", ""], U64_MAX, [[3, 3]], [[3, 3]]),
    ([], ["a"], None, [], []),
    ([], [], 0, [], []),
    (["a", "b"], [], None, [[], []], [[], []]),
    (["a", "b"], [], 3, [[], []], [[], []]),
]


@pytest.mark.parametrize(("queries", "choices", "cutoff", "lev", "dam"), INT_MATRICES)
def test_integer_matrices(queries, choices, cutoff, lev, dam):
    kw = {} if cutoff is None else {"score_cutoff": cutoff}
    assert _lumra._cdist_distance(queries, choices, **kw) == lev
    assert _lumra._cdist_damerau_distance(queries, choices, **kw) == dam
    if cutoff is None or cutoff < 2**63:
        assert _lumra._cdist_combined_distance(queries, choices, **kw) == dam


# (queries, choices, cutoff, similarity matrix, normalized distance matrix)
REAL_MATRICES = [
    (["abcd"], ["abce", "abcd"], None, [[0.75, 1.0]], [[0.25, 0.0]]),
    (["abcd"], ["abce", "abcd"], 0.8, [[0.0, 1.0]], [[0.25, 0.0]]),
    (["abcd"], ["abce", "abcd"], 0.2, [[0.75, 1.0]], [[1.0, 0.0]]),
    (["abcd"], ["abce", "abcd"], 0.75, [[0.75, 1.0]], [[0.25, 0.0]]),
    (["abcd"], ["abce", "abcd"], 0.25, [[0.75, 1.0]], [[0.25, 0.0]]),
    (["", "a"], ["", "b"], None, [[1.0, 0.0], [0.0, 0.0]], [[0.0, 1.0], [1.0, 1.0]]),
    (["", "a"], ["", "b"], 1, [[1.0, 0.0], [0.0, 0.0]], [[0.0, 1.0], [1.0, 1.0]]),
    (["中文", GRIN], ["中字", ""], None, [[0.5, 0.0], [0.0, 0.0]], [[0.5, 1.0], [1.0, 1.0]]),
    ([], ["a"], 0.5, [], []),
    (["a", "b"], [], 0.5, [[], []], [[], []]),
]


@pytest.mark.parametrize(("queries", "choices", "cutoff", "sim", "dist"), REAL_MATRICES)
def test_normalized_matrices(queries, choices, cutoff, sim, dist):
    kw = {} if cutoff is None else {"score_cutoff": cutoff}
    assert _lumra._cdist_normalized_similarity(queries, choices, **kw) == sim
    assert _lumra._cdist_normalized_distance(queries, choices, **kw) == dist


@pytest.mark.parametrize("f", INT_CDIST + REAL_CDIST)
def test_matrix_shape_and_types(f):
    result = f(("ab", "b", GRIN), ["a", "", "ab", "x"])
    assert type(result) is list
    assert len(result) == 3
    assert all(type(row) is list and len(row) == 4 for row in result)
    assert len({id(row) for row in result}) == 3
    cell_type = int if f in INT_CDIST else float
    assert all(type(cell) is cell_type for row in result for cell in row)


@pytest.mark.parametrize("f", REAL_CDIST)
@pytest.mark.parametrize("cutoff", [5.0, -0.1, 1.0000001, math.nan, -math.inf])
def test_normalized_cutoff_range_is_checked_only_when_a_cell_exists(f, cutoff):
    assert f([], ["a"], score_cutoff=cutoff) == []
    assert f([], [], score_cutoff=cutoff) == []
    assert f(["a", "b"], [], score_cutoff=cutoff) == [[], []]
    for queries, choices in [(["a"], ["a"]), ([""], [""]), (["a", "b"], ["c", "d", "e"])]:
        with pytest.raises(ValueError) as info:
            f(queries, choices, score_cutoff=cutoff)
        assert str(info.value) == RANGE_ERROR


@pytest.mark.parametrize(("queries", "choices"), [([], []), ([], ["a"]), (["a"], [])])
def test_combined_cutoff_is_checked_even_without_cells(queries, choices):
    with pytest.raises(TypeError, match="^score_cutoff must be an int for distance metrics$"):
        _lumra._cdist_combined_distance(queries, choices, score_cutoff=True)
    with pytest.raises(ValueError, match="^score_cutoff must be >= 0 for distance metrics$"):
        _lumra._cdist_combined_distance(queries, choices, score_cutoff=-1)
    assert _lumra._cdist_combined_distance(queries, choices, score_cutoff=0) == [[] for _ in queries]


@pytest.mark.parametrize("f", REAL_CDIST)
def test_normalized_cutoff_type_is_checked_even_without_cells(f):
    with pytest.raises(TypeError, match="^argument 'score_cutoff': "):
        f([], [], score_cutoff="0.5")


@pytest.mark.parametrize("f", INT_CDIST[:2])
def test_count_cutoff_is_converted_even_without_cells(f):
    with pytest.raises(OverflowError):
        f([], [], score_cutoff=-1)


matrix_lists = st.lists(texts(max_size=6), max_size=4)


@PROPERTY
@given(matrix_lists, matrix_lists, int_cutoffs)
def test_integer_cells_equal_pairwise(queries, choices, cutoff):
    kw = {"score_cutoff": cutoff}
    assert _lumra._cdist_distance(queries, choices, **kw) == [
        [_lumra.distance(q, c, **kw) for c in choices] for q in queries
    ]
    dam = [[_lumra.damerau_distance(q, c, **kw) for c in choices] for q in queries]
    assert _lumra._cdist_damerau_distance(queries, choices, **kw) == dam
    if cutoff is None or cutoff < 2**63:
        assert _lumra._cdist_combined_distance(queries, choices, **kw) == dam


@PROPERTY
@given(matrix_lists, matrix_lists, real_cutoffs)
def test_normalized_cells_equal_pairwise(queries, choices, cutoff):
    kw = {"score_cutoff": cutoff}
    assert _lumra._cdist_normalized_similarity(queries, choices, **kw) == [
        [_lumra.normalized_similarity(q, c, **kw) for c in choices] for q in queries
    ]
    assert _lumra._cdist_normalized_distance(queries, choices, **kw) == [
        [_lumra.normalized_distance(q, c, **kw) for c in choices] for q in queries
    ]


# The matrix is computed 64 queries at a time: 150 queries make two full
# blocks and a partial one, whose rows must land in order.
@pytest.mark.parametrize(
    ("matrix", "pair", "cutoff"),
    [
        (_lumra._cdist_distance, _lumra.distance, None),
        (_lumra._cdist_distance, _lumra.distance, 2),
        (_lumra._cdist_damerau_distance, _lumra.damerau_distance, None),
        (_lumra._cdist_combined_distance, _lumra.combined_distance, 1),
        (_lumra._cdist_normalized_distance, _lumra.normalized_distance, 0.4),
        (_lumra._cdist_normalized_similarity, _lumra.normalized_similarity, None),
    ],
    ids=["lev", "lev-cutoff", "damerau", "combined-cutoff", "norm-distance", "norm-similarity"],
)
def test_matrices_of_several_blocks_equal_pairwise(matrix, pair, cutoff):
    rng = random.Random(64)

    def word():
        return "".join(rng.choices("abc\u3042" + GRIN, k=rng.randint(0, 9)))

    queries = [word() for _ in range(150)]
    choices = [word() for _ in range(7)]
    kw = {} if cutoff is None else {"score_cutoff": cutoff}
    assert matrix(queries, choices, **kw) == [[pair(q, c, **kw) for c in choices] for q in queries]


# --- partial alignment -----------------------------------------------------

# (query, text, max_span_chars, cutoff, result)
DISTANCE_ALIGNMENTS = [
    ("abc", "xxabcxx", 5, None, (0, 0, 3, 2, 5)),
    ("abc", "zzabcz", 3, None, (0, 0, 3, 2, 5)),
    ("abc", "xxabcxx", 5, 0, (0, 0, 3, 2, 5)),
    ("abc", "xxabcxx", U64_MAX, None, (0, 0, 3, 2, 5)),
    ("abc", "xxabcxx", 2, None, (1, 0, 3, 2, 4)),
    ("abc", "xyz", 5, None, (3, 0, 3, 0, 1)),
    ("abc", "xyz", 5, 3, (3, 0, 3, 0, 1)),
    ("abc", "xyz", 5, 2, None),
    ("abc", "xyz", 5, 0, None),
    ("abc", "xyz", 0, None, (3, 0, 3, 0, 0)),
    ("abc", "xyz", 0, 3, (3, 0, 3, 0, 0)),
    ("abc", "xyz", 0, 2, None),
    ("ab", "xyz", 0, None, (2, 0, 2, 0, 0)),
    ("abc", "", 5, None, (3, 0, 3, 0, 0)),
    ("abc", "", 5, 2, None),
    ("", "abc", 5, None, (0, 0, 0, 0, 0)),
    ("", "abc", 5, 0, (0, 0, 0, 0, 0)),
    ("", "", 0, None, (0, 0, 0, 0, 0)),
    ("ab", "b", 3, None, (1, 0, 2, 0, 1)),
    ("ab", "axb", 3, None, (1, 0, 2, 0, 1)),
    ("aaa", "aaaa", 2, None, (1, 0, 3, 0, 2)),
    ("abcd", "abXcd", 5, None, (1, 0, 4, 0, 5)),
    ("abcd", "abXcd", 4, None, (2, 0, 4, 0, 2)),
    ("abcd", "abXcd", 4, 1, None),
    ("abc", "\u00ffabc", 5, None, (0, 0, 3, 1, 4)),
    (GRIN + "b", "x" + GRIN + "b", 3, None, (0, 0, 2, 1, 3)),
    ("e\u0301", "\u00e9e\u0301", 3, None, (0, 0, 2, 1, 3)),
]


@pytest.mark.parametrize(("query", "text", "limit", "cutoff", "expected"), DISTANCE_ALIGNMENTS)
def test_partial_distance_alignment(query, text, limit, cutoff, expected):
    kw = {} if cutoff is None else {"score_cutoff": cutoff}
    got = _lumra._partial_distance_alignment(query, text, limit, **kw)
    assert got == expected
    if got is not None:
        assert type(got) is tuple
        assert all(type(x) is int for x in got)


TWO_THIRDS = 1.0 - 1 / 3

RATIO_ALIGNMENTS = [
    ("abc", "xxabcxx", 5, None, (1.0, 0, 3, 2, 5)),
    ("abc", "zzabcz", 3, None, (1.0, 0, 3, 2, 5)),
    ("abc", "xxabcxx", U64_MAX, 1.0, (1.0, 0, 3, 2, 5)),
    ("abc", "xyz", 5, None, None),
    ("abc", "xyz", 5, 0.0, None),
    ("abc", "", 5, None, None),
    ("abc", "xyz", 0, None, None),
    ("", "xyz", 3, None, (1.0, 0, 0, 0, 0)),
    ("", "xyz", 3, 1.0, (1.0, 0, 0, 0, 0)),
    ("", "", 0, None, (1.0, 0, 0, 0, 0)),
    ("ab", "axb", 3, None, (TWO_THIRDS, 0, 2, 0, 3)),
    ("ab", "axb", 2, None, (0.5, 0, 2, 0, 1)),
    ("abc", "xxabdxx", 5, None, (TWO_THIRDS, 0, 3, 2, 4)),
    ("abc", "xxabdxx", 5, TWO_THIRDS, (TWO_THIRDS, 0, 3, 2, 4)),
    ("abc", "xxabdxx", 5, math.nextafter(TWO_THIRDS, 1.0), None),
    ("abc", "xxabdxx", 5, 0.7, None),
    ("abc", "\u00ffabc", 5, None, (1.0, 0, 3, 1, 4)),
    (GRIN + "b", "x" + GRIN + "bb", 2, None, (1.0, 0, 2, 1, 3)),
    ("中文", "我说中文", 4, None, (1.0, 0, 2, 2, 4)),
]


@pytest.mark.parametrize(("query", "text", "limit", "cutoff", "expected"), RATIO_ALIGNMENTS)
def test_partial_ratio_alignment(query, text, limit, cutoff, expected):
    kw = {} if cutoff is None else {"score_cutoff": cutoff}
    got = _lumra._partial_ratio_alignment(query, text, limit, **kw)
    assert got == expected
    if got is not None:
        assert type(got) is tuple
        assert type(got[0]) is float
        assert all(type(x) is int for x in got[1:])


@pytest.mark.parametrize("cutoff", [1.5, -0.1, math.nan, math.inf])
@pytest.mark.parametrize(
    ("query", "text", "limit"),
    [("abc", "xxabcxx", 5), ("abc", "xyz", 5), ("abc", "", 5), ("abc", "xyz", 0), ("", "abc", 5), ("", "", 0)],
)
def test_partial_ratio_cutoff_out_of_range_always_raises(query, text, limit, cutoff):
    with pytest.raises(ValueError) as info:
        _lumra._partial_ratio_alignment(query, text, limit, score_cutoff=cutoff)
    assert str(info.value) == RANGE_ERROR


def test_partial_distance_state_limit():
    # (query length + 1) x (span length + 1) states for the very first span.
    with pytest.raises(ValueError) as info:
        _lumra._partial_distance_alignment("a" * 8_000_000, "ab", 1, score_cutoff=10)
    assert str(info.value) == "distance matrix 8000001x2 exceeds the maximum of 16000000 cells"


def test_partial_ratio_has_no_state_limit():
    n = 8_000_000
    assert _lumra._partial_ratio_alignment("a" * n, "ba", 1) == (1.0 - (n - 1) / n, 0, n, 1, 2)


def _spans(query, text, limit):
    if not query or not text or limit == 0:
        return [(0, 0)]
    return [(s, e) for s in range(len(text)) for e in range(s + 1, min(s + limit, len(text)) + 1)]


def reference_distance_alignment(query, text, limit, cutoff):
    best = None
    for s, e in _spans(query, text, limit):
        d = levenshtein(query, text[s:e])
        if cutoff is not None and d > cutoff:
            continue
        key = (d, e - s, s)
        if best is None or key < best:
            best = key
    if best is None:
        return None
    d, length, start = best
    return (d, 0, len(query), start, start + length)


def reference_ratio_alignment(query, text, limit, cutoff):
    best = None
    for s, e in _spans(query, text, limit):
        score = similarity_with_cutoff(similarity(query, text[s:e]), cutoff)
        if score <= 0.0:
            continue
        key = (-score, e - s, s)
        if best is None or key < best:
            best = key
    if best is None:
        return None
    score, length, start = best
    return (-score, 0, len(query), start, start + length)


limits = st.one_of(st.integers(0, 8), st.just(U64_MAX))


@PROPERTY
@given(small_texts(max_size=4), texts(max_size=7), limits, int_cutoffs)
def test_partial_distance_alignment_is_brute_force_best(query, text, limit, cutoff):
    expected = reference_distance_alignment(query, text, limit, cutoff)
    assert _lumra._partial_distance_alignment(query, text, limit, score_cutoff=cutoff) == expected


@PROPERTY
@given(small_texts(max_size=4), texts(max_size=7), limits, real_cutoffs)
def test_partial_ratio_alignment_is_brute_force_best(query, text, limit, cutoff):
    expected = reference_ratio_alignment(query, text, limit, cutoff)
    assert _lumra._partial_ratio_alignment(query, text, limit, score_cutoff=cutoff) == expected
