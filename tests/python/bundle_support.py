"""Bundles written by the tests: a payload in any format, a licence file and
a metadata.yaml whose checksum is computed here, independently of the
library, from the canonical text of the entries."""

import hashlib
import json

import _lumra
import _lumra_payload_writer
from dictionary_support import JA_PAYLOAD_TYPE, ZH_PAYLOAD_TYPE, binary_payload, write_payload

LANGUAGES = {
    "ja": {
        "cls": _lumra.JapaneseDictionary,
        "name": "Japanese",
        "type": "lumra.unidic.reading-index",
        "header": "lumra.unidic.reading-index.surface-readings/v1",
        "payload_type": JA_PAYLOAD_TYPE,
        "limit": "UniDic artifact",
        "loader": "UniDic artifact payload",
        "digest_prefix": "",
        "formats": ["yaml", "binary", "indexed"],
    },
    "zh": {
        "cls": _lumra.ChineseDictionary,
        "name": "zh",
        "type": "lumra.zh.reading-index",
        "header": "lumra.zh.reading-index.surface-readings/v1",
        "payload_type": ZH_PAYLOAD_TYPE,
        "limit": "zh artifact",
        "loader": "zh artifact payload",
        "digest_prefix": "zh ",
        "formats": ["yaml", "indexed"],
    },
}

ENTRIES = {
    "ja": {"東京": ["とうきょう"], "東": ["ひがし"], "京": ["きょう"], "日": ["ひ", "にち"]},
    "zh": {"重庆": ["chongqing"], "重": ["zhong"], "庆": ["qing"], "冲": ["chong"], "行": ["xing", "hang"]},
}


def canonical_text(language, entries, view="no-tone"):
    def field(tag, text):
        data = text.encode()
        return tag.encode() + str(len(data)).encode() + b"\n" + data + b"\n"

    # Joined once at the end: adding to one bytes object is quadratic.
    out = [LANGUAGES[language]["header"].encode() + b"\n"]
    if language == "zh":
        out.append(field("V", view))
    for surface in sorted(entries, key=str.encode):
        readings = entries[surface]
        out.append(field("S", surface) + f"R{len(readings)}\n".encode())
        out.extend(field("r", r) for r in readings)
    return b"".join(out)


def fnv1a64(data):
    value = 14695981039346656037
    for byte in data:
        value = ((value ^ byte) * 1099511628211) % 2**64
    return f"{value:016x}"


def checksum(language, entries, algorithm="sha256-canonical-v1", view="no-tone"):
    text = canonical_text(language, entries, view)
    return fnv1a64(text) if algorithm == "fnv1a64-canonical-v1" else hashlib.sha256(text).hexdigest()


def write_payload_file(path, language, entries, payload_format, view="no-tone"):
    """`entries` in `payload_format` at `path`; returns the file's SHA-256."""
    extra = {"pinyin_view": view} if language == "zh" else {}
    if payload_format == "binary":
        binary_payload(path, entries)
    elif payload_format == "indexed":
        source = path.with_name(path.name + ".source.yaml")
        write_payload(source, LANGUAGES[language]["payload_type"], entries, **extra)
        _lumra_payload_writer.write_indexed(language, str(source), str(path))
        source.unlink()
    else:
        write_payload(path, LANGUAGES[language]["payload_type"], entries, **extra)
    return hashlib.sha256(path.read_bytes()).hexdigest()


def metadata(language, entries, payload_path, payload_format, digest):
    build = (
        {"reading_field": "kana", "exclude_ascii_surfaces": True, "exclude_symbol_pos": True}
        if language == "ja"
        else {"pinyin_view": "no-tone"}
    )
    build["entries"] = len(entries)
    source = {"name": "test-source", "version": "1"}
    source["lex_csv" if language == "ja" else "cedict"] = "lex.csv"
    return {
        "schema_version": 1,
        "artifact_type": LANGUAGES[language]["type"],
        "artifact_name": f"test-{language}",
        "generator": "tests",
        "payload": {
            "path": payload_path,
            "format": payload_format,
            "file_digest_algorithm": "sha256-file-v1",
            "file_digest": digest,
            "checksum_algorithm": "sha256-canonical-v1",
            "checksum": checksum(language, entries),
        },
        "source": source,
        "build": build,
        "query_defaults": {"max_span_chars": 8, "max_paths": 1024, "longest_match_only": False},
        "license": {
            "selected_license": "test",
            "references": [{"label": "Licence text", "path": "LICENSE"}],
        },
    }


def write_metadata(path, data):
    """YAML written as JSON, which YAML reads; None is YAML's null."""
    path.write_text(json.dumps(data, ensure_ascii=False), encoding="utf-8")
    return str(path)


def write_bundle(directory, language, payload_format="yaml", entries=None, edit=None):
    """A complete, valid bundle in `directory`, with `edit(metadata)` applied
    to its metadata before it is written; returns the metadata."""
    entries = ENTRIES[language] if entries is None else entries
    directory.mkdir(parents=True, exist_ok=True)
    (directory / "LICENSE").write_text("licence\n")
    name = f"payload.{payload_format}"
    digest = write_payload_file(directory / name, language, entries, payload_format)
    data = metadata(language, entries, name, payload_format, digest)
    if edit is not None:
        edit(data)
    write_metadata(directory / "metadata.yaml", data)
    return data
