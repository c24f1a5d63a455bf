"""Long, ambiguous texts cost bounded memory: each call runs in a child
process whose address space is capped, and must answer in time."""

import os
import pathlib
import subprocess
import sys
import textwrap

import pytest

import _lumra

from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, write_payload

# AddressSanitizer reserves terabytes of address space for its shadow, which
# any cap on it refuses.
pytestmark = pytest.mark.skipif(
    "libasan" in pathlib.Path("/proc/self/maps").read_text(),
    reason="AddressSanitizer reserves the address space a limit would cap",
)

# The module itself, the interpreter and the index take about 100 MB of
# address space; a text of 16,000 characters with every position holding
# max_paths readings once took over a gigabyte.
ADDRESS_SPACE = 600 * 2**20
SECONDS = 60  # generous: the machine may be loaded

CHILD = textwrap.dedent(
    """
    import resource, sys
    resource.setrlimit(resource.RLIMIT_AS, ({limit}, {limit}))
    import _lumra
    d = getattr(_lumra, sys.argv[1]).load_payload(sys.argv[2])
    try:
        print(repr(getattr(d, sys.argv[3])(sys.argv[4], sys.argv[5])))
    except ValueError as error:
        print("ValueError:", error)
    """
).format(limit=ADDRESS_SPACE)


def run_capped(*args):
    done = subprocess.run(
        [sys.executable, "-c", CHILD, *args],
        capture_output=True,
        text=True,
        timeout=SECONDS,
        env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)},
    )
    assert done.returncode == 0, done.stderr[-2000:]
    return done.stdout.strip()


@pytest.fixture(scope="module")
def payloads(tmp_path_factory):
    folder = tmp_path_factory.mktemp("long")
    return {
        "JapaneseDictionary": write_payload(
            folder / "ja.yaml", JA_PAYLOAD_TYPE, {"日": ["ひ", "にち"], "日本": ["にほん"]}
        ),
        "ChineseDictionary": write_payload(
            folder / "zh.yaml", ZH_PAYLOAD_TYPE, {"行": ["xing", "hang"], "银行": ["yinhang"]}, pinyin_view="no-tone"
        ),
    }


def within_reading_bounds(answer, long_reading):
    # Between the length difference and the distance to one of the readings.
    return len(long_reading) - 7 <= int(answer) <= _lumra.distance("yinhang", long_reading)


@pytest.mark.parametrize(
    ("cls", "method", "left", "right", "expected"),
    [
        # 1024 readings of 16,000 characters each are far more lattice nodes
        # than any search takes; found out by counting, not by building.
        ("JapaneseDictionary", "distance", "日" * 16000, "日本", "ValueError: distance matrix"),
        # Over 1024 input characters: the string form's limit.
        ("JapaneseDictionary", "normalized_similarity", "日" * 16000, "日本", "ValueError: romaji expansion exceeded"),
        # The pinyin strings share their prefixes and suffixes, so their
        # lattice is small and the distance is computed.
        ("ChineseDictionary", "distance", "行" * 16000, "银行", "xing" * 16000),
        ("ChineseDictionary", "distance", "行" * 16000 + "a", "银行", "xing" * 16000 + "a"),
    ],
    ids=["ja-distance", "ja-similarity", "zh-distance", "zh-distance-raw-run"],
)
def test_long_ambiguous_text(payloads, cls, method, left, right, expected):
    answer = run_capped(cls, payloads[cls], method, left, right)
    if cls == "ChineseDictionary":
        assert within_reading_bounds(answer, expected), answer
    else:
        assert answer.startswith(expected), answer
