#!/usr/bin/env python3
"""Checks Clavitap.exe from the outside: it imports only DLLs of the system, and its resources
hold icon group 1 with its 20 images in order, the link cursor, the version record and the
manifest, all naming the version the build was given.

Usage: check_executable.py Clavitap.exe x86_64-w64-mingw32-objdump 1.0.0.2
"""
import struct
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "winmm.dll", "msvcrt.dll"}
RT_CURSOR, RT_ICON, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 1, 3, 12, 14, 16, 24
ICON_ORDER = [(8, s) for s in (48, 32, 24, 16)] + [(24, s) for s in (128, 96, 72, 64, 48, 32, 24, 16)] + \
             [(32, s) for s in (128, 96, 72, 64, 48, 32, 24, 16)]
VERSION_STRINGS = {
    "ProductName": "Clavitap.",
    "FileDescription": "Clavitap.", "Comments": "Clavitap.", "InternalName": "Clavitap",
    "OriginalFilename": "Clavitap.exe"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def imports(exe, objdump):
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return [line.split(":", 1)[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line]


def resources(data):
    """{type: {id: bytes}} from the PE file's resource section (first language of each)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    directories = optional + (112 if struct.unpack_from("<H", data, optional)[0] == 0x20B else 96)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = []
    for i in range(sections):
        at = optional + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, at + 8)
        table.append((virtual_address, max(virtual_size, raw_size), raw_pointer))

    def offset(rva):
        for address, size, pointer in table:
            if address <= rva < address + size:
                return rva - address + pointer
        raise ValueError("rva %#x outside every section" % rva)

    base = offset(resource_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<HH", data, base + at + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            yield name, target

    tree = {}
    for kind, kind_target in entries(0):
        for ident, ident_target in entries(kind_target & 0x7FFFFFFF):
            _, leaf = next(entries(ident_target & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", data, base + leaf)
            tree.setdefault(kind, {})[ident] = data[offset(rva):offset(rva) + size]
    return tree


def version_block(blob, at=0):
    """Walks a VS_VERSIONINFO tree: (key, value bytes, value is text, children)."""
    length, value_length, is_text = struct.unpack_from("<HHH", blob, at)
    end = at + length
    key_end = at + 6
    while blob[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = blob[at + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if is_text else value_length
    value = blob[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < end:
        child = version_block(blob, position)
        children.append(child)
        position = (position + child[4] + 3) & ~3
    return key, value, is_text, children, length


def strings_of(block):
    key, value, is_text, children, _ = block
    found = {}
    if is_text and not children:
        found[key] = value.decode("utf-16-le").rstrip("\0")
    for child in children:
        found.update(strings_of(child))
    return found


def main():
    exe, objdump, expected = sys.argv[1], sys.argv[2], sys.argv[3]
    parts = [int(part) for part in expected.split(".")]
    # The record's texts read "major.minor.revision": 1.0.0.2 is "1.00.0002".
    VERSION_STRINGS["FileVersion"] = VERSION_STRINGS["ProductVersion"] = \
        "%d.%02d.%04d" % (parts[0], parts[1], parts[3])
    dlls = imports(exe, objdump)
    check(dlls, "no imports found")
    for dll in dlls:
        check(dll in SYSTEM_DLLS, "imports a DLL that is not the system's own: " + dll)

    with open(exe, "rb") as file:
        tree = resources(file.read())

    group = tree.get(RT_GROUP_ICON, {}).get(1)
    check(group is not None, "no icon group 1")
    if group:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        check(kind == 1 and count == 20, "icon group 1 holds %d images, not 20" % count)
        found = []
        for i in range(count):
            width, height, _, _, planes, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            image = tree.get(RT_ICON, {}).get(ident, b"")
            header = struct.unpack_from("<IiiHHI", image, 0) if len(image) >= 20 else (0,) * 6
            pixels = width or 256
            row = lambda bits_per_row: (bits_per_row + 31) // 32 * 4
            palette = 1024 if bits == 8 else 0
            expected_size = 40 + palette + row(pixels * bits) * pixels + row(pixels) * pixels
            check(header[0] == 40 and header[1] == pixels and header[2] == 2 * pixels and header[5] == 0,
                  "icon image %d is not an uncompressed bitmap with a mask" % i)
            check(len(image) == expected_size, "icon image %d has %d bytes, not %d (colours plus mask)"
                  % (i, len(image), expected_size))
            found.append((header[4], pixels))
        check(found == ICON_ORDER, "icon images out of order: %s" % found)

    cursors = tree.get(RT_GROUP_CURSOR, {})
    check(len(cursors) == 1, "expected one cursor group")
    for group in cursors.values():
        ident = struct.unpack_from("<H", group, 6 + 12)[0]
        cursor = tree.get(RT_CURSOR, {}).get(ident, b"\0" * 60)
        hot_x, hot_y = struct.unpack_from("<HH", cursor, 0)
        _, width, height, _, bits = struct.unpack_from("<IiiHH", cursor, 4)
        check((hot_x, hot_y) == (12, 1), "cursor hot spot is %s" % ((hot_x, hot_y),))
        check((width, height, bits) == (32, 64, 4), "cursor is not 32 x 32 in 16 colours")

    version = tree.get(RT_VERSION, {}).get(1)
    check(version is not None, "no version record")
    if version:
        root = version_block(version)
        fixed = struct.unpack_from("<IIIIII", root[1], 0)
        check(fixed[0] == 0xFEEF04BD, "no fixed file info")
        packed = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
        check(fixed[2:6] == packed * 2, "file or product version is not " + expected)
        strings = strings_of(root)
        for key, value in VERSION_STRINGS.items():
            check(strings.get(key) == value, "version %s is %r" % (key, strings.get(key)))
        for key in ("CompanyName", "LegalCopyright"):
            check(bool(strings.get(key)), "version %s is empty" % key)

    manifest = tree.get(RT_MANIFEST, {}).get(1, b"").decode("utf-8", "replace")
    check("Microsoft.Windows.Common-Controls" in manifest and 'version="6.0.0.0"' in manifest,
          "the manifest does not ask for common controls 6")
    check('name="Clavitap" version="%s"' % expected in manifest, "the manifest names another version")
    check("PerMonitorV2" in manifest, "the manifest does not declare per-monitor DPI awareness")

    if failures:
        sys.exit("\n".join(failures))
    print("imports %s; icon group 1 with 20 images; cursor; version %s; manifest"
          % (", ".join(dlls), expected))


if __name__ == "__main__":
    main()
