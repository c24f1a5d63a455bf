#!/usr/bin/env python3
"""Writes a synthetic reading-index YAML payload for the load benchmark.

    make_reading_payload.py ja|zh ENTRIES PATH

Japanese: surfaces of 1 to 4 common kanji (sometimes with kana okurigana),
each with 1 to 3 distinct kana readings of 2 to 8 characters. Chinese:
surfaces of 1 to 4 Han characters with 1 to 3 tone3 pinyin readings. The
seed is fixed, so every run writes the same file.
"""
import random
import sys

KANJI = [chr(c) for c in range(0x4E00, 0x4E00 + 3000)]
HIRAGANA = [chr(c) for c in range(0x3041, 0x3094) if chr(c) not in "ゎゐゑ"]
SYLLABLES = ["zhong", "guo", "xing", "hang", "ren", "da", "xiao", "shi", "jian", "lv",
             "nv", "yue", "chuang", "qiang", "an", "e", "wu", "ying", "zhi", "chi"]


def surfaces(rng, count, okurigana):
    seen = set()
    while len(seen) < count:
        text = "".join(rng.choice(KANJI) for _ in range(rng.randint(1, 4)))
        if okurigana and rng.random() < 0.2:
            text += rng.choice(HIRAGANA)
        seen.add(text)
    ordered = sorted(seen)
    rng.shuffle(ordered)
    return ordered


def ja_reading(rng):
    return "".join(rng.choice(HIRAGANA) for _ in range(rng.randint(2, 8)))


def zh_reading(rng, surface):
    return "".join(rng.choice(SYLLABLES) + str(rng.randint(1, 5)) for _ in surface)


def main():
    language, count, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rng = random.Random(20240607)
    out = [
        "schema_version: 1\n",
        f"payload_type: lumra.{'unidic' if language == 'ja' else 'zh'}"
        ".reading-index.surface-readings\n",
    ]
    if language == "zh":
        out.append("pinyin_view: tone3\n")
    out.append("entries:\n")
    for surface in surfaces(rng, count, language == "ja"):
        readings, wanted = [], rng.randint(1, 3)
        while len(readings) < wanted:
            reading = ja_reading(rng) if language == "ja" else zh_reading(rng, surface)
            if reading not in readings:
                readings.append(reading)
        out.append(f"- surface: {surface}\n  readings:\n")
        out.extend(f"  - {reading}\n" for reading in readings)
    with open(path, "w", encoding="utf-8") as handle:
        handle.write("".join(out))


if __name__ == "__main__":
    main()
