"""`extract` and `extract_one`: the best matches of a query among choices.

The choices are scored a block at a time by one batch call (the interpreter
lock released inside), and only each block's few best candidates are kept.
Once `limit` matches are known, the worst of them becomes the cutoff passed
down with the next blocks: the bounded kernels can then give up early on a
choice that cannot get in, and every such choice comes back as the one
"failed" value of its kind (cutoff + 1, 0.0 or 1.0), which the candidate
filter below skips without looking at its score.

Ties keep choice order: candidates are ranked by (score, position), and a
later choice that only ties the current worst match can never displace it,
which is why the cutoff passed down may include that worst score.
"""

import heapq
import operator
import re
from collections.abc import Callable, Mapping, Sequence
from itertools import compress, repeat
from typing import Any

from lumra import _scorers

# Choices per batch call. Small enough that a block's scores (one Python
# object each) stay few, large enough that the fixed cost of a call is lost
# in the work of its block.
BLOCK_SIZE = 4096


def _choices_of(choices: object) -> tuple[Sequence[Any], Sequence[Any] | None]:
    """(values to compare, their keys or None for positions)."""
    if isinstance(choices, (str, bytes, bytearray)):
        raise TypeError(
            f"choices must be a sequence or a mapping of strings, not {type(choices).__name__!r}"
        )
    if isinstance(choices, Mapping):
        return list(choices.values()), list(choices.keys())
    if isinstance(choices, (list, tuple)):
        return choices, None
    if isinstance(choices, Sequence):
        return list(choices), None
    raise TypeError(
        f"choices must be a sequence or a mapping of strings, not {type(choices).__name__!r}"
    )


def _checked_limit(limit: object) -> int | None:
    if limit is None:
        return None
    if isinstance(limit, bool):
        raise TypeError("limit must be an int or None, not bool")
    try:
        value = operator.index(limit)
    except TypeError:
        raise TypeError(f"limit must be an int or None, not {type(limit).__name__!r}") from None
    if value < 0:
        raise ValueError(f"limit must be >= 0, got {value}")
    return value


def _refuse_non_text(block: Sequence[Any], first: int, keys: Sequence[Any] | None) -> None:
    """TypeError naming the first choice of `block` that is not a str."""
    if all(map(isinstance, block, repeat(str))):
        return
    for offset, value in enumerate(block):
        if not isinstance(value, str):
            where = keys[first + offset] if keys is not None else first + offset
            raise TypeError(
                f"choices[{where!r}] is a {type(value).__name__!r} object, not a str"
            )


def _small_distances_at_most(threshold: int) -> re.Pattern[bytes]:
    return re.compile(b"[\\x00-" + re.escape(bytes([threshold])) + b"]")


def _passing(row: list[Any], bound: Any, strict: bool, scoring: _scorers.Scoring) -> Sequence[int]:
    """Positions in `row` whose score is as good as `bound`, or strictly
    better when `strict`."""
    if bound is None:
        return range(len(row))
    if scoring.adaptive_cutoff and scoring.cutoff_kind == "integer" and bound < 255:
        # `bound` went down as the cutoff, so every score is at most
        # bound + 1, which fails: as bytes, the passing ones are found by one
        # scan in C.
        threshold = bound - 1 if strict else bound
        if threshold < 0:
            return []
        return [m.start() for m in _small_distances_at_most(threshold).finditer(bytes(row))]
    # Most blocks hold nothing that gets in once good matches are known; one
    # pass in C over the block tells.
    if scoring.lower_is_better:
        best = min(row, default=None)
        if best is None or best > bound or (strict and best == bound):
            return []
        better = operator.lt if strict else operator.le
    else:
        best = max(row, default=None)
        if best is None or best < bound or (strict and best == bound):
            return []
        better = operator.gt if strict else operator.ge
    return list(compress(range(len(row)), map(better, row, repeat(bound))))


def _block_best(
    row: list[Any], bound: Any, strict: bool, limit: int | None, scoring: _scorers.Scoring
) -> list[tuple[Any, int]]:
    """The (score, position) pairs of `row` that can still be among the best
    `limit`, unranked."""
    lower_is_better = scoring.lower_is_better
    positions = _passing(row, bound, strict, scoring)
    if limit is not None and len(positions) > limit:
        scores = map(row.__getitem__, positions)
        if lower_is_better:
            worst = heapq.nsmallest(limit, scores)[-1]
            positions = [p for p in positions if row[p] <= worst]
        else:
            worst = heapq.nlargest(limit, scores)[-1]
            positions = [p for p in positions if row[p] >= worst]
    return [(row[p], p) for p in positions]


def _higher_score_first(pair: tuple[Any, int]) -> tuple[Any, int]:
    return (-pair[0], pair[1])


def _scores_skipping_failures(
    scoring: _scorers.Scoring, query: str, block: Sequence[str], bound: Any
) -> list[Any]:
    """The scores of `block`, None for each choice that fails on its own:
    the block is halved until the failing choices stand alone."""
    try:
        return scoring.batch(query, block, bound)
    except ValueError:
        if len(block) == 1:
            return [None]
    middle = len(block) // 2
    return _scores_skipping_failures(scoring, query, block[:middle], bound) + _scores_skipping_failures(
        scoring, query, block[middle:], bound
    )


def extract(
    query: str,
    choices: Sequence[str] | Mapping[Any, str],
    *,
    scorer: Callable[..., Any] = _scorers._lumra.normalized_similarity,
    limit: int | None = 5,
    score_cutoff: float | int | None = None,
    dictionary: Any = None,
    scorer_kind: str | None = None,
    max_readings_per_segment: int | None = None,
    max_span_chars: int | None = None,
    max_paths: int | None = None,
    longest_only: bool | None = None,
    skip_unreadable: bool = False,
) -> list[tuple[str, Any, Any]]:
    """The best `limit` matches of `query` among `choices`, best first, as
    (choice, score, key) tuples; `limit=None` returns every choice that
    passes `score_cutoff`. With a dictionary, a choice it cannot read fails
    the call with its ValueError, or is left out with `skip_unreadable`."""
    options = {
        name: value
        for name, value in (
            ("max_readings_per_segment", max_readings_per_segment),
            ("max_span_chars", max_span_chars),
            ("max_paths", max_paths),
            ("longest_only", longest_only),
        )
        if value is not None
    }
    scoring = _scorers.resolve_scorer(scorer, scorer_kind, dictionary, options)
    if not isinstance(query, str):
        raise TypeError(f"query must be a str, not {type(query).__name__!r}")
    values, keys = _choices_of(choices)
    wanted = _checked_limit(limit)
    cutoff = _scorers.checked_cutoff(score_cutoff, scoring.cutoff_kind)
    if wanted == 0:
        return []

    lower = scoring.lower_is_better
    # Best first: lower scores for distances, higher for similarities, and
    # the earlier choice among equal scores; (score, position) pairs of a
    # distance sort that way as they are.
    rank = None if lower else _higher_score_first
    if not scoring.passes_cutoff_down:
        # A custom scorer would take anything; a choice is still a str.
        _refuse_non_text(values, 0, keys)
    best: list[tuple[Any, int]] = []
    bound = cutoff
    # Once `wanted` matches are known, a later choice must beat the worst of
    # them outright: on a tie the earlier choice stays.
    full = False
    perfect = 0 if lower else 1.0
    for first in range(0, len(values), BLOCK_SIZE):
        block = values[first : first + BLOCK_SIZE]
        if full and bound == perfect and scoring.may_stop_early:
            # Nothing can beat a perfect score, so nothing is left to score;
            # the remaining choices are still checked, so that bad input fails
            # the same way whatever the scores.
            _refuse_non_text(values[first:], first, keys)
            break
        if scoring.adaptive_cutoff:
            passed_down = bound
        else:
            passed_down = cutoff if scoring.passes_cutoff_down else None
        skipped = False
        try:
            row = scoring.batch(query, block, passed_down)
        except TypeError:
            _refuse_non_text(block, first, keys)
            raise
        except ValueError:
            if not skip_unreadable:
                raise
            # The query (or an option) failing is no unreadable choice: it
            # fails against itself too, and then the call fails.
            scoring.batch(query, [query], passed_down)
            row = _scores_skipping_failures(scoring, query, block, passed_down)
            skipped = True
        if skipped:
            readable = [p for p, score in enumerate(row) if score is not None]
            found = [
                (score, readable[p])
                for score, p in _block_best([row[p] for p in readable], bound, full, wanted, scoring)
            ]
        else:
            found = _block_best(row, bound, full, wanted, scoring)
        if not found:
            continue
        best.extend((score, first + position) for score, position in found)
        if wanted is not None and len(best) >= wanted:
            best.sort(key=rank)
            del best[wanted:]
            bound = best[-1][0]
            full = True
    best.sort(key=rank)
    if keys is None:
        return [(values[position], score, position) for score, position in best]
    return [(values[position], score, keys[position]) for score, position in best]


def extract_one(
    query: str,
    choices: Sequence[str] | Mapping[Any, str],
    *,
    scorer: Callable[..., Any] = _scorers._lumra.normalized_similarity,
    score_cutoff: float | int | None = None,
    dictionary: Any = None,
    scorer_kind: str | None = None,
    max_readings_per_segment: int | None = None,
    max_span_chars: int | None = None,
    max_paths: int | None = None,
    longest_only: bool | None = None,
    skip_unreadable: bool = False,
) -> tuple[str, Any, Any] | None:
    """The best match of `query` among `choices` as (choice, score, key), or
    None when no choice passes `score_cutoff`."""
    found = extract(
        query,
        choices,
        scorer=scorer,
        limit=1,
        score_cutoff=score_cutoff,
        dictionary=dictionary,
        scorer_kind=scorer_kind,
        max_readings_per_segment=max_readings_per_segment,
        max_span_chars=max_span_chars,
        max_paths=max_paths,
        longest_only=longest_only,
        skip_unreadable=skip_unreadable,
    )
    return found[0] if found else None
