#!/usr/bin/python3
"""Checks the winget manifest that scripts/package wrote into a dist folder: each file against
the published schema of its kind (winget-schema/), the three files against each other, and
against the package: the setup's SHA-256 computed again, its address, the switches.

    winget_check.py <dist folder> [<expected release URL>]

Without a release URL the address must be the marked placeholder. Debian's python3-yaml and
python3-jsonschema (hence /usr/bin/python3). The last line says how it went; the exit status
is 0 only when every check passed."""
import hashlib
import json
import pathlib
import re
import sys

import jsonschema
import yaml

SCHEMAS = pathlib.Path(__file__).resolve().parent / "winget-schema"
ID = "VeskarProject.Veskar"
checks = failed = 0


def check(what, passed, detail=""):
    global checks, failed
    checks += 1
    if passed:
        print(f"  ok: {what}")
    else:
        failed += 1
        print(f"  FAILED: {what}" + (f": {detail}" if detail else ""))


def main():
    dist = pathlib.Path(sys.argv[1])
    release_url = sys.argv[2].rstrip("/") if len(sys.argv) > 2 else ""
    setups = sorted(dist.glob("Veskar-*-setup.exe"))
    check("dist holds one setup.exe", len(setups) == 1, [s.name for s in setups])
    if len(setups) != 1:
        return
    setup = setups[0]
    version = re.fullmatch(r"Veskar-(.+)-setup\.exe", setup.name).group(1)

    folder = dist / "winget"
    names = sorted(p.name for p in folder.glob("*.yaml"))
    wanted = sorted([f"{ID}.yaml", f"{ID}.installer.yaml", f"{ID}.locale.ja-JP.yaml"])
    check("winget/ holds the version, installer and ja-JP locale files", names == wanted, names)
    if names != wanted:
        return
    files = {}
    for name in names:
        doc = yaml.safe_load((folder / name).read_text(encoding="utf-8"))
        kind = doc.get("ManifestType")
        schema = json.loads((SCHEMAS / f"manifest.{kind}.1.10.0.json").read_text(encoding="utf-8"))
        errors = [f"{'/'.join(map(str, e.path))}: {e.message}"
                  for e in jsonschema.Draft7Validator(schema).iter_errors(doc)]
        check(f"{name} is a valid {kind} manifest 1.10.0", not errors, "; ".join(errors))
        files[kind] = doc
    version_doc, installer, locale = files["version"], files["installer"], files["defaultLocale"]

    ids = {(d["PackageIdentifier"], d["PackageVersion"], d["ManifestVersion"]) for d in files.values()}
    check(f"all three: {ID} {version}, manifest 1.10.0", ids == {(ID, version, "1.10.0")}, ids)
    check("the default locale is the locale file's", version_doc["DefaultLocale"] == locale["PackageLocale"])
    check("name and publisher as Apps & features shows them",
          (locale["PackageName"], locale["Publisher"]) == ("ベスカル (Veskar)", "Veskar Project"))
    switches = installer.get("InstallerSwitches", {})
    check("a per-user nullsoft installer, silent with its own /S",
          (installer["InstallerType"], installer["Scope"], switches.get("Silent"), switches.get("SilentWithProgress"))
          == ("nullsoft", "user", "/S", "/S"))
    check("exit code 32 means Veskar is running",
          {"InstallerReturnCode": 32, "ReturnResponse": "packageInUse"} in installer.get("ExpectedReturnCodes", []))

    sha = hashlib.sha256(setup.read_bytes()).hexdigest().upper()
    entries = installer["Installers"]
    check("one setup.exe for x86 and x64", sorted(e["Architecture"] for e in entries) == ["x64", "x86"])
    url = f"{release_url}/{setup.name}" if release_url else None
    for e in entries:
        check(f"{e['Architecture']}: the SHA-256 of {setup.name}", e["InstallerSha256"].upper() == sha,
              f"{e['InstallerSha256']} != {sha}")
        check(f"{e['Architecture']}: " + ("downloaded from the release" if url else "a marked placeholder address"),
              e["InstallerUrl"] == url if url else
              re.fullmatch(r"https://example\.invalid/PLACEHOLDER[^/]*/" + re.escape(setup.name), e["InstallerUrl"]),
              e["InstallerUrl"])

if __name__ == "__main__":
    try:
        main()
    except Exception as e:  # a missing key or an unreadable file is a failed check, not a trace
        check("the manifest can be read", False, repr(e))
    print(f"winget manifest: {failed} of {checks} checks FAILED" if failed
          else f"winget manifest: {checks} checks passed")
    sys.exit(1 if failed else 0)
