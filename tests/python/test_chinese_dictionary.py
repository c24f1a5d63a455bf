from concurrent.futures import ThreadPoolExecutor
from functools import cache

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import _lumra
from dictionary_support import (
    ZH_PAYLOAD_TYPE,
    cells,
    check_class_surface,
    check_metric_laws,
    outcome,
    write_payload,
)

Z = _lumra.ChineseDictionary

ENTRIES = {
    "中国": ["zhongguo"],
    "中": ["zhong"],
    "国": ["guo"],
    "行": ["xing", "hang"],
    "银行": ["yinhang"],
    "银": ["yin"],
}


@pytest.fixture(scope="module")
def payload_path(tmp_path_factory):
    path = tmp_path_factory.mktemp("zh") / "payload.yaml"
    return write_payload(path, ZH_PAYLOAD_TYPE, ENTRIES, pinyin_view="no-tone")


@pytest.fixture(scope="module")
def d(payload_path):
    return Z.load_payload(payload_path)


def test_class_surface():
    assert _lumra.__all__[-1] == "ChineseDictionary" and len(_lumra.__all__) == 23
    check_class_surface(Z, "pinyin_view")
    assert not hasattr(Z, "reading_field")
    assert Z is not _lumra.JapaneseDictionary


def test_properties_after_load_payload(d):
    # The payload names its view, but only a bundle reports one.
    assert (d.artifact_name, d.source_name, d.pinyin_view) == (None, None, None)
    with pytest.raises(AttributeError):
        d.pinyin_view = "tone3"


@pytest.mark.parametrize("name", ["yaml", "yaml.surface-readings.v1"])
def test_yaml_names(d, payload_path, name):
    other = d.load_payload(payload_path, payload_format=name)
    assert type(other) is Z and other is not d
    assert other.distance("中国", "zhongguo") == 0


@pytest.mark.parametrize(
    ("name", "quoted"),
    [("binary", '"binary"'), ("binary.surface-readings.v1", '"binary.surface-readings.v1"'), ("YAML", '"YAML"'), ("\n", r'"\n"')],
)
def test_unknown_payload_format(payload_path, name, quoted):
    with pytest.raises(ValueError) as raised:
        Z.load_payload(payload_path, name)
    assert str(raised.value) == f"unsupported payload_format {quoted}; expected 'yaml' or 'indexed'"


@pytest.mark.parametrize("name", ["indexed", "fst", "indexed-fst.surface-readings.v1"])
def test_indexed_names_refuse_a_yaml_file(payload_path, name):
    with pytest.raises(ValueError):
        Z.load_payload(payload_path, name)


def test_load_failure_is_the_load_error(tmp_path):
    path = write_payload(tmp_path / "p.yaml", ZH_PAYLOAD_TYPE, {"中": ["Zhong"]}, pinyin_view="no-tone")
    with pytest.raises(ValueError, match="zhong"):
        Z.load_payload(path)


@pytest.mark.parametrize(
    ("method", "args", "kw", "expected"),
    [
        ("distance", ("中国", "zhongguo"), {}, 0),
        ("distance", ("中国", "Zhong Guo"), {}, 0),  # direct input, normalised
        ("distance", ("abc中国", "abczhongguo"), {}, 0),  # a raw run before the surfaces
        ("distance", ("银行", "yinxing"), {}, 0),
        ("distance", ("银行", "yinxing"), {"longest_only": True}, 2),
        ("distance", ("行", "hang"), {"max_readings_per_segment": 1}, 2),
        ("distance", ("银行", "yinhang"), {"max_span_chars": 1}, 0),
        ("distance", ("中国", "zhongguoren"), {"score_cutoff": 1}, 2),
        ("damerau_distance", ("中国", "zhnoggou"), {}, 2),
        ("combined_distance", ("中国", "国中"), {}, 1),
        ("within_distance", ("行", "hing", 1), {}, True),
        ("ratio", ("行", "xin"), {}, 0.75),
        ("normalized_distance", ("行", "xin"), {"score_cutoff": 0.2}, 1.0),
        ("_cdist_distance", (["中国", "行"], ["zhongguo", "hang", "x"]), {}, [[0, 5, 8], [5, 0, 3]]),
        ("_cdist_normalized_similarity", (["行"], []), {"score_cutoff": 2.0}, [[]]),
    ],
)
def test_metrics(d, method, args, kw, expected):
    assert getattr(d, method)(*args, **kw) == expected


@pytest.mark.parametrize(
    ("method", "args", "kw", "message"),
    [
        ("distance", ("", "a"), {}, 'unsupported direct pinyin input ""'),
        ("ratio", ("a", "中x漢\n"), {}, r'unsupported direct pinyin input "中x漢\n"'),
        ("distance", ("行", "a"), {"max_readings_per_segment": 0}, 'unsupported direct pinyin input "行"'),
        ("_cdist_combined_distance", (["中", "漢"], ["国"]), {}, 'unsupported direct pinyin input "漢"'),
        ("distance", ("", "a"), {"max_paths": 16385}, "zh artifact max_paths length/count 16385 exceeds limit 16384"),
        ("_cdist_distance", ([], []), {"max_span_chars": 257, "max_paths": 16385}, "zh artifact max_span_chars length/count 257 exceeds limit 256"),
        ("ratio", ("", ""), {"max_readings_per_segment": 300}, "zh artifact max_readings_per_segment length/count 300 exceeds limit 256"),
        ("normalized_similarity", ("中", "a"), {"score_cutoff": 1.5}, "score_cutoff must be between 0.0 and 1.0"),
    ],
)
def test_failures(d, method, args, kw, message):
    with pytest.raises(ValueError) as raised:
        getattr(d, method)(*args, **kw)
    assert str(raised.value) == message


# --------------------------------------------------------------------------
# Properties on random small dictionaries

HAN = "中国人大小"
SYLLABLES = ["a", "ba", "zhong", "guo", "ren"]

dictionaries = st.dictionaries(
    st.text(HAN, min_size=1, max_size=2),
    st.lists(st.sampled_from(SYLLABLES), min_size=1, max_size=2, unique=True),
    min_size=1,
    max_size=6,
)


def reading_strings(entries, text):
    """Every pinyin string of a Han text: each segmentation into surfaces,
    each reading of each surface."""

    @cache
    def tails(i):
        if i == len(text):
            return {""}
        found = set()
        for j in range(i + 1, min(i + 8, len(text)) + 1):
            for reading in entries.get(text[i:j], ()):
                found |= {reading + tail for tail in tails(j)}
        return found

    return tails(0) if text else set()


def texts_of(entries):
    words = st.lists(st.sampled_from(sorted(entries)), min_size=1, max_size=3).map("".join)
    return st.one_of(words, words, st.text(HAN, max_size=3))


@pytest.fixture(scope="module")
def scratch(tmp_path_factory):
    return tmp_path_factory.mktemp("random") / "payload.yaml"


def load(scratch, entries):
    return Z.load_payload(write_payload(scratch, ZH_PAYLOAD_TYPE, entries, pinyin_view="no-tone"))


@settings(max_examples=120, deadline=None)
@given(entries=dictionaries, data=st.data())
def test_metrics_are_the_best_pair_of_reading_strings(scratch, entries, data):
    left, right = data.draw(texts_of(entries)), data.draw(texts_of(entries))
    d = load(scratch, entries)
    left_strings, right_strings = sorted(reading_strings(entries, left)), sorted(reading_strings(entries, right))
    if not left_strings or not right_strings:
        unread = left if not left_strings else right
        for method in ("distance", "normalized_similarity"):
            assert outcome(lambda: getattr(d, method)(left, right)) == (
                "ValueError",
                f'unsupported direct pinyin input "{unread}"',
            )
        return
    assert d.distance(left, right) == min(cells(_lumra._cdist_distance(left_strings, right_strings)))
    assert d.damerau_distance(left, right) == min(cells(_lumra._cdist_damerau_distance(left_strings, right_strings)))
    assert d.normalized_similarity(left, right) == max(
        cells(_lumra._cdist_normalized_similarity(left_strings, right_strings))
    )


@settings(max_examples=120, deadline=None)
@given(
    entries=dictionaries,
    left=st.text(HAN + "abZ :", max_size=5),
    right=st.text(HAN + "abZ :", max_size=5),
    threshold=st.integers(0, 6),
    cutoff=st.integers(0, 8),
)
def test_metric_laws(scratch, entries, left, right, threshold, cutoff):
    check_metric_laws(load(scratch, entries), left, right, threshold, cutoff)


def test_one_dictionary_from_several_threads(d):
    texts = ["中国", "银行", "行", "abc中国", "zhongguo", "国中"]
    calls = [(d._cdist_distance, texts), (d._cdist_combined_distance, texts), (d._cdist_normalized_similarity, texts)]
    expected = [method(t, t) for method, t in calls]
    with ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(lambda call: call[0](call[1], call[1]), calls * 8))
    assert results == expected * 8


# 16384 readings of "行" * 3000 (xing or hang each) would hold 196 MiB of
# pinyin; the strings of one text are bounded together.
@pytest.mark.parametrize("call", [
    lambda d, **kw: d.normalized_similarity("行" * 3000, "xing", **kw),
    lambda d, **kw: d.ratio("xing", "行" * 3000, **kw),
    lambda d, **kw: d._cdist_normalized_distance(["行" * 3000], ["xing"], **kw)[0][0],
], ids=["normalized_similarity", "ratio", "cdist"])
def test_the_reading_strings_of_a_text_are_bounded_together(d, call):
    with pytest.raises(ValueError, match=r"^pinyin reading strings of \d+ bytes exceed the limit of 16777216$"):
        call(d, max_paths=16384)
    assert 0.0 < call(d, max_paths=4) < 1.0


# 16384 strings of 4 bytes a 行: 256 of them fill the 16 MiB exactly, which
# is allowed; one more is not, whichever method reads the text.
@pytest.mark.parametrize("count", [256, 257])
@pytest.mark.parametrize("call", [
    lambda d, text: d.ratio(text, "xing", max_paths=16384),
    lambda d, text: d._partial_ratio_alignment(text, "xing", 1, max_paths=16384),
], ids=["ratio", "alignment query"])
def test_the_reading_strings_bound_is_inclusive(d, call, count):
    if count == 256:
        assert call(d, "行" * count) is not None
    else:
        with pytest.raises(ValueError, match=r"^pinyin reading strings of \d+ bytes exceed the limit of 16777216$"):
            call(d, "行" * count)
