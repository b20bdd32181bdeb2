#!/usr/bin/env python3
"""Reads the application manifest back out of a built program (resource RT_MANIFEST, id 1) and
fails unless it asks for elevation, names the systems it was made for, depends on Common
Controls 6 and declares itself DPI-aware for the system DPI.
Usage: check_manifest.py PROGRAM"""
import sys
import xml.etree.ElementTree as ElementTree

from pe_file import PeFile

RT_MANIFEST, CREATEPROCESS_MANIFEST = 24, 1
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
TRUST = ("{urn:schemas-microsoft-com:asm.v2}", "{urn:schemas-microsoft-com:asm.v3}")
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


def check(root):
    problems = []
    levels = [element.get("level") for ns in TRUST for element in
              root.iterfind(f"{ns}trustInfo/{ns}security/{ns}requestedPrivileges/{ns}requestedExecutionLevel")]
    if levels != ["requireAdministrator"]:
        problems.append(f"requested execution level is {levels}, not ['requireAdministrator']")

    named = {element.get("Id", "").lower() for element in
             root.iterfind(f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/{COMPATIBILITY}supportedOS")}
    for guid, system in SUPPORTED_OS.items():
        if guid not in named:
            problems.append(f"supportedOS lacks Windows {system} ({guid})")

    common_controls = [element for element in root.iterfind(
        f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
        if element.get("name") == "Microsoft.Windows.Common-Controls"]
    if [(e.get("version"), e.get("publicKeyToken"), e.get("processorArchitecture")) for e in common_controls] != \
            [("6.0.0.0", "6595b64144ccf1df", "x86")]:
        problems.append("no dependency on Microsoft.Windows.Common-Controls 6.0.0.0 for x86")

    dpi = [element.text for element in root.iterfind(
        f"{ASM_V3}application/{ASM_V3}windowsSettings/{WINDOWS_SETTINGS}dpiAware")]
    if dpi != ["true"]:
        problems.append(f"dpiAware is {dpi}, not ['true'] (aware of the system DPI)")
    return problems


def main(program):
    data = PeFile(program).resource(RT_MANIFEST, CREATEPROCESS_MANIFEST)
    if data is None:
        print(f"{program}: no manifest resource (RT_MANIFEST, id 1)")
        return 1
    problems = check(ElementTree.fromstring(data))
    for problem in problems:
        print(f"{program}: {problem}")
    print(f"{program}: manifest of {len(data)} bytes; {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
