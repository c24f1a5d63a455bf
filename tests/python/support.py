"""Shared strategies and slow-but-obvious reference computations for the suite.

The references work on Python strings, which index Unicode code points, so
they count exactly what the module counts.
"""

from collections.abc import Sequence

from hypothesis import settings
from hypothesis import strategies as st

U64_MAX = 2**64 - 1

# Settings for every property test: enough examples to find corner cases,
# cheap enough for CI.
PROPERTY = settings(max_examples=300, deadline=None)

# A tiny alphabet keeps distances small so that cutoffs bite; it still holds a
# combining mark and a character outside the Basic Multilingual Plane.
TINY = "ab\u0301\U0001f600"
# A slightly larger one: precomposed and decomposed e-acute, NUL, the last
# one-byte-table code point and the first beyond it, CJK, Gothic, the last
# scalar value.
SMALL = TINY + "e\u00e9\x00\u00ff\u0100\u4e2d\U00010348\U0010ffff"
# Many distinct symbols outside Latin-1, for patterns of more than a word.
WIDE = "".join(chr(0x4E00 + 7 * i) for i in range(150)) + "".join(chr(0x1F600 + i) for i in range(40))


def texts(max_size=8, min_size=0):
    """Strings over the tiny or small alphabet, or over all of Unicode
    (surrogates excluded, since they cannot be encoded as UTF-8)."""
    return st.one_of(
        st.text(alphabet=TINY, min_size=min_size, max_size=max_size),
        st.text(alphabet=SMALL, min_size=min_size, max_size=max_size),
        st.text(alphabet=st.characters(codec="utf-8"), min_size=min_size, max_size=max_size),
    )


@st.composite
def edited_pairs(draw, max_len=200):
    """A string of up to max_len symbols and a copy of it with a few random
    edits, in either order: long operands whose distance stays small, and
    lengths around the 64-symbol word boundaries."""
    alphabet = draw(st.sampled_from(["ab", TINY, SMALL, "abcdefgh" + WIDE[:8], WIDE]))
    length = draw(st.one_of(st.integers(0, max_len), st.sampled_from([63, 64, 65, 127, 128, 129, 192, 193])))
    symbols = st.sampled_from(alphabet)
    base = draw(st.lists(symbols, min_size=length, max_size=length))
    other = list(base)
    for _ in range(draw(st.integers(0, 10))):
        op = draw(st.sampled_from("isdt"))
        pos = draw(st.integers(0, len(other)))
        if op == "i":
            other.insert(pos, draw(symbols))
        elif pos < len(other):
            if op == "s":
                other[pos] = draw(symbols)
            elif op == "d":
                del other[pos]
            elif pos + 1 < len(other):
                other[pos], other[pos + 1] = other[pos + 1], other[pos]
    pair = ("".join(base), "".join(other))
    return pair if draw(st.booleans()) else pair[::-1]


def small_texts(max_size=6, min_size=0):
    return st.text(alphabet=TINY, min_size=min_size, max_size=max_size)


int_cutoffs = st.one_of(st.none(), st.integers(0, 6), st.just(U64_MAX))

real_cutoffs = st.one_of(
    st.none(),
    st.sampled_from([0.0, 0.25, 0.5, 0.6, 2 / 3, 0.75, 1.0]),
    st.floats(0.0, 1.0),
)


def levenshtein(a, b):
    prev = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        cur = [i]
        for j, y in enumerate(b, 1):
            cur.append(min(prev[j - 1] + (x != y), cur[j - 1] + 1, prev[j] + 1))
        prev = cur
    return prev[-1]


def with_int_cutoff(d, k):
    """The documented integer cutoff rule."""
    if k is None or d <= k:
        return d
    return min(k + 1, U64_MAX)


def similarity(a, b):
    m = max(len(a), len(b))
    if m == 0:
        return 1.0
    return min(1.0, max(0.0, 1.0 - levenshtein(a, b) / m))


def similarity_with_cutoff(s, c):
    return 0.0 if c is not None and s < c else s


def distance_with_cutoff(t, c):
    return 1.0 if c is not None and t > c else t


class Seq(Sequence):
    """A sequence that is neither a list nor a tuple."""

    def __init__(self, items):
        self._items = list(items)

    def __len__(self):
        return len(self._items)

    def __getitem__(self, index):
        return self._items[index]


class Index:
    """An object that converts to an integer only through __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Real:
    """An object that converts to a float only through __float__."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class Text(str):
    """A str subclass whose str() differs from its contents."""

    def __str__(self):
        return "something else entirely"
