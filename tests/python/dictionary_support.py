"""Payload writers and the metric laws shared by the dictionary class tests."""

import json
import struct

import pytest

import _lumra

JA_PAYLOAD_TYPE = "lumra.unidic.reading-index.surface-readings"
ZH_PAYLOAD_TYPE = "lumra.zh.reading-index.surface-readings"

# Every metric method with the text signature both classes give it.
_OPTIONS = "max_readings_per_segment=None, max_span_chars=None, max_paths=None, longest_only=None"
_PAIR = f"($self, left, right, *, {_OPTIONS}, score_cutoff=None)"
_WITHIN = f"($self, left, right, threshold, *, {_OPTIONS})"
_CDIST = f"($self, queries, choices, *, {_OPTIONS}, score_cutoff=None)"
METHOD_SIGNATURES = {
    "distance": _PAIR,
    "damerau_distance": _PAIR,
    "combined_distance": _PAIR,
    "within_distance": _WITHIN,
    "within_damerau_distance": _WITHIN,
    "normalized_similarity": _PAIR,
    "normalized_distance": _PAIR,
    "ratio": _PAIR,
    "_cdist_distance": _CDIST,
    "_cdist_damerau_distance": _CDIST,
    "_cdist_combined_distance": _CDIST,
    "_cdist_normalized_similarity": _CDIST,
    "_cdist_normalized_distance": _CDIST,
}


def write_payload(path, payload_type, entries, **extra):
    """A YAML payload (written as JSON, which YAML reads) of `entries`, a
    mapping of surfaces to reading lists."""
    payload = {"schema_version": 1, "payload_type": payload_type, **extra}
    payload["entries"] = [{"surface": s, "readings": list(r)} for s, r in entries.items()]
    path.write_text(json.dumps(payload, ensure_ascii=False), encoding="utf-8")
    return str(path)


def binary_payload(path, entries):
    """A Japanese binary payload ("LUMRAU01") of `entries`."""

    def text(s):
        data = s.encode()
        return struct.pack("<I", len(data)) + data

    out = b"LUMRAU01" + struct.pack("<IIQ", 1, 0, len(entries))
    for surface, readings in entries.items():
        out += text(surface) + struct.pack("<I", len(readings)) + b"".join(map(text, readings))
    path.write_bytes(out)
    return str(path)


def outcome(call):
    """The value of `call()`, or the type and message of its exception."""
    try:
        return call()
    except Exception as error:  # compared, never swallowed
        return (type(error).__name__, str(error))


def cells(matrix):
    return [cell for row in matrix for cell in row]


def check_metric_laws(d, a, b, threshold, cutoff):
    """Laws that hold for any two texts: the laws between the metrics, the
    cutoff rules, and every batch cell equal to its pairwise method."""
    distance = outcome(lambda: d.distance(a, b))
    if isinstance(distance, tuple):  # a text without readings fails every lattice method
        for name in ("damerau_distance", "combined_distance"):
            assert outcome(lambda: getattr(d, name)(a, b)) == distance
        assert outcome(lambda: d.within_distance(a, b, threshold)) == distance
        assert outcome(lambda: d._cdist_distance([a], [b])) == distance
        return
    damerau = d.damerau_distance(a, b)
    combined = d.combined_distance(a, b)
    similarity = d.normalized_similarity(a, b)
    assert d.ratio(a, b) == similarity
    assert d.normalized_distance(a, b) == 1.0 - similarity
    assert 0.0 <= similarity <= 1.0
    assert damerau <= distance
    assert d.within_distance(a, b, threshold) == (distance <= threshold)
    assert d.within_damerau_distance(a, b, threshold) == (damerau <= threshold)
    assert combined <= distance
    assert combined <= _lumra.damerau_distance(a, b)
    assert d.combined_distance(a, a) == 0
    assert d.distance(a, b, score_cutoff=cutoff) == min(distance, cutoff + 1)
    assert d.damerau_distance(a, b, score_cutoff=cutoff) == min(damerau, cutoff + 1)
    assert d.combined_distance(a, b, score_cutoff=cutoff) == min(combined, cutoff + 1)

    queries, choices = [a, b], [b, a, a]
    pairs = [(q, c) for q in queries for c in choices]
    real_cutoff = cutoff / 8
    for name, kw in [
        ("distance", {}),
        ("distance", {"score_cutoff": cutoff}),
        ("damerau_distance", {"score_cutoff": cutoff}),
        ("combined_distance", {}),
        ("combined_distance", {"score_cutoff": cutoff}),
        ("normalized_similarity", {"score_cutoff": real_cutoff}),
        ("normalized_distance", {}),
        ("normalized_distance", {"score_cutoff": real_cutoff}),
    ]:
        matrix = getattr(d, "_cdist_" + name)(queries, choices, **kw)
        assert len(matrix) == 2 and all(len(row) == 3 for row in matrix)
        assert cells(matrix) == [getattr(d, name)(q, c, **kw) for q, c in pairs], name


def check_class_surface(cls, build_name_property):
    """What both classes share: the type, its names and its signatures."""
    assert cls.__module__ == "builtins"
    assert cls.__qualname__ == cls.__name__
    assert cls.__doc__ == ""
    assert cls.__bases__ == (object,)
    with pytest.raises(TypeError):
        cls()
    with pytest.raises(TypeError):
        cls.__new__(cls)
    for name, signature in METHOD_SIGNATURES.items():
        assert getattr(cls, name).__text_signature__ == signature, name
    assert cls.load_payload.__text_signature__ == '(path, payload_format="yaml")'
    assert cls.load_bundle.__text_signature__ == "(metadata_path, bundle_dir=None)"
    names = list(vars(cls))
    assert names.index("load_payload") < names.index("load_bundle") < names.index("distance")
    for name in ("artifact_name", "source_name", build_name_property):
        assert type(vars(cls)[name]).__name__ == "getset_descriptor"
