#!/usr/bin/env python3
"""Dictionary metrics over an indexed payload against the map form of the
same entries, for both languages, in one process.

    dev/env dev/bench-formats [--quick]

Each dictionary is written as a YAML payload (loaded into the map form) and
turned into an indexed payload by our writer (`load_payload write-indexed`,
built by dev/bench-formats); both are loaded with `load_payload` and timed on
the same pairs, their repeats taken in turn, with the results compared (a
difference prints "!!! MISMATCH"). The ratio is indexed / map: the goal is at
most 1.5. Dictionaries of two sizes are used: the real words of bench/data
with two-word compounds up to 3000 entries, as in bench/run.py, and the same
with 300,000 synthetic entries added (random Han surfaces of 1 to 4
characters, as bench/make_reading_payload.py writes them), so that the index
no longer fits the caches and most lookups of a segmentation miss deep in it.
"""
import argparse
import pathlib
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run  # noqa: E402  (the timing and reporting helpers of dev/bench)
from run import Settings, measure, section  # noqa: E402

JA_TYPE = "lumra.unidic.reading-index.surface-readings"
ZH_TYPE = "lumra.zh.reading-index.surface-readings"


HAN = [chr(c) for c in range(0x4E00, 0x4E00 + 3000)]
HIRAGANA = [chr(c) for c in range(0x3041, 0x3094)]
SYLLABLES = ["zhong", "guo", "xing", "hang", "ren", "da", "xiao", "shi", "jian", "lu"]


def with_filler(entries, count, reading, rng):
    """`entries` and `count` more with random Han surfaces; `reading(surface)`
    makes one reading."""
    grown = dict(entries)
    target = len(grown) + count
    while len(grown) < target:
        surface = "".join(rng.choice(HAN) for _ in range(rng.randint(1, 4)))
        grown.setdefault(surface, [reading(surface)])
    return grown


def both_forms(cls, writer, language, folder, payload_type, entries, **extra):
    """The map form and the indexed form of one dictionary, and the sizes of
    its two payload files."""
    yaml_path = folder / f"{language}-{len(entries)}.yaml"
    indexed_path = folder / f"{language}-{len(entries)}.indexed"
    run.write_dictionary_payload(yaml_path, payload_type, entries, **extra)
    subprocess.run([writer, "write-indexed", language, str(yaml_path), str(indexed_path)],
                   check=True, stdout=subprocess.DEVNULL)
    return (cls.load_payload(str(yaml_path)), cls.load_payload(str(indexed_path), "indexed"),
            yaml_path.stat().st_size, indexed_path.stat().st_size)


def compare(tag, map_form, indexed_form, pairs, queries, choices):
    for name in ("distance", "normalized_similarity"):
        measure(f"{tag} {name}", getattr(indexed_form, name), pairs, {},
                [("map form", getattr(map_form, name), {}, None)])
    cells = len(queries) * len(choices)
    measure(f"{tag} _cdist_distance {len(queries)}x{len(choices)}",
            indexed_form._cdist_distance, [(queries, choices)], {},
            [("map form", map_form._cdist_distance, {}, None)],
            fmt=lambda seconds: f"{seconds / cells * 1e9:.3g} ns/cell")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("writer", help="the load_payload program (write-indexed)")
    parser.add_argument("--quick", action="store_true", help="small inputs, 3 short repeats")
    options = parser.parse_args()
    if options.quick:
        Settings.quick, Settings.repeats, Settings.min_time = True, 3, 0.02
    lumra = run._lumra
    if lumra is None:
        sys.exit(f"_lumra could not be imported ({run.LUMRA_ERROR})")
    section("payload formats: indexed form / map form of the same entries",
            "time per call; ratio = indexed / map (goal <= 1.5)", workload_width=46)
    count = Settings.pick(300, 60)
    nq, nc = Settings.pick((100, 1000), (20, 200))
    with tempfile.TemporaryDirectory() as name:
        folder = pathlib.Path(name)
        rng = random.Random(500)
        words = run.word_list("ja_words.tsv")
        katakana = str.maketrans({chr(c): chr(c + 0x60) for c in range(0x3041, 0x3097)})

        def kana(word):  # the first reading, in hiragana or katakana
            reading = word[1][0]
            return reading.translate(katakana) if rng.random() < 0.3 else reading
        pairs = run.written_pairs(rng, words, kana, count)
        texts = [a for a, _ in run.written_pairs(rng, words, kana, nq + nc)]
        base = run.with_compounds(words, 3000, rng)
        filler = Settings.pick(300000, 30000)
        ja_reading = lambda _: "".join(rng.choice(HIRAGANA) for _ in range(rng.randint(2, 8)))  # noqa: E731
        for entries in (base, with_filler(base, filler, ja_reading, rng)):
            map_form, indexed_form, yaml_bytes, indexed_bytes = both_forms(
                lumra.JapaneseDictionary, options.writer, "ja", folder, JA_TYPE, entries)
            tag = f"ja {len(entries)} entries"
            print(f"{tag}: YAML {yaml_bytes / 1e6:.1f} MB, indexed {indexed_bytes / 1e6:.1f} MB")
            compare(tag, map_form, indexed_form, pairs, texts[:nq], texts[nq:])

        words = run.word_list("zh_words.tsv")
        base = {s: list(dict.fromkeys("".join(c for c in r if not c.isdigit()) for r in rs))
                for s, rs in run.with_compounds(words, 3000, rng).items()}
        zh_reading = lambda surface: "".join(rng.choice(SYLLABLES) for _ in surface)  # noqa: E731
        for entries in (base, with_filler(base, filler, zh_reading, rng)):
            map_form, indexed_form, yaml_bytes, indexed_bytes = both_forms(
                lumra.ChineseDictionary, options.writer, "zh", folder, ZH_TYPE, entries,
                pinyin_view="no-tone")
            spell = lambda w: entries[w[0]][0]  # noqa: E731
            pairs = run.written_pairs(rng, words, spell, count)
            texts = [a for a, _ in run.written_pairs(rng, words, spell, nq + nc)]
            tag = f"zh {len(entries)} entries"
            print(f"{tag}: YAML {yaml_bytes / 1e6:.1f} MB, indexed {indexed_bytes / 1e6:.1f} MB")
            compare(tag, map_form, indexed_form, pairs, texts[:nq], texts[nq:])


if __name__ == "__main__":
    main()
