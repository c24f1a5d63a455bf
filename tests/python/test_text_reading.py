"""How texts reach the metrics: lists and tuples read in place, short 1-byte
strs widened a vector at a time, and the lone-surrogate check of 2-byte strs
that first looks only at the largest unit. Each route must give what the
item-by-item route and the pairwise functions give, errors included."""

import random

import pytest

import _lumra
from support import Seq

# One alphabet per str storage: ASCII and Latin-1 (1 byte), BMP below and
# above the surrogates (2 bytes), astral (4 bytes).
ALPHABETS = ["abc", "ab\u00e9\u00ff", "\u3042\u3044a", "\uff21\ue000\ud7ff", "a\U0001f600"]


class ListSubclass(list):
    """Read item by item, as any sequence that is no exact list or tuple."""


CONTAINERS = [list, tuple, ListSubclass, Seq]


def random_texts(rng, alphabet, count):
    # Lengths around the steps of eight and sixteen units.
    return ["".join(rng.choices(alphabet, k=rng.randint(0, 40))) for _ in range(count)]


@pytest.mark.parametrize("alphabet", ALPHABETS)
@pytest.mark.parametrize("cutoff", [None, 2])
def test_every_container_gives_the_pairwise_cells(alphabet, cutoff):
    rng = random.Random(alphabet)
    queries = random_texts(rng, alphabet, 3)
    choices = random_texts(rng, alphabet, 60)
    expected = [[_lumra.distance(q, c, score_cutoff=cutoff) for c in choices] for q in queries]
    for container in CONTAINERS:
        got = _lumra._cdist_distance(container(queries), container(choices), score_cutoff=cutoff)
        assert got == expected, container
        got = _lumra._cdist_damerau_distance(queries, container(choices), score_cutoff=cutoff)
        assert got == [
            [_lumra.damerau_distance(q, c, score_cutoff=cutoff) for c in choices] for q in queries
        ]


# The first bad item decides, whichever kind of fault it is.
@pytest.mark.parametrize("container", CONTAINERS)
@pytest.mark.parametrize(
    ("choices", "raised"),
    [
        (["abc", "x\ud800", 5], UnicodeEncodeError),
        (["abc", 5, "x\ud800"], TypeError),
        ([5, "x\udfff"], TypeError),
        (["a" * 20, "\u3042" * 20 + "\udc00"], UnicodeEncodeError),
    ],
    ids=["surrogate-first", "int-first", "int-at-start", "long-surrogate"],
)
def test_first_bad_item_is_reported(container, choices, raised):
    with pytest.raises(raised) as info:
        _lumra._cdist_distance(["abc"], container(choices))
    assert type(info.value) is raised
    if raised is TypeError:
        assert str(info.value) == "argument 'choices': 'int' object is not an instance of 'str'"


# The largest unit clears a 2-byte str below U+D800; above it (full-width
# forms, private use, U+FFFF) the exact test must still find a surrogate in
# any vector lane, in the round of eight vectors and in the overlapping tail.
@pytest.mark.parametrize("filler", ["\u3042", "\uff21", "\uffff"])
@pytest.mark.parametrize("length", [1, 15, 16, 17, 127, 128, 129, 143, 144, 300])
def test_surrogate_found_at_every_position(filler, length):
    for at in sorted({0, 1, length // 2, length - 2, length - 1} - {-1}):
        text = filler * at + "\udbff" + filler * (length - 1 - at)
        with pytest.raises(UnicodeEncodeError) as info:
            _lumra.distance(text, "x", score_cutoff=0)
        assert (info.value.start, info.value.end) == (at, at + 1)
    clean = (filler + "\ud7ff\ue000") * length
    assert _lumra.distance(clean, clean, score_cutoff=0) == 0
    assert _lumra._cdist_distance([clean], [clean[1:]], score_cutoff=1) == [[1]]


def levenshtein(a, b):
    row = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, y in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (x != y))
    return row[-1]


# Equal lengths with both ends edited: the tight-cutoff search decides these
# from the ends alone, in every storage width.
@pytest.mark.parametrize("alphabet", ["ab", "\u3042\u3044", "a\U0001f600"])
def test_equal_lengths_with_edited_ends_under_tight_cutoffs(alphabet):
    rng = random.Random(2)
    for _ in range(400):
        left = "".join(rng.choices(alphabet, k=rng.randint(2, 12)))
        right = list(left)
        for _ in range(rng.randint(1, 3)):
            at = rng.choice([0, len(right) - 1, rng.randrange(len(right))])
            right[at] = rng.choice(alphabet + "z")
        if rng.random() < 0.3:  # a deletion at one end, an insertion at the other
            right = right[1:] + [rng.choice(alphabet)]
        right = "".join(right)
        expected = levenshtein(left, right)
        for cutoff in (1, 2, 3):
            assert _lumra.distance(left, right, score_cutoff=cutoff) == min(expected, cutoff + 1)
            assert _lumra._cdist_distance([left], [right], score_cutoff=cutoff) == [
                [min(expected, cutoff + 1)]
            ]
