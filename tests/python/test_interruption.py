"""Ctrl-C stops long calls promptly.

Each case runs in a child interpreter: it starts a call that would take many
seconds, the parent sends SIGINT half a second later, and the child reports
when KeyboardInterrupt reached it (CLOCK_MONOTONIC is shared by processes).
The bound is generous for a loaded two-core machine; without the checks the
signal is only seen when the call returns.
"""

import os
import pathlib
import signal
import subprocess
import sys
import textwrap
import time

import pytest

HERE = pathlib.Path(__file__).resolve().parent

# Seconds from the signal to KeyboardInterrupt in the child.
LATENCY_BOUND = 1.5

JA_SETUP = """
from dictionary_support import JA_PAYLOAD_TYPE, write_payload
kana = "あいうえおかきくけこさしすせそたちつてと"
path = write_payload(pathlib.Path(workdir) / "ja.yaml", JA_PAYLOAD_TYPE,
                     {"東京": ["とうきょう"], "日本": ["にほん", "にっぽん"]})
d = _lumra.JapaneseDictionary.load_payload(path)
"""

ZH_SETUP = """
from dictionary_support import ZH_PAYLOAD_TYPE, write_payload
path = write_payload(pathlib.Path(workdir) / "zh.yaml", ZH_PAYLOAD_TYPE,
                     {"中": ["zhong"], "国": ["guo"], "行": ["xing", "hang"]},
                     pinyin_view="no-tone")
d = _lumra.ChineseDictionary.load_payload(path)
"""

# 20000 surfaces sharing one record of 256 readings of 16 KiB: a 4 MiB file
# whose canonical text, which the bundle's checksum is taken over, holds the
# record once per surface, 80 GB. The load keeps the interpreter lock.
SHARED_RECORD_BUNDLE_SETUP = """
import hashlib
import _lumra_payload_writer
from bundle_support import write_bundle, write_metadata
bundle = pathlib.Path(workdir) / "bundle"
data = write_bundle(bundle, "ja", "indexed")
payload = bundle / "payload.indexed"
_lumra_payload_writer.write_shared_record(str(payload), 20000, 256, 16384)
data["payload"]["file_digest"] = hashlib.sha256(payload.read_bytes()).hexdigest()
data["build"]["entries"] = 20000
write_metadata(bundle / "metadata.yaml", data)
"""

# (setup, call): each call runs for many seconds when left alone.
LONG_CALLS = {
    "cdist_distance": (
        "qs = [random_text(60) for _ in range(6000)]",
        "_lumra._cdist_distance(qs, qs)",
    ),
    "cdist_long_words": (
        "qs = [random_text(400) for _ in range(600)]",
        "_lumra._cdist_normalized_similarity(qs, qs)",
    ),
    "distance_long_strings": (
        "a, b = random_text(400_000), random_text(400_000)",
        "_lumra.distance(a, b)",
    ),
    "partial_ratio_alignment": (
        "q, t = random_text(200), random_text(400_000)",
        "_lumra._partial_ratio_alignment(q, t, 400)",
    ),
    "partial_distance_alignment": (
        "q, t = random_text(3000), random_text(60_000)",
        "_lumra._partial_distance_alignment(q, t, 5000)",
    ),
    "japanese_cdist": (
        JA_SETUP + "qs = [''.join(random.choice(kana) for _ in range(40)) for _ in range(600)]",
        "d._cdist_distance(qs, qs)",
    ),
    # Most of this call is spent segmenting the left text, with up to 256
    # lookups at each of its positions; its lattice, built path after path
    # from where each differs from the one before, takes a fraction of that.
    "japanese_long_text": (
        JA_SETUP + "a = '日本' * 200000; b = 'にっぽん' * 100",
        "d.damerau_distance(a, b, max_span_chars=256)",
    ),
    # Most of this call is spent looking up every span of up to 256
    # characters of the left text.
    "chinese_long_text": (
        ZH_SETUP + "a = '行' * 100000",
        "d.distance(a, 'a', max_span_chars=256)",
    ),
    "bundle_of_one_shared_record": (
        SHARED_RECORD_BUNDLE_SETUP,
        "_lumra.JapaneseDictionary.load_bundle(str(bundle / 'metadata.yaml'))",
    ),
    # Thousands of reading strings a side: the best pair among them is the
    # long part.
    "chinese_reading_pairs": (
        """
from dictionary_support import ZH_PAYLOAD_TYPE, write_payload
path = write_payload(pathlib.Path(workdir) / "zh.yaml", ZH_PAYLOAD_TYPE,
                     {"中": ["zhong", "chong", "zong", "jong"], "国": ["guo", "kuo", "gwo"],
                      "中国": ["zhongguo", "zongguo"], "人": ["ren", "yin", "len"]},
                     pinyin_view="no-tone")
d = _lumra.ChineseDictionary.load_payload(path)
a = "中国人" * 4
""",
        "d.normalized_similarity(a, a[::-1], max_paths=16384)",
    ),
    "chinese_cdist": (
        ZH_SETUP + "qs = [''.join(random.choice('中国行') for _ in range(30)) for _ in range(3000)]",
        "d._cdist_combined_distance(qs, qs)",
    ),
}

CHILD = """
import os, pathlib, random, signal, sys, time
# A shell may start a background job with SIGINT ignored, and Python then
# leaves it so.
signal.signal(signal.SIGINT, signal.default_int_handler)
sys.path.insert(0, {here!r})
import _lumra
workdir = {workdir!r}
random.seed(7)
def random_text(n):
    return "".join(random.choice("abcdefgh") for _ in range(n))
{setup}
print("start", flush=True)
try:
    {call}
except KeyboardInterrupt:
    print("interrupted", time.monotonic(), flush=True)
else:
    print("finished", time.monotonic(), flush=True)
# The module is sound after the stop.
assert _lumra.distance("kitten", "sitting") == 3
assert _lumra._cdist_distance(["ab"] * 3, ["ba"] * 2) == [[2, 2]] * 3
print("sound", flush=True)
"""


def run_child(tmp_path, setup, call, signal_after=0.5, timeout=120):
    """Starts the call in a child, sends SIGINT `signal_after` seconds into
    it, and returns (the child's lines, the time the signal was sent)."""
    script = CHILD.format(here=str(HERE), workdir=str(tmp_path), setup=setup,
                          call=textwrap.indent(call, "    ").strip())
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True, env=dict(os.environ))
    try:
        assert child.stdout.readline().strip() == "start", child.stderr.read()
        time.sleep(signal_after)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=timeout)
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    assert child.returncode == 0, err
    return out.split("\n"), sent


@pytest.mark.parametrize("name", sorted(LONG_CALLS))
def test_keyboard_interrupt_stops_a_long_call_promptly(tmp_path, name):
    setup, call = LONG_CALLS[name]
    lines, sent = run_child(tmp_path, setup, call)
    outcome, seen = lines[0].split()
    assert outcome == "interrupted", f"{name} returned before the signal: make it longer"
    print(f"{name}: KeyboardInterrupt {float(seen) - sent:.3f}s after the signal")
    assert float(seen) - sent < LATENCY_BOUND
    assert lines[1] == "sound"


def test_a_handler_that_does_not_raise_lets_the_call_finish(tmp_path):
    # The handler runs during the call, and the result is what an
    # undisturbed call gives.
    setup = textwrap.dedent("""
        import signal
        seen = []
        signal.signal(signal.SIGINT, lambda *_: seen.append(time.monotonic()))
        qs = [random_text(60) for _ in range(4000)]
        expected = _lumra._cdist_distance(qs[:40], qs)
        """)
    call = textwrap.dedent("""
        began = time.monotonic()
        got = _lumra._cdist_distance(qs, qs)
        ended = time.monotonic()
        assert got[:40] == expected, "cells changed"
        assert len(seen) == 1 and began < seen[0] < ended, (began, seen, ended)
        """)
    lines, _ = run_child(tmp_path, setup, call, signal_after=0.3)
    assert lines[0].split()[0] == "finished"
    assert lines[1] == "sound"
