"""Running lumra-build from the tests: where the program is, where the real
dictionary sources are, and reduced copies of those sources."""

import os
import pathlib
import shutil
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
UNIDIC_DIR = pathlib.Path("/usr/share/mecab/dic/unidic")
UNIDIC_LEX = UNIDIC_DIR / "lex_3_1.csv"
UNIDIC_COPYRIGHT = pathlib.Path("/usr/share/doc/unidic-mecab/copyright")
CEDICT_INDEX = pathlib.Path("/usr/share/dictd/cc-cedict.index")
CEDICT_DICT = pathlib.Path("/usr/share/dictd/cc-cedict.dict.dz")
CEDICT_COPYRIGHT = pathlib.Path("/usr/share/doc/dict-cc-cedict/copyright")

# Surfaces every reduced source keeps, for the readings the tests check.
JA_SURFACES = ("東京", "日本", "銀行", "大学", "学生", "電車", "駅", "猫")
ZH_SURFACES = ("中国", "中國", "银行", "銀行", "大学", "北京", "学生", "猫")


def tool():
    """The freshly built program, else the installed one."""
    built = ROOT / os.environ.get("LUMRA_BUILD_DIR", "build") / "src/tools/lumra-build"
    if built.exists():
        return str(built)
    found = shutil.which("lumra-build")
    if found is None:
        pytest.skip("lumra-build is not built")
    return found


def run(*args, check=True):
    result = subprocess.run([tool(), *map(str, args)], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise AssertionError(f"lumra-build {' '.join(map(str, args))} failed:\n{result.stderr}")
    return result


def need(*paths):
    for path in paths:
        if not path.exists():
            pytest.skip(f"{path} is not installed")


def reduced_unidic(directory, every=300):
    """Every `every`-th row of UniDic's lex.csv, plus the rows of
    JA_SURFACES, with the dicrc beside them."""
    need(UNIDIC_LEX)
    wanted = tuple(surface + "," for surface in JA_SURFACES)
    lex = directory / "lex.csv"
    with open(UNIDIC_LEX, "rb") as source, open(lex, "wb") as out:
        for number, line in enumerate(source):
            if number % every == 0 or line.decode("utf-8", "replace").startswith(wanted):
                out.write(line)
    shutil.copy(UNIDIC_DIR / "dicrc", directory / "dicrc")
    return lex


def reduced_cedict_index(directory, every=200):
    """Every `every`-th line of the dictd index, plus the database articles
    and the headwords of ZH_SURFACES; the articles stay in Debian's file."""
    need(CEDICT_INDEX, CEDICT_DICT)
    wanted = tuple(surface + "\t" for surface in ZH_SURFACES)
    index = directory / "cc-cedict.index"
    with open(CEDICT_INDEX, encoding="utf-8") as source, open(index, "w", encoding="utf-8") as out:
        for number, line in enumerate(source):
            if number % every == 0 or line.startswith(wanted) or line.startswith("00database"):
                out.write(line)
    return index
