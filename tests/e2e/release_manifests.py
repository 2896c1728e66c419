#!/usr/bin/env python3
"""The package-manager manifests of release folders describe those very folders: every hash,
URL, version and switch in the winget (YAML) and Scoop (JSON) manifests is checked against the
files, the configured primary server, and the switches the installer script documents and reads.

    release_manifests.py INSTALLER.nsi PRIMARY-BASE-URL RELEASE-DIR...
"""
import hashlib
import json
import os
import re
import sys

import yaml

ID = "CifronaProject.Cifrona"


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def installer_switches(nsi_path):
    """The switches the installer's header documents and its code reads, and NSIS's own."""
    text = open(nsi_path, encoding="utf-8").read()
    documented = set(re.findall(r"^;\s+(/[A-Z]+=?)", text, re.M))
    read = set(re.findall(r'\$\{GetOptions\} \$R0 "(/[A-Z]+=?)"', text))
    uninstall_key = re.search(r'!define UNINST_KEY ".*\\Uninstall\\\$\{APP\}"', text)
    app = re.search(r'!define APP "([^"]+)"', text).group(1)
    scope_user = "RequestExecutionLevel user" in text and '"$LOCALAPPDATA\\Programs\\' in text
    return documented & read | {"/S", "/D="}, app if uninstall_key else None, scope_user


def check_release(release, nsi, base, errors):
    def fail(msg):
        errors.append(f"{release}: {msg}")

    dest = os.path.join(release, "download", "Cifrona")
    version = open(os.path.join(dest, "version.txt")).read().strip()
    sig_arch = re.search(r"^arch=(x86|x64)$", open(os.path.join(dest, "Cifrona-setup.exe.sig")).read(), re.M).group(1)
    url = base + "Cifrona/"
    switches, product_code, scope_user = installer_switches(nsi)
    winget = os.path.join(release, "manifests", "winget")
    docs = {}
    for kind, name in (("version", f"{ID}.yaml"), ("installer", f"{ID}.installer.yaml"),
                       ("defaultLocale", f"{ID}.locale.en-US.yaml")):
        path = os.path.join(winget, name)
        if not os.path.isfile(path):
            fail(f"no winget {kind} manifest {name}")
            continue
        doc = yaml.safe_load(open(path, encoding="utf-8"))
        docs[kind] = doc
        for key, want in (("PackageIdentifier", ID), ("PackageVersion", version), ("ManifestType", kind)):
            if doc.get(key) != want:
                fail(f"{name}: {key} is {doc.get(key)!r}, not {want!r}")
        schema = doc.get("ManifestVersion", "")
        if not re.fullmatch(r"1\.\d+\.0", str(schema)) or f"winget-manifest.{kind}.{schema}.schema.json" not in open(path).read():
            fail(f"{name}: ManifestVersion {schema!r} and its schema line disagree")
    if len(docs) < 3:
        return
    if len({d["ManifestVersion"] for d in docs.values()}) != 1:
        fail("the winget manifests name different schema versions")
    if docs["version"].get("DefaultLocale") != docs["defaultLocale"].get("PackageLocale"):
        fail("the default locale has no locale manifest")
    for key in ("Publisher", "PackageName", "License", "ShortDescription"):
        if not docs["defaultLocale"].get(key):
            fail(f"the locale manifest lacks {key}")

    inst = docs["installer"]
    if inst.get("InstallerType") != "nullsoft":
        fail(f"InstallerType {inst.get('InstallerType')!r}: the installer is NSIS's")
    if inst.get("Scope") != "user" or not scope_user:
        fail("the installer and the manifest disagree on the per-user scope")
    if inst.get("ProductCode") != product_code:
        fail(f"ProductCode {inst.get('ProductCode')!r}: the installer registers under Uninstall\\{product_code}")
    for entry in inst.get("AppsAndFeaturesEntries", []):
        if entry.get("ProductCode") != product_code or entry.get("DisplayVersion") != version:
            fail(f"AppsAndFeaturesEntries {entry} do not match the installer's entry")
    for mode, line in inst.get("InstallerSwitches", {}).items():
        for switch in line.split():
            name = re.match(r"/[A-Z]+=?", switch)
            if not name or name.group(0) not in switches:
                fail(f"InstallerSwitches.{mode}: {switch} is not a switch the installer takes ({sorted(switches)})")
    for mode in ("Silent", "SilentWithProgress"):
        if mode not in inst.get("InstallerSwitches", {}):
            fail(f"no {mode} switches")
    installers = inst.get("Installers", [])
    if len(installers) != 1:
        fail(f"{len(installers)} installers, expected the one of the release folder")
    else:
        one = installers[0]
        if one.get("InstallerUrl") != url + "Cifrona-setup.exe":
            fail(f"InstallerUrl {one.get('InstallerUrl')!r}, expected {url}Cifrona-setup.exe")
        if str(one.get("InstallerSha256", "")).lower() != sha256(os.path.join(dest, "Cifrona-setup.exe")):
            fail("InstallerSha256 is not the installer's")
        if one.get("Architecture") != sig_arch:
            fail(f"Architecture {one.get('Architecture')!r}, the release is {sig_arch}")

    path = os.path.join(release, "manifests", "scoop", "cifrona.json")
    if not os.path.isfile(path):
        fail("no Scoop manifest")
        return
    scoop = json.load(open(path, encoding="utf-8"))
    bits = {"x86": "32bit", "x64": "64bit"}[sig_arch]
    if scoop.get("version") != version:
        fail(f"Scoop version {scoop.get('version')!r}, the release is {version}")
    arch = scoop.get("architecture", {})
    if set(arch) != {bits}:
        fail(f"Scoop architectures {sorted(arch)}, the release is {bits}")
    else:
        if arch[bits].get("url") != url + "Cifrona.zip":
            fail(f"Scoop url {arch[bits].get('url')!r}, expected {url}Cifrona.zip")
        if arch[bits].get("hash") != sha256(os.path.join(dest, "Cifrona.zip")):
            fail("the Scoop hash is not the archive's")
    persist = scoop.get("persist")
    if "Config" not in ([persist] if isinstance(persist, str) else persist or []):
        fail("Scoop does not persist Config: an update would lose the settings")
    if scoop.get("checkver", {}).get("url") != url + "version.txt":
        fail("checkver does not read the server's version.txt")
    if not re.search(scoop.get("checkver", {}).get("regex", "^$"), version):
        fail("checkver's pattern does not find the version")
    auto = scoop.get("autoupdate", {}).get("architecture", {}).get(bits, {})
    if auto.get("url") != url + "Cifrona.zip":
        fail("autoupdate's URL pattern is not the archive's")
    sig_hash = auto.get("hash", {})
    sig_text = open(os.path.join(dest, "Cifrona.zip.sig")).read()
    pattern = sig_hash.get("regex", "").replace("$sha256", "([a-fA-F0-9]{64})")
    found = re.search(pattern, sig_text) if sig_hash.get("url") == "$url.sig" and pattern else None
    if not found or found.group(1) != sha256(os.path.join(dest, "Cifrona.zip")):
        fail("autoupdate does not find the archive's hash in its .sig")


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    nsi, base, releases = sys.argv[1], sys.argv[2], sys.argv[3:]
    errors = []
    for release in releases:
        if not os.path.isdir(os.path.join(release, "download", "Cifrona")):
            errors.append(f"{release} holds no release (tools/test.sh makes it)")
            continue
        check_release(release, nsi, base, errors)
    for e in errors:
        print(f"FAIL: {e}", file=sys.stderr)
    if not errors:
        print(f"ok: the manifests of {', '.join(releases)} describe their files")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
