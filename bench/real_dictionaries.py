#!/usr/bin/env python3
"""The bundle builder and the dictionaries on the full real sources, in one
run: Debian's UniDic 3.1 (unidic-mecab) and CC-CEDICT (dict-cc-cedict).

1. lumra-build time per payload format (wall clock of the whole command:
   reading the source, writing, loading back for the checksum).
2. load_bundle time and peak memory per format, each load in a fresh
   process (peak resident size after the load minus before it), against
   the payload file's size.
3. distance, normalized_similarity and _cdist_distance of the indexed
   dictionaries on everyday sentences, cut into pieces of at most eight
   characters, against a misspelt reading of each piece (one kana or pinyin
   letter changed), next to pykakasi / pypinyin converting the same texts
   plus rapidfuzz comparing the conversions. Whole sentences are too long
   for normalized_similarity, which spells out every reading of a text and
   stops at its expansion limits. Each method is timed at first sight (a
   dictionary just loaded, a converter just made) and repeated (the same
   objects, which keep the conversions of recent texts, on the same pairs
   again). Times are medians of three runs over all pairs.

Inside the build root: `dev/env dev/bench-real`; `--ja-only` builds only the
indexed UniDic bundle and measures only the Japanese throughput.
"""

import json
import pathlib
import random
import statistics
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(ROOT / "tests/python"))
from build_tool_support import CEDICT_INDEX, UNIDIC_LEX, tool  # noqa: E402

import _lumra  # noqa: E402

FORMATS = {"ja": ("yaml", "binary", "indexed"), "zh": ("yaml", "indexed")}
CLASSES = {"ja": "JapaneseDictionary", "zh": "ChineseDictionary"}
GOALS = "goals: UniDic build < 60 s, indexed load < 1 s with memory < 2x its file; CC-CEDICT build < 10 s"


def build(language, payload_format, out):
    if language == "ja":
        args = ["unidic", "--lex-csv", UNIDIC_LEX]
    else:
        args = ["cedict", "--source", CEDICT_INDEX, "--pinyin-view", "no-tone"]
    start = time.perf_counter()
    subprocess.run([tool(), *map(str, args), "--out", str(out), "--format", payload_format],
                   check=True, capture_output=True)
    return time.perf_counter() - start


# The kernel's peak resident size is reset just before the load, so the peak
# is the load's own, not the interpreter's start-up.
LOAD_PROBE = """
import json, sys, time
import _lumra

def status(field):
    for line in open("/proc/self/status"):
        if line.startswith(field + ":"):
            return int(line.split()[1])

cls = getattr(_lumra, sys.argv[1])
with open("/proc/self/clear_refs", "w") as refs:
    refs.write("5")
before = status("VmRSS")
start = time.perf_counter()
d = cls.load_bundle(sys.argv[2])
seconds = time.perf_counter() - start
print(json.dumps({"seconds": seconds, "peak_kib": status("VmHWM") - before}))
"""


def load(language, bundle):
    result = subprocess.run([sys.executable, "-c", LOAD_PROBE, CLASSES[language], str(bundle)],
                            check=True, capture_output=True, text=True)
    return json.loads(result.stdout)


def sentences(name):
    lines = (HERE / "data" / name).read_text(encoding="utf-8").splitlines()
    return [line for line in lines if line and not line.startswith("#")]


def misspelt(rng, text, alphabet):
    at = rng.randrange(len(text))
    return text[:at] + rng.choice([c for c in alphabet if c != text[at]]) + text[at + 1:]


def pieces(text, longest=8):
    return [text[at:at + longest] for at in range(0, len(text), longest)]


def median_seconds(call, repeats=3):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def median_first_seconds(make_call, repeats=3):
    """The median time of `make_call()()`, with a new call (new objects)
    made before each timing."""
    times = []
    for _ in range(repeats):
        call = make_call()
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def throughput_rows(tag, load, pairs, new_converter, peer_label):
    """Each method twice. First sight: on a dictionary just loaded, against
    a converter just made, so neither has met the texts. Repeated: the same
    pairs again on the objects that have (both keep the conversions they
    made of recent texts)."""
    from rapidfuzz import process
    from rapidfuzz.distance import Levenshtein
    queries = [a for a, _ in pairs]
    choices = [b for _, b in pairs]

    def rows(d, convert):
        def pairwise(method):
            return lambda: [method(a, b) for a, b in pairs]

        def glued(metric):
            return lambda: [metric(convert(a), convert(b)) for a, b in pairs]
        return [
            ("distance", pairwise(d.distance), glued(Levenshtein.distance), len(pairs)),
            ("normalized_similarity", pairwise(d.normalized_similarity),
             glued(Levenshtein.normalized_similarity), len(pairs)),
            (f"_cdist_distance {len(queries)}x{len(choices)}",
             lambda: d._cdist_distance(queries, choices),
             lambda: process.cdist([convert(q) for q in queries], [convert(c) for c in choices],
                                   scorer=Levenshtein.distance, workers=1),
             len(queries) * len(choices)),
        ]

    d, convert = load(), new_converter()
    for index, (name, mine, peer, count) in enumerate(rows(d, convert)):
        try:
            first = median_first_seconds(lambda: rows(load(), convert)[index][1])
            a = median_seconds(mine)
        except ValueError as error:
            print(f"  {tag} {name:<28} ours failed: {error}")
            continue
        first_peer = median_first_seconds(lambda: rows(d, new_converter())[index][2])
        b = median_seconds(peer)
        for label, ours, theirs in (("first sight", first, first_peer), ("repeated", a, b)):
            print(f"  {tag} {name:<28} {label:<11} ours {count / ours:>10,.0f}/s   "
                  f"{peer_label} + rapidfuzz {count / theirs:>10,.0f}/s   ratio {ours / theirs:.2f}")


def main():
    ja_only = "--ja-only" in sys.argv[1:]
    formats_wanted = {"ja": ("indexed",)} if ja_only else FORMATS
    rng = random.Random(14)
    print(GOALS)
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        bundles = {}
        print("== lumra-build (whole command, seconds)")
        for language, formats in formats_wanted.items():
            for payload_format in formats:
                out = folder / f"{language}-{payload_format}"
                seconds = build(language, payload_format, out)
                bundles[language, payload_format] = out
                source = "UniDic 3.1" if language == "ja" else "CC-CEDICT"
                print(f"  {source:<10} {payload_format:<8} {seconds:6.2f} s")

        print("== load_bundle, each in a fresh process")
        for (language, payload_format), out in ([] if ja_only else bundles.items()):
            payload = next(p for p in out.iterdir() if p.name.startswith("payload."))
            size = payload.stat().st_size
            result = load(language, out)
            peak = result["peak_kib"] * 1024
            print(f"  {language} {payload_format:<8} {result['seconds']:7.3f} s   peak +{peak / 2**20:7.1f} MiB"
                  f"   payload file {size / 2**20:6.1f} MiB   memory/file {peak / size:5.2f}")

        print("== throughput on everyday sentences vs a misspelt reading (calls or cells per second)")
        import pykakasi
        from pypinyin import lazy_pinyin
        kakasi = pykakasi.kakasi()

        def hiragana(text):
            return "".join(item["hira"] for item in kakasi.convert(text))

        def new_romaji():
            # A converter of its own: pykakasi keeps what each one converted.
            own = pykakasi.kakasi()
            return lambda text: "".join(item["hepburn"] for item in own.convert(text))

        def new_pinyin():
            return lambda text: "".join(lazy_pinyin(text))
        kana = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"
        ja_pairs = [(p, misspelt(rng, hiragana(p), kana))
                    for s in sentences("ja_sentences.txt") for p in pieces(s)]
        throughput_rows("ja", lambda: _lumra.JapaneseDictionary.load_bundle(str(bundles["ja", "indexed"])),
                        ja_pairs, new_romaji, "pykakasi")
        if ja_only:
            return
        letters = "abcdefghijklmnopqrstuvwxyz"
        zh_pairs = [(p, misspelt(rng, new_pinyin()(p), letters))
                    for s in sentences("zh_sentences.txt") for p in pieces(s)]
        throughput_rows("zh", lambda: _lumra.ChineseDictionary.load_bundle(str(bundles["zh", "indexed"])),
                        zh_pairs, new_pinyin, "pypinyin")


if __name__ == "__main__":
    main()
