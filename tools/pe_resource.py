#!/usr/bin/python3
"""Writes one resource of a PE file to a file: pe_resource.py PE TYPE ID OUT.

TYPE is a resource type's name (FILE) or number; ID the resource's number.
The first language found is taken. Exits 1 when there is no such resource.
"""
import sys

import pefile


def main(path, kind, ident, out):
    pe = pefile.PE(path)
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for type_entry in resources.entries if resources else []:
        name = str(type_entry.name) if type_entry.name is not None else str(type_entry.id)
        if name != kind:
            continue
        for entry in type_entry.directory.entries:
            if entry.id != int(ident):
                continue
            data = entry.directory.entries[0].data.struct
            with open(out, "wb") as f:
                f.write(pe.get_data(data.OffsetToData, data.Size))
            return 0
    sys.stderr.write("%s: no resource %s %s\n" % (path, kind, ident))
    return 1


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.stderr.write("usage: pe_resource.py PE TYPE ID OUT\n")
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
