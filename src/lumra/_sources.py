"""Dictionaries that pickle by their source.

A dictionary holds a whole loaded index; copying it to another process byte
by byte would be slow, and the other process can as well read the same file.
So a dictionary loaded through `load_payload` or `load_bundle` below pickles
as how it was loaded: its class, the loader, the absolute path, the format
and a SHA-256 digest of the payload file (for a bundle, of the metadata file
that records the payload's own digest and checksum). Unpickling loads it again, and
refuses with ValueError a file whose digest has changed since, so that a
worker never silently uses other data than the process that sent it.

The classes of `_lumra` offer no hook for this (their surface is fixed, and
their instances take no attributes and no weak references), so the package
keeps a registry of the dictionaries it loaded, keyed by source, and
registers a reducer for both classes with `copyreg`. The registry is also
the per-process cache that makes every task of a worker reuse one dictionary
object: loading a source whose file is unchanged gives the object already
loaded. Its entries live until `forget` drops them; a dictionary loaded by
`_lumra` directly is not in it and refuses to be pickled, saying how to load
it instead.
"""

import copyreg
import errno
import hashlib
import os
import stat
import threading
from dataclasses import dataclass
from typing import Any, BinaryIO, Literal, TypeVar

import _lumra

_CLASSES = {"ja": _lumra.JapaneseDictionary, "zh": _lumra.ChineseDictionary}
_LANGUAGES = {cls: language for language, cls in _CLASSES.items()}

Dictionary = TypeVar("Dictionary", _lumra.JapaneseDictionary, _lumra.ChineseDictionary)


@dataclass(frozen=True, slots=True)
class Source:
    """How a dictionary was loaded: enough to load it again elsewhere."""

    language: Literal["ja", "zh"]
    loader: Literal["payload", "bundle"]
    # load_payload: the payload file; load_bundle: the metadata path.
    path: str
    # load_payload: the payload format; load_bundle: the bundle directory
    # given, or None.
    detail: str | None
    # SHA-256 of the payload file, or of a bundle's metadata file: the
    # metadata holds the payload's own SHA-256 (and its canonical checksum),
    # which load_bundle verifies, so it pins the payload without this package
    # parsing YAML.
    sha256: str


_lock = threading.Lock()
_by_source: dict[Source, Any] = {}
_by_object: dict[int, Source] = {}


def open_regular_file(path: str) -> BinaryIO:
    """`path` opened for reading, or OSError when it is not a regular file.

    Only a regular file has an end: a FIFO would wait for a writer and
    /dev/zero would be read forever. Opening without blocking returns at
    once even for a FIFO; what is not a regular file is left to the loader
    to refuse in its own words."""
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    file = open(fd, "rb")
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise OSError(errno.EINVAL, "not a regular file", path)
        os.set_blocking(fd, True)
    except BaseException:
        file.close()
        raise
    return file


def _file_sha256(path: str) -> str:
    with open_regular_file(path) as file:
        return hashlib.file_digest(file, "sha256").hexdigest()


def _language_of(cls: object) -> Literal["ja", "zh"]:
    language = _LANGUAGES.get(cls)  # type: ignore[call-overload]
    if language is None:
        raise TypeError(
            "dictionary_class must be lumra.JapaneseDictionary or lumra.ChineseDictionary, "
            f"not {cls!r}"
        )
    return language  # type: ignore[return-value]


def metadata_file(metadata_path: str) -> str:
    """The metadata file that load_bundle reads for `metadata_path`."""
    if os.path.isdir(metadata_path):
        return os.path.join(metadata_path, "metadata.yaml")
    return metadata_path


def _digest(source_without_digest: Source) -> str:
    s = source_without_digest
    if s.loader == "payload":
        return _file_sha256(s.path)
    return _file_sha256(metadata_file(s.path))


def _load(source: Source) -> Any:
    cls = _CLASSES[source.language]
    if source.loader == "payload":
        return cls.load_payload(source.path, source.detail)
    if source.detail is None:
        return cls.load_bundle(source.path)
    return cls.load_bundle(source.path, source.detail)


def _digest_or_load_error(partial: Source) -> str:
    """The digest of a source about to be loaded. A file that cannot be read
    fails as the loader itself reports it, with its ValueError."""
    try:
        return _digest(partial)
    except OSError:
        _load(partial)
        raise


def _load_registered(source: Source) -> Any:
    """The dictionary of `source` (its digest included), loaded once per
    process."""
    with _lock:
        known = _by_source.get(source)
    if known is not None:
        return known
    dictionary = _load(source)
    # The digest taken before the load must still hold after it, or the
    # file changed while it was read and the digest names other data.
    after = _digest(source)
    if after != source.sha256:
        raise ValueError(
            f"{source.path} changed while it was loaded (sha256 {source.sha256} before, {after} after)"
        )
    with _lock:
        known = _by_source.setdefault(source, dictionary)
        _by_object[id(known)] = source
    return known


def _absolute(path: str) -> str:
    return os.path.abspath(os.fspath(path))


def load_payload(dictionary_class: type[Dictionary], path: str, payload_format: str = "yaml") -> Dictionary:
    """`dictionary_class.load_payload(path, payload_format)`, giving a
    dictionary that pickles by its source."""
    language = _language_of(dictionary_class)
    if not isinstance(payload_format, str):
        raise TypeError(f"payload_format must be a str, not {type(payload_format).__name__!r}")
    absolute = _absolute(path)
    partial = Source(language, "payload", absolute, payload_format, "")
    source = Source(language, "payload", absolute, payload_format, _digest_or_load_error(partial))
    return _load_registered(source)


def load_bundle(
    dictionary_class: type[Dictionary], metadata_path: str, bundle_dir: str | None = None
) -> Dictionary:
    """`dictionary_class.load_bundle(metadata_path, bundle_dir)`, giving a
    dictionary that pickles by its source."""
    language = _language_of(dictionary_class)
    if not hasattr(dictionary_class, "load_bundle"):
        raise NotImplementedError("this build of _lumra has no load_bundle")
    absolute = _absolute(metadata_path)
    directory = None if bundle_dir is None else _absolute(bundle_dir)
    partial = Source(language, "bundle", absolute, directory, "")
    source = Source(language, "bundle", absolute, directory, _digest_or_load_error(partial))
    return _load_registered(source)


def source_of(dictionary: object) -> Source | None:
    """How `dictionary` was loaded, or None when it was not loaded here."""
    with _lock:
        source = _by_object.get(id(dictionary))
        if source is not None and _by_source.get(source) is dictionary:
            return source
    return None


def forget(dictionary: object) -> None:
    """Drops `dictionary` from the registry: it is freed once the caller
    lets it go, and can no longer be pickled."""
    with _lock:
        source = _by_object.get(id(dictionary))
        if source is not None and _by_source.get(source) is dictionary:
            del _by_object[id(dictionary)]
            del _by_source[source]


def _restore(source: Source) -> Any:
    """Unpickles a dictionary: the registered one when this process has
    already loaded the same data, else a new load of an unchanged file."""
    with _lock:
        known = _by_source.get(source)
    if known is not None:
        return known
    try:
        now = _digest(source)
    except OSError as error:
        raise ValueError(
            f"cannot unpickle the {_CLASSES[source.language].__name__} of {source.path}: {error}"
        ) from error
    if now != source.sha256:
        raise ValueError(
            f"cannot unpickle the {_CLASSES[source.language].__name__} of {source.path}: "
            f"its {'payload' if source.loader == 'payload' else 'bundle'} changed since it was "
            f"pickled (sha256 {source.sha256} then, {now} now)"
        )
    return _load_registered(source)


def _reduce(dictionary: object) -> tuple[Any, tuple[Source]]:
    source = source_of(dictionary)
    if source is None:
        name = type(dictionary).__name__
        raise TypeError(
            f"cannot pickle this {name}: a dictionary pickles by its source, and this one was "
            "not loaded through lumra; load it with "
            f"lumra.load_payload(lumra.{name}, ...) or lumra.load_bundle(lumra.{name}, ...)"
        )
    return _restore, (source,)


for _cls in _CLASSES.values():
    copyreg.pickle(_cls, _reduce)
