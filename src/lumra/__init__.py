"""lumra: edit distances between texts and between their Japanese and Chinese
readings, and the search built on them.

The metrics and both dictionary classes are those of the extension module
`_lumra`, re-exported as they are. This package adds what callers build on
them: `extract` and `extract_one` (the best matches of a query among many
choices), loaders whose dictionaries pickle by their source (`load_payload`,
`load_bundle`), and the command line (`python -m lumra`).
"""

from _lumra import (
    ChineseDictionary,
    JapaneseDictionary,
    __version__,
    _cdist_combined_distance,
    _cdist_damerau_distance,
    _cdist_distance,
    _cdist_normalized_distance,
    _cdist_normalized_similarity,
    _partial_distance_alignment,
    _partial_ratio_alignment,
    combined_distance,
    damerau_distance,
    distance,
    distance_paths,
    damerau_distance_paths,
    normalized_distance,
    normalized_distance_paths,
    normalized_similarity,
    normalized_similarity_paths,
    ratio,
    ratio_paths,
    within_damerau_distance_paths,
    within_distance_paths,
)

from lumra._extract import extract, extract_one
from lumra._sources import forget, load_bundle, load_payload

__all__ = [
    "__version__",
    "distance",
    "damerau_distance",
    "combined_distance",
    "normalized_distance",
    "normalized_similarity",
    "ratio",
    "_partial_distance_alignment",
    "_partial_ratio_alignment",
    "_cdist_distance",
    "_cdist_damerau_distance",
    "_cdist_combined_distance",
    "_cdist_normalized_distance",
    "_cdist_normalized_similarity",
    "distance_paths",
    "damerau_distance_paths",
    "normalized_distance_paths",
    "normalized_similarity_paths",
    "ratio_paths",
    "within_distance_paths",
    "within_damerau_distance_paths",
    "JapaneseDictionary",
    "ChineseDictionary",
    "extract",
    "extract_one",
    "load_payload",
    "load_bundle",
    "forget",
]
