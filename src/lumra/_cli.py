"""The command line: `python -m lumra match` and `python -m lumra build`.

    python -m lumra match [--dictionary BUNDLE] QUERY [FILE]
        prints the best matches of QUERY among the lines of FILE (standard
        input when left out), one per line: score, line number, line.
    python -m lumra build ARGS...
        runs the bundle builder, lumra-build, with ARGS.
"""

import argparse
import os
import shutil
import subprocess
import sys
import sysconfig
from collections.abc import Sequence
from typing import Any, TextIO

import _lumra
from lumra import _extract, _sources

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The size limit of a bundle's metadata file in the loaders.
_MAX_METADATA_BYTES = 16 * 1024 * 1024

_SCORERS = (
    "normalized_similarity",
    "ratio",
    "normalized_distance",
    "distance",
    "damerau_distance",
    "combined_distance",
)


def _load_any_bundle(path: str, language: str | None) -> Any:
    """The dictionary of the bundle at `path`. Without a language, the
    artifact type its metadata names decides; when neither type is found,
    the Japanese loader reports what is wrong with the bundle."""
    if language is None:
        language = "ja"
        try:
            with _sources.open_regular_file(_sources.metadata_file(path)) as file:
                # No more than the loader itself would read of a metadata file.
                if b"lumra.zh.reading-index" in file.read(_MAX_METADATA_BYTES + 1):
                    language = "zh"
        except OSError:
            pass  # the loader reports the unreadable file
    cls = _lumra.JapaneseDictionary if language == "ja" else _lumra.ChineseDictionary
    return _sources.load_bundle(cls, path)


def _number(text: str) -> int | float:
    try:
        return int(text)
    except ValueError:
        return float(text)


def _match(args: argparse.Namespace, stdout: TextIO) -> int:
    dictionary = None
    if args.dictionary is not None:
        dictionary = _load_any_bundle(args.dictionary, args.language)
    if args.file is None or args.file == "-":
        lines = sys.stdin.read().splitlines()
    else:
        with open(args.file, encoding="utf-8") as file:
            lines = file.read().splitlines()
    choices = {number: line for number, line in enumerate(lines, 1) if line}
    options = {}
    if args.max_paths is not None:
        options["max_paths"] = args.max_paths
    matches = _extract.extract(
        args.query,
        choices,
        scorer=getattr(_lumra, args.scorer),
        limit=args.limit,
        score_cutoff=args.score_cutoff,
        dictionary=dictionary,
        skip_unreadable=args.skip_unreadable,
        **options,
    )
    for choice, score, line_number in matches:
        shown = f"{score:.4f}" if isinstance(score, float) else str(score)
        stdout.write(f"{shown}\t{line_number}\t{choice}\n")
    return 0


def _builder() -> str | None:
    """The lumra-build program: on PATH, else where pip put it beside this
    package: the interpreter's scripts folder, or the bin folder of a
    `pip install --target` tree."""
    found = shutil.which("lumra-build")
    if found is not None:
        return found
    for folder in (sysconfig.get_path("scripts"), os.path.join(_PACKAGE_PARENT, "bin")):
        candidate = os.path.join(folder, "lumra-build")
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return candidate
    return None


def _build(arguments: Sequence[str]) -> int:
    program = _builder()
    if program is None:
        sys.stderr.write(
            "lumra build: the lumra-build program was not found on PATH nor in "
            f"{sysconfig.get_path('scripts')}; it is installed with the lumra package\n"
        )
        return 127
    return subprocess.run([program, *arguments], check=False).returncode


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="python -m lumra")
    commands = parser.add_subparsers(dest="command", required=True)
    match = commands.add_parser(
        "match", help="best matches of a query among the lines of a file"
    )
    match.add_argument("query")
    match.add_argument("file", nargs="?", help="one choice per line; standard input when left out")
    match.add_argument("--dictionary", metavar="BUNDLE", help="compare by readings, with this bundle")
    match.add_argument("--language", choices=("ja", "zh"), help="the bundle's language (default: its own)")
    match.add_argument("--scorer", choices=_SCORERS, default="normalized_similarity")
    match.add_argument("--limit", type=int, default=5)
    match.add_argument("--score-cutoff", type=_number)
    match.add_argument("--max-paths", type=int)
    match.add_argument(
        "--skip-unreadable", action="store_true", help="leave out lines the dictionary cannot read"
    )
    commands.add_parser("build", help="build a dictionary bundle (lumra-build)", add_help=False)
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    arguments = list(sys.argv[1:] if argv is None else argv)
    if arguments[:1] == ["build"]:
        # Everything after `build`, --help included, belongs to lumra-build.
        return _build(arguments[1:])
    args = _parser().parse_args(arguments)
    try:
        return _match(args, sys.stdout)
    except (ValueError, TypeError, OSError) as error:
        sys.stderr.write(f"lumra match: {error}\n")
        return 1
