"""Failing and succeeding calls must not leave objects behind.

Every rejected argument, every error raised from a computation and every
result goes through reference-counting code written by hand; a missed
decrement shows up as blocks that stay allocated after many calls.
"""

import gc
import subprocess
import sys

import pytest

import _lumra


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
]


def run(call):
    try:
        call()
    except Exception:
        pass


@pytest.mark.parametrize("call", CALLS)
def test_repeated_calls_leave_nothing_allocated(call):
    for _ in range(200):  # warm caches, interned strings and free lists
        run(call)
    gc.collect()
    before = sys.getallocatedblocks()
    for _ in range(2000):
        run(call)
    gc.collect()
    assert sys.getallocatedblocks() - before < 50


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


@pytest.mark.skipif("libasan" in open("/proc/self/maps").read(),
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
