"""lumra.extract over a Dask bag on a LocalCluster of two worker processes
gives what one process gives, with a dictionary pickled by its source."""

import os
import pathlib
import random
import sys

import pytest

import lumra
from dictionary_support import JA_PAYLOAD_TYPE, write_payload

distributed = pytest.importorskip("distributed")
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "examples"))
import dask_extract  # noqa: E402

ENTRIES = {"東京": ["とうきょう"], "京都": ["きょうと"], "大阪": ["おおさか"], "東": ["ひがし", "とう"], "京": ["きょう", "けい"]}


def test_a_cluster_of_two_processes_matches_one_process(tmp_path):
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
