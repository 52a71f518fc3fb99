#!/usr/bin/python3
"""make release's winget manifest: winget_manifest.py write DIST URL | check DIST

write: reads the plug-in that DIST/ScorewaveSetup.exe carries, its version
resource (python3-pefile), the one the installer's Programs and Features entry
is made from: ProductVersion "1.20.0.0" gives the version 1.20.0, CompanyName
the publisher. So the manifest follows the plug-in and nothing is typed twice.
Writes the three files of a winget multi-file manifest (ManifestVersion 1.10.0)
to DIST/winget, with InstallerUrl URL and the installer's SHA-256. An installer
without an Authenticode signature is refused.

check: loads the three files (python3-yaml) and validates each against its
schema in tools/winget-schema-1.10.0 (draft-07, python3-jsonschema; every $ref
points inside its own file, so nothing is fetched). A key the schema does not
name is refused too: winget validate warns of an unknown field and exits
non-zero. The files agree on package, version and locale, and InstallerSha256
is the SHA-256 of DIST/ScorewaveSetup.exe.

Every text is written quoted: python3-yaml reads YAML 1.1, where 1.20 is a
number and 2026-01-31 a date, while winget reads both as text.
"""
import hashlib
import json
import os
import re
import sys
import tempfile

TOOLS = os.path.dirname(os.path.abspath(__file__))
MANIFEST_VERSION = "1.10.0"
SCHEMAS = os.path.join(TOOLS, "winget-schema-" + MANIFEST_VERSION)
PACKAGE = "Scorewave.ScorewaveViewer"
LOCALE = "en-US"
FILES = {  # ManifestType: file name, as winget-pkgs names them
    "version": PACKAGE + ".yaml",
    "installer": PACKAGE + ".installer.yaml",
    "defaultLocale": PACKAGE + ".locale." + LOCALE + ".yaml",
}
INSTALLER = "ScorewaveSetup.exe"
CARRIED_PLUGIN = ("FILE", "102")  # the resource that holds npscorew64.dll


def schema(kind):
    with open(os.path.join(SCHEMAS, "manifest.%s.%s.json" % (kind, MANIFEST_VERSION))) as f:
        return json.load(f)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest().upper()


def plugin_facts(installer):
    """(version, publisher) from the version resource of the carried plug-in."""
    import pefile

    sys.path.insert(0, TOOLS)
    import pe_resource

    security = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
    if pefile.PE(installer, fast_load=True).OPTIONAL_HEADER.DATA_DIRECTORY[security].Size == 0:
        sys.exit("%s has no Authenticode signature: sign it first (make sign)" % installer)
    with tempfile.TemporaryDirectory() as tmp:
        plugin = os.path.join(tmp, "npscorew64.dll")
        if pe_resource.main(installer, *CARRIED_PLUGIN, plugin) != 0:
            sys.exit("%s carries no plug-in" % installer)
        pe = pefile.PE(plugin)
    strings = {}
    for info in [i for group in getattr(pe, "FileInfo", []) for i in group]:
        for table in getattr(info, "StringTable", [])[:1]:
            strings = {k.decode(): v.decode() for k, v in table.entries.items()}
    text, publisher = strings.get("ProductVersion", ""), strings.get("CompanyName", "")
    numbers = re.fullmatch(r"\s*(\d+)\s*[.,]\s*(\d+)\s*[.,]\s*(\d+)(\s*[.,]\s*\d+)?\s*", text)
    if not numbers or not publisher:
        sys.exit("the carried plug-in's version resource has no usable ProductVersion"
                 " (%r) or CompanyName (%r)" % (text, publisher))
    return "%d.%d.%d" % tuple(int(n) for n in numbers.groups()[:3]), publisher


def write(dist, url):
    version, publisher = plugin_facts(os.path.join(dist, INSTALLER))
    q = json.dumps  # a JSON string is a YAML double-quoted scalar
    head = lambda kind: (
        "# yaml-language-server: $schema=%s\n" % schema(kind)["$id"]
        + "# Created with make release (tools/release.sh) from the build.\n\n"
        + "PackageIdentifier: %s\nPackageVersion: %s\n" % (q(PACKAGE), q(version)))
    tail = lambda kind: "ManifestType: %s\nManifestVersion: %s\n" % (q(kind), q(MANIFEST_VERSION))
    texts = {
        "version": "DefaultLocale: %s\n" % q(LOCALE),
        "installer": """InstallerType: "exe"
Scope: "machine"
InstallModes:
- "interactive"
- "silent"
InstallerSwitches:
  Silent: "/noui"
  SilentWithProgress: "/noui"
# Exit code 1: no plug-in file was written; the reason is in the run's log file.
ExpectedReturnCodes:
- InstallerReturnCode: 1
  ReturnResponse: "contactSupport"
UpgradeBehavior: "install"
FileExtensions:
- "mtd"
- "sgt"
UnsupportedArguments:
- "log"
- "location"
ElevationRequirement: "elevatesSelf"
AppsAndFeaturesEntries:
- DisplayName: "Scorewave Viewer"
  Publisher: %s
  DisplayVersion: %s
Installers:
- Architecture: "x64"
  InstallerUrl: %s
  InstallerSha256: %s
""" % (q(publisher), q(version), q(url), q(sha256(os.path.join(dist, INSTALLER)))),
        "defaultLocale": """PackageLocale: %s
Publisher: %s
PackageName: "Scorewave Viewer"
PackageUrl: "http://www.scorewave-music.com/"
License: "Proprietary"
ShortDescription: "Music-score viewer plug-in for web browsers"
""" % (q(LOCALE), q(publisher)),
    }
    os.makedirs(os.path.join(dist, "winget"), exist_ok=True)
    for kind, name in FILES.items():
        with open(os.path.join(dist, "winget", name), "w", newline="\n") as f:
            f.write(head(kind) + texts[kind] + tail(kind))
    print("winget manifest: %s %s by %s, in %s/winget" % (PACKAGE, version, publisher, dist))
    return 0


def refuse_unknown_keys(node):
    """The schema with additionalProperties false wherever it names properties."""
    if isinstance(node, dict):
        if "properties" in node:
            node.setdefault("additionalProperties", False)
        for value in node.values():
            refuse_unknown_keys(value)
    elif isinstance(node, list):
        for value in node:
            refuse_unknown_keys(value)
    return node


def check(dist):
    import yaml
    from jsonschema import Draft7Validator

    docs, errors = {}, []
    for kind, name in FILES.items():
        with open(os.path.join(dist, "winget", name)) as f:
            docs[kind] = yaml.safe_load(f)
        rules = refuse_unknown_keys(schema(kind))
        Draft7Validator.check_schema(rules)
        validator = Draft7Validator(rules, format_checker=Draft7Validator.FORMAT_CHECKER)
        for e in validator.iter_errors(docs[kind]):
            errors.append("%s: %s: %s" % (name, "/".join(map(str, e.absolute_path)) or "top", e.message))
    if not errors:
        for key in "PackageIdentifier", "PackageVersion":
            if len({doc[key] for doc in docs.values()}) != 1:
                errors.append("the three files give different %s" % key)
        if docs["version"]["DefaultLocale"] != docs["defaultLocale"]["PackageLocale"]:
            errors.append("DefaultLocale is not the defaultLocale file's PackageLocale")
        actual = sha256(os.path.join(dist, INSTALLER))
        for installer in docs["installer"]["Installers"]:
            if installer["InstallerSha256"] != actual:
                errors.append("InstallerSha256 %s is not %s's SHA-256, %s"
                              % (installer["InstallerSha256"], INSTALLER, actual))
    for error in errors:
        print(error, file=sys.stderr)
    if not errors:
        print("winget manifest in %s/winget: valid for ManifestVersion %s; InstallerSha256 is %s's"
              % (dist, MANIFEST_VERSION, INSTALLER))
    return 1 if errors else 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "write":
        sys.exit(write(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 3 and sys.argv[1] == "check":
        sys.exit(check(sys.argv[2]))
    sys.exit("usage: winget_manifest.py write DIST URL | check DIST")
