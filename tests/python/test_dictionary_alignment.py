"""The partial alignments of both dictionary classes: the best span of a text
for a query, by readings."""

import pytest
from hypothesis import event, given, settings
from hypothesis import strategies as st

import _lumra
import test_chinese_dictionary as zh_tests
import test_japanese_dictionary as ja_tests
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, outcome, write_payload

J, Z = _lumra.JapaneseDictionary, _lumra.ChineseDictionary

# "一二三" reads as 13 romaji letters, more than twice its length plus 4.
JA_ENTRIES = {"東京": ["とうきょう"], "京": ["きょう"], "一二三": ["ながいよみです"]}
ZH_ENTRIES = {"東京": ["dongjing"], "京": ["jing"], "一二三": ["changchangdeyin"]}
# A character none of whose texts reads, and the start of the message that
# says so, in each language.
UNREAD = "鬱"
SKIP = {J: "unsupported character", Z: "unsupported direct pinyin input"}


@pytest.fixture(scope="module")
def dictionaries(tmp_path_factory):
    folder = tmp_path_factory.mktemp("align")
    return {
        J: J.load_payload(write_payload(folder / "ja.yaml", JA_PAYLOAD_TYPE, JA_ENTRIES)),
        Z: Z.load_payload(write_payload(folder / "zh.yaml", ZH_PAYLOAD_TYPE, ZH_ENTRIES, pinyin_view="no-tone")),
    }


def test_surface():
    options = "max_readings_per_segment=None, reading_max_span_chars=None, max_paths=None, longest_only=None"
    signature = f"($self, query, text, max_span_chars, *, {options}, score_cutoff=None)"
    for cls in (J, Z):
        names = [n for n in vars(cls) if callable(getattr(cls, n)) and not n.startswith("__")]
        at = names.index("ratio")
        assert names[at + 1 : at + 4] == ["_partial_distance_alignment", "_partial_ratio_alignment", "_cdist_distance"]
        for name in names[at + 1 : at + 3]:
            assert getattr(cls, name).__text_signature__ == signature


@pytest.mark.parametrize("cls", [J, Z], ids=["ja", "zh"])
@pytest.mark.parametrize(
    ("method", "args", "kw", "expected"),
    [
        # Positions count the characters of the text, not of its readings.
        ("_partial_distance_alignment", ("京", "ab東京京x", 3), {}, (0, 0, 1, 3, 4)),
        ("_partial_ratio_alignment", ("東京", "x東京x", 4), {}, (1.0, 0, 2, 1, 3)),
        # The automatic window reaches the query's longest reading.
        ("_partial_distance_alignment", ("一二三", "READING", 0), {}, "window"),
        # A text without readings: every span is left out.
        ("_partial_distance_alignment", ("京", UNREAD * 3, 2), {}, None),
        ("_partial_ratio_alignment", ("京", UNREAD * 3, 2), {"score_cutoff": 1.5}, None),
        ("_partial_ratio_alignment", ("京", "x京", 2), {"score_cutoff": 1.5}, "score_cutoff must be between 0.0 and 1.0"),
        # A query without readings fails, whatever the text.
        ("_partial_ratio_alignment", (UNREAD, "京", 2), {}, "skip"),
        # Options are checked before anything is read.
        (
            "_partial_distance_alignment",
            (UNREAD, "京", 2),
            {"reading_max_span_chars": 257, "max_paths": 16385},
            "max_span_chars length/count 257 exceeds limit 256",
        ),
        ("_partial_distance_alignment", ("京", "京", 2), {"max_span_chars": 2}, TypeError),
    ],
)
def test_edge_cases(dictionaries, cls, method, args, kw, expected):
    d = dictionaries[cls]
    if expected == "window":
        # 13 letters in the reading, so a window of 13 finds them; 12 cannot.
        text = "nagaiyomidesu" if cls is J else "changchangdeyin"
        assert d._partial_distance_alignment("一二三", "xx" + text, 0) == (0, 0, 3, 2, 2 + len(text))
        assert d._partial_distance_alignment("一二三", "xx" + text, len(text) - 1)[0] > 0
        return
    if expected is TypeError:
        with pytest.raises(TypeError):
            getattr(d, method)(*args, **kw)
        return
    result = outcome(lambda: getattr(d, method)(*args, **kw))
    if isinstance(expected, str):
        assert result[0] == "ValueError"
        assert SKIP[cls] in result[1] if expected == "skip" else result[1].endswith(expected)
    else:
        assert result == expected


def test_ties_go_to_the_shorter_then_the_earlier_span(dictionaries):
    d = dictionaries[J]
    # "kyou" matches exactly at 1 and at 4; 東京 at 0 also holds it but is longer.
    assert d._partial_distance_alignment("京", "東京xx京", 4) == (0, 0, 1, 1, 2)
    assert d._partial_distance_alignment("京", "東京", 4, score_cutoff=0) == (0, 0, 1, 1, 2)
    assert d._partial_distance_alignment("京", "toukyau", 7, score_cutoff=0) is None


# --------------------------------------------------------------------------
# Against a brute force built from the pairwise methods


def brute_force(d, skip, form, query, text, window, cutoff, **options):
    """What the alignment must return: every span in order, scored through
    the dictionary's own pairwise methods, with the rules of the search."""
    d.normalized_similarity(query, query, **options)  # a query without readings fails
    if not query or not text:
        spans = [(0, 0)]
    else:
        spans = [(s, e) for s in range(len(text)) for e in range(s + 1, min(s + window, len(text)) + 1)]
    best = None
    for s, e in spans:
        span = text[s:e]
        try:
            similarity = d.normalized_similarity(query, span, **options)
        except ValueError as error:
            if skip in str(error):
                continue
            raise
        if form == "distance":
            if similarity <= 0.0:
                continue
            score = d.distance(query, span, **options)
            if cutoff is not None and score > cutoff:
                continue
            key = (score, e - s)
        else:
            if cutoff is not None and not 0.0 <= cutoff <= 1.0:
                raise ValueError("score_cutoff must be between 0.0 and 1.0")
            score = similarity
            if score <= 0.0 or (cutoff is not None and score < cutoff):
                continue
            key = (-score, e - s)
        if best is None or key < best[0]:
            best = (key, (score, 0, len(query), s, e))
    return None if best is None else best[1]


def check_against_brute_force(d, cls, data, entries, alphabet):
    words = st.lists(st.sampled_from(sorted(entries)), min_size=1, max_size=2).map("".join)
    query = data.draw(words | st.text(alphabet, max_size=3))
    text = data.draw(st.lists(words | st.text(alphabet, max_size=2), min_size=1, max_size=3).map("".join))
    window = data.draw(st.integers(1, 4))  # 0, the automatic window, depends on unseen readings
    form = data.draw(st.sampled_from(["distance", "ratio"]))
    if form == "distance":
        cutoff = data.draw(st.none() | st.integers(0, 6))
    else:
        cutoff = data.draw(st.none() | st.sampled_from([0.0, 0.3, 0.5, 0.8, 1.0, 1.5]))
    method = getattr(d, f"_partial_{form}_alignment")
    expected = outcome(lambda: brute_force(d, SKIP[cls], form, query, text, window, cutoff))
    event(f"{form}: {expected[0] if isinstance(expected, tuple) and len(expected) == 2 else type(expected).__name__}")
    assert outcome(lambda: method(query, text, window, score_cutoff=cutoff)) == expected


@pytest.fixture(scope="module")
def scratch(tmp_path_factory):
    return tmp_path_factory.mktemp("align-random") / "payload.yaml"


@settings(max_examples=80, deadline=None)
@given(entries=ja_tests.dictionaries, data=st.data())
def test_japanese_alignment_is_the_brute_force(scratch, entries, data):
    d = J.load_payload(write_payload(scratch, JA_PAYLOAD_TYPE, entries))
    check_against_brute_force(d, J, data, entries, ja_tests.KANJI[:4] + "かし" + UNREAD)


@settings(max_examples=80, deadline=None)
@given(entries=zh_tests.dictionaries, data=st.data())
def test_chinese_alignment_is_the_brute_force(scratch, entries, data):
    d = Z.load_payload(write_payload(scratch, ZH_PAYLOAD_TYPE, entries, pinyin_view="no-tone"))
    check_against_brute_force(d, Z, data, entries, zh_tests.HAN[:4] + "a" + UNREAD)


# Spans that can no longer beat the best are left unconverted only when
# their conversion certainly succeeds: one that fails still ends the call,
# at its turn. (The distance form also fails at the lattice state limit of
# the chain lattices, which the pairwise methods do not build: it is left
# out where that limit comes first.)
@pytest.mark.parametrize(
    ("cls", "entries", "text", "options", "fails", "forms"),
    [
        # 16384 strings of up to 14 readings: 19 MB, past the 16 MiB limit.
        (Z, {"行": ["xing" + "a" * 80, "hang" + "a" * 80]}, "行" * 14, {"max_paths": 16384}, True, ["ratio"]),
        (Z, {"行": ["xing" + "a" * 80, "hang"]}, "行" * 14, {"max_paths": 16384}, False, ["ratio"]),
        (Z, {"行": ["xing", "hang"], "中": ["zhong"]}, "行中" * 3 + "鬱行" * 3, {"max_paths": 16384}, False, ["distance", "ratio"]),
        # Four readings of 300 kana: 1200 kana, past the 1024 of one path.
        (J, {"長": ["あ" * 300]}, "長長x長長長長", {}, True, ["distance", "ratio"]),
        (J, {"長": ["あ" * 300]}, "長長長鬱長長長長", {}, True, ["distance", "ratio"]),
        (J, {"長": ["あ" * 300], "行": ["いく", "ぎょう", "こう"]}, "長行" * 2 + "鬱行行", {"max_paths": 64}, False, ["distance", "ratio"]),
    ],
)
def test_spans_beyond_the_best_fail_in_turn(tmp_path, cls, entries, text, options, fails, forms):
    kind = JA_PAYLOAD_TYPE if cls is J else ZH_PAYLOAD_TYPE
    extra = {} if cls is J else {"pinyin_view": "no-tone"}
    d = cls.load_payload(write_payload(tmp_path / "payload.yaml", kind, entries, **extra))
    query = text[0]
    for form in forms:
        expected = outcome(lambda: brute_force(d, SKIP[cls], form, query, text, len(text), None, **options))
        assert (expected[0] == "ValueError") == fails, expected
        method = getattr(d, f"_partial_{form}_alignment")
        assert outcome(lambda: method(query, text, len(text), **options)) == expected
