"""The release as a user and a packager get it: scripts/release packs build/win's Rolvane.exe
twice; the zip, its hashes and both manifests are checked as sha256sum, winget and Scoop read
them, and the zip's program starts under Wine."""
import filecmp
import hashlib
import json
import re
import struct
import subprocess
import zipfile

import pytest
import yaml

from desktop import ROOT, VERSION, WIN_DIR, WORK

URL_BASE = "https://downloads.example/rolvane/v" + VERSION
ZIP = f"Rolvane-{VERSION}-win-x64.zip"


@pytest.fixture(scope="module")
def dist():
    for run in ("dist", "again"):
        subprocess.run([ROOT / "scripts" / "release", "--exe", WIN_DIR / "Rolvane.exe", "--out",
                        WORK / run, "--url-base", URL_BASE], check=True, capture_output=True)
    comparison = filecmp.dircmp(WORK / "dist", WORK / "again")
    assert not comparison.diff_files and not comparison.left_only, "two runs differ"
    return WORK / "dist"


def version_info(exe):
    """The fixed file and product versions and the string table's FileVersion and ProductVersion."""
    signature = exe.find(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", exe, signature + 8)
    strings = {}
    for name in ("FileVersion", "ProductVersion"):
        key = re.escape((name + "\0").encode("utf-16-le"))
        strings[name] = re.search(key + b"(?:\0\0)*((?:[^\0].|\0[^\0])*)\0\0", exe, re.S)[1]
    return ([file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF],
            [product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF],
            {name: text.decode("utf-16-le") for name, text in strings.items()})


def test_the_zip_and_its_hashes_are_what_a_user_checks(dist):
    with zipfile.ZipFile(dist / ZIP) as archive:
        assert archive.namelist() == ["Rolvane.exe", "LICENSE.txt", "README.txt"]
        exe = archive.read("Rolvane.exe")
        license_text, readme = archive.read("LICENSE.txt"), archive.read("README.txt").decode()
    assert exe == (WIN_DIR / "Rolvane.exe").read_bytes()
    assert b"MIT License\r\n\r\nCopyright (c) 2026 The Rolvane authors\r\n" in license_text
    assert f"Version {VERSION}." in readme and "Rolvane.exe --uninstall" in readme
    assert subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist).returncode == 0
    numbers = [int(part) for part in VERSION.split(".")] + [0]
    assert version_info(exe) == (numbers, numbers, {"FileVersion": VERSION + ".0",
                                                    "ProductVersion": VERSION})


def test_the_manifests_carry_what_winget_and_scoop_require(dist):
    digest = hashlib.sha256((dist / ZIP).read_bytes()).hexdigest()
    required = {"version": {"DefaultLocale"},
                "installer": {"InstallerType", "NestedInstallerType", "NestedInstallerFiles",
                              "Installers"},
                "defaultLocale": {"PackageLocale", "Publisher", "PackageName", "License",
                                  "ShortDescription", "ReleaseNotes"}}
    manifests = {}
    for path in (dist / "winget").glob("*.yaml"):
        manifest = yaml.safe_load(path.read_text())
        manifests[manifest["ManifestType"]] = manifest
        assert path.name.startswith(manifest["PackageIdentifier"] + ".")
        assert (manifest["PackageVersion"], manifest["ManifestVersion"]) == (VERSION, "1.6.0")
        assert required[manifest["ManifestType"]] <= manifest.keys(), path.name
    assert manifests.keys() == required.keys()
    installer = manifests["installer"]
    assert (installer["InstallerType"], installer["NestedInstallerType"]) == ("zip", "portable")
    assert installer["NestedInstallerFiles"] == [{"RelativeFilePath": "Rolvane.exe",
                                                  "PortableCommandAlias": "rolvane"}]
    assert installer["Installers"] == [{"Architecture": "x64", "InstallerUrl": f"{URL_BASE}/{ZIP}",
                                        "InstallerSha256": digest.upper()}]
    assert manifests["defaultLocale"]["License"] == "MIT"

    scoop = json.loads((dist / "scoop" / "rolvane.json").read_text())
    assert {"description", "homepage", "license", "bin", "shortcuts"} <= scoop.keys()
    assert scoop["version"] == VERSION
    assert scoop["architecture"] == {"64bit": {"url": f"{URL_BASE}/{ZIP}", "hash": digest}}
    assert scoop["shortcuts"][0][0] == scoop["bin"] == "Rolvane.exe"
    assert "Rolvane.exe\" -ArgumentList '--uninstall'" in scoop["pre_uninstall"]


def test_the_zipped_program_starts_under_wine(dist, desktop, start):
    with zipfile.ZipFile(dist / ZIP) as archive:
        archive.extract("Rolvane.exe", WORK / "unzipped")
    start(exe=WORK / "unzipped" / "Rolvane.exe")
    desktop.wait_for_info("visible", 1)
