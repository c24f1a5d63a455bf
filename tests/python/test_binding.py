"""Binding pieces that no _lumra function uses yet, through the test-only
module _lumra_binding_probe (tests/python/probe): a factory and a method
that find their module state through their defining class, the flag, UTF-8,
defaulted and optional text kinds, the reading options block, and a list of
more than eight parameters. Each probe method returns what it received."""

import inspect

import pytest

probe = pytest.importorskip("_lumra_binding_probe")
Probe = probe.Probe

ECHO_SIGNATURE = (
    "($self, query, choices, max_span_chars, *, max_readings_per_segment=None,"
    " reading_max_span_chars=None, max_paths=None, longest_only=None, score_cutoff=None,"
    " combined=None)"
)
LOAD_SIGNATURE = '(path, payload_format="yaml", bundle_dir=None)'
BASE = ("q\u00e9", ("a", "\U0001f600"), 3)
UNSET = (None,) * 6


class Sub(Probe):
    pass


def test_text_signatures_come_from_the_parameter_lists():
    assert Probe.echo.__text_signature__ == ECHO_SIGNATURE
    assert Probe.load.__text_signature__ == LOAD_SIGNATURE
    assert str(inspect.signature(Probe.load)) == "(path, payload_format='yaml', bundle_dir=None)"
    assert str(inspect.signature(Probe().echo)) == ECHO_SIGNATURE.replace("$self, ", "")


@pytest.mark.parametrize(
    ("kwargs", "options"),
    [
        ({}, UNSET),
        ({"longest_only": True}, (None, None, None, True, None, None)),
        ({"longest_only": False, "max_paths": 0}, (None, None, 0, False, None, None)),
        ({"longest_only": None, "reading_max_span_chars": None}, UNSET),
        ({"combined": 5, "score_cutoff": 1, "reading_max_span_chars": 7, "max_readings_per_segment": 2},
         (2, 7, None, None, 1.0, 5)),
    ],
)
@pytest.mark.parametrize("instance", [Probe(), Sub()], ids=["class", "subclass"])
def test_method_binds_every_parameter_by_name(instance, kwargs, options):
    assert instance.echo(*BASE, **kwargs) == (True, *BASE[:1], list(BASE[1]), 3, *options)
    by_keyword = dict(zip(("query", "choices", "max_span_chars"), BASE), **kwargs)
    assert instance.echo(**by_keyword) == instance.echo(*BASE, **kwargs)


def test_flag_accepts_numpy_booleans():
    numpy = pytest.importorskip("numpy")
    for value in (numpy.True_, numpy.False_):
        assert Probe().echo(*BASE, longest_only=value)[7] is bool(value)


@pytest.mark.parametrize(
    ("call", "exc", "message"),
    [
        (lambda: Probe().echo(*BASE, longest_only=1), TypeError,
         "argument 'longest_only': 'int' object is not an instance of 'bool'"),
        (lambda: Probe().echo(*BASE, longest_only=0), TypeError,
         "argument 'longest_only': 'int' object is not an instance of 'bool'"),
        (lambda: Probe().echo(*BASE, longest_only="yes"), TypeError,
         "argument 'longest_only': 'str' object is not an instance of 'bool'"),
        (lambda: Probe().echo(*BASE, max_span_chars=1), TypeError,
         "Probe.echo() got multiple values for argument 'max_span_chars'"),
        (lambda: Probe().echo(*BASE[:2]), TypeError,
         "Probe.echo() missing 1 required positional argument: 'max_span_chars'"),
        (lambda: Probe().echo(*BASE, 1), TypeError,
         "Probe.echo() takes 3 positional arguments but 4 were given"),
        (lambda: Probe().echo(*BASE, combined=True), TypeError,
         "score_cutoff must be an int for distance metrics"),
        (lambda: Probe.load("p", None), TypeError,
         "argument 'payload_format': 'None' is not an instance of 'str'"),
        (lambda: Probe.load("p", bundle_dir=b"d"), TypeError,
         "argument 'bundle_dir': 'bytes' object is not an instance of 'str'"),
        (lambda: Probe.load("p", "yaml", None, 1), TypeError,
         "Probe.load() takes from 1 to 3 positional arguments but 4 were given"),
        (lambda: Probe.load(), TypeError, "Probe.load() missing 1 required positional argument: 'path'"),
        (lambda: Probe.load("p\ud800"), UnicodeEncodeError, None),
    ],
)
def test_refusals(call, exc, message):
    with pytest.raises(exc) as info:
        call()
    if message is not None:
        assert str(info.value) == message


@pytest.mark.parametrize(
    ("args", "kwargs", "expected"),
    [
        (("p",), {}, ("p", "yaml", None)),
        (("caf\u00e9", "fst"), {}, ("caf\u00e9", "fst", None)),
        (("p",), {"bundle_dir": None, "payload_format": ""}, ("p", "", None)),
        (("p", "yaml", "\U0001f600/d"), {}, ("p", "yaml", "\U0001f600/d")),
    ],
)
@pytest.mark.parametrize("owner", [Probe, Probe(), Sub], ids=["class", "instance", "subclass"])
def test_factory_binds_text_as_utf8_with_defaults(owner, args, kwargs, expected):
    assert owner.load(*args, **kwargs) == (True, *expected)
