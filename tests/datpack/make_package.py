#!/usr/bin/env python3
"""Writes data.dat packages independently of the C++ code, for cross-checks.

  make_package.py tree DIR OUT [--codepage N]
      Packs the regular files below DIR the way datpack create does: names
      relative, backslash separated, in code page N (default 936), sorted by
      their encoded bytes.

  make_package.py json LAYOUT OUT
      Writes exactly what LAYOUT (a JSON file, or - for standard input)
      describes, well-formed or not:
        {"codepage": 936, "version": 1, "signature": "KX", "count": 2,
         "entries": [{"name": "a.txt", "content": "text"},
                     {"name_hex": "c4e3", "size": -3},
                     {"name": "b", "size": 10, "content_hex": "0102"}],
         "trailing_hex": "dead", "truncate_to": 300}
      Omitted fields are well-formed defaults: count is the number of
      entries, an entry's size is its content's length, and an entry with
      only a size gets that many pattern bytes (none for sizes <= 0).
"""

import json
import os
import stat
import struct
import sys

HEADER_SIZE = 28
NAME_FIELD = 260


def header(count, version=1, signature=b"KX", reserved=bytes(18)):
    return struct.pack("<i2s18si", version, signature, reserved, count)


def entry(size, name_bytes):
    if len(name_bytes) > NAME_FIELD:
        raise SystemExit("name of %d bytes does not fit the 260-byte field" % len(name_bytes))
    return struct.pack("<i", size) + name_bytes.ljust(NAME_FIELD, b"\0")


def pattern(size, seed):
    return bytes((seed + i * 7) & 0xFF for i in range(size))


def tree_files(top, codepage):
    codec = "cp%d" % codepage
    files = []
    for folder, dirs, names in os.walk(top):
        dirs.sort()
        for name in names:
            path = os.path.join(folder, name)
            if not stat.S_ISREG(os.stat(path).st_mode):
                raise SystemExit("%s is not a regular file" % path)
            relative = os.path.relpath(path, top).split(os.sep)
            stored = b"\\".join(part.encode(codec) for part in relative)
            files.append((stored, path))
    files.sort()
    return files


def write_tree(top, out, codepage):
    files = tree_files(top, codepage)
    with open(out, "wb") as package:
        package.write(header(len(files)))
        for stored, path in files:
            package.write(entry(os.path.getsize(path), stored))
        for _, path in files:
            with open(path, "rb") as source:
                while True:
                    chunk = source.read(65536)
                    if not chunk:
                        break
                    package.write(chunk)


def layout_entry(item, codec, index):
    if "name_hex" in item:
        name = bytes.fromhex(item["name_hex"])
    else:
        name = item["name"].encode(codec)
    if "content_hex" in item:
        content = bytes.fromhex(item["content_hex"])
    elif "content" in item:
        content = item["content"].encode("utf-8")
    else:
        content = pattern(max(item.get("size", 0), 0), index + 1)
    size = item.get("size", len(content))
    return size, name, content


def write_layout(layout, out):
    codec = "cp%d" % layout.get("codepage", 936)
    entries = [layout_entry(item, codec, i) for i, item in enumerate(layout.get("entries", []))]
    data = header(layout.get("count", len(entries)), layout.get("version", 1),
                  layout.get("signature", "KX").encode("ascii"),
                  bytes.fromhex(layout.get("reserved_hex", "00" * 18)))
    data += b"".join(entry(size, name) for size, name, _ in entries)
    data += b"".join(content for _, _, content in entries)
    data += bytes.fromhex(layout.get("trailing_hex", ""))
    if "truncate_to" in layout:
        data = data[:layout["truncate_to"]]
    with open(out, "wb") as package:
        package.write(data)


def main(argv):
    if len(argv) >= 3 and argv[0] == "tree":
        codepage = 936
        if len(argv) == 5 and argv[3] == "--codepage":
            codepage = int(argv[4])
        elif len(argv) != 3:
            raise SystemExit(__doc__)
        write_tree(argv[1], argv[2], codepage)
    elif len(argv) == 3 and argv[0] == "json":
        if argv[1] == "-":
            layout = json.load(sys.stdin)
        else:
            with open(argv[1], encoding="utf-8") as source:
                layout = json.load(source)
        write_layout(layout, argv[2])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
