"""load_bundle of both dictionary classes: every check in its order and with
its message, the path rules, and the query defaults and names a verified
bundle gives its dictionary. Bundles are written by bundle_support, with
checksums computed there from the canonical text."""

import hashlib

import pytest

from bundle_support import (
    ENTRIES,
    LANGUAGES,
    canonical_text,
    checksum,
    write_bundle,
    write_metadata,
    write_payload_file,
)
from dictionary_support import outcome

FORMATS = [(language, f) for language in LANGUAGES for f in LANGUAGES[language]["formats"]]


def load(language, *args):
    return LANGUAGES[language]["cls"].load_bundle(*args)


def build_name(language, d):
    return d.reading_field if language == "ja" else d.pinyin_view


@pytest.mark.parametrize("language, payload_format", FORMATS)
def test_every_payload_format_loads_with_the_metadata_names(tmp_path, language, payload_format):
    write_bundle(tmp_path, language, payload_format)
    d = load(language, str(tmp_path))
    expected = "kana" if language == "ja" else "no-tone"
    assert (d.artifact_name, d.source_name, build_name(language, d)) == (f"test-{language}", "test-source", expected)
    payload = LANGUAGES[language]["cls"].load_payload(str(tmp_path / f"payload.{payload_format}"), payload_format)
    texts = ("東京", "とうきょう") if language == "ja" else ("重庆", "冲庆")
    assert d.distance(*texts) == payload.distance(*texts)


def test_fnv1a64_checksum_is_accepted_for_japanese(tmp_path):
    def edit(m):
        m["payload"]["checksum_algorithm"] = "fnv1a64-canonical-v1"
        m["payload"]["checksum"] = checksum("ja", ENTRIES["ja"], "fnv1a64-canonical-v1")

    write_bundle(tmp_path, "ja", "binary", edit=edit)
    assert load("ja", str(tmp_path)).artifact_name == "test-ja"


# Texts whose distance depends on the option, and a value that changes it.
DEFAULTS_CASES = [
    ("ja", "max_span_chars", 1, 8, ("東京", "とうきょう")),
    ("ja", "max_readings_per_segment", 1, 2, ("日", "にち")),
    ("zh", "max_span_chars", 1, 8, ("重庆", "冲庆")),
    ("zh", "max_readings_per_segment", 1, 2, ("行", "航")),
]


@pytest.mark.parametrize("language, option, default, override, texts", DEFAULTS_CASES)
def test_query_defaults_drive_calls_unless_a_call_overrides_them(tmp_path, language, option, default, override, texts):
    entries = dict(ENTRIES[language], 航=["hang"]) if language == "zh" else ENTRIES[language]
    write_bundle(tmp_path, language, entries=entries, edit=lambda m: m["query_defaults"].update({option: default}))
    d = load(language, str(tmp_path / "metadata.yaml"))
    payload = LANGUAGES[language]["cls"].load_payload(str(tmp_path / "payload.yaml"))
    as_default = d.distance(*texts)
    assert as_default == payload.distance(*texts, **{option: default})
    assert d.distance(*texts, **{option: override}) == payload.distance(*texts, **{option: override})
    assert d.distance(*texts, **{option: override}) != as_default
    assert d.ratio(*texts) == payload.ratio(*texts, **{option: default})


def test_query_defaults_at_their_limits_load(tmp_path):
    limits = {"max_span_chars": 256, "max_paths": 16384, "max_readings_per_segment": 256, "longest_match_only": True}
    for language in LANGUAGES:
        write_bundle(tmp_path / language, language, edit=lambda m: m["query_defaults"].update(limits))
        text = "重庆" if language == "zh" else "東京"
        assert load(language, str(tmp_path / language)).distance(text, text) == 0


def set_in(path, value):
    """An edit that sets metadata[path...] to value, or deletes it for DELETE."""

    def edit(m, directory=None):
        *parents, key = path.split(".")
        for parent in parents:
            m = m[parent] if not parent.isdigit() else m[int(parent)]
        if value is DELETE:
            del m[key]
        elif key.isdigit():
            m[int(key)] = value
        else:
            m[key] = value

    return edit


DELETE = object()
LICENCE_PATH = "license.references.0.path"
# (id, languages, edits, expected message from the context `c`).
FAILURES = [
    ("schema", "ja zh", [set_in("schema_version", 2)], lambda c: f"unsupported {c.name} metadata schema version 2"),
    ("type", "ja zh", [set_in("artifact_type", "lumra.other")], lambda c: f'unsupported {c.name} artifact type "lumra.other"'),
    ("licence-escapes", "ja zh", [set_in(LICENCE_PATH, "../LICENSE")], lambda c: c.outside("../LICENSE")),
    ("licence-missing", "ja zh", [set_in(LICENCE_PATH, "NOTICE")], lambda c: f"missing license reference Licence text at {c.dir}/NOTICE"),
    ("licence-directory", "ja zh", [set_in(LICENCE_PATH, "docs")], lambda c: f"missing license reference Licence text at {c.dir}/docs"),
    ("payload-parent", "ja zh", [set_in("payload.path", "../payload.yaml")], lambda c: c.outside("../payload.yaml")),
    ("payload-absolute", "ja zh", [set_in("payload.path", "/tmp/payload.yaml")], lambda c: c.outside("/tmp/payload.yaml")),
    ("payload-drive", "ja zh", [set_in("payload.path", "C:payload.yaml")], lambda c: c.outside("C:payload.yaml")),
    ("payload-backslash", "ja zh", [set_in("payload.path", "dir\\payload.yaml")], lambda c: c.outside("dir\\payload.yaml")),
    ("digest-alone", "ja zh", [set_in("payload.file_digest_algorithm", None)], lambda c: c.unpaired),
    ("algorithm-alone", "ja zh", [set_in("payload.file_digest", DELETE)], lambda c: c.unpaired),
    ("digest-algorithm", "ja zh", [set_in("payload.file_digest_algorithm", "sha1-file-v1")], lambda c: f'unsupported {c.digest_prefix}payload file digest algorithm "sha1-file-v1"'),
    ("digest-upper-case", "ja zh", [lambda m: m["payload"].update(file_digest=m["payload"]["file_digest"].upper())], lambda c: c.digest_mismatch(c.digest.upper())),
    ("digest-wrong", "ja zh", [set_in("payload.file_digest", "0" * 64)], lambda c: c.digest_mismatch("0" * 64)),
    ("digest-of-missing-payload", "ja zh", [set_in("payload.path", "gone.yaml")], lambda c: "No such file or directory (os error 2)"),
    ("missing-payload", "ja zh", [set_in("payload.path", "gone.yaml"), set_in("payload.file_digest", None), set_in("payload.file_digest_algorithm", None)], lambda c: f"failed to read {c.loader}: No such file or directory (os error 2)"),
    ("format", "ja zh", [set_in("payload.format", "YAML")], lambda c: 'unsupported payload_format "YAML"; expected ' + ("'yaml', 'binary', or 'indexed'" if c.language == "ja" else "'yaml' or 'indexed'")),
    ("checksum-algorithm", "ja zh", [set_in("payload.checksum_algorithm", "SHA256-canonical-v1")], lambda c: 'unsupported checksum algorithm "SHA256-canonical-v1"'),
    ("checksum", "ja zh", [set_in("payload.checksum", "0" * 64)], lambda c: c.checksum_mismatch("0" * 64)),
    ("checksum-upper-case", "ja zh", [lambda m: m["payload"].update(checksum=m["payload"]["checksum"].upper())], lambda c: c.checksum_mismatch(c.checksum.upper())),
    ("entries", "ja zh", [set_in("build.entries", 99)], lambda c: f"entry count mismatch: metadata has 99, payload has {c.entries}"),
    ("max-span-chars", "ja zh", [set_in("query_defaults.max_span_chars", 257)], lambda c: c.limit("max_span_chars", 257, 256)),
    ("max-paths", "ja zh", [set_in("query_defaults.max_paths", 16385)], lambda c: c.limit("max_paths", 16385, 16384)),
    ("max-readings", "ja zh", [set_in("query_defaults.max_readings_per_segment", 257)], lambda c: c.limit("max_readings_per_segment", 257, 256)),
    ("view", "zh", [set_in("build.pinyin_view", "normal")], lambda c: "pinyin view mismatch: metadata has normal, payload has no-tone"),
    ("fnv-for-zh", "zh", [set_in("payload.checksum_algorithm", "fnv1a64-canonical-v1")], lambda c: 'unsupported checksum algorithm "fnv1a64-canonical-v1"'),
    # Several wrong at once: the first in the order of the checks decides.
    ("schema-and-licence", "ja zh", [set_in("schema_version", 0), set_in(LICENCE_PATH, "NOTICE")], lambda c: f"unsupported {c.name} metadata schema version 0"),
    ("type-and-payload-path", "ja zh", [set_in("artifact_type", "x"), set_in("payload.path", "/x")], lambda c: f'unsupported {c.name} artifact type "x"'),
    ("licence-and-payload-path", "ja zh", [set_in(LICENCE_PATH, "a\\b"), set_in("payload.path", "/x")], lambda c: c.outside("a\\b")),
    ("digest-and-checksum", "ja zh", [set_in("payload.file_digest", "f" * 64), set_in("payload.checksum", "0")], lambda c: c.digest_mismatch("f" * 64)),
    ("checksum-and-entries-ja", "ja", [set_in("payload.checksum", "0"), set_in("build.entries", 99)], lambda c: c.checksum_mismatch("0")),
    ("checksum-and-entries-zh", "zh", [set_in("payload.checksum", "0"), set_in("build.entries", 99)], lambda c: f"entry count mismatch: metadata has 99, payload has {c.entries}"),
    ("fnv-and-view-zh", "zh", [set_in("payload.checksum_algorithm", "fnv1a64-canonical-v1"), set_in("build.pinyin_view", "tone3")], lambda c: "pinyin view mismatch: metadata has tone3, payload has no-tone"),
    ("checksum-and-limit", "ja zh", [set_in("payload.checksum", "0"), set_in("query_defaults.max_paths", 16385)], lambda c: c.checksum_mismatch("0")),
    ("span-and-paths", "ja zh", [set_in("query_defaults.max_span_chars", 300), set_in("query_defaults.max_paths", 20000)], lambda c: c.limit("max_span_chars", 300, 256)),
]


def outside(path):
    quoted = path.replace("\\", "\\\\")
    return f'bundle path "{quoted}" must be relative and stay inside the bundle'


class Context:
    def __init__(self, language, directory, data):
        self.language, self.dir = language, str(directory)
        texts = LANGUAGES[language]
        self.name, self.digest_prefix, self.loader = texts["name"], texts["digest_prefix"], texts["loader"]
        self.unpaired = f"{self.digest_prefix}payload file digest algorithm and digest must be provided together"
        self.digest = hashlib.sha256((directory / "payload.yaml").read_bytes()).hexdigest()
        self.checksum = checksum(language, ENTRIES[language])
        self.entries = len(ENTRIES[language])
        self.limit_prefix = texts["limit"]

    outside = staticmethod(outside)

    def digest_mismatch(self, written):
        return f"payload file digest mismatch: metadata has {written}, recomputed {self.digest}"

    def checksum_mismatch(self, written):
        return f"payload checksum mismatch: metadata has {written}, recomputed {self.checksum}"

    def limit(self, field, value, limit):
        return f"{self.limit_prefix} {field} length/count {value} exceeds limit {limit}"


@pytest.mark.parametrize(
    "language, edits, expect",
    [pytest.param(lang, edits, expect, id=f"{name}-{lang}") for name, langs, edits, expect in FAILURES for lang in langs.split()],
)
def test_failures_report_the_first_failing_check(tmp_path, language, edits, expect):
    (tmp_path / "docs").mkdir()

    def edit(m):
        for one in edits:
            one(m)

    data = write_bundle(tmp_path, language, edit=edit)
    assert outcome(lambda: load(language, str(tmp_path))) == ("ValueError", expect(Context(language, tmp_path, data)))


@pytest.mark.parametrize("language", LANGUAGES)
def test_metadata_that_cannot_be_read(tmp_path, language):
    cls = LANGUAGES[language]["cls"]
    write_bundle(tmp_path, language)
    (tmp_path / "bad.yaml").write_bytes(b"schema_version: 1\nartifact_name: \xff\n")
    assert outcome(lambda: cls.load_bundle(str(tmp_path / "bad.yaml"))) == ("ValueError", "stream did not contain valid UTF-8")
    assert outcome(lambda: cls.load_bundle(str(tmp_path / "none.yaml"))) == ("ValueError", "No such file or directory (os error 2)")
    (tmp_path / "empty" / "metadata.yaml").mkdir(parents=True)
    assert outcome(lambda: cls.load_bundle(str(tmp_path / "empty"))) == ("ValueError", "Is a directory (os error 21)")
    # A metadata file without an end is cut off at 16 MiB, not read into memory whole.
    too_large = f"{LANGUAGES[language]['limit']} metadata_bytes length/count 16842752 exceeds limit 16777216"
    assert outcome(lambda: cls.load_bundle("/dev/zero")) == ("ValueError", too_large)
    del_generator = (tmp_path / "metadata.yaml").read_text().replace('"generator": "tests", ', "")
    (tmp_path / "metadata.yaml").write_text(del_generator)
    kind, text = outcome(lambda: cls.load_bundle(str(tmp_path)))
    assert kind == "ValueError" and text.startswith("missing field `generator`")


@pytest.mark.parametrize("language", LANGUAGES)
def test_paths_with_dot_and_empty_components_are_accepted(tmp_path, language):
    (tmp_path / "sub").mkdir()

    def edit(m):
        m["payload"]["path"] = "sub//payload.yaml"
        m["license"]["references"] = [{"label": "a", "path": "./LICENSE"}, {"label": "b", "path": "sub/./../sub//NOTICE"}]

    write_bundle(tmp_path, language, edit=edit)
    (tmp_path / "payload.yaml").rename(tmp_path / "sub" / "payload.yaml")
    (tmp_path / "sub" / "NOTICE").write_text("notice\n")
    # ".." is refused even where it would come back inside.
    assert outcome(lambda: load(language, str(tmp_path))) == ("ValueError", outside("sub/./../sub//NOTICE"))
    data = write_bundle(tmp_path / "again", language, edit=edit)
    (tmp_path / "again" / "sub").mkdir()
    (tmp_path / "again" / "payload.yaml").rename(tmp_path / "again" / "sub" / "payload.yaml")
    data["license"]["references"].pop()
    write_metadata(tmp_path / "again" / "metadata.yaml", data)
    assert load(language, str(tmp_path / "again" / "metadata.yaml")).artifact_name == f"test-{language}"


@pytest.mark.parametrize("language", LANGUAGES)
def test_bundle_directory_from_the_metadata_path_or_given(tmp_path, language, monkeypatch):
    data = write_bundle(tmp_path / "bundle", language)
    elsewhere = write_metadata(tmp_path / "elsewhere.yaml", data)
    # Relative paths follow bundle_dir, not the metadata file's directory.
    assert outcome(lambda: load(language, elsewhere)) == ("ValueError", f"missing license reference Licence text at {tmp_path}/LICENSE")
    assert load(language, elsewhere, str(tmp_path / "bundle")).artifact_name == f"test-{language}"
    assert outcome(lambda: load(language, elsewhere, None)) == outcome(lambda: load(language, elsewhere))
    monkeypatch.chdir(tmp_path / "bundle")
    assert load(language, "metadata.yaml").source_name == "test-source"
    assert load(language, ".").source_name == "test-source"


@pytest.mark.parametrize("language", LANGUAGES)
def test_checksum_follows_content_not_entry_order_but_reading_order(tmp_path, language):
    entries = ENTRIES[language]
    reversed_entries = dict(reversed(list(entries.items())))
    write_bundle(tmp_path / "reversed", language, entries=reversed_entries)
    assert checksum(language, reversed_entries) == checksum(language, entries)
    assert load(language, str(tmp_path / "reversed")) is not None

    swapped = {s: list(reversed(r)) for s, r in entries.items()}
    assert canonical_text(language, swapped) != canonical_text(language, entries)
    write_bundle(tmp_path / "swapped", language, entries=swapped, edit=lambda m: m["payload"].update(checksum=checksum(language, entries)))
    expected = f"payload checksum mismatch: metadata has {checksum(language, entries)}, recomputed {checksum(language, swapped)}"
    assert outcome(lambda: load(language, str(tmp_path / "swapped"))) == ("ValueError", expected)


@pytest.mark.parametrize("language", LANGUAGES)
def test_one_metadata_verifies_every_payload_format_of_the_same_content(tmp_path, language):
    data = write_bundle(tmp_path, language)
    for payload_format in LANGUAGES[language]["formats"][1:]:
        name = f"payload.{payload_format}"
        digest = write_payload_file(tmp_path / name, language, ENTRIES[language], payload_format)
        data["payload"].update(path=name, format=payload_format, file_digest=digest)
        write_metadata(tmp_path / "metadata.yaml", data)
        assert load(language, str(tmp_path)).artifact_name == f"test-{language}"


def test_zh_payload_view_alias_checks_as_its_canonical_name(tmp_path):
    data = write_bundle(tmp_path, "zh")
    digest = write_payload_file(tmp_path / "payload.yaml", "zh", ENTRIES["zh"], "yaml", view="normal")
    data["payload"]["file_digest"] = digest
    write_metadata(tmp_path / "metadata.yaml", data)
    assert load("zh", str(tmp_path)).pinyin_view == "no-tone"


@pytest.mark.parametrize("language", LANGUAGES)
def test_licence_files_are_judged_after_following_links(tmp_path, language):
    refs = [{"label": "linked", "path": "LINKED"}, {"label": "to a directory", "path": "DIR"}]
    write_bundle(tmp_path, language, edit=lambda m: m["license"].update(references=refs))
    (tmp_path / "LINKED").symlink_to(tmp_path / "LICENSE")
    (tmp_path / "DIR").symlink_to(tmp_path)
    assert outcome(lambda: load(language, str(tmp_path))) == ("ValueError", f"missing license reference to a directory at {tmp_path}/DIR")


def large_entries(language, count=30_000):
    """Entries whose canonical text runs past the few megabytes beyond which
    its SHA-256 is taken on a thread of its own."""
    syllables = ["zhong", "qing", "chong", "xing", "hang"] if language == "zh" else list("あいうえおかきくけこさしすせそ")

    def reading(n):
        return "".join(syllables[(n >> (3 * k)) % len(syllables)] for k in range(8 if language == "ja" else 4))

    return {chr(0x4E00 + i % 4000) + chr(0x6000 + i // 4000): [reading(i), reading(i) + syllables[0]] for i in range(count)}


@pytest.mark.parametrize("language, payload_format", FORMATS)
def test_large_payloads_check_from_several_threads_at_once(tmp_path, language, payload_format):
    import threading

    entries = large_entries(language)
    assert len(canonical_text(language, entries)) > 1 << 20
    data = write_bundle(tmp_path, language, payload_format, entries=entries)
    data["payload"]["checksum"] = "0" * 64
    write_metadata(tmp_path / "bad.yaml", data)
    results = [None] * 4

    def worker(k):
        metadata = tmp_path / ("metadata.yaml" if k % 2 else "bad.yaml")
        results[k] = outcome(lambda: load(language, str(metadata)).artifact_name)

    threads = [threading.Thread(target=worker, args=(k,)) for k in range(len(results))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    mismatch = f"payload checksum mismatch: metadata has {'0' * 64}, recomputed {checksum(language, entries)}"
    assert results == [("ValueError", mismatch), f"test-{language}"] * 2
