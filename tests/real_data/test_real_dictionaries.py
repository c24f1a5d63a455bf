"""The full UniDic 3.1 and CC-CEDICT of Debian's unidic-mecab and
dict-cc-cedict, built with lumra-build in the indexed format, verified by
load_bundle, and asked for readings any speaker knows. Run by
dev/test-real-data; the normal test run builds reduced copies instead
(tests/python/test_build_tool.py)."""

import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "python"))
from build_tool_support import (  # noqa: E402
    CEDICT_COPYRIGHT,
    CEDICT_INDEX,
    UNIDIC_COPYRIGHT,
    UNIDIC_LEX,
    need,
    run,
)

import _lumra  # noqa: E402


@pytest.fixture(scope="module")
def japanese(tmp_path_factory):
    need(UNIDIC_LEX)
    out = tmp_path_factory.mktemp("ja") / "unidic"
    run("unidic", "--lex-csv", UNIDIC_LEX, "--out", out, "--format", "indexed",
        "--license", f"UniDic={UNIDIC_COPYRIGHT}", "--source-version", "3.1.1")
    return _lumra.JapaneseDictionary.load_bundle(str(out))


@pytest.fixture(scope="module")
def chinese(tmp_path_factory):
    need(CEDICT_INDEX)
    out = tmp_path_factory.mktemp("zh") / "cedict"
    run("cedict", "--source", CEDICT_INDEX, "--out", out, "--format", "indexed",
        "--license", f"CC-CEDICT={CEDICT_COPYRIGHT}")
    return _lumra.ChineseDictionary.load_bundle(str(out))


def first_reading_is(d, text, reading):
    return d.distance(text, reading, max_readings_per_segment=1, longest_only=True) == 0


def test_tokyo_reads_tokyo(japanese):
    assert first_reading_is(japanese, "東京", "とうきょう")


def test_nihon_reads_both_ways(japanese):
    assert japanese.distance("日本", "にほん", longest_only=True) == 0
    assert japanese.distance("日本", "にっぽん", longest_only=True) == 0


@pytest.mark.parametrize("text, romaji", [("東京大学", "toukyoudaigaku"), ("日本語", "nihongo")])
def test_romaji_queries(japanese, text, romaji):
    assert japanese.distance(text, romaji) == 0


def test_zhongguo(chinese):
    assert first_reading_is(chinese, "中国", "zhong1guo2")
    assert first_reading_is(chinese, "中國", "zhong1guo2")


def test_yinhang_among_the_readings(chinese):
    assert chinese.distance("银行", "yin2hang2", longest_only=True) == 0
    assert chinese.distance("銀行", "yin2hang2", longest_only=True) == 0
