"""Finds the catalogue entries that sound most like noisy Japanese and Chinese
queries, with lumra.extract and the two dictionary classes.

The dictionaries are the small word lists of bench/data (kana readings for
Japanese, tone3 pinyin for Chinese), written as payloads to a temporary
folder and loaded with lumra.load_payload.
"""

import json
import pathlib
import tempfile

import lumra

DATA = pathlib.Path(__file__).resolve().parents[1] / "bench" / "data"

JA_CATALOGUE = ["東京", "京都", "大阪", "日本", "新幹線", "会社", "学校", "先生", "電車", "写真"]
JA_QUERIES = ["とうきょう", "toukyou", "kyoto", "おおさか", "nippon", "shinkansen", "gakkou", "densya"]
ZH_CATALOGUE = ["北京", "上海", "广州", "深圳", "香港", "中国", "银行", "学校", "老师", "朋友"]
ZH_QUERIES = ["beijing", "shanghai", "xianggang", "zhongguo", "yinhang", "pengyou", "laoshi", "bei3jing1"]


def read_words(name):
    entries = {}
    for line in (DATA / name).read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            surface, readings = line.split("\t")
            entries[surface] = readings.split(",")
    return entries


def load(cls, folder, name, payload_type, **extra):
    payload = {"schema_version": 1, "payload_type": payload_type, **extra}
    payload["entries"] = [{"surface": s, "readings": r} for s, r in read_words(name).items()]
    path = pathlib.Path(folder) / (name + ".yaml")
    path.write_text(json.dumps(payload, ensure_ascii=False), encoding="utf-8")
    return lumra.load_payload(cls, str(path))


def show(title, dictionary, queries, catalogue):
    print(title)
    for query in queries:
        matches = lumra.extract(query, catalogue, scorer=lumra.normalized_similarity, dictionary=dictionary, limit=3)
        shown = "  ".join(f"{choice} {score:.2f}" for choice, score, _ in matches)
        print(f"  {query:<12} {shown}")


def main() -> None:
    with tempfile.TemporaryDirectory() as folder:
        ja = load(lumra.JapaneseDictionary, folder, "ja_words.tsv", "lumra.unidic.reading-index.surface-readings")
        zh = load(
            lumra.ChineseDictionary, folder, "zh_words.tsv", "lumra.zh.reading-index.surface-readings",
            pinyin_view="tone3",
        )
    show("Japanese (kana, romaji) against a catalogue in kanji, by readings:", ja, JA_QUERIES, JA_CATALOGUE)
    show("Chinese (pinyin, with or without tone digits) against a catalogue, by readings:", zh, ZH_QUERIES, ZH_CATALOGUE)
    print("The same Chinese queries by spelling alone:")
    for query in ZH_QUERIES[:3]:
        print(f"  {query:<12} {lumra.extract_one(query, ZH_CATALOGUE)}")


if __name__ == "__main__":
    main()
