"""python -m lumra: match against the lines of a file or standard input,
with and without a dictionary bundle, and build's search for lumra-build."""

import os
import subprocess
import sys

import pytest

from bundle_support import write_bundle


def run(*args, stdin=None, env=None, timeout=120):
    return subprocess.run(
        [sys.executable, "-m", "lumra", *args],
        input=stdin,
        capture_output=True,
        text=True,
        env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path), **(env or {})},
        timeout=timeout,
    )


def test_match_prints_score_line_and_text(tmp_path):
    lines = tmp_path / "names.txt"
    lines.write_text("Tokyo\n\nKyoto\nOsaka\nTokio Marine\n", encoding="utf-8")
    done = run("match", "--limit", "2", "Tokio", str(lines))
    assert done.returncode == 0, done.stderr
    assert done.stdout == "0.8000\t1\tTokyo\n0.4167\t5\tTokio Marine\n"
    done = run("match", "--scorer", "distance", "--score-cutoff", "1", "Tokio", stdin="Kyoto\nTokyo\n")
    assert done.stdout == "1\t2\tTokyo\n"


@pytest.mark.parametrize("language, query, lines, best", [
    ("ja", "toukyou", "日\n東京\n", "0\t2\t東京"),
    ("zh", "chongqing", "行\n重庆\n", "0\t2\t重庆"),
])
def test_match_by_readings_with_a_bundle_of_either_language(tmp_path, language, query, lines, best):
    write_bundle(tmp_path / "bundle", language)
    done = run("match", "--dictionary", str(tmp_path / "bundle"), "--scorer", "distance", query, stdin=lines)
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines()[0] == best
    unreadable = "Ｃ\n" if language == "ja" else "猫\n"
    done = run("match", "--dictionary", str(tmp_path / "bundle"), query, stdin=unreadable + lines)
    assert done.returncode == 1 and done.stderr.startswith("lumra match: unsupported")
    done = run("match", "--dictionary", str(tmp_path / "bundle"), "--skip-unreadable", query, stdin=unreadable + lines)
    assert done.returncode == 0 and "\t1\t" not in done.stdout


def test_failures_are_reported_not_raised(tmp_path):
    done = run("match", "q", str(tmp_path / "missing.txt"))
    assert done.returncode == 1 and done.stderr.startswith("lumra match: ") and "missing.txt" in done.stderr
    done = run("match", "--dictionary", str(tmp_path), "q", stdin="a\n")
    assert done.returncode == 1 and "lumra match: " in done.stderr


def test_build_runs_lumra_build_or_says_it_is_missing(tmp_path):
    fake = tmp_path / "lumra-build"
    fake.write_text('#!/bin/sh\necho "args: $*"\nexit 3\n')
    fake.chmod(0o755)
    done = run("build", "unidic", "--help", env={"PATH": f"{tmp_path}{os.pathsep}{os.environ['PATH']}"})
    assert (done.returncode, done.stdout) == (3, "args: unidic --help\n")
    if not os.path.exists(os.path.join(os.path.dirname(sys.executable), "lumra-build")):
        done = run("build", "--help", env={"PATH": str(tmp_path / "nowhere")})
        assert done.returncode == 127 and "lumra-build program was not found" in done.stderr


def test_build_finds_lumra_build_in_the_bin_folder_of_a_target_install(tmp_path, monkeypatch):
    from lumra import _cli

    (tmp_path / "bin").mkdir()
    program = tmp_path / "bin" / "lumra-build"
    program.write_text("#!/bin/sh\n")
    program.chmod(0o755)
    monkeypatch.setenv("PATH", str(tmp_path / "nowhere"))
    monkeypatch.setattr(_cli, "_PACKAGE_PARENT", str(tmp_path))
    assert _cli._builder() == str(program)


@pytest.mark.parametrize("bundle", ["/dev/zero", "fifo"])
def test_a_bundle_path_without_an_end_fails_without_hanging(tmp_path, bundle):
    if bundle == "fifo":
        bundle = str(tmp_path / "fifo")
        os.mkfifo(bundle)
    done = run("match", "--dictionary", bundle, "q", stdin="a\n", timeout=30)
    assert done.returncode == 1 and done.stderr.startswith("lumra match: ")
