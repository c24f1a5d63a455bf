#!/usr/bin/env python3
"""Time and peak memory of calls at the documented limits.

Each case runs in a child process of its own, so that its peak resident
memory is its own; the table it prints is the one in the README.

    dev/env bash -c 'PYTHONPATH=build/python python3 bench/limits.py [CASE...]'
"""
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent

SETUP = """
import json, pathlib, sys
import _lumra
def payload(path, payload_type, entries, **extra):
    body = {"schema_version": 1, "payload_type": payload_type, **extra,
            "entries": [{"surface": s, "readings": r} for s, r in entries.items()]}
    path.write_text(json.dumps(body, ensure_ascii=False), encoding="utf-8")
    return str(path)
def numbered_payload(path, payload_type, count, reading, **extra):
    # Written a line at a time: a list of millions of entries would put the
    # writer's memory into the child's peak.
    with open(path, "w", encoding="utf-8") as out:
        head = {"schema_version": 1, "payload_type": payload_type, **extra}
        out.write(json.dumps(head, ensure_ascii=False)[:-1] + ', "entries": [\\n')
        for i in range(count):
            # Two CJK ideographs per surface give 440 million distinct ones.
            surface = chr(0x4E00 + i // 20000) + chr(0x4E00 + i % 20000)
            out.write(("," if i else "") + '{"surface": "' + surface + '", "readings": ["'
                      + reading + '"]}\\n')
        out.write("]}\\n")
    return str(path)
work = pathlib.Path(sys.argv[1])
JA = "lumra.unidic.reading-index.surface-readings"
ZH = "lumra.zh.reading-index.surface-readings"
ja = _lumra.JapaneseDictionary.load_payload(payload(work / "ja.yaml", JA,
     {"日本": ["にほん", "にっぽん"], "東京": ["とうきょう"]}))
"""

# A Japanese dictionary of surfaces with 256 readings each, as `many`, and
# a query of two of them over a text of the others, as `q` and `t`.
MANY_READINGS = (
    "import random; rng = random.Random(7); kana = '{kana}'; entries = {{}}\n"
    "for i, surface in enumerate('甲乙丙丁戊己庚辛壬癸'):\n"
    "    readings = set()\n"
    "    while len(readings) < 256:\n"
    "        readings.add('あいうえおやゆよわん'[i] + ''.join(rng.choice(kana) for _ in range(rng.randint(1, 3))))\n"
    "    entries[surface] = sorted(readings)\n"
    "many = _lumra.JapaneseDictionary.load_payload(payload(work / 'many.yaml', JA, entries))\n"
    "q = '甲乙'; t = ''.join(rng.choice('丙丁戊己庚辛壬癸') for _ in range(4))"
)
ZH_SETUP = ("zh = _lumra.ChineseDictionary.load_payload(payload(work / 'zh.yaml', ZH, "
            "{'行': ['xing', 'hang'], '中': ['zhong']}, pinyin_view='no-tone')); ")

# (what, the limit it sits at, setup, the timed call)
CASES = {
    "lattice_states": (
        "dictionary distance of two kana texts whose lattices have about 3990 nodes each",
        "16,000,000 lattice states",
        "a = 'しゃ' * 570; b = 'しょ' * 570",
        "ja.damerau_distance(a, b)",
    ),
    "lattice_states_refused": (
        "the same one kana longer on each side: refused before any search",
        "16,000,000 lattice states",
        "a = 'しゃ' * 572; b = 'しょ' * 572",
        "ja.damerau_distance(a, b)",
    ),
    "romaji_input": (
        "ratio of 1024 kana against one letter (every spelling of the kana)",
        "1024 kana for romaji expansion",
        "a = 'あ' * 1024",
        "ja.ratio(a, 'a')",
    ),
    "max_paths_long_text": (
        "distance of a 3600-character ambiguous text (日本 × 1800) with max_paths 16384",
        "max_paths 16384, 16,000,000 lattice states",
        "a = '日本' * 1800",
        "ja.distance(a, 'a', max_paths=16384)",
    ),
    "zh_max_paths_long_text": (
        "Chinese distance of a 60,000-character ambiguous text (行 × 60000) with max_paths "
        "16384, in the lattice form",
        "max_paths 16384",
        ZH_SETUP + "a = '行' * 60000",
        "zh.distance(a, 'a', max_paths=16384)",
    ),
    "zh_max_span_long_text": (
        "Chinese distance of a 100,000-character text (行 × 100000) with max_span_chars 256: "
        "every span up to 256 characters is looked up",
        "max_span_chars 256",
        ZH_SETUP + "a = '行' * 100000",
        "zh.distance(a, 'a', max_span_chars=256)",
    ),
    "ja_entries": (
        "load of a YAML payload of 3,000,000 entries",
        "3,000,000 Japanese entries",
        "p = numbered_payload(work / 'many.yaml', JA, 3_000_000, 'あ')",
        "_lumra.JapaneseDictionary.load_payload(p).distance('一一', 'a')",
    ),
    "ja_entries_refused": (
        "load of a YAML payload of 3,000,001 entries",
        "3,000,000 Japanese entries",
        "p = numbered_payload(work / 'many.yaml', JA, 3_000_001, 'あ')",
        "_lumra.JapaneseDictionary.load_payload(p)",
    ),
    "zh_entries": (
        "load of a YAML payload of 2,000,000 entries",
        "2,000,000 Chinese entries",
        "p = numbered_payload(work / 'many.yaml', ZH, 2_000_000, 'a', pinyin_view='no-tone')",
        "_lumra.ChineseDictionary.load_payload(p).distance('一一', 'a')",
    ),
    "zh_entries_refused": (
        "load of a YAML payload of 2,000,001 entries",
        "2,000,000 Chinese entries",
        "p = numbered_payload(work / 'many.yaml', ZH, 2_000_001, 'a', pinyin_view='no-tone')",
        "_lumra.ChineseDictionary.load_payload(p)",
    ),
    "long_surface": (
        "load of a payload whose surface has 16383 bytes, and a distance through it",
        "16384-byte surfaces",
        "s = 'あ' * 5461; p = payload(work / 'long.yaml', JA, {s: ['あ']})",
        "_lumra.JapaneseDictionary.load_payload(p).distance(s, 'a')",
    ),
    "reading_alignment": (
        "Japanese partial ratio alignment by readings: 10 surfaces of 256 readings (2 to 4 kana, each"
        " surface its own first kana), a 2-surface query (tens of thousands of romaji readings) over"
        " 4 other surfaces, automatic window, `max_paths` 16384",
        "256 readings a surface, `max_paths` 16384",
        MANY_READINGS.format(kana="かきくけこさせそたてとなにぬねのしつ"),
        "many._partial_ratio_alignment(q, t, 0, max_readings_per_segment=256, max_paths=16384)",
    ),
    "reading_alignment_expansion": (
        "the same with kana of several spellings (かしつきくちふ): the query near the romaji limit",
        "16,777,216 romaji symbols of a text's readings",
        MANY_READINGS.format(kana="かしつきくちふ"),
        "many._partial_ratio_alignment(q, t, 0, max_readings_per_segment=256, max_paths=16384)",
    ),
    "reading_alignment_strings": (
        "Chinese partial ratio alignment of 行 in 行 × 256, window 256, `max_paths` 16384: every"
        " span's reading strings (at most 16 MiB each) are counted, not written, as none can beat"
        " the first",
        "16 MiB of reading strings a text",
        ZH_SETUP + "t = '行' * 256",
        "zh._partial_ratio_alignment('行', t, 256, max_paths=16384)",
    ),
    "reading_alignment_distance": (
        "Japanese partial distance alignment of 行 in 行 × 256 (行 read いく or こう), window 256,"
        " `max_paths` 16384: the spans after the first cannot win, and the first whose chain"
        " lattice passes the state limit ends the call",
        "16,000,000 lattice states, `max_paths` 16384",
        "ja2 = _lumra.JapaneseDictionary.load_payload(payload(work / 'ja2.yaml', JA,"
        " {'行': ['いく', 'こう']})); t = '行' * 256",
        "ja2._partial_distance_alignment('行', t, 256, max_paths=16384)",
    ),
    "reading_alignment_distance_far": (
        "the same with the query 東京 (とうきょう): the best is 2, and the longer spans, whose"
        " readings are all longer than the query's by more than 1, cannot win",
        "16,000,000 lattice states, `max_paths` 16384",
        "ja2 = _lumra.JapaneseDictionary.load_payload(payload(work / 'ja2.yaml', JA,"
        " {'行': ['いく', 'こう'], '東京': ['とうきょう']})); t = '行' * 256",
        "ja2._partial_distance_alignment('東京', t, 256, max_paths=16384)",
    ),
    "alignment_states": (
        "partial distance alignment, 3999-symbol query over 4000 symbols, window 3999",
        "16,000,000 lattice states",
        "import random; random.seed(1); q = ''.join(random.choice('ab') for _ in range(3999));"
        " t = ''.join(random.choice('ab') for _ in range(4000))",
        "_lumra._partial_distance_alignment(q, t, 3999)",
    ),
}

CHILD = SETUP + """
SETUP_OF_CASE
import time
began = time.perf_counter()
try:
    outcome = repr(CALL_OF_CASE)[:60]
except Exception as error:
    outcome = type(error).__name__ + ": " + str(error)[:60]
print(json.dumps({"seconds": time.perf_counter() - began, "outcome": outcome}))
"""


def run(name):
    what, limit, setup, call = CASES[name]
    with tempfile.TemporaryDirectory() as work:
        child = subprocess.Popen([sys.executable, "-c", CHILD.replace("SETUP_OF_CASE", setup).replace("CALL_OF_CASE", call), work],
                                 stdout=subprocess.PIPE, text=True)
        out = child.stdout.read()
        _, status, usage = os.wait4(child.pid, 0)
    if status != 0 or not out:
        return what, limit, None, usage.ru_maxrss, f"exit status {status}"
    result = json.loads(out)
    return what, limit, result["seconds"], usage.ru_maxrss, result["outcome"]


def main(names):
    print("| Case | Limit | Time (s) | Peak RSS (MB) | Outcome |")
    print("|---|---|---|---|---|")
    for name in names or CASES:
        what, limit, seconds, rss_kb, outcome = run(name)
        shown = "-" if seconds is None else f"{seconds:.2f}"
        print(f"| {what} | {limit} | {shown} | {rss_kb / 1024:.0f} | {outcome} |", flush=True)


if __name__ == "__main__":
    main(sys.argv[1:])
