"""Matches many noisy queries against a catalogue on a Dask cluster.

Each partition of queries runs lumra.extract in a worker process. The
dictionary travels inside the task graph: it pickles as its source (class,
loader, path, format, digest), and each worker process loads it once and
reuses it for every later task, refusing a file that changed meanwhile.

    python3 examples/dask_extract.py [--dictionary BUNDLE] [--workers 2]

Without arguments it starts a LocalCluster of two worker processes and
matches a few misspelt city names against a small catalogue by their
spelling; with --dictionary, by their readings.
"""

import argparse
from collections.abc import Iterable, Sequence
from typing import Any

import lumra

CATALOGUE = ["Tokyo", "Kyoto", "Osaka", "Nagoya", "Sapporo", "Fukuoka", "Beijing", "Shanghai", "Nanjing"]
QUERIES = ["Tokio", "Kioto", "Osaca", "Sapoto", "Bejing", "Shangai", "Nanking", "Nagoja"]


def match_partition(
    queries: Iterable[str], catalogue: Sequence[str], dictionary: Any, scorer: str, limit: int
) -> list[tuple[str, list[tuple[str, Any, Any]]]]:
    """The best matches of each query of one partition."""
    metric = getattr(lumra, scorer)
    return [
        (query, lumra.extract(query, catalogue, scorer=metric, dictionary=dictionary, limit=limit))
        for query in queries
    ]


def match_all(
    client: Any,
    queries: Sequence[str],
    catalogue: Sequence[str],
    dictionary: Any = None,
    scorer: str = "normalized_similarity",
    limit: int = 3,
    partitions: int = 4,
) -> list[tuple[str, list[tuple[str, Any, Any]]]]:
    """match_partition over every partition of `queries`, on the cluster of
    `client`; the result lists the queries in their order."""
    import dask.bag

    bag = dask.bag.from_sequence(queries, npartitions=partitions)
    # One copy of the catalogue per worker, not one per task.
    [shared] = client.scatter([list(catalogue)], broadcast=True)
    matched = bag.map_partitions(match_partition, shared, dictionary, scorer, limit)
    return matched.compute()


def _load(bundle: str | None, language: str) -> Any:
    if bundle is None:
        return None
    cls = lumra.JapaneseDictionary if language == "ja" else lumra.ChineseDictionary
    return lumra.load_bundle(cls, bundle)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dictionary", metavar="BUNDLE")
    parser.add_argument("--language", choices=("ja", "zh"), default="ja")
    parser.add_argument("--workers", type=int, default=2)
    args = parser.parse_args()

    from distributed import Client, LocalCluster

    dictionary = _load(args.dictionary, args.language)
    with LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True) as cluster:
        with Client(cluster) as client:
            for query, matches in match_all(client, QUERIES, CATALOGUE, dictionary):
                shown = ", ".join(f"{choice} {score:.2f}" for choice, score, _ in matches)
                print(f"{query:<10} {shown}")


if __name__ == "__main__":
    main()
