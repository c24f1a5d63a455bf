#!/usr/bin/env python3
"""Regenerates the sample bundles data/ja-unidic-sample and
data/zh-cedict-sample from Debian's unidic-mecab and dict-cc-cedict.

Each sample keeps every dictionary word that occurs in a text of
catalogue.txt (so the demo reads the whole catalogue) and fills up with the
commonest words: the lowest UniDic costs; the commonest Chinese characters
(level 1 of GB 2312) and two-character words made of them.
The reduced sources are handed to lumra-build, which writes the bundles
with their licence texts. Run inside the build root after a build:

    dev/env python3 data/make_samples.py
"""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
TOOL = ROOT / os.environ.get("LUMRA_BUILD_DIR", "build") / "src/tools/lumra-build"
UNIDIC = pathlib.Path("/usr/share/mecab/dic/unidic")
CEDICT_INDEX = pathlib.Path("/usr/share/dictd/cc-cedict.index")
CEDICT_DICT = pathlib.Path("/usr/share/dictd/cc-cedict.dict.dz")
JA_TARGET = 3000  # surfaces, roughly
ZH_INDEX_LINES = 6000  # index lines, roughly; an article gives up to two surfaces
SYMBOL_POS = ("補助記号", "記号", "空白")


def catalogue(language):
    lines = (HERE / "catalogue.txt").read_text(encoding="utf-8").splitlines()
    return [text for lang, _, text in (l.partition("\t") for l in lines if l and not l.startswith("#"))
            if lang == language]


def substrings(texts, longest=8):
    found = set()
    for text in texts:
        for start in range(len(text)):
            for end in range(start + 1, min(len(text), start + longest) + 1):
                found.add(text[start:end])
    return found


def surface_of(line):
    # A quoted surface holds a comma; those are symbols the sample skips.
    return line.split(",", 1)[0]


def sample_unidic(directory):
    wanted = substrings(catalogue("ja"))
    best_cost = {}
    with open(UNIDIC / "lex_3_1.csv", encoding="utf-8", errors="replace") as lex:
        for line in lex:
            fields = line.split(",")
            if len(fields) < 5 or fields[0].startswith('"') or fields[4] in SYMBOL_POS:
                continue
            cost = int(fields[3])
            if cost < best_cost.get(fields[0], 1 << 62):
                best_cost[fields[0]] = cost
    common = sorted(best_cost, key=lambda s: (best_cost[s], s))
    keep = {s for s in wanted if s in best_cost}
    for surface in common:
        if len(keep) >= JA_TARGET:
            break
        keep.add(surface)
    lex_path = directory / "lex_3_1.sample.csv"
    with open(UNIDIC / "lex_3_1.csv", encoding="utf-8", errors="replace") as lex, \
            open(lex_path, "w", encoding="utf-8") as out:
        for line in lex:
            if surface_of(line) in keep:
                out.write(line)
    shutil.copy(UNIDIC / "dicrc", directory / "dicrc")
    return lex_path


def is_common_hanzi(character):
    """In level 1 of GB 2312, the 3755 commonest simplified characters."""
    try:
        code = character.encode("gb2312")
    except UnicodeEncodeError:
        return False
    return len(code) == 2 and 0xB0 <= code[0] <= 0xD7


def sample_cedict(directory):
    wanted = substrings(catalogue("zh"))
    lines = CEDICT_INDEX.read_text(encoding="utf-8").splitlines(keepends=True)
    headword = lambda line: line.split("\t", 1)[0]
    keep = {l for l in lines if headword(l) in wanted or l.startswith("00database")}
    # The commonest characters read any everyday text, a character at a
    # time; short words of them follow while there is room.
    keep |= {l for l in lines if len(headword(l)) == 1 and is_common_hanzi(headword(l))}
    words = [l for l in lines if 1 < len(headword(l)) <= 2 and all(map(is_common_hanzi, headword(l)))]
    for line in words[: max(0, ZH_INDEX_LINES - len(keep))]:
        keep.add(line)
    index_path = directory / "cc-cedict.sample.index"
    index_path.write_text("".join(l for l in lines if l in keep), encoding="utf-8")
    return index_path


def build(*args):
    subprocess.run([str(TOOL), *map(str, args)], check=True)


def main():
    if not TOOL.exists():
        sys.exit(f"{TOOL} is not built: run dev/env dev/build first")
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        build("unidic", "--lex-csv", sample_unidic(work), "--out", HERE / "ja-unidic-sample",
              "--format", "indexed", "--force", "--exclude-symbol-pos",
              "--artifact-name", "unidic-sample", "--source-version", "3.1.1",
              "--license", "UniDic=/usr/share/doc/unidic-mecab/copyright")
        build("cedict", "--source", sample_cedict(work), "--dict", CEDICT_DICT,
              "--out", HERE / "zh-cedict-sample", "--format", "indexed", "--force",
              "--pinyin-view", "no-tone", "--artifact-name", "cc-cedict-sample",
              "--license", "CC-CEDICT=/usr/share/doc/dict-cc-cedict/copyright")


if __name__ == "__main__":
    main()
