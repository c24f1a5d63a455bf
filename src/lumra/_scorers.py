"""Which batch function scores a query against a block of choices.

Every module metric and every dictionary metric method has a batch form
(`_cdist_*`) that scores one query against many choices in one call, with the
interpreter lock released. `resolve_scorer` maps the scorer a caller names to
that batch form, and records whether lower or higher scores are better and
which kind of cutoff the batch form takes, so that the search never needs a
Python call per pair for a known scorer.
"""

import math
import numbers
import operator
from collections.abc import Callable, Sequence
from dataclasses import dataclass
from typing import Any, Literal

import _lumra

ScorerKind = Literal["distance", "similarity"]

# A module function or dictionary method name -> (batch name, lower is better,
# integer cutoff). `ratio` has no batch form of its own: it is the normalized
# similarity under a second name.
_PAIR_METRICS: dict[str, tuple[str, bool, bool]] = {
    "distance": ("_cdist_distance", True, True),
    "damerau_distance": ("_cdist_damerau_distance", True, True),
    "combined_distance": ("_cdist_combined_distance", True, True),
    "normalized_distance": ("_cdist_normalized_distance", True, False),
    "normalized_similarity": ("_cdist_normalized_similarity", False, False),
    "ratio": ("_cdist_normalized_similarity", False, False),
}
for _pair_name, (_batch_name, _lower, _integer) in list(_PAIR_METRICS.items()):
    _PAIR_METRICS.setdefault(_batch_name, (_batch_name, _lower, _integer))

# Metrics that do not score one text against another, with what they do
# instead; naming one as a scorer is a mistake worth explaining.
_NOT_PAIR_METRICS: dict[str, str] = {
    "distance_paths": "compares two lists of alternative spellings",
    "damerau_distance_paths": "compares two lists of alternative spellings",
    "normalized_distance_paths": "compares two lists of alternative spellings",
    "normalized_similarity_paths": "compares two lists of alternative spellings",
    "ratio_paths": "compares two lists of alternative spellings",
    "within_distance_paths": "answers a threshold test on lists of alternative spellings",
    "within_damerau_distance_paths": "answers a threshold test on lists of alternative spellings",
    "within_distance": "answers a threshold test, not a score",
    "within_damerau_distance": "answers a threshold test, not a score",
    "_partial_distance_alignment": "finds a span of a text, not a score of the whole text",
    "_partial_ratio_alignment": "finds a span of a text, not a score of the whole text",
}

DICTIONARY_CLASSES = (_lumra.JapaneseDictionary, _lumra.ChineseDictionary)

READING_OPTIONS = ("max_readings_per_segment", "max_span_chars", "max_paths", "longest_only")


@dataclass(frozen=True, slots=True)
class Scoring:
    """How to score one query against a block of choices."""

    # batch(query, block, cutoff) -> one score per choice of the block.
    batch: Callable[[str, Sequence[str], Any], list[Any]]
    lower_is_better: bool
    # "integer", "real" (a fraction in [0, 1]) or "any" (a custom scorer's
    # scores, compared as they are).
    cutoff_kind: Literal["integer", "real", "any"]
    # Whether `batch` applies a cutoff itself (and so may stop early), or
    # returns true scores that the search filters.
    passes_cutoff_down: bool
    # Whether the worst of the matches found so far goes down as the cutoff
    # of the next blocks, not only the caller's cutoff. It pays for the
    # integer distances, whose bounded kernels stop early; the bounded
    # normalized kernels were measured slower with a tighter cutoff than
    # without one (bench/extract_timing.py), so they get the caller's alone.
    adaptive_cutoff: bool
    # Whether the remaining choices may go unscored once nothing can beat the
    # matches found. Not for a dictionary: whether a text has readings at all
    # is only known by reading it, and an unreadable choice fails the call
    # whatever its place.
    may_stop_early: bool


def _module_function_name(scorer: object) -> str | None:
    name = getattr(scorer, "__name__", None)
    if isinstance(name, str) and getattr(_lumra, name, None) is scorer:
        return name
    return None


def _dictionary_method(scorer: object) -> tuple[object, str] | None:
    owner = getattr(scorer, "__self__", None)
    name = getattr(scorer, "__name__", None)
    if isinstance(owner, DICTIONARY_CLASSES) and isinstance(name, str):
        return owner, name
    return None


def _batch_of(owner: object, name: str, label: str, options: dict[str, Any]) -> Scoring:
    if name in _NOT_PAIR_METRICS:
        raise TypeError(f"scorer {label} {_NOT_PAIR_METRICS[name]}; extract needs a metric of two texts")
    if name not in _PAIR_METRICS:
        raise TypeError(f"scorer {label} is not a metric of two texts")
    batch_name, lower, integer = _PAIR_METRICS[name]
    matrix = getattr(owner, batch_name)

    def batch(query: str, block: Sequence[str], cutoff: Any) -> list[Any]:
        return matrix([query], block, score_cutoff=cutoff, **options)[0]

    return Scoring(batch, lower, "integer" if integer else "real", True, integer, owner is _lumra)


def resolve_scorer(
    scorer: object,
    scorer_kind: str | None,
    dictionary: object,
    options: dict[str, Any],
) -> Scoring:
    """The batch scoring for `scorer`, or TypeError / ValueError saying why
    there is none. `options` are reading options, which only a dictionary
    takes."""
    if dictionary is not None and not isinstance(dictionary, DICTIONARY_CLASSES):
        raise TypeError(
            "dictionary must be a JapaneseDictionary or a ChineseDictionary, "
            f"not {type(dictionary).__name__!r}"
        )
    method = _dictionary_method(scorer)
    if method is not None:
        owner, name = method
        if dictionary is not None and owner is not dictionary:
            raise ValueError("scorer is a method of another dictionary than dictionary=")
        dictionary = owner
    function_name = _module_function_name(scorer)
    name = method[1] if method is not None else function_name
    if scorer_kind is not None and name is not None:
        raise TypeError(f"scorer_kind is for custom scorers; the kind of {name} is known")
    if name is not None:
        if dictionary is None:
            if options:
                raise TypeError(f"reading options ({', '.join(options)}) need dictionary=")
            return _batch_of(_lumra, name, name, {})
        label = f"{type(dictionary).__name__}.{name}"
        return _batch_of(dictionary, name, label, options)

    if not callable(scorer):
        raise TypeError(f"scorer must be a lumra metric or a callable, not {type(scorer).__name__!r}")
    if dictionary is not None or options:
        raise TypeError(
            "dictionary= and reading options need a lumra metric as scorer "
            "(for example lumra.distance), not a custom callable"
        )
    if scorer_kind not in ("distance", "similarity"):
        raise TypeError(
            "a custom scorer needs scorer_kind='distance' (lower is better) "
            f"or scorer_kind='similarity' (higher is better), got {scorer_kind!r}"
        )
    pairwise = scorer

    def batch(query: str, block: Sequence[str], cutoff: Any) -> list[Any]:
        # A custom scorer is a Python callable; there is no batch form to
        # hand the block to.
        return [pairwise(query, choice) for choice in block]

    return Scoring(batch, scorer_kind == "distance", "any", False, False, False)


def checked_cutoff(cutoff: object, kind: str) -> Any:
    """`cutoff` as the number the search compares scores with, or
    TypeError / ValueError. Checked here, once, so that a bad cutoff fails
    the same way whether or not there are choices to score."""
    if cutoff is None:
        return None
    if isinstance(cutoff, bool):
        raise TypeError("score_cutoff must be a number, not bool")
    if kind == "integer":
        try:
            value = operator.index(cutoff)
        except TypeError:
            raise TypeError(
                f"score_cutoff must be an int for distance metrics, not {type(cutoff).__name__!r}"
            ) from None
        if value < 0:
            raise ValueError("score_cutoff must be >= 0 for distance metrics")
        return value
    if not isinstance(cutoff, numbers.Real):
        raise TypeError(f"score_cutoff must be a real number, not {type(cutoff).__name__!r}")
    if kind == "real":
        value = float(cutoff)
        if not 0.0 <= value <= 1.0:  # NaN fails both comparisons
            raise ValueError("score_cutoff must be between 0.0 and 1.0")
        return value
    if isinstance(cutoff, float) and math.isnan(cutoff):
        raise ValueError("score_cutoff must not be NaN")
    return cutoff
