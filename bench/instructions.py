#!/usr/bin/env python3
"""Instructions per call of _lumra and rapidfuzz, counted by callgrind.

Usage (inside the build root; dev/bench builds the module first):

    dev/env dev/bench --instructions [--quick] [--save FILE]

Wall-clock ratios on a small shared machine swing by a third from one run to
the next; instruction counts do not. Each workload is a few pairs of texts
(the same for both libraries) called in a plain Python loop, counted from a
warm start, and the same loop calling a do-nothing function of the same
calling convention (bench/probe.c) is counted too and subtracted: what is
left is what one call of the metric costs, argument conversion and result
included. glibc is told to keep memset and memcpy in their vector loops
(GLIBC_TUNABLES), because callgrind counts a `rep stosb` once per byte.

The parent process compiles the probe module and runs this script again
under valgrind with --child; the child prints the table. See bench/README.md.
"""
import argparse
import glob
import json
import os
import random
import re
import subprocess
import sys
import sysconfig
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# Counted as vector loops instead of one instruction per byte or word.
TUNABLES = ("glibc.cpu.x86_rep_stosb_threshold=0xffffffffffff:"
            "glibc.cpu.x86_rep_movsb_threshold=0xffffffffffff")


# --------------------------------------------------------------------------
# Parent: build the probe, run the child under callgrind.


def build_probe(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    target = os.path.join(out_dir, "_bench_probe" + sysconfig.get_config_var("EXT_SUFFIX"))
    source = os.path.join(HERE, "probe.c")
    if not os.path.exists(target) or os.path.getmtime(target) < os.path.getmtime(source):
        subprocess.run(["cc", "-O2", "-shared", "-fPIC",
                        "-I" + sysconfig.get_paths()["include"], source, "-o", target],
                       check=True)
    return out_dir


def main(quick=False, save=None, annotate=None, only=None):
    build = os.path.join(ROOT, os.environ.get("LUMRA_BUILD_DIR", "build"))
    probe_dir = build_probe(os.path.join(build, "bench_probe"))
    with tempfile.TemporaryDirectory() as dumps:
        env = dict(os.environ, GLIBC_TUNABLES=TUNABLES, PYTHONHASHSEED="0",
                   PYTHONPATH=os.pathsep.join(
                       [probe_dir, os.environ.get("PYTHONPATH", "")]).rstrip(os.pathsep))
        command = ["valgrind", "--tool=callgrind", "-q", "--instr-atstart=no",
                   f"--callgrind-out-file={dumps}/callgrind.out",
                   sys.executable, os.path.abspath(__file__), "--child", dumps]
        if quick:
            command.append("--quick")
        if save:
            command += ["--save", os.path.abspath(save)]
        if annotate:
            command += ["--annotate", annotate]
        if only:
            command += ["--only", only]
        return subprocess.run(command, env=env).returncode


# --------------------------------------------------------------------------
# Child: the workloads, counted.


class Counter:
    def __init__(self, dumps):
        import _bench_probe
        self.probe = _bench_probe
        self.dumps = dumps
        if not self.probe.under_valgrind():
            sys.exit("instructions.py --child must run under valgrind --tool=callgrind")
        self.probe.start()

    def instructions(self, loop, label, keep=False):
        """Instructions of one run of `loop`, after two warm-up runs that let
        the interpreter specialise the loop and the libraries set up. With
        `keep`, the dump is printed by function (callgrind_annotate)."""
        loop()
        loop()
        self.probe.zero()
        loop()
        self.probe.dump(label)
        return self._read_dump(keep)

    def _read_dump(self, keep):
        total = None
        for name in glob.glob(os.path.join(self.dumps, "callgrind.out*")):
            with open(name) as f:
                for line in f:
                    if line.startswith(("totals:", "summary:")):
                        total = int(line.split()[1])
            if keep:
                subprocess.run(["callgrind_annotate", "--threshold=99", name])
            os.remove(name)
        if total is None:
            sys.exit("callgrind wrote no counts")
        return total

    def per_call(self, fn, args, kw, label, annotate=False):
        from run import make_loop
        noop = self.instructions(make_loop(self.probe.noop, args, kw), label + " (loop)")
        spent = self.instructions(make_loop(fn, args, kw), label, keep=annotate)
        return (spent - noop) / len(args)


def near_or_unrelated(rng, alphabet, lo, hi, count):
    """Pairs of lengths lo..hi; every second one a near copy (1-3 edits)."""
    from run import mutate, word
    pairs = []
    for i in range(count):
        left = word(rng, alphabet, lo, hi)
        right = (mutate(rng, left, alphabet, rng.randint(1, 3)) if i % 2
                 else word(rng, alphabet, lo, hi))
        pairs.append((left, right))
    return pairs


def text_classes(rng, alphabet, pairs):
    """(name, pairs, loose integer cutoff) for every length class."""
    from run import mutate, word
    half = max(1, pairs // 2)
    return [
        ("5-12", near_or_unrelated(rng, alphabet, 5, 12, pairs), 5),
        ("50-80", near_or_unrelated(rng, alphabet, 50, 80, pairs), 30),
        ("100", near_or_unrelated(rng, alphabet, 100, 100, pairs), 50),
        ("129-200", near_or_unrelated(rng, alphabet, 129, 200, pairs), 80),
        ("1000 unrelated", [(word(rng, alphabet, 1000), word(rng, alphabet, 1000))
                            for _ in range(half)], 500),
        ("950-1050 unrelated", [(word(rng, alphabet, 950, 1050), word(rng, alphabet, 950, 1050))
                                for _ in range(half)], 500),
        ("1000 near, 30 subs", [(t, mutate(rng, t, alphabet, 30, same_length=True))
                                for t in (word(rng, alphabet, 1000) for _ in range(half))], 500),
    ]


def close(a, b):
    return abs(a - b) <= 1e-9


def same_scores(ours, theirs, cutoff):
    """Our similarity against the peer's uncut one under our cutoff rule; a
    score within rounding of the cutoff may fall on either side."""
    if cutoff is not None and abs(theirs - cutoff) <= 1e-9:
        return True
    want = 0.0 if cutoff is not None and theirs < cutoff else theirs
    return close(ours, want)


def same_distances(ours, theirs, cutoff):
    """The same for a normalized distance, which a cutoff turns into 1.0."""
    if cutoff is not None and abs(theirs - cutoff) <= 1e-9:
        return True
    want = 1.0 if cutoff is not None and theirs > cutoff else theirs
    return close(ours, want)


def child(dumps, quick, save, annotate, only):
    import _lumra
    from rapidfuzz import __version__ as rf_version
    from rapidfuzz import process
    from rapidfuzz.distance import OSA, Levenshtein
    from run import KANA, LATIN, mutate, word

    counter = Counter(dumps)
    picked = None if annotate is None else re.compile(annotate)

    def wanted(workload):
        return only is None or re.search(only, workload) is not None

    def count(fn, args, kw, workload):
        """Per call; the calls of a workload matching --annotate are also
        shown by function."""
        return counter.per_call(fn, args, kw, workload,
                                annotate=picked is not None and picked.search(workload))
    results = []
    mismatches = []

    def report(workload, ours, theirs):
        ratio = ours / theirs if theirs > 0 else float("inf")
        results.append({"workload": workload, "ours": ours, "rapidfuzz": theirs,
                        "ratio": ratio})
        flag = "  *" if ratio > 1.0 else ""
        print(f"{workload:<52} {ours:>12,.0f} {theirs:>12,.0f} {ratio:>7.2f}{flag}",
              flush=True)

    def check(workload, ok):
        if not ok:
            mismatches.append(workload)
            print(f"!!! MISMATCH {workload}: _lumra differs from rapidfuzz", flush=True)

    print(f"instructions per call under callgrind: _lumra {_lumra.__version__}, "
          f"rapidfuzz {rf_version}; Python loop subtracted; * = above rapidfuzz")
    print(f"{'workload':<52} {'_lumra':>12} {'rapidfuzz':>12} {'ratio':>7}")

    pairs = 2 if quick else 4
    seed = 500
    for alpha_name, alphabet in (("latin", LATIN), ("kana", KANA)):
        seed += 1
        for class_name, texts, loose in text_classes(random.Random(seed), alphabet, pairs):
            tag = f"{alpha_name} {class_name}"
            for name, peer in (("distance", Levenshtein.distance),
                               ("damerau_distance", OSA.distance)):
                ours_fn = getattr(_lumra, name)
                for cutoff in (None, 2, loose):
                    kw = {} if cutoff is None else {"score_cutoff": cutoff}
                    workload = f"{name} {tag}" + (f" cutoff={cutoff}" if kw else "")
                    if not wanted(workload):
                        continue
                    check(workload, all(ours_fn(a, b, **kw) == peer(a, b, **kw)
                                        for a, b in texts))
                    report(workload, count(ours_fn, texts, kw, workload),
                           count(peer, texts, kw, workload + " rf"))
            for cutoff in (None, 0.9, 0.5):
                kw = {} if cutoff is None else {"score_cutoff": cutoff}
                workload = f"normalized_similarity {tag}" + (f" cutoff={cutoff}" if kw else "")
                if not wanted(workload):
                    continue
                check(workload, all(
                    same_scores(_lumra.normalized_similarity(a, b, **kw),
                                Levenshtein.normalized_similarity(a, b), cutoff)
                    for a, b in texts))
                report(workload,
                       count(_lumra.normalized_similarity, texts, kw, workload),
                       count(Levenshtein.normalized_similarity, texts, kw,
                                        workload + " rf"))

    # Matrices: one call per workload, so the loop holds that one call.
    rng = random.Random(600)
    shapes = [("latin 5-12", LATIN, 5, 12, (20, 200), (10, 50)),
              ("kana 5-12", KANA, 5, 12, (20, 200), (10, 50)),
              ("latin 50-80", LATIN, 50, 80, (10, 50), (4, 20))]
    for tag, alphabet, lo, hi, full, small in shapes:
        nq, nc = small if quick else full
        choices = [word(rng, alphabet, lo, hi) for _ in range(nc)]
        queries = [mutate(rng, rng.choice(choices), alphabet, rng.randint(1, 3)) if i % 2
                   else word(rng, alphabet, lo, hi) for i in range(nq)]
        args = [(queries, choices)]
        cells = nq * nc
        matrix_metrics = [
            ("_cdist_distance", Levenshtein.distance, (None, 2), {}),
            ("_cdist_damerau_distance", OSA.distance, (None, 2), {}),
            ("_cdist_normalized_similarity", Levenshtein.normalized_similarity, (None, 0.8),
             {"dtype": "float64"}),
            ("_cdist_normalized_distance", Levenshtein.normalized_distance, (None, 0.2),
             {"dtype": "float64"}),
        ]
        for name, scorer, cutoffs, extra in matrix_metrics:
            ours_fn = getattr(_lumra, name)
            for cutoff in cutoffs:
                kw = {} if cutoff is None else {"score_cutoff": cutoff}
                rf_kw = dict(kw, scorer=scorer, workers=1, **extra)
                workload = f"{name} {tag} {nq}x{nc}" + (f" cutoff={cutoff}" if kw else "")
                if not wanted(workload):
                    continue
                ours_m = ours_fn(queries, choices, **kw)
                rf_m = process.cdist(queries, choices, **rf_kw).tolist()
                if "normalized" in name:
                    same = same_distances if name.endswith("distance") else same_scores
                    uncut = process.cdist(queries, choices, scorer=scorer, workers=1,
                                          **extra).tolist()
                    ok = all(same(o, t, cutoff)
                             for ro, rt in zip(ours_m, uncut) for o, t in zip(ro, rt))
                else:
                    ok = ours_m == rf_m
                check(workload, ok)
                ours_n = count(ours_fn, args, kw, workload)
                rf_n = count(process.cdist, args, rf_kw, workload + " rf")
                report(workload + f" (per cell: {ours_n / cells:.0f} / {rf_n / cells:.0f})",
                       ours_n, rf_n)

    above = [r for r in results if r["ratio"] > 1.0]
    print(f"\n{len(above)} of {len(results)} workloads above rapidfuzz"
          + (f"; {len(mismatches)} MISMATCHES" if mismatches else ""))
    if save:
        with open(save, "w") as f:
            json.dump(results, f, indent=1)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--child", metavar="DUMPS")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--save", metavar="FILE")
    parser.add_argument("--annotate", metavar="REGEX")
    parser.add_argument("--only", metavar="REGEX")
    options = parser.parse_args()
    if options.child:
        sys.path.insert(0, HERE)
        child(options.child, options.quick, options.save, options.annotate, options.only)
    else:
        sys.exit(main(options.quick, options.save, options.annotate, options.only))
