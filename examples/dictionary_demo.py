"""Matching noisy Japanese and Chinese queries against a small catalogue by
pronunciation, with lumra.extract and the sample bundles under data/ (built
from UniDic and CC-CEDICT by data/make_samples.py). Queries may be written in
kana, kanji, romaji or pinyin, with typos; each prints its best catalogue
matches with their normalized similarity, then the same queries compared by
spelling alone.

    PYTHONPATH=build/python python3 examples/dictionary_demo.py
"""

import pathlib

import lumra

DATA = pathlib.Path(__file__).resolve().parent.parent / "data"

QUERIES = {
    "ja": ["とうきょうえき", "toukyoueki", "東京えき", "shinjukueki", "oosakajou",
           "きょうとだいがく", "にほんぎんこう", "fujisann", "横浜ちゅうかがい", "kinkakuji"],
    "zh": ["beijingdaxue", "bei3jing1da4xue2", "zhongguoyinhang", "上海搏物馆", "shanghaibowuguan",
           "tiananmenguangchang", "changcheng", "xihu", "chongqinghuoguo", "香港机厂"],
}


def catalogue(language):
    lines = (DATA / "catalogue.txt").read_text(encoding="utf-8").splitlines()
    return [text for lang, _, text in (l.partition("\t") for l in lines if l and not l.startswith("#"))
            if lang == language]


def best_matches(dictionary, query, entries, count=3):
    """The `count` best entries as (score, entry), best first."""
    found = lumra.extract(query, entries, scorer=lumra.normalized_similarity, dictionary=dictionary,
                          limit=count, skip_unreadable=True)
    return [(score, entry) for entry, score, _ in found]


def main():
    dictionaries = {
        "ja": lumra.load_bundle(lumra.JapaneseDictionary, str(DATA / "ja-unidic-sample")),
        "zh": lumra.load_bundle(lumra.ChineseDictionary, str(DATA / "zh-cedict-sample")),
    }
    for language, queries in QUERIES.items():
        dictionary = dictionaries[language]
        entries = catalogue(language)
        print(f"== {dictionary.artifact_name} ({dictionary.source_name}): by readings")
        for query in queries:
            matches = ", ".join(f"{entry} {score:.2f}" for score, entry in best_matches(dictionary, query, entries))
            print(f"{query:>22} -> {matches}")
        print(f"== the same {language} queries by spelling alone")
        for query in queries[:3]:
            matches = lumra.extract(query, entries, limit=3)
            print(f"{query:>22} -> " + ", ".join(f"{entry} {score:.2f}" for entry, score, _ in matches))


if __name__ == "__main__":
    main()
