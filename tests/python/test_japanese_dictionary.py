import gc
import sys
from concurrent.futures import ThreadPoolExecutor
from functools import cache

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import _lumra
from dictionary_support import (
    JA_PAYLOAD_TYPE,
    binary_payload,
    cells,
    check_class_surface,
    check_metric_laws,
    outcome,
    write_payload,
)

J = _lumra.JapaneseDictionary

ENTRIES = {
    "東京": ["とうきょう"],
    "東": ["ひがし", "とう"],
    "京": ["きょう", "けい"],
    "日": ["ひ", "にち"],
    "一二三四五六七八九": ["かず"],
    "ABC": ["えーびーしー"],
}


@pytest.fixture(scope="module")
def payload_path(tmp_path_factory):
    return write_payload(tmp_path_factory.mktemp("ja") / "payload.yaml", JA_PAYLOAD_TYPE, ENTRIES)


@pytest.fixture(scope="module")
def d(payload_path):
    return J.load_payload(payload_path)


def test_class_surface():
    assert _lumra.__all__.index("JapaneseDictionary") == 21
    check_class_surface(J, "reading_field")
    assert not hasattr(J, "pinyin_view")


def test_properties_after_load_payload(d):
    assert (d.artifact_name, d.source_name, d.reading_field) == (None, None, None)
    for name in ("artifact_name", "source_name", "reading_field"):
        with pytest.raises(AttributeError):
            setattr(d, name, "x")


def test_load_payload_on_an_instance_gives_a_new_dictionary(d, payload_path):
    other = d.load_payload(payload_path, payload_format="yaml.surface-readings.v1")
    assert type(other) is J and other is not d
    del d
    assert other.distance("東京", "toukyou") == 0


@pytest.mark.parametrize("name", ["binary", "binary.surface-readings.v1"])
def test_binary_payload_reads_as_the_yaml_one(tmp_path, d, name):
    b = J.load_payload(binary_payload(tmp_path / "p.bin", ENTRIES), name)
    texts = ["東京", "日", "ひがしきょう", "ABCかな", "nichi"]
    assert b._cdist_distance(texts, texts) == d._cdist_distance(texts, texts)
    with pytest.raises(ValueError, match="magic"):
        J.load_payload(write_payload(tmp_path / "y.yaml", JA_PAYLOAD_TYPE, ENTRIES), name)


@pytest.mark.parametrize(
    ("name", "quoted"),
    [("YAML", '"YAML"'), ("Binary", '"Binary"'), ("", '""'), ('a"b\\', r'"a\"b\\"'), ("yaml ", '"yaml "')],
)
def test_unknown_payload_format(payload_path, name, quoted):
    with pytest.raises(ValueError) as raised:
        J.load_payload(payload_path, name)
    assert str(raised.value) == f"unsupported payload_format {quoted}; expected 'yaml', 'binary', or 'indexed'"


@pytest.mark.parametrize("name", ["indexed", "fst", "indexed-fst.surface-readings.v1"])
def test_indexed_names_refuse_a_yaml_file(payload_path, name):
    with pytest.raises(ValueError):
        J.load_payload(payload_path, name)


@pytest.mark.parametrize(
    ("args", "error", "message"),
    [
        (("missing.yaml",), ValueError, "failed to read UniDic artifact payload: No such file or directory (os error 2)"),
        ((b"x.yaml",), TypeError, "argument 'path': 'bytes' object is not an instance of 'str'"),
        (("x.yaml", None), TypeError, "argument 'payload_format': 'None' is not an instance of 'str'"),
        (("a", "b", "c"), TypeError, "JapaneseDictionary.load_payload() takes from 1 to 2 positional arguments but 3 were given"),
    ],
)
def test_load_payload_failures(args, error, message):
    with pytest.raises(error) as raised:
        J.load_payload(*args)
    assert str(raised.value) == message


@pytest.mark.parametrize(
    ("method", "args", "kw", "expected"),
    [
        ("distance", ("かっぱ", "kappa"), {}, 0),  # an ASCII text reads as itself
        ("distance", ("東京", "toukyou"), {}, 0),
        ("distance", ("東京", "higashikyou"), {}, 0),
        ("distance", ("東京", "higashikyou"), {"longest_only": True}, 7),
        ("distance", ("日", "niti"), {}, 0),
        ("distance", ("日", "nichi"), {"max_readings_per_segment": 1}, 3),
        ("distance", ("一二三四五六七八九", "kazu"), {"max_span_chars": 9}, 0),
        ("distance", ("ABC", "eebiishii"), {}, 0),
        ("distance", ("東京", "toukyou"), {"score_cutoff": 0}, 0),
        ("distance", ("東京", "kyouto"), {"score_cutoff": 2}, 3),
        ("distance", ("東京", "kyouto"), {"score_cutoff": 2**64 - 1}, 5),
        ("damerau_distance", ("日", "ncihi"), {}, 1),
        ("distance", ("日", "ncihi"), {}, 2),
        ("combined_distance", ("東京", "京東"), {}, 1),
        ("combined_distance", ("東京", "とうきょう"), {}, 0),
        ("within_distance", ("東京", "toukyo", 1), {}, True),
        ("within_distance", ("東京", "toukyo", 0), {}, False),
        ("normalized_similarity", ("東京", "toukyou"), {}, 1.0),
        ("ratio", ("日", "niti"), {}, 1.0),
        ("ratio", ("日", "niti"), {"max_readings_per_segment": 1}, 0.25),
        ("normalized_distance", ("日", "hini"), {}, 0.5),
        ("normalized_distance", ("日", "hini"), {"score_cutoff": 0.4}, 1.0),
        ("_cdist_distance", (["東京", "日"], ["toukyou", "hi"]), {"score_cutoff": 1}, [[0, 2], [2, 0]]),
        ("_cdist_distance", (["日", "東"], []), {}, [[], []]),
        ("_cdist_combined_distance", ([], ["日"]), {}, []),
        ("_cdist_normalized_similarity", ([], []), {"score_cutoff": 5.0}, []),
        ("_cdist_normalized_distance", (["日"], []), {"score_cutoff": float("nan")}, [[]]),
    ],
)
def test_metrics(d, method, args, kw, expected):
    assert getattr(d, method)(*args, **kw) == expected


@pytest.mark.parametrize(
    ("method", "args", "kw", "error", "message"),
    [
        ("distance", ("漢", "a"), {}, ValueError, "unsupported character '漢' at char index 0"),
        ("distance", ("a", "日漢"), {}, ValueError, "unsupported character '日' at char index 0"),
        # The default span does not reach the nine-character surface.
        ("distance", ("一二三四五六七八九", "kazu"), {"max_span_chars": None}, ValueError, "unsupported character '一' at char index 0"),
        ("distance", ("日", "hi"), {"max_span_chars": 0}, ValueError, "unsupported character '日' at char index 0"),
        ("distance", ("日", "hi"), {"max_paths": 0}, ValueError, "unsupported character '日' at char index 0"),
        ("ratio", ("あ" * 1025 + "a", "a"), {}, ValueError, "romaji expansion exceeded input characters limit: 1026 > 1024"),
        # A reading failure comes before the cutoff's range check.
        ("normalized_similarity", ("漢", "a"), {"score_cutoff": 1.5}, ValueError, "unsupported character '漢' at char index 0"),
        ("normalized_similarity", ("日", "a"), {"score_cutoff": 1.5}, ValueError, "score_cutoff must be between 0.0 and 1.0"),
        ("_cdist_normalized_distance", (["日"], ["a"]), {"score_cutoff": -0.5}, ValueError, "score_cutoff must be between 0.0 and 1.0"),
        ("_cdist_distance", (["日", "漢"], ["京", "東漢"]), {}, ValueError, "unsupported character '漢' at char index 0"),
        ("combined_distance", ("a", "b"), {"score_cutoff": True}, TypeError, "score_cutoff must be an int for distance metrics"),
        ("combined_distance", ("a", "b"), {"score_cutoff": 2**63}, TypeError, "score_cutoff must be an int for distance metrics"),
        ("_cdist_combined_distance", ([], []), {"score_cutoff": -1}, ValueError, "score_cutoff must be >= 0 for distance metrics"),
        ("distance", ("a", "b"), {"longest_only": 1}, TypeError, "argument 'longest_only': 'int' object is not an instance of 'bool'"),
        ("distance", ("a", b"b"), {}, TypeError, "argument 'right': 'bytes' object is not an instance of 'str'"),
        ("_cdist_distance", ("ab", []), {}, TypeError, "argument 'queries': Can't extract `str` to `Vec`"),
        ("distance", ("a", "b", "c"), {}, TypeError, "JapaneseDictionary.distance() takes 2 positional arguments but 3 were given"),
        ("within_distance", ("a", "b"), {}, TypeError, "JapaneseDictionary.within_distance() missing 1 required positional argument: 'threshold'"),
        ("within_distance", ("a", "b", 1), {"score_cutoff": 1}, TypeError, "JapaneseDictionary.within_distance() got an unexpected keyword argument 'score_cutoff'"),
    ],
)
def test_failures(d, method, args, kw, error, message):
    with pytest.raises(error) as raised:
        getattr(d, method)(*args, **kw)
    assert str(raised.value) == message


def test_reading_options_are_checked_before_any_text_and_in_order(d):
    limit = "UniDic artifact {} length/count {} exceeds limit {}"
    cases = [
        ({"max_span_chars": 257}, limit.format("max_span_chars", 257, 256)),
        ({"max_paths": 16385}, limit.format("max_paths", 16385, 16384)),
        ({"max_readings_per_segment": 257}, limit.format("max_readings_per_segment", 257, 256)),
        ({"max_span_chars": 300, "max_paths": 16385, "max_readings_per_segment": 999}, limit.format("max_span_chars", 300, 256)),
        ({"max_paths": 2**64 - 1, "max_readings_per_segment": 999}, limit.format("max_paths", 2**64 - 1, 16384)),
    ]
    for kw, message in cases:
        for call in [
            lambda: d.distance("漢", "a", **kw),
            lambda: d.within_damerau_distance("漢", "a", 0, **kw),
            lambda: d.ratio("漢", "a", score_cutoff=2.0, **kw),
            lambda: d._cdist_distance([], [], **kw),
            lambda: d._cdist_normalized_similarity([], ["漢"], score_cutoff=2.0, **kw),
        ]:
            assert outcome(call) == ("ValueError", message)
    # Values at the limits, and 0, pass.
    assert d.distance("東京", "toukyou", max_span_chars=256, max_paths=16384, max_readings_per_segment=256) == 0
    assert d.distance("かな", "kana", max_span_chars=0, max_paths=0, max_readings_per_segment=0) == 0


def test_calls_and_dictionaries_leave_nothing_behind(d, payload_path):
    calls = [
        lambda: J.load_payload(payload_path).distance("東京", "toukyou"),
        lambda: J.load_payload(payload_path, "nope"),
        lambda: d._cdist_combined_distance(["東京", "日"], ["hi"], score_cutoff=1),
        lambda: d._cdist_normalized_similarity(["東京"], ["漢"]),
        lambda: d.ratio("日", "hi", max_paths=20000),
        lambda: d.within_distance("日", "hi", -1),
    ]
    for _ in range(2):  # warm-up, then measured
        gc.collect()
        blocks, type_references = sys.getallocatedblocks(), sys.getrefcount(J)
        for _ in range(300):
            for call in calls:
                outcome(call)
        gc.collect()
    assert sys.getrefcount(J) == type_references
    assert sys.getallocatedblocks() - blocks < 50


# --------------------------------------------------------------------------
# Properties on random small dictionaries

KANJI = "日月火水木金土"
# Kana whose romaji are independent of their neighbours (no small kana, no
# small tsu, no long-vowel mark), with their variants: the reading strings of
# a text are then the spellings of its segmentations' kana, one syllable at a
# time, and the string and lattice forms read the same strings.
VARIANTS = {"か": ["ka"], "し": ["si", "shi", "ci"], "つ": ["tu", "tsu"], "な": ["na"], "ん": ["n", "nn", "m"], "を": ["wo", "o"], "い": ["i"]}

dictionaries = st.dictionaries(
    st.text(KANJI, min_size=1, max_size=3),
    st.lists(st.text("".join(VARIANTS), min_size=1, max_size=2), min_size=1, max_size=2, unique=True),
    min_size=1,
    max_size=6,
)


def reading_strings(entries, text):
    """Every romaji string of `text`: each segmentation into surfaces, each
    reading of each surface, each spelling of each kana."""

    @cache
    def kana_tails(i):
        if i == len(text):
            return {""}
        found = set()
        for j in range(i + 1, min(i + 8, len(text)) + 1):
            for reading in entries.get(text[i:j], ()):
                found |= {reading + tail for tail in kana_tails(j)}
        return found

    if not text:
        return {""}
    spellings = set()
    for kana in kana_tails(0):
        spelled = [""]
        for c in kana:
            spelled = [s + v for s in spelled for v in VARIANTS[c]]
        spellings.update(spelled)
    return spellings


@pytest.fixture(scope="module")
def scratch(tmp_path_factory):
    return tmp_path_factory.mktemp("random") / "payload.yaml"


def texts_of(entries):
    """Mostly texts made of the dictionary's surfaces, sometimes any kanji."""
    words = st.lists(st.sampled_from(sorted(entries)), min_size=1, max_size=2).map("".join)
    return st.one_of(words, words, st.text(KANJI, max_size=3))


@settings(max_examples=120, deadline=None)
@given(entries=dictionaries, data=st.data())
def test_metrics_are_the_best_pair_of_reading_strings(scratch, entries, data):
    left, right = data.draw(texts_of(entries)), data.draw(texts_of(entries))
    d = J.load_payload(write_payload(scratch, JA_PAYLOAD_TYPE, entries))
    left_strings, right_strings = sorted(reading_strings(entries, left)), sorted(reading_strings(entries, right))
    if not left_strings or not right_strings:
        unread = left if not left_strings else right
        message = f"unsupported character '{unread[0]}' at char index 0"
        for method in ("distance", "normalized_similarity"):
            assert outcome(lambda: getattr(d, method)(left, right)) == ("ValueError", message)
        return
    assert d.distance(left, right) == min(cells(_lumra._cdist_distance(left_strings, right_strings)))
    assert d.damerau_distance(left, right) == min(cells(_lumra._cdist_damerau_distance(left_strings, right_strings)))
    assert d.normalized_similarity(left, right) == max(
        cells(_lumra._cdist_normalized_similarity(left_strings, right_strings))
    )


mixed_texts = st.text(KANJI + "".join(VARIANTS) + "ーっゃkaA ", max_size=5)


@settings(max_examples=120, deadline=None)
@given(
    entries=dictionaries,
    left=mixed_texts,
    right=mixed_texts,
    threshold=st.integers(0, 6),
    cutoff=st.integers(0, 8),
    options=st.fixed_dictionaries(
        {}, optional={"longest_only": st.booleans(), "max_span_chars": st.integers(0, 3), "max_readings_per_segment": st.integers(0, 2)}
    ),
)
def test_metric_laws(scratch, entries, left, right, threshold, cutoff, options):
    d = J.load_payload(write_payload(scratch, JA_PAYLOAD_TYPE, entries))

    class WithOptions:  # the dictionary with the drawn options on every call
        def __getattr__(self, name):
            method = getattr(d, name)
            return lambda *args, **kw: method(*args, **options, **kw)

    check_metric_laws(WithOptions(), left, right, threshold, cutoff)


option_sets = st.fixed_dictionaries(
    {}, optional={"longest_only": st.booleans(), "max_span_chars": st.integers(0, 3),
                  "max_readings_per_segment": st.integers(0, 2), "max_paths": st.integers(1, 3)}
)


@settings(max_examples=60, deadline=None)
@given(entries=dictionaries, data=st.data())
def test_a_dictionary_answers_every_repeat_as_a_fresh_one_would(scratch, entries, data):
    # A dictionary keeps the readings it made of recent texts; a text asked
    # for again, with the same options or others, in any metric, must get
    # what a dictionary that never saw it gives.
    texts = data.draw(st.lists(texts_of(entries) | mixed_texts, min_size=1, max_size=3))
    calls = data.draw(st.lists(st.tuples(
        st.sampled_from(["distance", "combined_distance", "normalized_similarity", "within_distance"]),
        st.sampled_from(texts), st.sampled_from(texts), option_sets), min_size=2, max_size=10))
    path = write_payload(scratch, JA_PAYLOAD_TYPE, entries)
    d = J.load_payload(path)
    for name, left, right, options in calls + calls:
        extra = (2,) if name == "within_distance" else ()
        fresh = J.load_payload(path)
        assert outcome(lambda: getattr(d, name)(left, right, *extra, **options)) == outcome(
            lambda: getattr(fresh, name)(left, right, *extra, **options)), (name, left, right, options)
    matrix = data.draw(option_sets)
    fresh = J.load_payload(path)
    for name in ("_cdist_distance", "_cdist_normalized_similarity"):
        assert outcome(lambda: getattr(d, name)(texts, texts[::-1], **matrix)) == outcome(
            lambda: getattr(fresh, name)(texts, texts[::-1], **matrix))


# --------------------------------------------------------------------------
# Threads and interpreters

def test_one_dictionary_from_several_threads(d):
    texts = ["東京", "とうきょう", "日", "ひがしきょう", "ABCかな", "nichi", "京東"]
    calls = [
        (d.distance, ("東京", "kyouto")),
        (d.combined_distance, ("日東", "東日"), {"score_cutoff": 1}),
        (d.within_damerau_distance, ("日京", "hikyo", 1)),
        (d.ratio, ("東京", "toukyo")),
        (d._cdist_distance, (texts, texts)),
        (d._cdist_normalized_distance, (texts, texts[:3]), {"longest_only": True}),
    ]

    def run(call):
        method, args, *kw = call
        return method(*args, **(kw[0] if kw else {}))

    expected = [run(c) for c in calls]
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(3):
            assert list(pool.map(run, calls * 8)) == expected * 8


def test_dictionary_in_subinterpreters(payload_path):
    interpreters = pytest.importorskip("concurrent.interpreters")
    for _ in range(2):  # a second module object after the first is gone
        interp = interpreters.create()
        try:
            interp.exec(
                f"import sys; sys.path[:0] = {sys.path!r}\n"
                "import _lumra\n"
                f"d = _lumra.JapaneseDictionary.load_payload({payload_path!r})\n"
                "assert type(d).__name__ == 'JapaneseDictionary'\n"
                "assert d.distance('東京', 'toukyou') == 0\n"
                "assert d._cdist_distance(['日'], ['hi', 'niti']) == [[0, 0]]\n"
            )
        finally:
            interp.close()


# Every path of "日" * 14 spells up to 2^14 romaji strings (ち: chi, ti), so
# all 16384 paths together would spell 3^14 strings; the strings of one text
# are bounded as a whole, not path by path only.
@pytest.mark.parametrize("call", [
    lambda d, **kw: d.normalized_similarity("日" * 14, "hi", **kw),
    lambda d, **kw: d.ratio("hi", "日" * 14, **kw),
    lambda d, **kw: d._cdist_normalized_distance(["日" * 14], ["hi"], **kw)[0][0],
], ids=["normalized_similarity", "ratio", "cdist"])
def test_the_romaji_strings_of_all_paths_are_bounded_together(d, call):
    with pytest.raises(ValueError, match=r"^romaji expansion exceeded expanded romaji symbols limit: \d+ > 16777216$"):
        call(d, max_paths=16384)
    assert 0.0 < call(d, max_paths=64) < 1.0


# 'し' spelled si, shi or ci builds five nodes per character (plus one), and
# these lattices are searched with their shared nodes merged, which would
# fit; the state limit still counts the nodes as built.
@pytest.mark.parametrize("call", [
    lambda d, a, b: d.distance(a, b),
    lambda d, a, b: d.damerau_distance(a, b, score_cutoff=1),
    lambda d, a, b: d.within_distance(a, b, 3),
    lambda d, a, b: d.combined_distance(a, b),
    lambda d, a, b: d._cdist_distance([a], [b])[0][0],
], ids=["distance", "damerau", "within", "combined", "cdist"])
def test_state_limit_counts_the_lattices_as_built(d, call):
    assert call(d, "し" * 4000, "し" * 159) is not None  # 20001 x 796 nodes
    with pytest.raises(ValueError, match=r"^distance matrix 20001x801 exceeds the maximum of 16000000 cells$"):
        call(d, "し" * 4000, "し" * 160)
