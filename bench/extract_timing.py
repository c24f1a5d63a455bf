#!/usr/bin/env python3
"""Times lumra.extract against rapidfuzz.process.extract in one run.

    python3 bench/extract_timing.py [--repeats N]

1. extract(query, 100,000 names, limit=5) with normalized_similarity and with
   distance (score_cutoff=2), against rapidfuzz.process.extract with the
   matching scorer and workers=1: the median time per call over a fixed set
   of queries (half near copies of a catalogue name, half unrelated), and
   the ratio ours / theirs. (rapidfuzz's extract takes no `workers`: it
   always runs on the calling thread, like workers=1.)
2. extract with a JapaneseDictionary over 10,000 real Japanese surnames and
   given names of UniDic (/usr/share/mecab/dic/unidic/lex_3_1.csv, the
   dictionary loaded from a payload of those names and their readings),
   queried in kana, romaji and kanji: time per call.

The names are made from syllables with a fixed seed, so every run times the
same inputs. Peers are called as black boxes.
"""

import argparse
import json
import pathlib
import random
import statistics
import sys
import tempfile
import time

import _lumra
import lumra

LEX = pathlib.Path("/usr/share/mecab/dic/unidic/lex_3_1.csv")
SYLLABLES = "ka ki ku ke ko sa shi su se so ta chi tsu te to na ni nu ne no ha hi fu he ho ma mi mu me mo ra ri ru re ro ya yu yo wa n ga gi gu ge go".split()


def names(rng, count):
    out = []
    for _ in range(count):
        first = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 4))).capitalize()
        last = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 4))).capitalize()
        out.append(f"{first} {last}")
    return out


def noisy(rng, text):
    chars = list(text)
    for _ in range(rng.randint(1, 2)):
        i = rng.randrange(len(chars))
        chars[i] = rng.choice("abcdefghijklmnopqrstuvwxyz")
    return "".join(chars)


def per_call(functions, queries, repeats):
    """Median seconds per call of each function over `repeats` passes
    through `queries`; the passes of the functions take turns, so that a
    slow moment of the machine falls on all of them."""
    times = [[] for _ in functions]
    for _ in range(repeats):
        for function, spent in zip(functions, times):
            start = time.perf_counter()
            for query in queries:
                function(query)
            spent.append((time.perf_counter() - start) / len(queries))
    return [statistics.median(spent) for spent in times]


def fmt(seconds):
    return f"{seconds * 1e3:8.2f} ms"


def plain_section(repeats):
    from rapidfuzz import process
    from rapidfuzz.distance import Levenshtein

    rng = random.Random(15)
    catalogue = names(rng, 100_000)
    queries = [noisy(rng, rng.choice(catalogue)) for _ in range(5)] + names(rng, 5)
    cases = [
        ("normalized_similarity", lumra.normalized_similarity, Levenshtein.normalized_similarity, None),
        ("distance, cutoff 2", lumra.distance, Levenshtein.distance, 2),
    ]
    print(f"extract(query, {len(catalogue):,} names, limit=5), {len(queries)} queries, median of {repeats}")
    print(f"{'scorer':<24}{'lumra':>12}{'rapidfuzz':>12}{'ratio':>8}{'_cdist only':>14}")
    for label, ours, theirs, cutoff in cases:
        # Same answers first: the comparison is only fair if both find the
        # same matches.
        for query in queries:
            a = lumra.extract(query, catalogue, scorer=ours, limit=5, score_cutoff=cutoff)
            b = process.extract(query, catalogue, scorer=theirs, limit=5, score_cutoff=cutoff)
            same = [k for _, _, k in a] == [k for _, _, k in b] and all(
                abs(x - y) < 1e-9 for (_, x, _), (_, y, _) in zip(a, b)
            )
            assert same, (label, query, a, b)
        batch = getattr(_lumra, "_cdist_" + ours.__name__)
        blocks = [catalogue[i : i + lumra._extract.BLOCK_SIZE] for i in range(0, len(catalogue), lumra._extract.BLOCK_SIZE)]
        lumra_time, peer_time, batch_time = per_call(
            [
                lambda q: lumra.extract(q, catalogue, scorer=ours, limit=5, score_cutoff=cutoff),
                lambda q: process.extract(q, catalogue, scorer=theirs, limit=5, score_cutoff=cutoff),
                # The batch calls alone, with the user's cutoff: what extract
                # costs beyond the module's own work.
                lambda q: [batch([q], block, score_cutoff=cutoff) for block in blocks],
            ],
            queries,
            repeats,
        )
        print(
            f"{label:<24}{fmt(lumra_time):>12}{fmt(peer_time):>12}{lumra_time / peer_time:8.2f}"
            f"{fmt(batch_time):>14}"
        )


def hiragana(katakana):
    return "".join(chr(ord(c) - 0x60) if "ァ" <= c <= "ヶ" else c for c in katakana)


def unidic_names(count):
    """(surface, [hiragana readings]) of `count` UniDic person names."""
    readings = {}
    with LEX.open(encoding="utf-8") as lex:
        for line in lex:
            fields = line.rstrip("\n").split(",")
            if len(fields) > 24 and fields[5] == "固有名詞" and fields[6] == "人名":
                reading = hiragana(fields[24])
                known = readings.setdefault(fields[0], [])
                if reading not in known and len(known) < 8:
                    known.append(reading)
    rng = random.Random(15)
    chosen = rng.sample(sorted(s for s in readings if not s.isascii()), count)
    return {s: readings[s] for s in chosen}


def dictionary_section(repeats):
    if not LEX.exists():
        print(f"(no {LEX}: dictionary section skipped)")
        return
    from pykakasi import kakasi

    entries = unidic_names(10_000)
    with tempfile.TemporaryDirectory() as folder:
        path = pathlib.Path(folder) / "names.yaml"
        payload = {
            "schema_version": 1,
            "payload_type": "lumra.unidic.reading-index.surface-readings",
            "entries": [{"surface": s, "readings": r} for s, r in entries.items()],
        }
        path.write_text(json.dumps(payload, ensure_ascii=False), encoding="utf-8")
        d = lumra.JapaneseDictionary.load_payload(str(path))
    catalogue = list(entries)  # some cannot be read (ゑ, full-width letters): skipped
    rng = random.Random(16)
    romaji = kakasi()
    queries = []
    for surface in rng.sample(catalogue, 4):
        kana = entries[surface][0]
        queries += [kana, "".join(part["hepburn"] for part in romaji.convert(kana)), surface]
    print(f"\nJapaneseDictionary: extract(query, {len(catalogue):,} UniDic names, limit=5), "
          f"{len(queries)} queries (kana, romaji, kanji), median of {repeats}")
    for label, scorer, cutoff in [
        ("normalized_similarity", d.normalized_similarity, None),
        ("distance, cutoff 2", d.distance, 2),
    ]:
        [seconds] = per_call(
            [lambda q: lumra.extract(q, catalogue, scorer=scorer, limit=5, score_cutoff=cutoff, skip_unreadable=True)],
            queries,
            repeats,
        )
        print(f"{label:<24}{fmt(seconds):>12} per call")
    print("example:", queries[1], "->", lumra.extract(queries[1], catalogue, scorer=d.distance, limit=3, skip_unreadable=True))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    plain_section(args.repeats)
    dictionary_section(max(1, args.repeats // 2))


if __name__ == "__main__":
    sys.exit(main())
