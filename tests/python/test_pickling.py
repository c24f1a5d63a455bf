"""Dictionaries loaded through lumra pickle by their source: class, loader,
path, format and digest; unpickling reuses the dictionary this process
already holds for that data, loads an unchanged file again, and refuses a
changed one."""

import copy
import os
import pickle
import signal

import pytest

import _lumra
import lumra
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, write_payload

JA = {"東京": ["とうきょう"], "東": ["ひがし", "とう"], "京": ["きょう"]}
ZH = {"中国": ["zhongguo"], "中": ["zhong"], "国": ["guo"]}
CASES = [
    (lumra.JapaneseDictionary, JA_PAYLOAD_TYPE, JA, {}, ("東京", "toukyou")),
    (lumra.ChineseDictionary, ZH_PAYLOAD_TYPE, ZH, {"pinyin_view": "no-tone"}, ("中国", "zhongguo")),
]
IDS = ["ja", "zh"]


@pytest.fixture(params=CASES, ids=IDS)
def loaded(request, tmp_path):
    cls, payload_type, entries, extra, pair = request.param
    path = write_payload(tmp_path / "payload.yaml", payload_type, entries, **extra)
    d = lumra.load_payload(cls, path)
    yield cls, path, d, pair
    lumra.forget(d)


def test_round_trip_in_process_gives_the_same_dictionary(loaded):
    cls, path, d, pair = loaded
    assert type(d) is cls
    assert pickle.loads(pickle.dumps(d)) is d
    assert copy.deepcopy(d) is d
    assert lumra.load_payload(cls, path) is d  # one object per source and process


def test_round_trip_after_forgetting_loads_the_file_again(loaded):
    cls, path, d, pair = loaded
    data = pickle.dumps(d)
    lumra.forget(d)
    again = pickle.loads(data)
    assert again is not d and type(again) is cls
    assert again.distance(*pair) == d.distance(*pair) == 0
    assert pickle.loads(data) is again
    lumra.forget(again)


def test_a_changed_file_is_refused(loaded):
    cls, path, d, pair = loaded
    data = pickle.dumps(d)
    lumra.forget(d)
    with open(path, "a", encoding="utf-8") as file:
        file.write("\n")  # the same entries, another file
    with pytest.raises(ValueError, match="changed since it was pickled"):
        pickle.loads(data)
    # A fresh load of the new file is a new source, and pickles as one.
    fresh = lumra.load_payload(cls, path)
    assert pickle.loads(pickle.dumps(fresh)) is fresh
    lumra.forget(fresh)


def test_a_missing_file_is_refused(loaded, tmp_path):
    cls, path, d, pair = loaded
    data = pickle.dumps(d)
    lumra.forget(d)
    os.rename(path, tmp_path / "elsewhere.yaml")
    with pytest.raises(ValueError, match="cannot unpickle the " + cls.__name__):
        pickle.loads(data)


def test_a_dictionary_loaded_by_the_module_directly_refuses_pickling(loaded):
    cls, path, d, pair = loaded
    with pytest.raises(TypeError, match=r"load it with lumra.load_payload\(lumra." + cls.__name__):
        pickle.dumps(cls.load_payload(path))


def test_load_errors_are_the_module_errors(tmp_path):
    missing = str(tmp_path / "missing.yaml")
    with pytest.raises(ValueError) as ours:
        lumra.load_payload(lumra.JapaneseDictionary, missing)
    with pytest.raises(ValueError) as theirs:
        _lumra.JapaneseDictionary.load_payload(missing)
    assert str(ours.value) == str(theirs.value)
    with pytest.raises(TypeError, match="dictionary_class must be"):
        lumra.load_payload(str, missing)


@pytest.mark.parametrize("language", ["ja", "zh"])
def test_bundles_round_trip_and_refuse_a_changed_bundle(tmp_path, language):
    from bundle_support import LANGUAGES, write_bundle

    cls = LANGUAGES[language]["cls"]
    write_bundle(tmp_path, language)
    d = lumra.load_bundle(cls, str(tmp_path))
    data = pickle.dumps(d)
    assert pickle.loads(data) is d
    lumra.forget(d)
    again = pickle.loads(data)
    assert again is not d and again.artifact_name == d.artifact_name == f"test-{language}"
    lumra.forget(again)
    # A rebuilt bundle has new metadata: refused by its digest.
    write_bundle(tmp_path, language, edit=lambda m: m.update(artifact_name="rebuilt"))
    with pytest.raises(ValueError, match="changed since it was pickled"):
        pickle.loads(data)
    # A payload changed under unchanged metadata: refused by the bundle's own
    # digest check.
    write_bundle(tmp_path, language)
    (tmp_path / "payload.yaml").write_bytes((tmp_path / "payload.yaml").read_bytes() + b"\n")
    with pytest.raises(ValueError, match="payload file digest mismatch"):
        pickle.loads(data)


def _fifo(tmp_path):
    path = tmp_path / "fifo"
    os.mkfifo(path)
    return str(path)


@pytest.mark.parametrize("loader", ["payload", "bundle"])
@pytest.mark.parametrize("make_path", [_fifo, lambda tmp_path: "/dev/zero"], ids=["fifo", "dev-zero"])
def test_a_file_without_an_end_is_refused_without_hanging(tmp_path, loader, make_path):
    path = make_path(tmp_path)

    class Hung(Exception):
        """Not an OSError, which the loader might turn into its own error."""

    def give_up(signum, frame):
        raise Hung("the load did not return")

    previous = signal.signal(signal.SIGALRM, give_up)
    signal.alarm(20)
    try:
        with pytest.raises(ValueError):
            if loader == "payload":
                lumra.load_payload(lumra.JapaneseDictionary, path, "yaml")
            else:
                lumra.load_bundle(lumra.JapaneseDictionary, path)
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGALRM, previous)
