"""lumra.extract and extract_one against a brute-force reference: score every
pair with the pairwise function, keep what passes the cutoff, sort best first
(ties in choice order) and cut at the limit."""

import contextlib
import math

import pytest
from hypothesis import given
from hypothesis import strategies as st

import _lumra
import lumra
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, write_payload
from support import PROPERTY, SMALL, TINY, Seq

DISTANCES = ["distance", "damerau_distance", "combined_distance", "normalized_distance"]
SIMILARITIES = ["normalized_similarity", "ratio"]


def reference(query, values, keys, pairwise, lower, cutoff, limit):
    scored = [(pairwise(query, v), i) for i, v in enumerate(values)]
    if cutoff is not None:
        scored = [(s, i) for s, i in scored if (s <= cutoff if lower else s >= cutoff)]
    scored.sort(key=lambda p: (p[0] if lower else -p[0], p[1]))
    if limit is not None:
        scored = scored[:limit]
    return [(values[i], s, keys[i]) for s, i in scored]


BLOCK_SIZES = [1, 3, 4096]


@contextlib.contextmanager
def blocks_of(size):
    """Tiny blocks put the cutoff passed down between blocks to work."""
    saved = lumra._extract.BLOCK_SIZE
    lumra._extract.BLOCK_SIZE = size
    try:
        yield
    finally:
        lumra._extract.BLOCK_SIZE = saved


@pytest.fixture(params=BLOCK_SIZES, ids=lambda n: f"block{n}")
def block_size(request):
    with blocks_of(request.param):
        yield request.param


def as_choices(values, shape):
    if shape == "mapping":
        keys = [f"k{i}" for i in range(len(values))]
        return dict(zip(keys, values)), keys
    keys = list(range(len(values)))
    return {"list": list, "tuple": tuple, "sequence": Seq}[shape](values), keys


def cutoff_for(data, name):
    if name in ("distance", "damerau_distance", "combined_distance"):
        return data.draw(st.one_of(st.none(), st.integers(0, 5)))
    return data.draw(st.one_of(st.none(), st.sampled_from([0.0, 0.25, 0.5, 2 / 3, 1.0]), st.floats(0, 1)))


@PROPERTY
@given(
    data=st.data(),
    name=st.sampled_from(DISTANCES + SIMILARITIES),
    shape=st.sampled_from(["list", "tuple", "sequence", "mapping"]),
    query=st.text(alphabet=TINY, max_size=5) | st.text(alphabet=SMALL, max_size=5),
    values=st.lists(st.text(alphabet=TINY, max_size=5), max_size=14),
    limit=st.one_of(st.none(), st.integers(0, 6)),
)
def test_module_scorers_match_the_reference(data, name, shape, query, values, limit):
    cutoff = cutoff_for(data, name)
    choices, keys = as_choices(values, shape)
    scorer = getattr(lumra, name)
    lower = name in DISTANCES
    with blocks_of(data.draw(st.sampled_from(BLOCK_SIZES))):
        got = lumra.extract(query, choices, scorer=scorer, limit=limit, score_cutoff=cutoff)
        best = lumra.extract_one(query, choices, scorer=scorer, score_cutoff=cutoff)
    assert got == reference(query, values, keys, scorer, lower, cutoff, limit)
    first = reference(query, values, keys, scorer, lower, cutoff, 1)
    assert best == (first[0] if first else None)


@PROPERTY
@given(
    query=st.text(alphabet="ab", max_size=4),
    values=st.lists(st.text(alphabet="ab", max_size=4), max_size=10),
    limit=st.one_of(st.none(), st.integers(0, 4)),
    cutoff=st.one_of(st.none(), st.integers(-2, 4)),
    lower=st.booleans(),
    block=st.sampled_from(BLOCK_SIZES),
)
def test_custom_scorers_match_the_reference(query, values, limit, cutoff, lower, block):
    def overlap(a, b):  # many ties, and negative scores
        return len(set(a) & set(b)) - abs(len(a) - len(b))

    kind = "distance" if lower else "similarity"
    with blocks_of(block):
        got = lumra.extract(query, values, scorer=overlap, scorer_kind=kind, limit=limit, score_cutoff=cutoff)
    assert got == reference(query, values, list(range(len(values))), overlap, lower, cutoff, limit)


JA_ENTRIES = {"東京": ["とうきょう"], "東": ["ひがし", "とう"], "京": ["きょう", "けい"], "日": ["ひ", "にち"]}
ZH_ENTRIES = {"中国": ["zhongguo"], "中": ["zhong"], "国": ["guo"], "行": ["xing", "hang"], "银行": ["yinhang"]}
JA_TEXTS = ["東京", "東", "京", "日", "とうきょう", "toukyou", "ひがし", "東日", "けい"]
ZH_TEXTS = ["中国", "中", "国", "行", "银行", "zhongguo", "yinhang", "hang", "中行"]


@pytest.fixture(scope="module", params=["ja", "zh"])
def language(request, tmp_path_factory):
    folder = tmp_path_factory.mktemp(request.param)
    if request.param == "ja":
        path = write_payload(folder / "p.yaml", JA_PAYLOAD_TYPE, JA_ENTRIES)
        return _lumra.JapaneseDictionary.load_payload(path), JA_TEXTS
    path = write_payload(folder / "p.yaml", ZH_PAYLOAD_TYPE, ZH_ENTRIES, pinyin_view="no-tone")
    return _lumra.ChineseDictionary.load_payload(path), ZH_TEXTS


@PROPERTY
@given(data=st.data(), name=st.sampled_from(DISTANCES + SIMILARITIES), limit=st.one_of(st.none(), st.integers(0, 4)))
def test_dictionary_scorers_match_the_reference(language, data, name, limit):
    d, texts = language
    query = data.draw(st.sampled_from(texts))
    values = data.draw(st.lists(st.sampled_from(texts), max_size=10))
    cutoff = cutoff_for(data, name)
    pairwise = getattr(d, name)
    want = reference(query, values, list(range(len(values))), pairwise, name in DISTANCES, cutoff, limit)
    with blocks_of(data.draw(st.sampled_from(BLOCK_SIZES))):
        by_function = lumra.extract(
            query, values, scorer=getattr(lumra, name), dictionary=d, limit=limit, score_cutoff=cutoff
        )
        by_method = lumra.extract(query, values, scorer=pairwise, limit=limit, score_cutoff=cutoff)
    assert by_function == by_method == want


def test_reading_options_reach_the_dictionary(language):
    d, texts = language
    got = lumra.extract(texts[0], texts, scorer=d.distance, limit=None, max_paths=1, max_readings_per_segment=1)
    assert [s for _, s, _ in got] == sorted(d.distance(texts[0], t, max_paths=1, max_readings_per_segment=1) for t in texts)
    with pytest.raises(ValueError, match="max_paths length/count 16385 exceeds limit 16384"):
        lumra.extract(texts[0], texts, scorer=d.distance, max_paths=16385)


def test_ties_keep_choice_order(block_size):
    choices = ["abd", "abc", "xbc", "abc", "abx", "abc"]
    got = lumra.extract("abc", choices, scorer=lumra.distance, limit=4)
    assert got == [("abc", 0, 1), ("abc", 0, 3), ("abc", 0, 5), ("abd", 1, 0)]
    got = lumra.extract("abc", choices, limit=3)
    assert [key for _, _, key in got] == [1, 3, 5]
    assert lumra.extract_one("zzz", choices, scorer=lumra.distance) == ("abd", 3, 0)


def test_defaults_and_edges():
    assert lumra.extract("a", []) == []
    assert lumra.extract("a", {}) == []
    assert lumra.extract_one("a", []) is None
    assert lumra.extract("a", ["b"], limit=0) == []
    assert lumra.extract("abcd", ["abce", "x"]) == [("abce", 0.75, 0), ("x", 0.0, 1)]
    assert lumra.extract("abcd", ["abce", "x"], score_cutoff=0.8) == []
    assert lumra.extract_one("abcd", {"k": "abcd"}, scorer=lumra.ratio) == ("abcd", 1.0, "k")


class Choice(str):
    pass


@pytest.mark.parametrize(
    "kwargs, choices, error, message",
    [
        ({"scorer": "distance"}, ["a"], TypeError, "scorer must be a lumra metric or a callable"),
        ({"scorer": lumra.distance_paths}, ["a"], TypeError, "lists of alternative spellings"),
        ({"scorer": lumra.within_distance_paths}, ["a"], TypeError, "threshold test"),
        ({"scorer": lumra._partial_ratio_alignment}, ["a"], TypeError, "finds a span"),
        ({"scorer": len}, ["a"], TypeError, "scorer_kind='distance'"),
        ({"scorer": len, "scorer_kind": "best"}, ["a"], TypeError, "scorer_kind='distance'"),
        ({"scorer": lumra.distance, "scorer_kind": "distance"}, ["a"], TypeError, "kind of distance is known"),
        ({"limit": -1}, ["a"], ValueError, "limit must be >= 0"),
        ({"limit": 1.5}, ["a"], TypeError, "limit must be an int"),
        ({"limit": True}, ["a"], TypeError, "limit must be an int"),
        ({}, "abc", TypeError, "choices must be a sequence or a mapping"),
        ({}, {"a", "b"}, TypeError, "choices must be a sequence or a mapping"),
        ({}, (c for c in "ab"), TypeError, "choices must be a sequence or a mapping"),
        ({}, ["a", 3], TypeError, r"choices\[1\] is a 'int' object, not a str"),
        ({}, {"x": "a", "y": None}, TypeError, r"choices\['y'\] is a 'NoneType'"),
        ({"scorer": lambda a, b: 0, "scorer_kind": "distance"}, ["a", b"b"], TypeError, r"choices\[1\] is a 'bytes'"),
        ({"score_cutoff": 1.5}, ["a"], ValueError, "between 0.0 and 1.0"),
        ({"score_cutoff": math.nan}, [], ValueError, "between 0.0 and 1.0"),
        ({"score_cutoff": "0.5"}, ["a"], TypeError, "score_cutoff must be a real number"),
        ({"scorer": lumra.distance, "score_cutoff": -1}, [], ValueError, "must be >= 0"),
        ({"scorer": lumra.distance, "score_cutoff": 0.5}, ["a"], TypeError, "must be an int"),
        ({"scorer": lumra.distance, "score_cutoff": True}, ["a"], TypeError, "not bool"),
        ({"max_paths": 4}, ["a"], TypeError, "need dictionary="),
        ({"dictionary": "ja"}, ["a"], TypeError, "dictionary must be a JapaneseDictionary"),
    ],
)
def test_bad_input(block_size, kwargs, choices, error, message):
    with pytest.raises(error, match=message):
        lumra.extract("a", choices, **kwargs)


def test_bad_query_and_late_bad_choice(block_size):
    with pytest.raises(TypeError, match="query must be a str"):
        lumra.extract(b"a", ["a"])
    # A perfect match ends the scoring early; a bad choice after it still fails.
    with pytest.raises(TypeError, match=r"choices\[9\]"):
        lumra.extract("a", ["a"] * 9 + [1], scorer=lumra.distance, limit=1)
    assert lumra.extract("a", [Choice("a")], scorer=lumra.distance) == [("a", 0, 0)]


def test_a_method_of_another_dictionary_is_refused(language, tmp_path):
    d, _ = language
    other = _lumra.JapaneseDictionary.load_payload(write_payload(tmp_path / "p.yaml", JA_PAYLOAD_TYPE, JA_ENTRIES))
    with pytest.raises(ValueError, match="another dictionary"):
        lumra.extract("a", ["a"], scorer=d.distance, dictionary=other)
    with pytest.raises(TypeError, match="need a lumra metric as scorer"):
        lumra.extract("a", ["a"], scorer=len, scorer_kind="distance", dictionary=d)


UNREADABLE = {"JapaneseDictionary": ["Ｃ", "東Ｃ"], "ChineseDictionary": ["猫", "中猫"]}


@PROPERTY
@given(data=st.data(), name=st.sampled_from(DISTANCES + SIMILARITIES), limit=st.one_of(st.none(), st.integers(1, 4)))
def test_unreadable_choices_fail_the_call_or_are_left_out(language, data, name, limit):
    d, texts = language
    bad = UNREADABLE[type(d).__name__]
    query = data.draw(st.sampled_from(texts))
    values = data.draw(st.lists(st.sampled_from(texts + bad), max_size=12))
    cutoff = cutoff_for(data, name)
    pairwise = getattr(d, name)
    readable = [i for i, v in enumerate(values) if v not in bad]
    want = reference(query, [values[i] for i in readable], readable, pairwise, name in DISTANCES, cutoff, limit)
    with blocks_of(data.draw(st.sampled_from(BLOCK_SIZES))):
        got = lumra.extract(query, values, scorer=pairwise, limit=limit, score_cutoff=cutoff, skip_unreadable=True)
        assert got == want
        if len(readable) < len(values):
            with pytest.raises(ValueError):
                lumra.extract(query, values, scorer=pairwise, limit=limit, score_cutoff=cutoff)
        with pytest.raises(ValueError):  # an unreadable query is no unreadable choice
            lumra.extract(bad[0], values + [texts[0]], scorer=pairwise, skip_unreadable=True)
