"""lumra-build as a user runs it: on reduced copies of the real UniDic and
CC-CEDICT sources, every payload format, bundles that load_bundle verifies,
and the readings any speaker knows. The full sources are built by
dev/test-real-data."""

import pathlib
import subprocess

import pytest
from build_tool_support import (
    CEDICT_COPYRIGHT,
    CEDICT_DICT,
    UNIDIC_COPYRIGHT,
    reduced_cedict_index,
    reduced_unidic,
    run,
)

import _lumra


@pytest.fixture(scope="module")
def sources(tmp_path_factory):
    directory = tmp_path_factory.mktemp("sources")
    return {"lex": reduced_unidic(directory), "index": reduced_cedict_index(directory)}


@pytest.mark.parametrize("payload_format", ["yaml", "binary", "indexed"])
def test_unidic_bundle_in_every_format(tmp_path, sources, payload_format):
    out = tmp_path / "ja"
    result = run("unidic", "--lex-csv", sources["lex"], "--out", out, "--format", payload_format,
                 "--license", f"UniDic={UNIDIC_COPYRIGHT}", "--source-version", "3.1.1")
    assert result.stdout.startswith(f"wrote {out} ({payload_format}): ")
    d = _lumra.JapaneseDictionary.load_bundle(str(out))
    assert (d.artifact_name, d.source_name, d.reading_field) == ("unidic-kana", "UniDic", "kana")
    first = {"max_readings_per_segment": 1}
    assert d.distance("東京", "とうきょう", **first) == 0
    assert d.distance("日本", "にっぽん", **first) == 0  # the lowest cost comes first
    assert d.distance("日本", "にほん") == 0
    assert d.distance("東京", "toukyou") == 0


@pytest.mark.parametrize("payload_format", ["yaml", "indexed"])
@pytest.mark.parametrize("view, china", [("tone3", "zhong1guo2"), ("no-tone", "zhongguo")])
def test_cedict_bundle_from_the_dictd_edition(tmp_path, sources, payload_format, view, china):
    out = tmp_path / "zh"
    run("cedict", "--source", sources["index"], "--dict", CEDICT_DICT, "--out", out,
        "--format", payload_format, "--pinyin-view", view,
        "--license", f"CC-CEDICT={CEDICT_COPYRIGHT}")
    d = _lumra.ChineseDictionary.load_bundle(str(out / "metadata.yaml"))
    assert (d.source_name, d.pinyin_view) == ("CC-CEDICT", view)
    assert d.distance("中国", china, max_readings_per_segment=1) == 0
    assert d.distance("中國", china) == 0
    assert d.distance("银行", "yin2hang2" if view == "tone3" else "yinhang") == 0
    assert "version: \"2" in (out / "metadata.yaml").read_text()  # the release date


def test_cedict_text_edition_and_its_bad_lines(tmp_path):
    source = tmp_path / "cedict_ts.u8"
    source.write_text("#! date=2025-01-01\n"
                      "中國 中国 [Zhong1 guo2] /China/\n"
                      "銀行 银行 [yin2 hang2] /bank/\n"
                      "no brackets here\n", encoding="utf-8")
    out = tmp_path / "zh"
    result = run("cedict", "--source", source, "--out", out)
    assert f"{source}:4: no \"[\" opening the pinyin" in result.stderr
    assert ", 3 rows read, 1 skipped," in result.stdout
    d = _lumra.ChineseDictionary.load_bundle(str(out))
    assert d.distance("中国银行", "zhong1guo2yin2hang2") == 0

    strict = run("cedict", "--source", source, "--out", tmp_path / "strict", "--strict", check=False)
    assert strict.returncode == 1
    assert strict.stderr == f"lumra-build: {source}:4: no \"[\" opening the pinyin\n"
    assert not (tmp_path / "strict").exists()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["cedict_ts.u8", "zh"]


def test_usage_errors_and_help(tmp_path):
    help_text = run("--help").stdout
    for option in ("--lex-csv", "--reading-field", "--exclude-symbol-pos", "--pinyin-view",
                   "--max-readings-per-surface", "--license", "--strict", "--force"):
        assert option in help_text
    for args, message in [
        ((), "no command"),
        (("unidic", "--out", tmp_path), "unidic needs --lex-csv FILE"),
        (("cedict", "--source", "x", "--out", tmp_path, "--bogus"), "unknown option --bogus"),
        (("cedict", "--source", "x", "--out", tmp_path, "--max-readings-per-surface", "2x"),
         "--max-readings-per-surface takes a number"),
    ]:
        result = run(*args, check=False)
        assert result.returncode == 2 and message in result.stderr
    missing = run("unidic", "--lex-csv", tmp_path / "none.csv", "--out", tmp_path / "o", check=False)
    assert missing.returncode == 1
    assert "dicrc: No such file or directory" in missing.stderr


def _existing_out(tmp_path, kind):
    out = tmp_path / "out"
    if kind == "file":
        out.write_text("keep me\n")
    elif kind == "symlink-to-tree":
        (tmp_path / "tree").mkdir()
        (tmp_path / "tree" / "keep.txt").write_text("keep me\n")
        out.symlink_to(tmp_path / "tree")
    elif kind != "nothing":
        out.mkdir()
        if kind in ("tree", "bundle"):
            (out / ("metadata.yaml" if kind == "bundle" else "keep.txt")).write_text("keep me\n")
    return out


@pytest.mark.parametrize("kind, replaced", [
    ("nothing", True), ("empty", True), ("bundle", True),
    ("tree", False), ("file", False), ("symlink-to-tree", False),
])
def test_force_replaces_only_a_bundle_or_an_empty_directory(tmp_path, kind, replaced):
    source = tmp_path / "cedict_ts.u8"
    source.write_text("中國 中国 [Zhong1 guo2] /China/\n", encoding="utf-8")
    out = _existing_out(tmp_path, kind)
    result = run("cedict", "--source", source, "--source-format", "text", "--out", out, "--force",
                 check=False)
    if replaced:
        assert result.returncode == 0, result.stderr
        assert (out / "metadata.yaml").is_file()
        _lumra.ChineseDictionary.load_bundle(str(out))
    else:
        assert result.returncode == 1
        assert "is not a bundle; --force replaces only a directory holding metadata.yaml" in result.stderr
        assert "keep me" in (out.read_text() if kind == "file" else (out / "keep.txt").read_text())
    assert not [p for p in tmp_path.iterdir() if ".tmp-" in p.name]
