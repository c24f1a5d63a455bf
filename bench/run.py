#!/usr/bin/env python3
"""Times _lumra against rapidfuzz and python-Levenshtein in one process.

Usage (inside the build root, which also builds the module first):

    dev/env dev/bench [--quick] [--section strings|lattices|matrices|alignment|dictionaries]

Every time is the median of several repeats of a timeit-style loop that calls
the function over a prepared list of arguments (garbage collection off while
timing). Inputs come from fixed seeds, so every run times the same data. The
ratio column is ours / peer: below 1.00 _lumra is faster. A ratio in
parentheses compares functions that do a similar task with a different
metric; it is shown for orientation only. Where a peer computes exactly our
metric, the results are compared once per workload and any difference is
reported on a line starting with "!!! MISMATCH". See bench/README.md.
"""
import argparse
import functools
import gc
import importlib
import json
import math
import pathlib
import platform
import random
import statistics
import tempfile
import time

try:
    import _lumra
except ImportError as exc:  # the module is still being written
    _lumra, LUMRA_ERROR = None, exc


def peer(module, attr, **bound):
    """A peer function, or None when its library is not installed."""
    try:
        fn = getattr(importlib.import_module(module), attr)
    except (ImportError, AttributeError):
        return None
    return functools.partial(fn, **bound) if bound else fn


def version(module):
    try:
        return importlib.import_module(module).__version__
    except (ImportError, AttributeError):
        return "peer missing"


RF_LEV = "rapidfuzz.distance.Levenshtein"
rf_distance = peer(RF_LEV, "distance")
rf_osa = peer("rapidfuzz.distance.OSA", "distance")
rf_nsim = peer(RF_LEV, "normalized_similarity")
rf_partial = peer("rapidfuzz.fuzz", "partial_ratio_alignment")
pl_distance = peer("Levenshtein", "distance")
pl_ratio = peer("Levenshtein", "ratio")

# --------------------------------------------------------------------------
# Settings, inputs


class Settings:
    quick = False
    repeats = 7          # timed repeats per measurement; the median is shown
    min_time = 0.1       # seconds each repeat runs at least (loop is repeated)
    check_items = 200    # argument tuples compared against a same-metric peer

    @classmethod
    def pick(cls, full, quick):
        return quick if cls.quick else full


LATIN = "abcdefghijklmnopqrstuvwxyz"
KANA = "".join(chr(c) for c in range(0x3041, 0x3097))  # hiragana block


def word(rng, alphabet, lo, hi=None):
    return "".join(rng.choices(alphabet, k=rng.randint(lo, hi or lo)))


def mutate(rng, text, alphabet, edits, same_length=False):
    """`text` with `edits` random substitutions, insertions, deletions and
    adjacent transpositions (only substitutions when same_length)."""
    s = list(text)
    for _ in range(edits):
        kind = "sub" if same_length else rng.choice(("sub", "ins", "del", "swap"))
        i = rng.randrange(max(len(s), 1))
        if kind == "ins" or not s:
            s.insert(i, rng.choice(alphabet))
        elif kind == "del" and len(s) > 1:
            del s[i]
        elif kind == "swap" and len(s) > 1:
            i = min(i, len(s) - 2)
            s[i], s[i + 1] = s[i + 1], s[i]
        else:
            s[i] = rng.choice(alphabet.replace(s[i], ""))
    return "".join(s)


def string_pairs(rng, alphabet, lo, hi, count):
    """Half the pairs are near copies (1-3 edits), half unrelated strings."""
    pairs = []
    for i in range(count):
        left = word(rng, alphabet, lo, hi)
        right = (mutate(rng, left, alphabet, rng.randint(1, 3)) if i % 2
                 else word(rng, alphabet, lo, hi))
        pairs.append((left, right))
    return pairs


# --------------------------------------------------------------------------
# Timing and reporting


def make_loop(fn, args, kw):
    """A loop that calls fn the way code does: each tuple's items as
    positional arguments and the keywords written out, so that neither side
    pays for building a keyword dictionary per call."""
    names = [f"a{i}" for i in range(len(args[0]))]
    keywords = [f"{k}={k}" for k in kw]
    source = (f"def loop({''.join(k + '=' + k + ', ' for k in kw)}fn=fn, args=args):\n"
              f"    for {', '.join(names)}, in args:\n"
              f"        fn({', '.join(names + keywords)})\n")
    namespace = {"fn": fn, "args": args, **kw}
    exec(source, namespace)
    return namespace["loop"]


def seconds_per_call(fn, args, kw):
    """Median over the repeats of (time of one repeat) / (calls in it)."""
    return interleaved_seconds_per_call([(fn, kw)], args)[0]


def interleaved_seconds_per_call(calls, args):
    """seconds_per_call for several (fn, kw) over the same args, their
    repeats taken in turn (ours, peer, ours, peer, ...), so that a slow
    moment of a shared machine falls on all of them alike instead of on one
    side of a ratio."""
    loops, passes = [], []
    for fn, kw in calls:
        loop = make_loop(fn, args, kw)
        start = time.perf_counter()
        loop()                               # warm-up, also sizes the repeat
        once = time.perf_counter() - start
        loops.append(loop)
        passes.append(max(1, math.ceil(Settings.min_time / max(once, 1e-9))))
    samples = [[] for _ in calls]
    gc_was_on = gc.isenabled()
    gc.disable()
    try:
        for _ in range(Settings.repeats):
            for i, loop in enumerate(loops):
                start = time.perf_counter()
                for _ in range(passes[i]):
                    loop()
                samples[i].append((time.perf_counter() - start) / (passes[i] * len(args)))
    finally:
        if gc_was_on:
            gc.enable()
    return [statistics.median(s) for s in samples]


def fmt_time(seconds):
    for unit, scale in (("ns", 1e9), ("µs", 1e6), ("ms", 1e3)):
        value = seconds * scale
        if value < 1000:
            return f"{value:.3g} {unit}"
    return f"{seconds:.3g} s"


WIDTH = {"workload": 38, "time": 10}


def row(workload="", ours="", label="", theirs="", ratio="", note=""):
    w, t = WIDTH["workload"], WIDTH["time"]
    print(f"{workload:<{w}} {ours:>{t}}   {label:<37} {theirs:>{t}} {ratio:>9}"
          f"  {note}".rstrip(), flush=True)


def skipped(workload, why):
    print(f"{workload:<{WIDTH['workload']}} {why}", flush=True)


def section(title, unit_note, workload_width=38, time_width=10, peers=True):
    WIDTH.update(workload=workload_width, time=time_width)
    print(f"\n== {title}  ({unit_note})")
    row("workload", "_lumra", *(("peer", "peer time", "ours/peer") if peers else ()))


def short(value, limit=70):
    if hasattr(value, "tolist"):
        value = value.tolist()
    text = repr(value)
    return text if len(text) <= limit else text[:limit - 3] + "..."


def first_difference(a, b, at=()):
    """None when a and b agree (floats within 1e-9), else (index path, a, b)."""
    if hasattr(b, "tolist"):             # numpy array or scalar from a peer
        b = b.tolist()
    if a == b:
        return None
    if isinstance(a, (list, tuple)) and isinstance(b, (list, tuple)) \
            and len(a) == len(b):
        for i, (x, y) in enumerate(zip(a, b)):
            found = first_difference(x, y, at + (i,))
            if found:
                return found
        return None
    if isinstance(a, float) and isinstance(b, (int, float)) and abs(a - b) <= 1e-9:
        return None
    return at, a, b


def verify(workload, fn, args, kw, label, expected):
    """Compares fn(*a, **kw) with expected(a, result) on the first inputs."""
    sample = args[:Settings.check_items]
    bad = []
    for a in sample:
        got = fn(*a, **kw)
        try:
            want = expected(a, got)
        except Exception as exc:
            print(f"   (check against {label} could not run: "
                  f"{type(exc).__name__}: {exc})")
            return
        found = first_difference(got, want)
        if found:
            bad.append((a, *found))
    if bad:
        a, at, got, want = bad[0]
        if len(at) == 2:                 # a matrix cell: name its two strings
            where = f"cell {list(at)} {short((a[0][at[0]], a[1][at[1]]))}"
        else:
            where = short(a)
        print(f"!!! MISMATCH {workload}: _lumra differs from {label} on "
              f"{len(bad)} of {len(sample)} inputs; first at {where}: "
              f"ours {short(got)}, {label} {short(want)}", flush=True)


def measure(workload, name, args, kw=None, peers=(), check=None, fmt=fmt_time):
    """Times _lumra.<name>(*a, **kw) over args, then each peer.

    peers: (label, function or None, peer keywords, note); a note of None
    means the peer computes our metric, so its results are also checked.
    check: (label, expected(a, ours_result)), used instead of the peer checks.
    """
    kw = kw or {}
    ours = name if callable(name) else getattr(_lumra, name, None)
    if ours is None:
        skipped(workload, f"skipped: _lumra has no {name} yet")
        return
    available = [(label, fn, peer_kw) for label, fn, peer_kw, _ in peers if fn is not None]
    try:
        ours_t = seconds_per_call(ours, args, kw) if not available else None
    except Exception as exc:
        skipped(workload, f"error: {type(exc).__name__}: {exc}")
        return
    if not peers:
        row(workload, fmt(ours_t))
    peer_times = {}
    if available:
        try:
            ours_t, *times = interleaved_seconds_per_call(
                [(ours, kw)] + [(fn, peer_kw) for _, fn, peer_kw in available], args)
        except Exception as exc:
            skipped(workload, f"error: {type(exc).__name__}: {exc}")
            return
        peer_times = {label: t for (label, _, _), t in zip(available, times)}
    checks = [check] if check else []
    for i, (label, fn, peer_kw, note) in enumerate(peers):
        first = (workload, fmt(ours_t)) if i == 0 else ("", "")
        if fn is None:
            row(*first, label, "", "", "peer missing")
            continue
        peer_t = peer_times[label]
        ratio = ours_t / peer_t
        row(*first, label, fmt(peer_t),
            f"{ratio:.2f}" if note is None else f"({ratio:.2f})", note or "")
        if note is None and not check:
            checks.append((label, lambda a, _, fn=fn, pk=peer_kw: fn(*a, **pk)))
    for label, expected in checks:
        try:
            verify(workload, ours, args, kw, label, expected)
        except Exception as exc:
            print(f"!!! MISMATCH {workload}: _lumra raised during the check: "
                  f"{type(exc).__name__}: {exc}", flush=True)


# --------------------------------------------------------------------------
# Sections


def strings():
    section("strings: one call on a pair of strings", "time per call")
    sizes = [("5-12", 5, 12, Settings.pick(2000, 200)),
             ("50-80", 50, 80, Settings.pick(500, 50)),
             ("~1000", 950, 1050, Settings.pick(50, 8))]
    seed = 100
    for alpha_name, alphabet in (("latin", LATIN), ("kana", KANA)):
        for size_name, lo, hi, count in sizes:
            seed += 1
            pairs = string_pairs(random.Random(seed), alphabet, lo, hi, count)
            tag = f"{alpha_name} {size_name}"
            for kw in ({}, {"score_cutoff": 2}):
                suffix = " cutoff=2" if kw else ""
                measure(f"distance {tag}{suffix}", "distance", pairs, kw, [
                    ("rf Levenshtein.distance", rf_distance, kw, None),
                    ("Levenshtein.distance", pl_distance, kw, None)])
                measure(f"damerau_distance {tag}{suffix}", "damerau_distance",
                        pairs, kw, [("rf OSA.distance", rf_osa, kw, None)])
            measure(f"normalized_similarity {tag}", "normalized_similarity",
                    pairs, {}, [
                        ("rf Levenshtein.normalized_similarity", rf_nsim, {}, None),
                        ("Levenshtein.ratio", pl_ratio, {},
                         "different metric (Indel ratio)")])


def min_over_pairs(metric, cutoff=None, threshold=None):
    """Expected lattice result: the best pair of alternatives (chain lattices
    spell exactly their paths), computed with a same-metric peer."""
    def expected(a, _):
        best = min(metric(x, y) for x in a[0] for y in a[1])
        if threshold is not None:
            return best <= threshold
        return best if cutoff is None else min(best, cutoff + 1)
    return expected


def lattice_workloads(tag, cases):
    for name, metric, label in (("distance_paths", rf_distance, "Levenshtein"),
                                ("damerau_distance_paths", rf_osa, "OSA")):
        for cutoff in (None, 2):
            kw = {} if cutoff is None else {"score_cutoff": cutoff}
            check = (f"best pair by rf {label}", min_over_pairs(metric, cutoff)) \
                if metric else None
            measure(f"{name} {tag}" + (" cutoff=2" if kw else ""), name, cases,
                    kw, check=check)
    check = ("best pair by rf Levenshtein", min_over_pairs(rf_distance, threshold=2)) \
        if rf_distance else None
    measure(f"within_distance_paths {tag} t=2", "within_distance_paths",
            [(left, right, 2) for left, right in cases], check=check)


def lattices():
    section("lattices: one call on two path lists", "time per call, no peer",
            workload_width=46, peers=False)
    rng = random.Random(200)
    count = Settings.pick(20, 4)
    cases = []
    for _ in range(count):               # 20 random alternatives of 10 chars
        left = [word(rng, LATIN, 10) for _ in range(20)]
        right = [word(rng, LATIN, 10) for _ in range(19)]
        right.insert(rng.randrange(20), mutate(rng, rng.choice(left), LATIN, 2,
                                               same_length=True))
        cases.append((left, right))
    lattice_workloads("20x10 random", cases)

    def variants(stem):                  # shared prefix and suffix, varied middle
        out = []
        for _ in range(20):
            p, s = rng.randint(2, 4), rng.randint(2, 4)
            out.append(stem[:p] + word(rng, LATIN, 10 - p - s) + stem[10 - s:])
        return out
    cases = []
    for _ in range(count):
        stem = word(rng, LATIN, 10)
        cases.append((variants(stem), variants(stem)))
    lattice_workloads("20x10 affixes", cases)

    # One 3999-char path per side: 4000 x 4000 = 16,000,000 states, the limit.
    left = word(rng, LATIN, 3999)
    big = [([left], [mutate(rng, left, LATIN, 2, same_length=True)])]
    for name, metric, label in (("distance_paths", rf_distance, "Levenshtein"),
                                ("damerau_distance_paths", rf_osa, "OSA")):
        check = (f"rf {label}", min_over_pairs(metric, 2)) if metric else None
        measure(f"{name} 4000x4000 cutoff=2", name, big, {"score_cutoff": 2},
                check=check)
    check = ("rf Levenshtein", min_over_pairs(rf_distance, threshold=2)) \
        if rf_distance else None
    measure("within_distance_paths 4000x4000 t=2", "within_distance_paths",
            [(a, b, 2) for a, b in big], check=check)


def matrices():
    rng = random.Random(300)
    nq, nc = Settings.pick((500, 2000), (100, 400))
    choices = [word(rng, LATIN, 5, 12) for _ in range(nc)]
    queries = [mutate(rng, rng.choice(choices), LATIN, rng.randint(1, 3)) if i % 2
               else word(rng, LATIN, 5, 12) for i in range(nq)]
    args = [(queries, choices)]
    cells = nq * nc
    section(f"matrices: one call on {nq} queries x {nc} choices",
            "time per matrix | per cell", workload_width=40, time_width=22)

    def fmt(seconds):
        return f"{fmt_time(seconds)} | {seconds / cells * 1e9:.3g} ns/cell"
    try:
        import numpy
        float64 = {"dtype": numpy.float64}   # our cells are doubles too
    except ImportError:
        float64 = {}
    cdist_distance = peer("rapidfuzz.process", "cdist", scorer=rf_distance,
                          workers=1) if rf_distance else None
    cdist_nsim = peer("rapidfuzz.process", "cdist", scorer=rf_nsim, workers=1,
                      **float64) if rf_nsim else None
    for kw in ({}, {"score_cutoff": 2}):
        measure(f"_cdist_distance{' cutoff=2' if kw else ''}", "_cdist_distance",
                args, kw, [("rf cdist(Levenshtein.distance)", cdist_distance, kw,
                            None)], fmt=fmt)
    # A score exactly at the cutoff is kept by _lumra but may be dropped by
    # rapidfuzz through rounding (0.8 for distance 2 of 10), so the cutoff
    # variant is checked against the uncut peer matrix with our cutoff rule.
    def cut(c):
        def expected(a, _):
            return [[0.0 if s < c else s for s in r] for r in cdist_nsim(*a).tolist()]
        return ("rf cdist(normalized_similarity), cut", expected)
    for kw in ({}, {"score_cutoff": 0.8}):
        measure(f"_cdist_normalized_similarity{' cutoff=0.8' if kw else ''}",
                "_cdist_normalized_similarity", args, kw,
                [("rf cdist(normalized_similarity)", cdist_nsim, kw, None)],
                check=cut(0.8) if kw and cdist_nsim else None, fmt=fmt)


def alignment():
    section("alignment: best span of at most 16 chars for a 10-char query in a "
            "2000-char text", "time per call", workload_width=40)
    rng = random.Random(400)
    cases = []
    for _ in range(Settings.pick(5, 2)):
        text = word(rng, LATIN, 2000)
        start = rng.randrange(len(text) - 10)
        query = mutate(rng, text[start:start + 10], LATIN, 1, same_length=True)
        cases.append((query, text, 16))

    def span_check(metric, is_distance):
        def expected(a, got):
            if got is None:
                return None
            score = metric(a[0], a[1][got[3]:got[4]])
            return (score if is_distance else float(score), 0, len(a[0]),
                    got[3], got[4])
        return ("rf Levenshtein on the returned span", expected) if metric else None
    for kw in ({}, {"score_cutoff": 2}):
        measure("_partial_distance_alignment" + (" cutoff=2" if kw else ""),
                "_partial_distance_alignment", cases, kw,
                check=span_check(rf_distance, True))
    # The peer takes (query, text) only, so it is wrapped to drop the span
    # length; the wrapper costs well under a microsecond per call.
    rf = (lambda q, t, _, **k: rf_partial(q, t, **k)) if rf_partial else None
    for kw, rf_kw in (({}, {}), ({"score_cutoff": 0.8}, {"score_cutoff": 80})):
        measure("_partial_ratio_alignment" + (" cutoff=0.8" if kw else ""),
                "_partial_ratio_alignment", cases, kw,
                [("rf fuzz.partial_ratio_alignment", rf, rf_kw,
                  "similar task, different metric")],
                check=span_check(rf_nsim, False))
    # The worst case of the search: a long query over an unrelated text of
    # about its length, every span up to the query's length a candidate.
    m = Settings.pick(1999, 499)
    worst = [(word(rng, LATIN, m), word(rng, LATIN, m + 1), m)]
    for kw in ({}, {"score_cutoff": 0}):
        measure(f"_partial_distance_alignment {m}/{m + 1}, window {m}"
                + (" cutoff=0" if kw else ""), "_partial_distance_alignment", worst, kw,
                check=span_check(rf_distance, True))
    measure(f"_partial_ratio_alignment {m}/{m + 1}, window {m}",
            "_partial_ratio_alignment", worst, {}, check=span_check(rf_nsim, False))


# --------------------------------------------------------------------------
# Dictionaries: reading-aware metrics against a romaniser plus rapidfuzz

DATA = pathlib.Path(__file__).resolve().parent / "data"


def word_list(name):
    """(surface, [readings]) from a word list of bench/data."""
    words = []
    for line in (DATA / name).read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            surface, readings = line.split("\t")
            words.append((surface, readings.split(",")))
    return words


def with_compounds(words, total, rng):
    """The words, then two-word compounds (reading: the first readings
    joined) up to `total` entries, as a real dictionary holds many."""
    entries = dict(words)
    multi = [(s, r) for s, r in words if len(s) > 1]
    while len(entries) < total:
        (s1, r1), (s2, r2) = rng.sample(multi, 2)
        entries.setdefault(s1 + s2, [r1[0] + r2[0]])
    return entries


def write_dictionary_payload(path, payload_type, entries, **extra):
    payload = {"schema_version": 1, "payload_type": payload_type, **extra,
               "entries": [{"surface": s, "readings": r} for s, r in entries.items()]}
    path.write_text(json.dumps(payload, ensure_ascii=False), encoding="utf-8")  # YAML reads JSON
    return str(path)


def written_pairs(rng, words, spell, count):
    """Pairs of 2 to 8 characters: a text of one or two words against its
    spelling (spell(word) -> text), a spelling with one typo, or another
    text of words."""
    def text():
        while True:
            picked = rng.sample(words, rng.choice((1, 1, 2)))
            if 2 <= sum(len(s) for s, _ in picked) <= 8:
                return picked
    pairs = []
    for i in range(count):
        left = text()
        surface = "".join(s for s, _ in left)
        spelled = "".join(spell(w) for w in left)
        if i % 3 == 0:
            right = spelled
        elif i % 3 == 1:
            right = mutate(rng, spelled, spelled, 1) if len(set(spelled)) > 1 else spelled
        else:
            right = "".join(s for s, _ in text())
        pairs.append((surface, right[:8] if i % 3 else right))
    return pairs


def dictionary_rows(tag, d, pairs, convert, queries, choices):
    """distance and normalized_similarity of dictionary `d` on `pairs`, and
    the matrix of `queries` x `choices`, against `convert` (text -> one
    reading) plus rapidfuzz."""
    note = "one reading each (ours: every reading)"
    glue_distance = (lambda a, b: rf_distance(convert(a), convert(b))) if rf_distance else None
    glue_nsim = (lambda a, b: rf_nsim(convert(a), convert(b))) if rf_nsim else None
    measure(f"{tag} distance", d.distance, pairs, {},
            [(f"{convert.label} + rf distance", glue_distance, {}, note)])
    measure(f"{tag} normalized_similarity", d.normalized_similarity, pairs, {},
            [(f"{convert.label} + rf nsim", glue_nsim, {}, note)])
    cdist = peer("rapidfuzz.process", "cdist", scorer=rf_distance, workers=1) if rf_distance else None
    glue_cdist = (lambda q, c: cdist([convert(t) for t in q], [convert(t) for t in c])) if cdist else None
    cells = len(queries) * len(choices)

    def per_cell(seconds):
        return f"{seconds / cells * 1e9:.3g} ns/cell"
    measure(f"{tag} _cdist_distance {len(queries)}x{len(choices)}", d._cdist_distance,
            [(queries, choices)], {},
            [(f"{convert.label} + rf cdist", glue_cdist, {}, note)], fmt=per_cell)


def alignment_rows(tag, d, words, rng):
    """The partial alignments of dictionary `d`: a 4-character query of
    dictionary words inside a 500-character text of them, with the
    automatic window and with a window of 4. A text on which a call fails
    (a span whose readings exceed the romaji or lattice limits ends the
    call) is counted and left out of the timing."""
    pairs = [s for s, _ in words if len(s) == 2]
    texts = []
    for _ in range(Settings.pick(8, 2)):
        query = rng.choice(pairs) + rng.choice(pairs)
        text = ""
        while len(text) < 496:
            text += rng.choice(words)[0]
        text = text[:496]
        at = rng.randrange(len(text))
        texts.append((query, text[:at] + query + text[at:]))
    for window in (0, 4):
        for name in ("_partial_distance_alignment", "_partial_ratio_alignment"):
            method = getattr(d, name)
            cases = []
            for query, text in texts:
                try:
                    method(query, text, window)
                    cases.append((query, text, window))
                except ValueError:
                    pass
            failed = len(texts) - len(cases)
            label = f"{tag} {name} 4 in 500 w={window}"
            if failed:
                label += f" ({failed}/{len(texts)} fail)"
            if cases:
                measure(label, method, cases, {})
            else:
                skipped(label, "every text fails")


def dictionaries():
    section("dictionaries: texts of 2-8 characters compared by their readings",
            "time per call; matrices per cell", workload_width=58)
    rng = random.Random(500)
    count = Settings.pick(300, 60)
    nq, nc = Settings.pick((100, 1000), (20, 200))
    with tempfile.TemporaryDirectory() as folder:
        words = word_list("ja_words.tsv")
        entries = with_compounds(words, 3000, rng)
        ja = _lumra.JapaneseDictionary.load_payload(write_dictionary_payload(
            pathlib.Path(folder) / "ja.yaml", "lumra.unidic.reading-index.surface-readings",
            entries))
        try:
            import pykakasi
            kakasi = pykakasi.kakasi()

            def romaji(text):
                return "".join(item["hepburn"] for item in kakasi.convert(text))
            romaji.label = "pykakasi"
        except ImportError:
            romaji = None
        katakana = {chr(c): chr(c + 0x60) for c in range(0x3041, 0x3097)}

        def kana(word):  # the first reading, in hiragana or katakana
            reading = word[1][0]
            return reading.translate(str.maketrans(katakana)) if rng.random() < 0.3 else reading
        pairs = written_pairs(rng, words, kana, count)
        texts = [a for a, _ in written_pairs(rng, words, kana, nq + nc)]
        if romaji is None:
            skipped("Japanese", "peer missing: pykakasi")
        else:
            dictionary_rows("ja", ja, pairs, romaji, texts[:nq], texts[nq:])
        alignment_rows("ja", ja, words, rng)

        words = word_list("zh_words.tsv")
        entries = {s: list(dict.fromkeys("".join(c for c in r if not c.isdigit()) for r in rs))
                   for s, rs in with_compounds(words, 3000, rng).items()}
        zh = _lumra.ChineseDictionary.load_payload(write_dictionary_payload(
            pathlib.Path(folder) / "zh.yaml", "lumra.zh.reading-index.surface-readings",
            entries, pinyin_view="no-tone"))
        try:
            from pypinyin import Style, pinyin

            def first_pinyin(text):
                return "".join(r[0] for r in pinyin(text, heteronym=True, style=Style.NORMAL))
            first_pinyin.label = "pypinyin"
        except ImportError:
            first_pinyin = None
        pairs = written_pairs(rng, words, lambda w: entries[w[0]][0], count)
        texts = [a for a, _ in written_pairs(rng, words, lambda w: entries[w[0]][0], nq + nc)]
        if first_pinyin is None:
            skipped("Chinese", "peer missing: pypinyin")
        else:
            dictionary_rows("zh", zh, pairs, first_pinyin, texts[:nq], texts[nq:])
        alignment_rows("zh", zh, words, rng)


SECTIONS = {"strings": strings, "lattices": lattices, "matrices": matrices,
            "alignment": alignment, "dictionaries": dictionaries}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true",
                        help="small inputs, 3 short repeats: a smoke run")
    parser.add_argument("--section", choices=SECTIONS, action="append",
                        help="run only this section (may be repeated)")
    parser.add_argument("--instructions", action="store_true",
                        help="count instructions per call under callgrind instead "
                             "(bench/instructions.py)")
    parser.add_argument("--save", metavar="FILE",
                        help="with --instructions: also write the counts as JSON")
    parser.add_argument("--annotate", metavar="REGEX",
                        help="with --instructions: show the calls of the matching "
                             "workloads by function (callgrind_annotate)")
    parser.add_argument("--only", metavar="REGEX",
                        help="with --instructions: count only the matching workloads")
    options = parser.parse_args()
    if options.instructions:
        import instructions
        raise SystemExit(instructions.main(options.quick, options.save, options.annotate,
                                           options.only))
    if options.quick:
        Settings.quick, Settings.repeats, Settings.min_time = True, 3, 0.02
    print(f"lumra benchmark{' (quick)' if options.quick else ''}: "
          f"_lumra {getattr(_lumra, '__version__', 'missing')}, "
          f"rapidfuzz {version('rapidfuzz')}, Levenshtein {version('Levenshtein')}, "
          f"Python {platform.python_version()}")
    print(f"median of {Settings.repeats} repeats of >= {Settings.min_time} s; "
          "ours/peer below 1.00 means _lumra is faster; (x) = different metric; "
          "rf = rapidfuzz, Levenshtein = python-Levenshtein")
    for name in options.section or SECTIONS:
        if _lumra is None:
            print(f"\n== {name}\nskipped: _lumra could not be imported "
                  f"({LUMRA_ERROR})")
            continue
        SECTIONS[name]()


if __name__ == "__main__":
    main()
