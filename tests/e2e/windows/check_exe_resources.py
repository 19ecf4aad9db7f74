"""Reads the resources back out of a built Windows program, as Explorer's Properties page and
its icon view do, and as Windows does when it starts it: the version record (numbers and text),
the application icon and the application manifest.

Usage: check_exe_resources.py ICON.ico FILE_VERSION TEXT_VERSION PROGRAM.exe...
    FILE_VERSION as the four numbers "4,2,0,5", TEXT_VERSION as shown, "4.02.0005".
Exits 0 when each program's version record holds both, its first icon group is every image
of ICON.ico, byte for byte, and it carries one manifest that asks for no administrator rights,
names Windows 7 to 11, is aware of each monitor's DPI and allows long paths.
"""

import struct
import sys
import xml.etree.ElementTree as ElementTree

from e2e_support import TestFailure, check
from e2e_support.session import main_entry

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
# The manifest's settings, by the path of their element (namespaces as Windows reads them).
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS = ASM_V3 + "application/" + ASM_V3 + "windowsSettings/"
MANIFEST_TEXTS = {
    SETTINGS + "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness":
        "PerMonitorV2",
    SETTINGS + "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "true/pm",
    SETTINGS + "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}longPathAware": "true",
}
# Windows 7, 8, 8.1, and 10 and 11 (which share one).
SUPPORTED_OS = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def resources(exe):
    """{type: [(name, [data of each language])]} in the order the resource directory lists
    them (named entries first, then by number, as Windows sorts and searches them)."""
    pe = exe[0x3C:0x40]
    header = struct.unpack_from("<I", pe)[0]
    check(exe[header:header + 4] == b"PE\0\0", "not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", exe, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", exe, optional)[0]
    check(magic == 0x20B, f"not a 64-bit program (optional header magic {magic:#x})")
    rsrc_rva, rsrc_size = struct.unpack_from("<II", exe, optional + 112 + 2 * 8)
    check(rsrc_size, "the program has no resources")
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", exe, table + 40 * i + 8)
        spans.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise TestFailure(f"address {rva:#x} is in no section")

    base = offset(rsrc_rva)

    def directory(at):
        named, numbered = struct.unpack_from("<HH", exe, base + at + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", exe, base + at + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", exe, base + (name & 0x7FFFFFFF))[0]
                start = base + (name & 0x7FFFFFFF) + 2
                name = exe[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    def leaves(target):
        if target & 0x80000000:
            return [data for _, sub in directory(target & 0x7FFFFFFF) for data in leaves(sub)]
        rva, size = struct.unpack_from("<II", exe, base + target)
        return [exe[offset(rva):offset(rva) + size]]

    found = {}
    for kind, target in directory(0):
        found[kind] = [(name, leaves(sub)) for name, sub in directory(target & 0x7FFFFFFF)]
    return found


def version_tree(data, at=0):
    """One node of a VS_VERSIONINFO block: (key, value, children); its end offset."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = data.index(b"\0\0", at + 6)
    while (key_end - at - 6) % 2:
        key_end = data.index(b"\0\0", key_end + 1)
    key = data[at + 6:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = data[pos:pos + size]
    if kind == 1:
        value = value.decode("utf-16-le").rstrip("\0")
    pos = (pos + size + 3) & ~3
    children = []
    while pos < end:
        child, pos = version_tree(data, pos)
        children.append(child)
        pos = (pos + 3) & ~3
    return (key, value, children), end


def check_version(found, numbers, text):
    records = found.get(RT_VERSION)
    check(records, "no version record")
    (key, fixed, children), _ = version_tree(records[0][1][0])
    check(key == "VS_VERSION_INFO", f"version record named {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    check(signature == 0xFEEF04BD, "version record without its fixed part")
    want = [int(n) for n in numbers.split(",")]
    for what, ms, ls in (("file", file_ms, file_ls), ("product", product_ms, product_ls)):
        got = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
        check(got == want, f"{what} version {got}, expected {want}")
    strings = {}
    for block_key, _, tables in children:
        if block_key == "StringFileInfo":
            for _, _, entries in tables:
                strings.update({k: v for k, v, _ in entries})
    for name in ("FileVersion", "ProductVersion"):
        check(strings.get(name) == text,
              f"{name} is {strings.get(name)!r}, expected {text!r}")
    print(f"version record: {'.'.join(map(str, want))}, text {text}, "
          f"{strings.get('CompanyName')!r}, {strings.get('FileDescription')!r}")


def check_icon(found, ico):
    groups = found.get(RT_GROUP_ICON)
    check(groups, "no icon group")
    name, (group, *_) = groups[0]
    icons = {icon_id: datas[0] for icon_id, datas in found.get(RT_ICON, [])}
    reserved, kind, count = struct.unpack_from("<HHH", ico)
    check((reserved, kind) == (0, 1) and count, "the icon file is not an icon")
    check(struct.unpack_from("<HHH", group)[1:] == (1, count), f"first icon group {name!r} holds "
          f"{struct.unpack_from('<HHH', group)[2]} images, the icon file {count}")
    for i in range(count):
        width, height, _, _, _, bits, size, at = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
        *_, group_size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        check(icons.get(icon_id) == ico[at:at + size], f"icon image {i} ({width or 256}x"
              f"{height or 256}, {bits} bits) differs from the icon file")
    print(f"icon: first group {name!r} is the icon file's {count} images")


def check_manifest(found):
    """One manifest, resource 1 (the one Windows reads at start; a second, such as a toolchain's
    default one, would be a conflict), and what it asks of Windows."""
    manifests = [(name, datas) for name, datas in found.get(RT_MANIFEST, [])]
    check([(name, len(datas)) for name, datas in manifests] == [(1, 1)],
          f"manifest resources {[(name, len(datas)) for name, datas in manifests]}, expected "
          "one, number 1")
    root = ElementTree.fromstring(manifests[0][1][0])
    level = root.find(f".//{ASM_V3}requestedExecutionLevel")
    check(level is not None
          and (level.get("level"), level.get("uiAccess")) == ("asInvoker", "false"),
          "the manifest does not ask to run as the invoker, without UI access")
    for path, want in MANIFEST_TEXTS.items():
        element = root.find(path)
        got = element.text.strip() if element is not None and element.text else None
        check(got == want, f"manifest {path.rsplit('}', 1)[1]} is {got!r}, expected {want!r}")
    systems = {e.get("Id").lower() for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}"
                                                       "supportedOS")}
    check(systems == SUPPORTED_OS, f"manifest names the systems {sorted(systems)}")
    print("manifest: as invoker, Windows 7 to 11, per-monitor DPI (v2), long paths")


def main():
    ico_path, numbers, text, *programs = sys.argv[1:]
    with open(ico_path, "rb") as f:
        ico = f.read()
    for path in programs:
        print(path)
        with open(path, "rb") as f:
            found = resources(f.read())
        check_version(found, numbers, text)
        check_icon(found, ico)
        check_manifest(found)


if __name__ == "__main__":
    main_entry(main, watchdog_seconds=50)
