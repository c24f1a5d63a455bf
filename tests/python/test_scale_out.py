"""lumra.extract over a Dask bag on a LocalCluster of two worker processes,
and over a multiprocessing pool as the README shows it, gives what one
process gives, with a dictionary pickled by its source."""

import functools
import multiprocessing
import os
import pathlib
import random
import sys

import pytest

import lumra
from dictionary_support import JA_PAYLOAD_TYPE, write_payload

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "examples"))
import dask_extract  # noqa: E402

ENTRIES = {"東京": ["とうきょう"], "京都": ["きょうと"], "大阪": ["おおさか"], "東": ["ひがし", "とう"], "京": ["きょう", "けい"]}


def test_a_cluster_of_two_processes_matches_one_process(tmp_path):
    distributed = pytest.importorskip("distributed")
    import cloudpickle

    cloudpickle.register_pickle_by_value(dask_extract)
    dictionary = lumra.load_payload(lumra.JapaneseDictionary, write_payload(tmp_path / "p.yaml", JA_PAYLOAD_TYPE, ENTRIES))
    rng = random.Random(7)
    words = ["東京", "京都", "大阪", "とうきょう", "きょうと", "おおさか", "toukyou", "kyouto", "oosaka", "東", "京"]
    catalogue = [rng.choice(words) + rng.choice(["", "京", "東"]) for _ in range(200)]
    queries = [rng.choice(words) for _ in range(24)]
    expected = dask_extract.match_partition(queries, catalogue, dictionary, "distance", 3)
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None
    ) as cluster, distributed.Client(cluster) as client:
        workers = client.run(os.getpid)
        assert len(set(workers.values())) == 2 and os.getpid() not in workers.values()
        got = dask_extract.match_all(client, queries, catalogue, dictionary, scorer="distance", limit=3)
        # Each worker loaded the dictionary once, from its source.
        loaded = client.run(lambda: len(lumra._sources._by_source))
    assert got == expected
    assert set(loaded.values()) == {1}
    lumra.forget(dictionary)


def start(dictionary):
    global worker_dictionary
    worker_dictionary = dictionary


def match(query, catalogue):
    return os.getpid(), lumra.extract(query, catalogue, dictionary=worker_dictionary, scorer=lumra.distance)


def test_a_multiprocessing_pool_matches_one_process(tmp_path):
    dictionary = lumra.load_payload(lumra.JapaneseDictionary, write_payload(tmp_path / "p.yaml", JA_PAYLOAD_TYPE, ENTRIES))
    catalogue = ["東京", "京都", "大阪", "東京京", "きょうと"]
    queries = ["toukyou", "kyouto", "oosaka", "とうきょう"] * 4
    expected = [lumra.extract(q, catalogue, dictionary=dictionary, scorer=lumra.distance) for q in queries]
    with multiprocessing.get_context("spawn").Pool(2, initializer=start, initargs=(dictionary,)) as pool:
        got = pool.map(functools.partial(match, catalogue=catalogue), queries, chunksize=2)
    assert [matches for _, matches in got] == expected
    assert os.getpid() not in {pid for pid, _ in got}
    lumra.forget(dictionary)
