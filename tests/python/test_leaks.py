"""Failing and succeeding calls must not leave objects behind.

Every rejected argument, every error raised from a computation and every
result goes through reference-counting code written by hand; a missed
decrement shows up as blocks that stay allocated after many calls.
"""

import gc
import os
import pathlib
import resource
import signal
import subprocess
import sys
import tempfile
import time

import pytest

import _lumra
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, binary_payload, write_payload


class Broken:
    def __index__(self):
        raise TypeError("no index") from KeyError("cause")

    def __float__(self):
        raise RuntimeError("no float")


class BadSequence:
    def __len__(self):
        return 3

    def __getitem__(self, i):
        if i == 1:
            raise TypeError("broken item") from ValueError("inner")
        return "x"


CALLS = [
    lambda: _lumra.distance("abc", "abd", score_cutoff=1),
    lambda: _lumra.distance("a", b"b"),
    lambda: _lumra.distance("a", "b", "c"),
    lambda: _lumra.distance("a", "b", nope=1),
    lambda: _lumra.distance("a", "\ud800"),
    lambda: _lumra.distance("a", "b", score_cutoff=Broken()),
    lambda: _lumra.distance("a", "b", score_cutoff=-1),
    lambda: _lumra.normalized_similarity("a", "b", score_cutoff=Broken()),
    lambda: _lumra.normalized_similarity("a", "b", score_cutoff=2.0),
    lambda: _lumra.combined_distance("a", "b", score_cutoff=2**70),
    lambda: _lumra.distance_paths(BadSequence(), ["a"]),
    lambda: _lumra.distance_paths(["a", 1], ["a"]),
    lambda: _lumra.distance_paths(["a", "\udfff"], ["a"]),
    lambda: _lumra.distance_paths([], ["a"]),
    lambda: _lumra.distance_paths(["a" * 4001], ["b" * 4000]),
    lambda: _lumra.within_damerau_distance_paths(("ab", "ba"), ["ba"], 1),
    lambda: _lumra.ratio_paths(["abc"], ["abd"], score_cutoff=0.5),
    lambda: _lumra._cdist_distance(["ab", "c"], ["a", "bc"], score_cutoff=1),
    lambda: _lumra._cdist_normalized_similarity(["ab", "c"], ["a", "bc"]),
    lambda: _lumra._cdist_normalized_distance(["ab"], ["a"], score_cutoff=7.0),
    lambda: _lumra._partial_ratio_alignment("abc", "xxabcxx", 5),
    lambda: _lumra._partial_distance_alignment("abc", "xyz", 5, score_cutoff=0),
    lambda: _lumra._partial_ratio_alignment("abc", "xabc", 5, score_cutoff=1.5),
    lambda: _lumra.damerau_distance("ab" * 300, "ba" * 300),  # computed without the lock
    lambda: _lumra.normalized_distance("ab", "ba", score_cutoff=0.1),
    lambda: _lumra.ratio("ab", "ba"),
    lambda: _lumra.normalized_distance_paths(["ab"], [], score_cutoff=0.1),
    lambda: _lumra.normalized_similarity_paths(["ab", ""], ["ba"], score_cutoff=0.1),
    lambda: _lumra.damerau_distance_paths(["ab", ""], ["ba"]),
    lambda: _lumra.within_distance_paths(["ab"], ["ba"], -1),
    lambda: _lumra._cdist_damerau_distance(["ab", "c"], ["a", 7]),
    lambda: _lumra._cdist_combined_distance(["ab", "c"], ["a"], score_cutoff=True),
    lambda: _lumra._cdist_distance(iter(["ab"] * 70), ["a", "bc"]),  # two blocks of rows
    lambda: _lumra._partial_distance_alignment("abc", "xabcx", 2**64),
    lambda: _lumra._partial_distance_alignment("a" * 5000, "b" * 5000, 5000),  # state limit
]

# One dictionary of each class, loaded once; its methods on success and on
# every kind of failure (reading, option limits, cutoffs, arguments).
_PAYLOADS = pathlib.Path(tempfile.mkdtemp(prefix="lumra-leaks-"))
JA = _lumra.JapaneseDictionary.load_payload(write_payload(
    _PAYLOADS / "ja.yaml", JA_PAYLOAD_TYPE, {"東京": ["とうきょう"], "日": ["ひ", "にち"]}))
ZH = _lumra.ChineseDictionary.load_payload(write_payload(
    _PAYLOADS / "zh.yaml", ZH_PAYLOAD_TYPE, {"中国": ["zhongguo"], "中": ["zhong"]},
    pinyin_view="no-tone"))

for _d, _known, _unknown in ((JA, "東京", "漢"), (ZH, "中国", "é")):
    CALLS += [
        lambda d=_d, k=_known: d.distance(k, "toukyou", score_cutoff=2),
        lambda d=_d, k=_known: d.damerau_distance(k, k, max_paths=3, longest_only=True),
        lambda d=_d, k=_known: d.combined_distance(k, "x", score_cutoff=1),
        lambda d=_d, k=_known: d.within_distance(k, "zhongguo", 2),
        lambda d=_d, k=_known: d.within_damerau_distance(k, "zhongguo", 0),
        lambda d=_d, k=_known: d.normalized_similarity(k, "a", score_cutoff=0.5),
        lambda d=_d, k=_known: d.normalized_distance(k, "a"),
        lambda d=_d, k=_known: d.ratio(k, k, max_readings_per_segment=1),
        lambda d=_d, k=_known: d._cdist_distance([k, "a"], [k], score_cutoff=1),
        lambda d=_d, k=_known: d._cdist_damerau_distance([k], [k, "b"]),
        lambda d=_d, k=_known: d._cdist_combined_distance([k], [k]),
        lambda d=_d, k=_known: d._cdist_normalized_similarity([k], [k, "a"]),
        lambda d=_d, k=_known: d._cdist_normalized_distance([k], [k], score_cutoff=0.2),
        lambda d=_d, u=_unknown: d.distance(u, "a"),
        lambda d=_d, u=_unknown: d._cdist_distance(["a"], ["b", u]),
        lambda d=_d, u=_unknown: d.ratio("a", u),
        lambda d=_d: d.distance("a", "b", max_paths=10**6),
        lambda d=_d: d.distance("a", "b", max_span_chars=Broken()),
        lambda d=_d: d.normalized_similarity("a", "b", score_cutoff=2.0),
        lambda d=_d: d._cdist_normalized_distance(["a"], ["b"], score_cutoff=-1.0),
        lambda d=_d: d.combined_distance("a", "b", score_cutoff=-1),
        lambda d=_d: d._cdist_distance(BadSequence(), ["a"]),
        lambda d=_d: d.within_distance("a", "b"),
        lambda d=_d: d.distance("a", "b", nope=1),
    ]
CALLS += [
    lambda: _lumra.JapaneseDictionary.load_payload(str(_PAYLOADS / "missing.yaml")),
    lambda: _lumra.JapaneseDictionary.load_payload(str(_PAYLOADS / "ja.yaml"), "binary"),
    lambda: _lumra.JapaneseDictionary.load_payload(str(_PAYLOADS / "ja.yaml"), "nope"),
    lambda: _lumra.JapaneseDictionary.load_payload(str(_PAYLOADS / "ja.yaml")),
    lambda: _lumra.ChineseDictionary.load_payload(str(_PAYLOADS / "ja.yaml")),
    lambda: _lumra.ChineseDictionary.load_payload(str(_PAYLOADS / "zh.yaml")),
    lambda: _lumra.ChineseDictionary.load_payload(str(_PAYLOADS), "indexed"),
    lambda: _lumra.JapaneseDictionary.load_payload(b"ja.yaml"),
]


# YAML payloads along each road through the fast reader: read by it
# whole, refused by the decoder after it, handed over to libyaml that reads
# them, and handed over to libyaml that refuses them.
_BLOCK = ("schema_version: 1\npayload_type: {}\n{}entries:\n- surface: {}\n  readings:\n"
          "  - {}\n- surface: '{}'\n  readings: [{}]\n")
for _cls, _name, _type, _extra, _entries in (
        (_lumra.JapaneseDictionary, "ja", JA_PAYLOAD_TYPE, "", ("東京", "とうきょう", "日", "ひ, にち")),
        (_lumra.ChineseDictionary, "zh", ZH_PAYLOAD_TYPE, "pinyin_view: no-tone\n",
         ("中国", "zhongguo", "中", "zhong"))):
    _text = _BLOCK.format(_type, _extra, *_entries)
    for _suffix, _edited in (("fast", _text),
                             ("refused", _text.replace("schema_version: 1", "schema_version: 2")),
                             ("anchored", _text.replace("payload_type:", "payload_type: &t")),
                             ("tabbed", "\t" + _text)):
        _path = _PAYLOADS / f"{_name}-{_suffix}.yaml"
        _path.write_text(_edited, encoding="utf-8")
        CALLS.append(lambda c=_cls, p=str(_path): c.load_payload(p))

# Lattices built compact that outgrow the search's state limit (4003 and
# 4001 nodes a side), and romaji strings beyond their limit.
CALLS += [
    lambda: JA.distance("東京" + "し" * 799, "東京" + "し" * 799),
    lambda: ZH._cdist_distance(["中" * 800], ["中" * 800]),
    lambda: JA.ratio("東京" + "しゃしゅしょ" * 4, "a"),
]




# Indexed and binary payloads of both languages, whole and cut short. The
# debug interpreter of dev/leaks cannot import the release-built writer, so
# a release interpreter writes them in a child process then.
def _indexed_payload(language, entries, **extra):
    kind = JA_PAYLOAD_TYPE if language == "ja" else ZH_PAYLOAD_TYPE
    source = write_payload(_PAYLOADS / f"{language}-source.yaml", kind, entries, **extra)
    target = str(_PAYLOADS / f"{language}.indexed")
    try:
        import _lumra_payload_writer
        _lumra_payload_writer.write_indexed(language, source, target)
    except ImportError:
        release = pathlib.Path(__file__).resolve().parents[2] / "build" / "python"
        write = "import sys, _lumra_payload_writer; _lumra_payload_writer.write_indexed(*sys.argv[1:])"
        subprocess.run(["python3", "-c", write, language, source, target], check=True,
                       env={**os.environ, "PYTHONPATH": str(release)})
    data = pathlib.Path(target).read_bytes()
    cut = _PAYLOADS / f"{language}-cut.indexed"
    cut.write_bytes(data[: len(data) * 2 // 3])
    return target, str(cut)


_GYOU = {"行": ["いく", "こう"], "東京": ["とうきょう"], "日": ["ひ", "にち"]}
_JA_INDEXED, _JA_CUT = _indexed_payload("ja", _GYOU)
_ZH_INDEXED, _ZH_CUT = _indexed_payload("zh", {"行": ["xing", "hang"], "中国": ["zhongguo"]},
                                        pinyin_view="no-tone")
_JA_BINARY = binary_payload(_PAYLOADS / "ja.bin", _GYOU)
(_PAYLOADS / "ja-cut.bin").write_bytes(pathlib.Path(_JA_BINARY).read_bytes()[:-3])
JA_INDEXED = _lumra.JapaneseDictionary.load_payload(_JA_INDEXED, "indexed")
ZH_INDEXED = _lumra.ChineseDictionary.load_payload(_ZH_INDEXED, "indexed")
CALLS += [
    lambda: _lumra.JapaneseDictionary.load_payload(_JA_INDEXED, "indexed"),
    lambda: _lumra.JapaneseDictionary.load_payload(_JA_CUT, "fst"),
    lambda: _lumra.JapaneseDictionary.load_payload(_ZH_INDEXED, "indexed"),
    lambda: _lumra.JapaneseDictionary.load_payload(_JA_BINARY, "binary"),
    lambda: _lumra.JapaneseDictionary.load_payload(str(_PAYLOADS / "ja-cut.bin"), "binary"),
    lambda: _lumra.ChineseDictionary.load_payload(_ZH_INDEXED, "indexed"),
    lambda: _lumra.ChineseDictionary.load_payload(_ZH_CUT, "indexed"),
]

# The span alignments by readings, on every outcome: an alignment, none,
# a query without readings, option, argument and cutoff errors, spans
# passed over unconverted, and the state limit of the distance form; and
# the string form's searches over many readings or ASCII words.
for _d, _known, _other, _unknown in ((JA_INDEXED, "行", "東京", "漢"),
                                     (ZH_INDEXED, "行", "中国", "é")):
    CALLS += [
        lambda d=_d, k=_known, o=_other: d._partial_distance_alignment(k, "xx" + k + o, 0),
        lambda d=_d, k=_known: d._partial_ratio_alignment(k, k * 3, 2, score_cutoff=0.5),
        lambda d=_d, k=_known: d._partial_ratio_alignment(k, k, 2, score_cutoff=1.5),
        lambda d=_d, k=_known, u=_unknown: d._partial_distance_alignment(u, k, 2),
        lambda d=_d, k=_known, u=_unknown: d._partial_distance_alignment(k, u * 3, 2),
        lambda d=_d, k=_known: d._partial_ratio_alignment(k, k, 2, max_paths=10**6),
        lambda d=_d, k=_known: d._partial_distance_alignment(k, k, Broken()),
        lambda d=_d, k=_known: d._partial_ratio_alignment(k, k * 14, 14, max_paths=16384),
        lambda d=_d, k=_known: d._partial_distance_alignment(k, k * 14, 14, max_paths=16384),
        lambda d=_d, k=_known: d._partial_distance_alignment(k * 8, k * 14, 14, max_paths=16384),
        lambda d=_d, k=_known, o=_other: d.normalized_similarity(k * 9, k * 8 + o, max_paths=4096),
        lambda d=_d, k=_known: d._cdist_normalized_distance([k * 6, "abc" + k], ["x" + k * 5]),
        lambda d=_d, k=_known, o=_other: d.ratio("Tokyo " + o + k, "toukyou"),
    ]


class Stop(Exception):
    pass


def _stop(signum, frame):
    raise Stop


def interrupted(call):
    """`call` stopped by a signal handler that raises a few milliseconds
    into it (the handler's exception is swallowed by run())."""
    def stopped():
        previous = signal.signal(signal.SIGALRM, _stop)
        try:
            signal.setitimer(signal.ITIMER_REAL, 0.001)
            call()
        finally:
            signal.setitimer(signal.ITIMER_REAL, 0)
            signal.signal(signal.SIGALRM, previous)
    return stopped


CALLS += [
    interrupted(lambda: _lumra._cdist_distance(["ab" * 300] * 40, ["ba" * 300] * 40)),
    interrupted(lambda: JA._cdist_distance(["日東京" * 30] * 20, ["ひとうきょう" * 30] * 20)),
    interrupted(lambda: JA_INDEXED._partial_distance_alignment("行" * 9, "行" * 200, 12)),
]


def run(call):
    try:
        call()
    except Exception:
        pass


def rounds(call, most):
    """`most`, or fewer for a call so slow that `most` of them would take
    more than a second; never under 100, where a leak of one block or
    reference a call still shows."""
    start = time.perf_counter()
    run(call)
    return max(100, min(most, int(1.0 / max(time.perf_counter() - start, 1e-9))))


@pytest.mark.parametrize("call", CALLS)
def test_repeated_calls_leave_nothing_allocated(call):
    if hasattr(sys, "gettotalrefcount"):
        pytest.skip("a debug interpreter's own bookkeeping allocates blocks; "
                    "test_repeated_calls_leave_no_references counts references there")
    count = rounds(call, 2000)
    for _ in range(count // 10):  # warm caches, interned strings and free lists
        run(call)
    gc.collect()
    before = sys.getallocatedblocks()
    for _ in range(count):
        run(call)
    gc.collect()
    assert sys.getallocatedblocks() - before < 50


# On a debug interpreter (dev/leaks builds the module against its headers),
# the total of all reference counts tells a leaked reference apart from a
# cached object: it must come back to where it was.
@pytest.mark.skipif(not hasattr(sys, "gettotalrefcount"), reason="needs a debug interpreter")
@pytest.mark.parametrize("call", CALLS)
def test_repeated_calls_leave_no_references(call):
    for _ in range(50):
        run(call)
    gc.collect()
    grown = []
    count = rounds(call, 500)
    for _ in range(3):
        before = sys.gettotalrefcount()
        for _ in range(count):
            run(call)
        gc.collect()
        grown.append(sys.gettotalrefcount() - before)
    # A leak grows every round by at least one reference a call; a cache
    # settles after the first.
    assert min(grown) < 10, grown


def _resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * resource.getpagesize()


def test_resident_memory_stays_flat_over_a_million_calls():
    cheap = CALLS[:30] + [
        lambda: JA.distance("東京", "toukyou"),
        lambda: ZH._cdist_distance(["中国"], ["zhongguo", "a"]),
        lambda: JA.distance("漢", "a"),
    ]
    rounds = 1_000_000 // len(cheap) // 10
    for _ in range(rounds):  # warm up: free lists, caches, arenas
        for call in cheap:
            run(call)
    gc.collect()
    before = _resident_bytes()
    for _ in range(rounds * 9):
        for call in cheap:
            run(call)
    gc.collect()
    # A leak of even one byte a call would show as a megabyte.
    assert _resident_bytes() - before < 1_000_000


# Runs in a child process whose address space is capped just above what it
# uses: converting one long text (four bytes a character, against one in the
# str) then fails with std::bad_alloc in the middle of iterating the list.
OUT_OF_MEMORY_CHILD = """
import resource, sys
sys.path[:0] = {path!r}
import _lumra

def address_space():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmSize:"):
                return int(line.split()[1]) * 1024

big = "a" * 50_000_000
paths = [big]
before = sys.getrefcount(paths), sys.getrefcount(big)
resource.setrlimit(resource.RLIMIT_AS, (address_space() + 100_000_000, resource.RLIM_INFINITY))
for call in ({calls}):
    try:
        call()
    except MemoryError:
        pass
    else:
        sys.exit("no MemoryError")
    after = sys.getrefcount(paths), sys.getrefcount(big)
    if after != before:
        sys.exit(f"references before {{before}}, after {{after}}")
"""


@pytest.mark.skipif("libasan" in pathlib.Path("/proc/self/maps").read_text(),
                    reason="AddressSanitizer reserves the address space a limit would cap")
@pytest.mark.parametrize(
    "calls",
    ["lambda: _lumra.distance_paths(paths, ['a']),",
     "lambda: _lumra._cdist_distance(paths, ['a']),"],
    ids=["distance_paths", "_cdist_distance"],
)
def test_running_out_of_memory_while_converting_releases_every_reference(calls):
    child = OUT_OF_MEMORY_CHILD.format(path=sys.path, calls=calls)
    done = subprocess.run([sys.executable, "-c", child], capture_output=True, text=True,
                          timeout=120)
    assert done.returncode == 0, done.stderr
