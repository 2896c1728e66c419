#!/usr/bin/env python3
"""Writes the package-manager manifests of a release folder (tools/release.sh runs it):

    OUT/manifests/winget/<Id>.yaml, <Id>.installer.yaml, <Id>.locale.en-US.yaml
    OUT/manifests/scoop/cifrona.json

    manifests.py OUT BASE-URL ARCH COMPANY LICENSE HOMEPAGE

BASE-URL is the primary update server's download folder (CIFRONA_UPDATE_URL_PRIMARY), under
which the release folder's download/Cifrona/ is served; ARCH is x86 or x64. The version and
the hashes are read from the release folder itself, so the manifests describe its very files.
"""
import hashlib
import json
import os
import re
import sys

WINGET_SCHEMA = "1.10.0"
PACKAGE_ID = "CifronaProject.Cifrona"
# The key the installer registers its uninstall entry under (packaging/cifrona.nsi, UNINST_KEY).
PRODUCT_CODE = "Cifrona"
DESCRIPTION = "A number in large digits floating on the desktop"


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def yaml_scalar(value):
    # Quoted whenever YAML could read the text as something else (a number, a flag, a map).
    text = str(value)
    if re.fullmatch(r"[A-Za-z][A-Za-z0-9 ._/+-]*", text) and text.lower() not in ("yes", "no", "true", "false", "null", "on", "off"):
        return text
    return "'" + text.replace("'", "''") + "'"


def yaml_doc(kind, fields):
    lines = [f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{WINGET_SCHEMA}.schema.json", ""]

    def emit(obj, indent):
        pad = "  " * indent
        for key, value in obj.items():
            if isinstance(value, dict):
                lines.append(f"{pad}{key}:")
                emit(value, indent + 1)
            elif isinstance(value, list):
                lines.append(f"{pad}{key}:")
                for item in value:
                    if isinstance(item, dict):
                        first = True
                        for k, v in item.items():
                            lines.append(f"{pad}{'- ' if first else '  '}{k}: {yaml_scalar(v)}")
                            first = False
                    else:
                        lines.append(f"{pad}- {yaml_scalar(item)}")
            else:
                lines.append(f"{pad}{key}: {yaml_scalar(value)}")

    emit(fields, 0)
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 7:
        print(__doc__, file=sys.stderr)
        return 2
    out, base, arch, company, licence, homepage = sys.argv[1:]
    if arch not in ("x86", "x64") or not base.endswith("/"):
        print("manifests: ARCH is x86 or x64 and BASE-URL ends in /", file=sys.stderr)
        return 2
    dest = os.path.join(out, "download", "Cifrona")
    version = open(os.path.join(dest, "version.txt")).read().strip()
    url = base + "Cifrona/"
    common = {"PackageIdentifier": PACKAGE_ID, "PackageVersion": version}

    winget = os.path.join(out, "manifests", "winget")
    scoop = os.path.join(out, "manifests", "scoop")
    os.makedirs(winget, exist_ok=True)
    os.makedirs(scoop, exist_ok=True)
    files = {
        f"{PACKAGE_ID}.yaml": yaml_doc("version", {
            **common, "DefaultLocale": "en-US", "ManifestType": "version", "ManifestVersion": WINGET_SCHEMA}),
        f"{PACKAGE_ID}.installer.yaml": yaml_doc("installer", {
            **common,
            "InstallerType": "nullsoft",
            "Scope": "user",
            "InstallModes": ["interactive", "silent", "silentWithProgress"],
            # The installer's own switches (packaging/cifrona.nsi); /D= is NSIS's.
            "InstallerSwitches": {
                "Silent": "/VERYSILENT /SUPPRESSMSGBOXES",
                "SilentWithProgress": "/SILENT /SUPPRESSMSGBOXES",
                "InstallLocation": "/D=<INSTALLPATH>",
                "Upgrade": "/CLOSEAPPLICATIONS",
            },
            "UpgradeBehavior": "install",
            "ProductCode": PRODUCT_CODE,
            "AppsAndFeaturesEntries": [{
                "DisplayName": "Cifrona", "Publisher": company, "DisplayVersion": version, "ProductCode": PRODUCT_CODE}],
            "Installers": [{
                "Architecture": arch,
                "InstallerUrl": url + "Cifrona-setup.exe",
                "InstallerSha256": sha256(os.path.join(dest, "Cifrona-setup.exe")).upper()}],
            "ManifestType": "installer", "ManifestVersion": WINGET_SCHEMA}),
        f"{PACKAGE_ID}.locale.en-US.yaml": yaml_doc("defaultLocale", {
            **common, "PackageLocale": "en-US", "Publisher": company, "PackageName": "Cifrona",
            "PackageUrl": homepage, "License": licence, "ShortDescription": DESCRIPTION,
            "ManifestType": "defaultLocale", "ManifestVersion": WINGET_SCHEMA}),
    }
    for name, text in files.items():
        with open(os.path.join(winget, name), "w", newline="\n") as f:
            f.write(text)

    bits = "32bit" if arch == "x86" else "64bit"
    manifest = {
        "version": version,
        "description": DESCRIPTION,
        "homepage": homepage,
        "license": licence,
        "architecture": {bits: {"url": url + "Cifrona.zip", "hash": sha256(os.path.join(dest, "Cifrona.zip"))}},
        "shortcuts": [["Cifrona.exe", "Cifrona"]],
        # The portable copy keeps its settings in Config\ beside it (portable.ini marks it):
        # kept across updates.
        "persist": "Config",
        "checkver": {"url": url + "version.txt", "regex": r"([\d.]+)"},
        # The server keeps one release under fixed names; the hash is in the signed statement.
        "autoupdate": {"architecture": {bits: {"url": url + "Cifrona.zip",
                                               "hash": {"url": "$url.sig", "regex": "sha256=$sha256"}}}},
    }
    with open(os.path.join(scoop, "cifrona.json"), "w", newline="\n") as f:
        json.dump(manifest, f, indent=2)
        f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
