"""The string metrics against an independent implementation (rapidfuzz)."""

import random

import pytest
from hypothesis import given
from hypothesis import strategies as st

import _lumra
from support import PROPERTY, TINY, U64_MAX, WIDE, edited_pairs, texts, with_int_cutoff

fuzz = pytest.importorskip("rapidfuzz.distance")
Levenshtein, OSA = fuzz.Levenshtein, fuzz.OSA

PAIRS = [(_lumra.distance, Levenshtein), (_lumra.damerau_distance, OSA), (_lumra.combined_distance, OSA)]

longer_texts = st.text(alphabet=TINY + "cd", max_size=80)


def test_oracle_cutoff_convention():
    # The comparisons below rely on the oracle reporting an exceeded cutoff
    # as cutoff + 1, like the module does.
    assert Levenshtein.distance("saturday", "sunday") == 3
    assert Levenshtein.distance("saturday", "sunday", score_cutoff=2) == 3
    assert Levenshtein.distance("saturday", "sunday", score_cutoff=0) == 1
    assert Levenshtein.distance("saturday", "sunday", score_cutoff=3) == 3
    assert OSA.distance("ca", "abc") == 3
    assert OSA.distance("ab", "ba", score_cutoff=0) == 1
    assert Levenshtein.distance("\U0001f600", "e\u0301") == 2


@PROPERTY
@given(st.one_of(texts(max_size=10), longer_texts), st.one_of(texts(max_size=10), longer_texts))
def test_distances_match_oracle(left, right):
    for ours, oracle in PAIRS:
        assert ours(left, right) == oracle.distance(left, right)


@PROPERTY
@given(texts(max_size=10), texts(max_size=10), st.integers(0, 12))
def test_cutoff_distances_match_oracle(left, right, cutoff):
    for ours, oracle in PAIRS:
        got = ours(left, right, score_cutoff=cutoff)
        assert got == with_int_cutoff(oracle.distance(left, right), cutoff)
        assert got == oracle.distance(left, right, score_cutoff=cutoff)


@PROPERTY
@given(texts(max_size=10), texts(max_size=10), st.sampled_from([U64_MAX, U64_MAX - 1, 2**63, 2**63 - 1]))
def test_huge_cutoffs_never_change_the_distance(left, right, cutoff):
    for ours, oracle in PAIRS:
        if ours is _lumra.combined_distance and cutoff >= 2**63:
            continue
        assert ours(left, right, score_cutoff=cutoff) == oracle.distance(left, right)


@PROPERTY
@given(st.one_of(texts(max_size=10), longer_texts), st.one_of(texts(max_size=10), longer_texts))
def test_normalized_scores_match_oracle_distance(left, right):
    m = max(len(left), len(right))
    expected = 1.0 if m == 0 else 1.0 - Levenshtein.distance(left, right) / m
    assert _lumra.normalized_similarity(left, right) == expected
    assert _lumra.ratio(left, right) == expected
    assert _lumra.normalized_distance(left, right) == 1.0 - expected


@PROPERTY
@given(edited_pairs(), st.data())
def test_long_edited_texts_match_oracle(pair, data):
    left, right = pair
    for ours, oracle in PAIRS:
        d = oracle.distance(left, right)
        assert ours(left, right) == d
        cutoff = data.draw(st.sampled_from([0, max(d - 1, 0), d, d + 1, d // 2, 2 * d + 3]))
        assert ours(left, right, score_cutoff=cutoff) == with_int_cutoff(d, cutoff)
    m = max(len(left), len(right))
    s = 1.0 if m == 0 else 1.0 - Levenshtein.distance(left, right) / m
    assert _lumra.normalized_similarity(left, right) == s


@PROPERTY
@given(st.lists(st.one_of(edited_pairs(max_len=140), st.tuples(texts(), texts())), min_size=1, max_size=3),
       st.one_of(st.none(), st.integers(0, 12)))
def test_long_matrices_match_oracle(pairs, cutoff):
    # Queries and choices that share long affixes, as in real batches.
    queries = [a for a, _ in pairs] + [b for _, b in pairs][:1]
    choices = [b for _, b in pairs] + [a for a, _ in pairs][:1]
    kw = {"score_cutoff": cutoff}
    for ours, oracle in zip(
        [_lumra._cdist_distance, _lumra._cdist_damerau_distance, _lumra._cdist_combined_distance],
        [Levenshtein, OSA, OSA],
    ):
        assert ours(queries, choices, **kw) == [
            [with_int_cutoff(oracle.distance(q, c), cutoff) for c in choices] for q in queries
        ]
    expected = []
    for q in queries:
        row = []
        for c in choices:
            m = max(len(q), len(c))
            row.append(1.0 if m == 0 else 1.0 - Levenshtein.distance(q, c) / m)
        expected.append(row)
    assert _lumra._cdist_normalized_similarity(queries, choices) == expected


@pytest.mark.parametrize("alphabet", ["abc\u0301\U0001f600\u4e2d\u00ff\u0100", WIDE], ids=["mixed", "wide"])
def test_long_random_texts_match_oracle(alphabet):
    rng = random.Random(20240611)
    for _ in range(8):
        left = "".join(rng.choice(alphabet) for _ in range(rng.randint(60, 700)))
        right = "".join(rng.choice(alphabet) for _ in range(rng.randint(60, 700)))
        for ours, oracle in PAIRS:
            d = oracle.distance(left, right)
            assert ours(left, right) == d
            assert ours(left, right, score_cutoff=d) == d
            assert ours(left, right, score_cutoff=d - 1) == d
            assert ours(left, right, score_cutoff=d // 2) == d // 2 + 1


def _near_copy(rng, text, alphabet, edits):
    s = list(text)
    for _ in range(edits):
        kind = rng.choice(("sub", "ins", "del", "swap"))
        i = rng.randrange(max(len(s), 1))
        if kind == "ins" or not s:
            s.insert(i, rng.choice(alphabet))
        elif kind == "del":
            del s[i]
        elif kind == "swap" and len(s) > 1:
            i = min(i, len(s) - 2)
            s[i], s[i + 1] = s[i + 1], s[i]
        else:
            s[i] = rng.choice(alphabet)
    return "".join(s)


@pytest.mark.parametrize(
    "alphabet,lo,hi",
    [("ab", 5, 12), ("abcdefghijklmnopqrstuvwxyz", 50, 80), (WIDE, 50, 80), ("ab", 300, 1100),
     ("".join(chr(c) for c in range(0x3041, 0x3097)), 900, 1100)],
    ids=["binary-short", "latin-medium", "wide-medium", "binary-long", "kana-long"],
)
def test_tiny_cutoffs_on_near_copies_match_oracle(alphabet, lo, hi):
    # Texts a few edits apart, where a cutoff of a couple of edits decides
    # between the exact distance and cutoff + 1 only at the very end.
    rng = random.Random(lo * 31 + hi + len(alphabet))
    for _ in range(60):
        left = "".join(rng.choice(alphabet) for _ in range(rng.randint(lo, hi)))
        right = _near_copy(rng, left, alphabet, rng.randint(0, 4))
        for ours, oracle in PAIRS:
            d = oracle.distance(left, right)
            for cutoff in range(4):
                assert ours(left, right, score_cutoff=cutoff) == with_int_cutoff(d, cutoff), (left, right, cutoff)
                assert ours(right, left, score_cutoff=cutoff) == with_int_cutoff(d, cutoff), (left, right, cutoff)


@pytest.mark.parametrize(
    "alphabet,lo,hi",
    [("ab", 130, 400), ("abcdefghijklmnopqrstuvwxyz", 129, 1100),
     ("".join(chr(c) for c in range(0x3041, 0x3097)), 300, 1100), (WIDE, 129, 300)],
    ids=["binary", "latin", "kana", "wide"],
)
def test_small_cutoffs_on_long_near_copies_match_oracle(alphabet, lo, hi):
    # Long texts tens of edits apart with cutoffs below, at and above their
    # distance, up to and past the largest bound a one-word band can hold;
    # pairs in both orders, since the shorter text becomes the pattern.
    rng = random.Random(lo + hi + len(alphabet))
    for _ in range(12):
        left = "".join(rng.choice(alphabet) for _ in range(rng.randint(lo, hi)))
        right = _near_copy(rng, left, alphabet, rng.randint(0, 40))
        d = Levenshtein.distance(left, right)
        cutoffs = {d, max(d - 1, 0), d + 1, d // 2, 4, 17, 62, 63, 64, 65, 2 * d + 1}
        for cutoff in sorted(cutoffs):
            expected = with_int_cutoff(d, cutoff)
            assert _lumra.distance(left, right, score_cutoff=cutoff) == expected, (cutoff, d)
            assert _lumra.distance(right, left, score_cutoff=cutoff) == expected, (cutoff, d)
        m = max(len(left), len(right))
        similarity = 1.0 - d / m
        for cutoff in (similarity, 1.0 - 63 / m, 1.0 - 64 / m, 0.95, 0.99):
            cutoff = min(max(cutoff, 0.0), 1.0)
            want = similarity if similarity >= cutoff else 0.0
            assert _lumra.normalized_similarity(left, right, score_cutoff=cutoff) == want
