#!/usr/bin/env python3
"""Writes the release files of one built Rolvane.exe into a folder: the zip, SHA256SUMS, and the
winget and Scoop manifests filled in from the templates in packaging/ of the source the exe was
built from. The same inputs give the same bytes: the zip holds its files in a fixed order, with
one fixed time and fixed attributes. scripts/release calls it; run it through that script.

    release_files.py --exe EXE --source SRC --out DIR --time EPOCH [--url-base URL] [--homepage URL]
"""
import argparse
import hashlib
import json
import re
import time
import zipfile
from pathlib import Path

PLACEHOLDER = "https://example.invalid/replace-with-scripts-release---{}"
# Names in a template that are not filled in stop the release; a URL is pasted into YAML and JSON
# as it stands, so it may hold nothing that would need quoting there.
SAFE_URL = re.compile(r"https://[A-Za-z0-9._~:/?#\[\]@!$&()*+,;=%-]+")
ZIP_TIME_FLOOR = 315532800  # 1980-01-01, the first time a zip can hold
FILE_ATTRIBUTE_ARCHIVE = 0x20


def fail(message):
    raise SystemExit(f"error: {message}")


def project_version(source):
    found = re.search(r"project\(Rolvane VERSION (\d+\.\d+\.\d+)",
                      (source / "CMakeLists.txt").read_text(encoding="utf-8"))
    if not found:
        fail("no project(Rolvane VERSION x.y.z) in CMakeLists.txt")
    return found[1]


def release_notes(source, version):
    """The version's section of CHANGELOG.md, without its heading."""
    changelog = (source / "CHANGELOG.md").read_text(encoding="utf-8")
    found = re.search(rf"^## \[{re.escape(version)}\][^\n]*\n(.*?)(?=^## |\Z)", changelog,
                      re.MULTILINE | re.DOTALL)
    if not found or not found[1].strip():
        fail(f"CHANGELOG.md has no section for {version}")
    return found[1].strip()


def windows_text(path):
    """A text file as Notepad expects it: UTF-8 with CRLF line ends."""
    return path.read_text(encoding="utf-8").replace("\r\n", "\n").replace("\n", "\r\n").encode()


def fill(template, values):
    def value(match):
        if match[1] not in values:
            fail(f"{template.name}: @{match[1]}@ has no value")
        return values[match[1]]

    return re.sub(r"@([A-Z][A-Z0-9_]*)@", value, template.read_text(encoding="utf-8"))


def write_zip(path, members, when):
    stamp = time.gmtime(max(when, ZIP_TIME_FLOOR))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in members:
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0  # attributes as Windows reads them, whoever packs the zip
            entry.external_attr = FILE_ATTRIBUTE_ARCHIVE
            archive.writestr(entry, data, compresslevel=9)


def clear_earlier_release(out):
    """Only the files this script writes: --out may name a folder that holds other things."""
    for pattern in ("Rolvane-*-win-x64.zip", "SHA256SUMS", "winget/*.yaml", "scoop/*.json"):
        for earlier in out.glob(pattern):
            earlier.unlink()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--time", type=int, required=True, help="seconds since 1970, UTC")
    parser.add_argument("--url-base", default=PLACEHOLDER.format("url-base"))
    parser.add_argument("--homepage", default=PLACEHOLDER.format("homepage"))
    arguments = parser.parse_args()
    for option, url in (("--url-base", arguments.url_base), ("--homepage", arguments.homepage)):
        if not SAFE_URL.fullmatch(url):
            fail(f"{option} must be an https address without quotes, blanks or backslashes: {url!r}")

    source, out = arguments.source, arguments.out
    version = project_version(source)
    zip_name = f"Rolvane-{version}-win-x64.zip"
    out.mkdir(parents=True, exist_ok=True)
    clear_earlier_release(out)
    readme = fill(source / "packaging" / "README.txt", {"VERSION": version})
    write_zip(out / zip_name, [("Rolvane.exe", arguments.exe.read_bytes()),
                               ("LICENSE.txt", windows_text(source / "LICENSE")),
                               ("README.txt", readme.replace("\n", "\r\n").encode())],
              arguments.time)
    digest = hashlib.sha256((out / zip_name).read_bytes()).hexdigest()
    (out / "SHA256SUMS").write_text(f"{digest}  {zip_name}\n")

    notes = release_notes(source, version)
    values = {
        "VERSION": version,
        "URL": f"{arguments.url_base.rstrip('/')}/{zip_name}",
        "HOMEPAGE": arguments.homepage,
        "SHA256": digest,
        "SHA256_UPPER": digest.upper(),
        "RELEASE_NOTES": "\n".join("  " + line if line else "" for line in notes.splitlines()),
    }
    for template in sorted((source / "packaging").glob("*/*.in")):
        target = out / template.parent.name / template.name.removesuffix(".in")
        target.parent.mkdir(exist_ok=True)
        target.write_text(fill(template, values))
    json.loads((out / "scoop" / "rolvane.json").read_text())  # a template fault shows here
    print(f"{digest}  {zip_name}")


if __name__ == "__main__":
    main()
