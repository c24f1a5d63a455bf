"""Many threads at once: every function, and every method of one shared
dictionary of each class, gives what it gives when called alone.

Computations run with the interpreter lock released, so the threads really
overlap inside the module; any state shared between calls (a workspace, a
cache in an index) would show up as a wrong or failed result.
"""

import random
import sys
import threading

import pytest

import _lumra
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, outcome, write_payload

THREADS = 8
ROUNDS = 3


def _texts(rng, alphabet, count, longest):
    return ["".join(rng.choice(alphabet) for _ in range(rng.randint(0, longest)))
            for _ in range(count)]


def module_calls(rng):
    """Calls of every module function: short operands (kept under the lock),
    long ones (computed without it) and failing ones."""
    short = _texts(rng, "abcé中", 6, 12)
    long = _texts(rng, "abcdefgh", 4, 900)
    calls = []
    for a, b in zip(short + long, short[1:] + long[1:] + short[:1]):
        for name in ("distance", "damerau_distance", "combined_distance"):
            calls.append((name, (a, b), {"score_cutoff": rng.choice([None, 0, 5, 2**64 - 1])}))
        for name in ("normalized_distance", "normalized_similarity", "ratio"):
            calls.append((name, (a, b), {"score_cutoff": rng.choice([None, 0.3, 1.0, 1.5])}))
        calls.append(("_partial_distance_alignment", (a[:20], b, 30), {}))
        calls.append(("_partial_ratio_alignment", (a[:20], b, 0), {"score_cutoff": 0.2}))
    for left, right in ((short[:3], long[:2]), (long, short), ([], short), ([""], ["", "a"])):
        for name in ("distance_paths", "damerau_distance_paths"):
            calls.append((name, (left, right), {"score_cutoff": rng.choice([None, 3])}))
        for name in ("normalized_distance_paths", "normalized_similarity_paths", "ratio_paths"):
            calls.append((name, (left, right), {}))
        for name in ("within_distance_paths", "within_damerau_distance_paths"):
            calls.append((name, (left, right, 4), {}))
    for name in ("_cdist_distance", "_cdist_damerau_distance", "_cdist_combined_distance"):
        calls.append((name, (short + long, long + short), {"score_cutoff": 40}))
        calls.append((name, (short * 30, short), {}))
    for name in ("_cdist_normalized_distance", "_cdist_normalized_similarity"):
        calls.append((name, (short + long, short), {"score_cutoff": 0.5}))
        calls.append((name, (short, short), {"score_cutoff": -1.0}))
    return [(getattr(_lumra, name), args, kwargs) for name, args, kwargs in calls]


def dictionary_calls(d, texts, rng):
    calls = []
    for a, b in zip(texts, texts[1:] + texts[:1]):
        for name in ("distance", "damerau_distance", "combined_distance"):
            calls.append((name, (a, b), {"score_cutoff": rng.choice([None, 1, 6])}))
        for name in ("normalized_similarity", "normalized_distance", "ratio"):
            calls.append((name, (a, b), {"max_paths": rng.choice([None, 2])}))
        for name in ("within_distance", "within_damerau_distance"):
            calls.append((name, (a, b, 3), {"longest_only": rng.choice([None, True])}))
    for name in ("_cdist_distance", "_cdist_damerau_distance", "_cdist_combined_distance",
                 "_cdist_normalized_similarity", "_cdist_normalized_distance"):
        calls.append((name, (texts, texts), {}))
    return [(getattr(d, name), args, kwargs) for name, args, kwargs in calls]


@pytest.fixture(scope="module")
def dictionaries(tmp_path_factory):
    where = tmp_path_factory.mktemp("concurrency")
    ja = _lumra.JapaneseDictionary.load_payload(write_payload(
        where / "ja.yaml", JA_PAYLOAD_TYPE,
        {"東京": ["とうきょう"], "日本": ["にほん", "にっぽん"], "京都": ["きょうと"],
         "行": ["いく", "おこなう", "ぎょう"]}))
    zh = _lumra.ChineseDictionary.load_payload(write_payload(
        where / "zh.yaml", ZH_PAYLOAD_TYPE,
        {"中国": ["zhongguo"], "中": ["zhong"], "国": ["guo"],
         "行": ["xing", "hang"], "长": ["chang", "zhang"]}, pinyin_view="no-tone"))
    return ja, zh


def all_calls(dictionaries):
    rng = random.Random(16)
    ja, zh = dictionaries
    ja_texts = ["東京", "とうきょう", "日本に行く", "にっぽん" * 20, "京都東京" * 10, "x", "Ω"]
    zh_texts = ["中国", "zhongguo", "中国行" * 10, "长", "长中", "é", ""]
    return module_calls(rng) + dictionary_calls(ja, ja_texts, rng) + dictionary_calls(zh, zh_texts, rng)


def test_threads_get_what_one_thread_gets(dictionaries):
    calls = all_calls(dictionaries)
    expected = [outcome(lambda c=c: c[0](*c[1], **c[2])) for c in calls]
    assert any(isinstance(e, tuple) for e in expected)  # error paths take part too
    start = threading.Barrier(THREADS)
    mismatches = []

    def worker(seed):
        order = list(range(len(calls)))
        random.Random(seed).shuffle(order)
        start.wait()
        for _ in range(ROUNDS):
            for i in order:
                function, args, kwargs = calls[i]
                got = outcome(lambda: function(*args, **kwargs))
                if got != expected[i]:
                    mismatches.append((function, args, kwargs, got, expected[i]))

    threads = [threading.Thread(target=worker, args=(seed,)) for seed in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not mismatches, mismatches[:3]


def test_subinterpreters_compute_alongside_the_main_one():
    # Each interpreter has its own module and lock; long calls in both at
    # once, on threads of their own, long enough to check for signals.
    interpreters = pytest.importorskip("concurrent.interpreters")
    left, right = "ab" * 20000, "ba" * 20000
    expected = _lumra.distance(left, right)
    failures = []

    def in_subinterpreter():
        interpreter = interpreters.create()
        try:
            interpreter.exec(
                f"import sys; sys.path[:0] = {sys.path!r}; import _lumra\n"
                f"assert _lumra.distance({left!r}, {right!r}) == {expected}\n"
                f"assert _lumra._cdist_distance(['ab'] * 100, ['ba']) == [[2]] * 100\n")
        except Exception as error:  # reported below, with the main thread's
            failures.append(error)
        finally:
            interpreter.close()

    threads = [threading.Thread(target=in_subinterpreter) for _ in range(2)]
    for thread in threads:
        thread.start()
    assert _lumra.distance(left, right) == expected
    for thread in threads:
        thread.join()
    assert not failures, failures
