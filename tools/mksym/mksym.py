#!/usr/bin/env python3
"""Writes the server's symbol file (signature "OSYMAM64", version-11 layout)
for a PE32+ executable from the function symbols of its COFF symbol table.

Layout, all numbers unsigned 64-bit little-endian:
  "OSYMAM64", N, link time stamp (the image's TimeDateStamp),
  N address values (ascending), N name offsets (into the string area),
  the string area (NUL-terminated names), "OSYMAM64", N.
An address value is 0x10000000 + the function's RVA: the reader rebases a
value whose bits 28..31 are 1 from a preferred base of 0x10000000 onto the
module's load address, so the file holds wherever the image is loaded.

usage: mksym.py IMAGE.EXE OUTPUT.SYM
"""
import struct
import sys

SIGNATURE = b"OSYMAM64"
PREFERRED_BASE = 0x10000000
COFF_SYMBOL_SIZE = 18
SYMBOL_TYPE_FUNCTION = 0x20
STORAGE_CLASSES = (2, 3)  # external, static
SECTION_EXECUTABLE = 0x20000000
SECTION_CODE = 0x00000020


class ImageError(Exception):
    pass


def read(data, offset, fmt):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise ImageError("truncated image at 0x%x" % offset)
    return struct.unpack_from(fmt, data, offset)


def parse_image(data):
    """Returns (time stamp, [(rva, name)]) of the image's function symbols."""
    if read(data, 0, "<H")[0] != 0x5A4D:
        raise ImageError("no MZ header")
    nt = read(data, 0x3C, "<I")[0]
    if read(data, nt, "<I")[0] != 0x4550:
        raise ImageError("no PE signature")
    (_machine, section_count, time_stamp, symbol_table, symbol_count, optional_size,
     _flags) = read(data, nt + 4, "<HHIIIHH")
    if read(data, nt + 24, "<H")[0] != 0x20B:
        raise ImageError("not a PE32+ image")
    if symbol_table == 0 or symbol_count == 0:
        raise ImageError("the image has no COFF symbol table (stripped?)")
    sections = []
    first_section = nt + 24 + optional_size
    for i in range(section_count):
        (virtual_address,) = read(data, first_section + 40 * i + 12, "<I")
        (characteristics,) = read(data, first_section + 40 * i + 36, "<I")
        sections.append((virtual_address, characteristics))
    strings = symbol_table + COFF_SYMBOL_SIZE * symbol_count
    functions = set()
    index = 0
    while index < symbol_count:
        record = symbol_table + COFF_SYMBOL_SIZE * index
        raw_name, value, section, kind, storage, aux = read(data, record, "<8sIhHBB")
        index += 1 + aux
        if kind != SYMBOL_TYPE_FUNCTION or storage not in STORAGE_CLASSES:
            continue
        if section < 1 or section > len(sections):
            continue
        virtual_address, characteristics = sections[section - 1]
        if not characteristics & (SECTION_EXECUTABLE | SECTION_CODE):
            continue
        functions.add((virtual_address + value, symbol_name(data, raw_name, strings)))
    return time_stamp, sorted(functions)


def symbol_name(data, raw_name, strings):
    if raw_name[:4] == b"\0\0\0\0":
        (offset,) = struct.unpack_from("<I", raw_name, 4)
        start = strings + offset
        end = data.find(b"\0", start)
        if start >= len(data) or end < 0:
            raise ImageError("symbol name outside the string table")
        return data[start:end]
    return raw_name.rstrip(b"\0")


def build_symbol_file(time_stamp, functions):
    if any(rva >= PREFERRED_BASE for rva, _ in functions):
        raise ImageError("a function RVA does not fit the rebasing form")
    values = b"".join(struct.pack("<Q", PREFERRED_BASE + rva) for rva, _ in functions)
    offsets = bytearray()
    names = bytearray()
    for _, name in functions:
        offsets += struct.pack("<Q", len(names))
        names += name + b"\0"
    count = struct.pack("<Q", len(functions))
    return (SIGNATURE + count + struct.pack("<Q", time_stamp) + values + bytes(offsets) + bytes(names) +
            SIGNATURE + count)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: mksym.py IMAGE.EXE OUTPUT.SYM\n")
        return 2
    with open(argv[1], "rb") as image:
        data = image.read()
    try:
        time_stamp, functions = parse_image(data)
    except ImageError as error:
        sys.stderr.write("mksym: %s: %s\n" % (argv[1], error))
        return 1
    with open(argv[2], "wb") as output:
        output.write(build_symbol_file(time_stamp, functions))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
