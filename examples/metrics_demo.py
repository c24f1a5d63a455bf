"""Prints the string metrics of a few Japanese, Chinese and Latin pairs."""

import _lumra

PAIRS = [
    ("kitten", "sitting"),
    ("colour", "color"),
    ("abcdef", "abdcef"),
    ("とうきょう", "ときょう"),
    ("東京都", "京都"),
    ("北京", "背景"),
    ("谢谢你", "谢谢您"),
    ("café", "cafe\u0301"),
]

METRICS = [
    ("distance", lambda a, b: _lumra.distance(a, b)),
    ("damerau", lambda a, b: _lumra.damerau_distance(a, b)),
    ("cutoff 1", lambda a, b: _lumra.distance(a, b, score_cutoff=1)),
    ("similarity", lambda a, b: round(_lumra.normalized_similarity(a, b), 3)),
]


def main() -> None:
    print(f"_lumra {_lumra.__version__}")
    header = f"{'left':<12}{'right':<12}" + "".join(f"{name:>12}" for name, _ in METRICS)
    print(header)
    for left, right in PAIRS:
        cells = "".join(f"{metric(left, right):>12}" for _, metric in METRICS)
        print(f"{left!r:<12}{right!r:<12}{cells}")


if __name__ == "__main__":
    main()
