"""The sample bundles committed under data/ load and verify, and read the
demo's noisy queries as the catalogue entries they mean."""

import pathlib
import runpy

import pytest

import _lumra

DATA = pathlib.Path(__file__).resolve().parents[2] / "data"
demo = runpy.run_path(str(DATA.parent / "examples/dictionary_demo.py"))


@pytest.fixture(scope="module")
def dictionaries():
    return {
        "ja": _lumra.JapaneseDictionary.load_bundle(str(DATA / "ja-unidic-sample")),
        "zh": _lumra.ChineseDictionary.load_bundle(str(DATA / "zh-cedict-sample" / "metadata.yaml")),
    }


def test_samples_are_small_real_dictionaries(dictionaries):
    assert (dictionaries["ja"].source_name, dictionaries["ja"].reading_field) == ("UniDic", "kana")
    assert (dictionaries["zh"].source_name, dictionaries["zh"].pinyin_view) == ("CC-CEDICT", "no-tone")
    for bundle in ("ja-unidic-sample", "zh-cedict-sample"):
        metadata = (DATA / bundle / "metadata.yaml").read_text(encoding="utf-8")
        entries = int(metadata.split("\n  entries: ")[1].split("\n")[0])
        assert 2000 <= entries <= 10000


@pytest.mark.parametrize("language, query, meant", [
    ("ja", "とうきょうえき", "東京駅"),
    ("ja", "toukyoueki", "東京駅"),
    ("ja", "oosakajou", "大阪城"),
    ("ja", "にほんぎんこう", "日本銀行"),
    ("zh", "beijingdaxue", "北京大学"),
    ("zh", "上海搏物馆", "上海博物馆"),
    ("zh", "香港机厂", "香港机场"),
])
def test_noisy_queries_find_what_they_mean(dictionaries, language, query, meant):
    entries = demo["catalogue"](language)
    assert meant in entries
    (score, best), (runner_up, _) = demo["best_matches"](dictionaries[language], query, entries, 2)
    assert best == meant and score == 1.0 and runner_up < 1.0
