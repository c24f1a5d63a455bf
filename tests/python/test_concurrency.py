"""Many threads at once: every function, and every method of one shared
dictionary of each class, gives what it gives when called alone.

Computations run with the interpreter lock released, so the threads really
overlap inside the module; any state shared between calls (a workspace, a
cache in an index) would show up as a wrong or failed result.
"""

import pathlib
import random
import sys
import threading

import pytest

import _lumra
import _lumra_payload_writer
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
    mismatches = hammer(calls, expected, rounds=ROUNDS)
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


# Dictionaries whose readings branch at almost every character (several
# readings a surface, surfaces overlapping), so that the lattices are the
# compact ones built from shared tails and spelling tries.
AMBIGUOUS = {
    "ja": ({"日本": ["にほん", "にっぽん"], "日": ["ひ", "にち", "じつ"], "本": ["ほん", "もと"],
            "東京": ["とうきょう"], "東": ["ひがし", "とう"], "京": ["きょう", "けい"],
            "今日": ["きょう", "こんにち"], "今": ["いま", "こん"], "行": ["いく", "ぎょう"]}, {}),
    "zh": ({"中国": ["zhongguo"], "中": ["zhong", "chong"], "国": ["guo"], "国行": ["guohang"],
            "行": ["xing", "hang"], "长": ["chang", "zhang"], "长行": ["changxing"]},
           {"pinyin_view": "no-tone"}),
}
CLASSES = {"ja": _lumra.JapaneseDictionary, "zh": _lumra.ChineseDictionary}
PAYLOAD_TYPES = {"ja": JA_PAYLOAD_TYPE, "zh": ZH_PAYLOAD_TYPE}


def block_payload(path, language):
    """The payload in the plain block style that the fast YAML reader takes
    (write_payload's JSON form is read by libyaml alone)."""
    entries, extra = AMBIGUOUS[language]
    lines = ["---", "schema_version: 1", f"payload_type: {PAYLOAD_TYPES[language]}"]
    lines += [f"{key}: '{value}'" for key, value in extra.items()]
    lines.append("entries:  # every surface once")
    for i, (surface, readings) in enumerate(entries.items()):
        lines.append(f'- surface: "{surface}"')
        if i % 2:
            lines.append(f"  readings: [{', '.join(readings)}]")
        else:
            lines += ["  readings:"] + [f"  - {reading}" for reading in readings]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return str(path)


def payload_files(where, language):
    """The same entries in every way a payload is read: the fast YAML
    reader, libyaml after the fast reader gives up, and the indexed form."""
    entries, extra = AMBIGUOUS[language]
    json_path = write_payload(where / f"{language}.json.yaml", PAYLOAD_TYPES[language], entries,
                              **extra)
    indexed_path = str(where / f"{language}.indexed")
    _lumra_payload_writer.write_indexed(language, json_path, indexed_path)
    return {"block": (block_payload(where / f"{language}.block.yaml", language), "yaml"),
            "json": (json_path, "yaml"), "indexed": (indexed_path, "indexed")}


# Texts that build large compact lattices, and calls at the limits, whose
# errors the threads raise at the same time.
ATTACK_TEXTS = {
    "ja": ["日本東京今日行く", "にっぽんとうきょう" * 2, "日本" * 12, "今日行く日本", "しゃしゅしょ" * 4,
           "東京", "ゑ", ""],
    "zh": ["中国行长" * 8, "zhongguohangxing", "行" * 300, "长行国行中", "国", "é", ""],
}
LIMIT_CALLS = {
    "ja": [("distance", ("し" * 4000, "し" * 160), {}),
           ("normalized_similarity", ("日" * 14, "hi"), {"max_paths": 16384}),
           ("distance", ("日本" * 9, "nihon"), {"max_paths": 16384}),
           ("distance", ("a", "b"), {"max_paths": 16385})],
    "zh": [("distance", ("行" * 3000, "xing"), {"max_paths": 16384}),
           ("_cdist_distance", (["中国行" * 50], ["长"]), {"max_span_chars": 256}),
           ("ratio", ("中国", "zhongguo"), {"max_readings_per_segment": 257})],
}


def attack_calls(d, language):
    rng = random.Random(3)
    texts = ATTACK_TEXTS[language]
    calls = dictionary_calls(d, texts, rng)
    calls += [(getattr(d, name), args, kwargs) for name, args, kwargs in LIMIT_CALLS[language]]
    calls.append((d._partial_ratio_alignment, (texts[3][:2], texts[0], 4), {}))
    calls.append((d._partial_distance_alignment, (texts[1][:6], texts[1], 10), {}))
    return calls


def hammer(calls, expected, threads=THREADS, rounds=1, also=None):
    """Runs every call from `threads` threads in shuffled orders (and
    `also()` on one more thread); the calls whose outcome differed from
    `expected`."""
    start = threading.Barrier(threads + (also is not None))
    mismatches = []

    def worker(seed):
        order = list(range(len(calls)))
        random.Random(seed).shuffle(order)
        start.wait()
        for _ in range(rounds):
            for i in order:
                function, args, kwargs = calls[i]
                got = outcome(lambda: function(*args, **kwargs))
                if got != expected[i]:
                    mismatches.append((function.__name__, args, kwargs, got, expected[i]))

    def other():
        start.wait()
        also()

    workers = [threading.Thread(target=worker, args=(seed,)) for seed in range(threads)]
    if also is not None:
        workers.append(threading.Thread(target=other))
    for thread in workers:
        thread.start()
    for thread in workers:
        thread.join()
    return mismatches


@pytest.fixture(scope="module", params=["ja", "zh"])
def language_payloads(request, tmp_path_factory):
    return request.param, payload_files(tmp_path_factory.mktemp(request.param), request.param)


@pytest.mark.parametrize("source", ["block", "json", "indexed"])
def test_one_dictionary_of_each_payload_form_answers_threads_alike(language_payloads, source):
    language, files = language_payloads
    cls = CLASSES[language]
    reference = cls.load_payload(*files["block"])
    d = cls.load_payload(*files[source])
    expected = [outcome(lambda c=c: c[0](*c[1], **c[2])) for c in attack_calls(reference, language)]
    calls = attack_calls(d, language)
    # The payload forms agree with each other, call for call.
    assert [outcome(lambda c=c: c[0](*c[1], **c[2])) for c in calls] == expected
    assert sum(isinstance(e, tuple) for e in expected) >= 4  # errors raised together
    mismatches = hammer(calls, expected)
    assert not mismatches, mismatches[:3]


def test_loading_in_threads_while_others_query(language_payloads, tmp_path):
    language, files = language_payloads
    cls = CLASSES[language]
    d = cls.load_payload(*files["block"])
    calls = attack_calls(d, language)[::3]
    expected = [outcome(lambda c=c: c[0](*c[1], **c[2])) for c in calls]
    block = pathlib.Path(files["block"][0]).read_text(encoding="utf-8")
    # Refused by the decoder behind the fast reader, and by libyaml itself.
    broken = [(str(tmp_path / name), "yaml") for name in ("version.yaml", "unclosed.yaml")]
    pathlib.Path(broken[0][0]).write_text(block.replace("schema_version: 1", "schema_version: 2"))
    pathlib.Path(broken[1][0]).write_text(block.replace("readings: [", "readings: [[", 1))
    probe = ATTACK_TEXTS[language][3:5]
    loaded = []

    def load_again_and_again():
        for _ in range(4):
            for path, payload_format in [*files.values(), *broken]:
                fresh = outcome(lambda: cls.load_payload(path, payload_format))
                loaded.append(fresh if isinstance(fresh, tuple)
                              else outcome(lambda: fresh._cdist_combined_distance(probe, probe)))

    mismatches = hammer(calls, expected, threads=THREADS - 1, also=load_again_and_again)
    assert not mismatches, mismatches[:3]
    good = d._cdist_combined_distance(probe, probe)
    assert loaded.count(good) == 3 * 4
    assert all(x[0] == "ValueError" for x in loaded if x != good), loaded
