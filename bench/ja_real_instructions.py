#!/usr/bin/env python3
"""Instructions of the Japanese dictionary methods on the full UniDic,
counted by callgrind, over the pairs that `dev/bench-real --ja-only` times.

Wall-clock figures on the shared machine swing from run to run; instruction
counts do not. The indexed UniDic bundle is built once into
build/ja-real-bundle (lumra-build, about a minute) and kept.

Inside the build root, with the module and lumra-build built:

    python3 bench/ja_real_instructions.py [--annotate] [--save FILE]

The parent writes the pairs (made with pykakasi exactly as bench-real makes
them) to a file and runs itself under valgrind with --child, which counts
each method over all pairs on a dictionary that has not seen them (after a
run on another, for the module's first-use work), then again on the same
dictionary, which keeps the readings of recent texts. --save writes every method's
results on the pairs as JSON, so that two builds can be compared value for
value.
"""
import argparse
import json
import os
import pathlib
import random
import shutil
import subprocess
import sys
import sysconfig
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
BUILD = ROOT / os.environ.get("LUMRA_BUILD_DIR", "build")
BUNDLE = BUILD / "ja-real-bundle"
TUNABLES = ("glibc.cpu.x86_rep_stosb_threshold=0xffffffffffff:"
            "glibc.cpu.x86_rep_movsb_threshold=0xffffffffffff")


def make_bundle():
    sys.path.insert(0, str(ROOT / "tests/python"))
    from build_tool_support import UNIDIC_LEX, tool
    if not (BUNDLE / "metadata.yaml").exists():
        subprocess.run([tool(), "unidic", "--lex-csv", UNIDIC_LEX, "--out", str(BUNDLE),
                        "--format", "indexed"], check=True, capture_output=True)


def make_pairs():
    sys.path[:0] = [str(HERE), str(BUILD / "python")]
    import pykakasi
    from real_dictionaries import misspelt, pieces, sentences
    kakasi = pykakasi.kakasi()
    rng = random.Random(14)
    kana = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"

    def hiragana(text):
        return "".join(item["hira"] for item in kakasi.convert(text))
    return [(p, misspelt(rng, hiragana(p), kana))
            for s in sentences("ja_sentences.txt") for p in pieces(s)]


def build_probe():
    out = BUILD / "bench_probe"
    out.mkdir(parents=True, exist_ok=True)
    target = out / ("_bench_probe" + sysconfig.get_config_var("EXT_SUFFIX"))
    source = HERE / "probe.c"
    if not target.exists() or target.stat().st_mtime < source.stat().st_mtime:
        subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-I" + sysconfig.get_paths()["include"],
                        str(source), "-o", str(target)], check=True)
    return out


def workloads(d, pairs):
    queries = [a for a, _ in pairs]
    choices = [b for _, b in pairs]
    return {
        "distance": lambda: [d.distance(a, b) for a, b in pairs],
        "normalized_similarity": lambda: [d.normalized_similarity(a, b) for a, b in pairs],
        "_cdist_distance": lambda: d._cdist_distance(queries, choices),
    }


def results(d, pairs):
    """Every method on the pairs, errors included, for comparing builds."""
    def attempt(call):
        try:
            return call()
        except ValueError as error:
            return "ValueError: " + str(error)
    queries = [a for a, _ in pairs]
    choices = [b for _, b in pairs]
    out = {}
    for name in ("distance", "damerau_distance", "combined_distance", "normalized_similarity"):
        method = getattr(d, name)
        out[name] = [attempt(lambda: method(a, b)) for a, b in pairs]
        out[name + " cutoff"] = [
            attempt(lambda: method(a, b, score_cutoff=0.5 if "normalized" in name else 2))
            for a, b in pairs]
    out["within_distance 2"] = [attempt(lambda: d.within_distance(a, b, 2)) for a, b in pairs]
    out["_cdist_distance"] = attempt(lambda: d._cdist_distance(queries, choices))
    out["_cdist_normalized_similarity"] = attempt(
        lambda: d._cdist_normalized_similarity(queries[:20], choices[:20]))
    return out


def child(pairs_file, dumps, annotate, save):
    import _bench_probe as probe
    import _lumra
    pairs = json.loads(pathlib.Path(pairs_file).read_text())
    d = _lumra.JapaneseDictionary.load_bundle(str(BUNDLE))
    if save:
        pathlib.Path(save).write_text(json.dumps(results(d, pairs), ensure_ascii=False, indent=0))
    # A dictionary of its own for each method's first sight of the pairs.
    fresh = {name: _lumra.JapaneseDictionary.load_bundle(str(BUNDLE)) for name in workloads(d, pairs)}
    probe.start()
    print(f"{len(pairs)} pairs")

    def counted(name, loop):
        probe.zero()
        loop()
        probe.dump(name)
        total = None
        for dump in pathlib.Path(dumps).glob("callgrind.out.*"):
            for line in dump.read_text(errors="replace").splitlines():
                if line.startswith(("totals:", "summary:")):
                    total = int(line.split()[1])
            if annotate:
                shutil.move(dump, BUILD / f"callgrind.{name}")
            else:
                dump.unlink()
        print(f"{name:<33} {total:>14,} instructions", flush=True)

    for name, loop in workloads(d, pairs).items():
        # The module's own first-use work is done on another dictionary;
        # the count is the first sight of the texts, then the same calls
        # again, which find the texts' readings kept.
        loop()
        counted(name, workloads(fresh[name], pairs)[name])
        counted(name + " (repeated)", workloads(fresh[name], pairs)[name])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--child", nargs=2)
    parser.add_argument("--annotate", action="store_true",
                        help="keep each method's dump as build/callgrind.METHOD")
    parser.add_argument("--save")
    args = parser.parse_args()
    if args.child:
        return child(*args.child, args.annotate, args.save)
    make_bundle()
    probe_dir = build_probe()
    with tempfile.TemporaryDirectory() as dumps:
        pairs_file = pathlib.Path(dumps) / "pairs.json"
        pairs_file.write_text(json.dumps(make_pairs(), ensure_ascii=False))
        env = dict(os.environ, GLIBC_TUNABLES=TUNABLES, PYTHONHASHSEED="0",
                   PYTHONPATH=os.pathsep.join([str(probe_dir), str(BUILD / "python")]))
        command = ["valgrind", "--tool=callgrind", "-q", "--instr-atstart=no",
                   f"--callgrind-out-file={dumps}/callgrind.out", sys.executable,
                   str(pathlib.Path(__file__).resolve()), "--child", str(pairs_file), dumps]
        if args.annotate:
            command += ["--annotate"]
        if args.save:
            command += ["--save", str(pathlib.Path(args.save).resolve())]
        return subprocess.run(command, env=env).returncode


if __name__ == "__main__":
    sys.exit(main())
