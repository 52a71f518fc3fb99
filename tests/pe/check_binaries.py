#!/usr/bin/python3
"""Checks on the built ScorewaveSetup.exe, ScorewaveRemove.exe, ScorewaveUser.exe
and npscorew64.dll, read as files.

Usage: check_binaries.py BUILD_DIR

- Both: the exception directory (.pdata) is present, its entries sorted and
  inside the image, and every byte of code lies in a function that has an
  entry: between two entries there is only padding or import thunks (a jump
  through an import address slot, which the x64 convention lets go without).
  So every function the linker placed has one. The functions the system calls
  directly are named, found through the link map (<name>.map, written by the
  build), the header and the export table: the installer's entry point and main
  window procedure, the plug-in's exported functions.
- Both: every entry's UNWIND_INFO is one the system's unwinder reads as meant:
  version 1 or 2, known flags, a prolog no longer than its function, codes that
  fill their count with each operation's slots; a chained one names another
  entry, a handler lies in code; and it lies in a section that is not executable.
- The three programs: no TLS directory, no constructor or destructor
  lists, no C runtime initialiser tables, no pseudo-relocations. Their own entry
  points (WinMainCRTStartup in src/app/, src/remove/ and src/user/main.cpp) run
  none of them, so a change that comes to need the C runtime's start-up fails
  here instead of misbehaving.
- All four: a valid PE checksum.
- The installer without the plug-in and the two programs it carries stays
  within 84 KiB (86,016 bytes); the remover within 48 KiB (49,152 bytes), the
  per-user program within 44 KiB (45,056 bytes).

Prints one line per check and "N passed, N failed" at the end; exits 1 when a
check failed.
"""

import os
import re
import struct
import sys

import pefile

SIZE_GUARD = 86016  # bytes: the installer without the plug-in and the programs it carries
REMOVER_GUARD = 49152  # bytes: the remover
USER_GUARD = 45056  # bytes: the per-user program
INSTALLER_NAMED = {
    "MainWindowProc": "MainWindowProc, the main window's dialog procedure",
}
PLUGIN_EXPORTS = ("NP_GetEntryPoints", "NP_Initialize", "NP_Shutdown")

passed = 0
failed = 0


def check(ok, what, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok     " + what)
    else:
        failed += 1
        print("FAILED " + what + (": " + detail if detail else ""))
    return ok


# ------------------------------------------------------------------ link map

SYMBOL = re.compile(r"^\s+0x([0-9a-f]+)\s+([A-Za-z_.$@?][^=]*?)\s*$")


def map_symbols(map_path):
    """The global symbols the link map places, as name -> address; a C++
    function also under its bare name (the map shows names demangled)."""
    symbols = {}
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = SYMBOL.match(line)
            if m:
                name, address = m.group(2), int(m.group(1), 16)
                symbols[name] = address
                symbols.setdefault(name.split("(")[0], address)
    return symbols


def constructor_lists(pe, map_path):
    """The RVA span of the constructor and destructor lists that ld places in
    the code section: each a -1 mark, pointers, and a 0 mark."""
    ctor, dtor = map_value(map_path, "__CTOR_LIST__"), map_value(map_path, "__DTOR_LIST__")
    if ctor is None or dtor is None:
        return None
    base = pe.OPTIONAL_HEADER.ImageBase
    start, at = ctor - base, dtor - base + 8
    while pe.get_qword_at_rva(at) not in (0, None):
        at += 8
    return start, at + 8


def map_value(map_path, symbol):
    """The value the map gives an assigned symbol (NAME = ...)."""
    pattern = re.compile(r"^\s+0x([0-9a-f]+)\s+" + re.escape(symbol) + r" = ")
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = pattern.match(line)
            if m:
                return int(m.group(1), 16)
    return None


def filled_input_sections(map_path, patterns):
    """Input sections with bytes, listed under the given input patterns of the
    map (for example '*(.ctors)'), as 'name source' texts."""
    found = []
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    current = None
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("*"):
            current = stripped
            continue
        if re.match(r"^\.\S+", line):
            current = None
            continue
        if current in patterns:
            m = re.match(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*)$", line)
            if m and int(m.group(3), 16) > 0:
                found.append(m.group(1) + " " + m.group(4))
    return found


# ---------------------------------------------------------------- exceptions


def runtime_functions(pe):
    """The exception directory's entries as (begin, end, unwind) RVAs."""
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXCEPTION"]]
    if directory.VirtualAddress == 0 or directory.Size == 0:
        return None, directory
    data = pe.get_data(directory.VirtualAddress, directory.Size)
    entries = [struct.unpack_from("<III", data, i) for i in range(0, len(data) - 11, 12)]
    return entries, directory


def section_of(pe, rva):
    for s in pe.sections:
        if s.VirtualAddress <= rva < s.VirtualAddress + max(s.Misc_VirtualSize, s.SizeOfRawData):
            return s
    return None


def is_import_thunk(pe, rva):
    """jmp qword ptr [rip+disp] whose slot lies in the import address table."""
    code = pe.get_data(rva, 6)
    if len(code) < 6 or code[0] != 0xFF or code[1] != 0x25:
        return False
    slot = rva + 6 + struct.unpack_from("<i", code, 2)[0]
    iat = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IAT"]]
    return iat.VirtualAddress <= slot < iat.VirtualAddress + iat.Size


def padding_length(data, at):
    """Bytes of the alignment fill at data[at:] that compilers and linkers put
    between functions: zero, int3 and the NOP forms (90, and 90 or 0F 1F /0
    after 66 or 2E prefixes); 0 when the byte there starts something else."""
    if data[at] in (0x00, 0x90, 0xCC):
        return 1
    i = at
    while i < len(data) and data[i] in (0x66, 0x2E):
        i += 1
    if i > at and i < len(data) and data[i] == 0x90:
        return i + 1 - at
    if i + 2 >= len(data) or data[i] != 0x0F or data[i + 1] != 0x1F:
        return 0
    modrm = data[i + 2]
    if modrm & 0x38:
        return 0
    mod, rm = modrm >> 6, modrm & 7
    length = i + 3 - at + (1 if rm == 4 and mod != 3 else 0)
    return length + {0: 0, 1: 1, 2: 4, 3: 0}[mod]


def uncovered_code(pe, entries, map_path):
    """Code bytes of the executable sections outside every entry, other than
    padding, import thunks and the constructor lists, as 'RVA: bytes' texts."""
    found = []
    spans = sorted([(begin, end) for begin, end, unwind in entries] +
                   [span for span in [constructor_lists(pe, map_path)] if span])
    for section in pe.sections:
        if not section.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]:
            continue
        start = section.VirtualAddress
        stop = start + min(section.Misc_VirtualSize, section.SizeOfRawData)
        data = pe.get_data(start, stop - start)
        at = start
        inside = [(b, e) for b, e in spans if start <= b < stop] + [(stop, stop)]
        for begin, end in inside:
            while at < begin:
                fill = padding_length(data, at - start)
                if fill:
                    at += fill
                elif is_import_thunk(pe, at):
                    at += 6
                else:
                    found.append("0x%x: %s" % (at, data[at - start:at - start + 8].hex()))
                    break
            at = max(at, end)
    return found


# Slots (2-byte units of the code array) each unwind operation takes; ALLOC_LARGE
# (1) takes 2 or 3 by its info, EPILOG (6) 2 and only in version 2.
UNWIND_SLOTS = {0: 1, 2: 1, 3: 1, 4: 2, 5: 3, 8: 2, 9: 3, 10: 1}
EXECUTE = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]


def unwind_faults(pe, entries):
    """Faults of the entries' UNWIND_INFOs by kind, and how many have a
    handler and how many chain to another entry."""
    faults = {kind: [] for kind in ("header", "codes", "chain", "handler", "place")}
    handlers, links = 0, {}
    for begin, end, unwind in entries:
        holder = section_of(pe, unwind)
        stop = holder and holder.VirtualAddress + min(holder.Misc_VirtualSize, holder.SizeOfRawData)
        blob = pe.get_data(unwind, stop - unwind) if holder and unwind < stop else b""
        count = blob[2] if len(blob) >= 4 else 0
        flags, size = blob[0] >> 3 if blob else 0, 4 + 2 * (count + (count & 1))
        size += 12 if flags & 4 else 4 if flags & 3 else 0
        if len(blob) < size or unwind % 4 or holder.Characteristics & EXECUTE:
            faults["place"].append("0x%x at 0x%x" % (begin, unwind))
            continue
        version, prolog, frame = blob[0] & 7, blob[1], blob[3] & 15
        if version not in (1, 2) or flags & ~7 or (flags & 4 and flags & 3) or prolog > end - begin:
            faults["header"].append("0x%x: version %d, flags %d, prolog %d of %d bytes"
                                    % (begin, version, flags, prolog, end - begin))
        i = 0
        while i < count:
            offset, op, info = blob[4 + 2 * i], blob[5 + 2 * i] & 15, blob[5 + 2 * i] >> 4
            slots = {1: 2 + info if info < 2 else 0, 6: 2 if version == 2 else 0}.get(op, UNWIND_SLOTS.get(op, 0))
            if not slots or i + slots > count or (op == 3 and not frame) or (op != 6 and offset > prolog):
                faults["codes"].append("0x%x: code %d of %d, operation %d at %d" % (begin, i, count, op, offset))
                break
            i += slots
        tail = 4 + 2 * (count + (count & 1))
        if flags & 4:
            links[(begin, end, unwind)] = link = struct.unpack_from("<III", blob, tail)
            if link not in entries or link == (begin, end, unwind):
                faults["chain"].append("0x%x: chains to 0x%x-0x%x, not another entry" % (begin, link[0], link[1]))
        elif flags & 3:
            handlers += 1
            handler = struct.unpack_from("<I", blob, tail)[0]
            if not (section_of(pe, handler) and section_of(pe, handler).Characteristics & EXECUTE):
                faults["handler"].append("0x%x: handler 0x%x" % (begin, handler))
    for entry in links:  # a chain must end, not come back round
        at, steps = entry, 0
        while at in links and steps <= len(links):
            at, steps = links[at], steps + 1
        if steps > len(links):
            faults["chain"].append("0x%x: its chain comes back round" % entry[0])
    return faults, handlers, len(links)


def check_exceptions(label, pe, map_path, named):
    entries, directory = runtime_functions(pe)
    if not check(entries, label + ": exception directory present"):
        return
    image_size = pe.OPTIONAL_HEADER.SizeOfImage
    holder = section_of(pe, directory.VirtualAddress)
    check(holder is not None and directory.VirtualAddress + directory.Size
          <= holder.VirtualAddress + holder.SizeOfRawData and directory.Size % 12 == 0,
          label + ": exception directory inside one section of the file, whole entries",
          "at 0x%x, 0x%x bytes" % (directory.VirtualAddress, directory.Size))
    unsorted = [i for i in range(1, len(entries)) if entries[i][0] < entries[i - 1][1]]
    check(not unsorted, label + ": %d entries sorted, none overlapping" % len(entries),
          "entry %s" % unsorted[:5])
    outside = []
    for begin, end, unwind in entries:
        code = section_of(pe, begin)
        if not (0 < begin < end <= image_size and code is not None
                and code.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
                and end <= code.VirtualAddress + code.Misc_VirtualSize
                and 0 < unwind < image_size and section_of(pe, unwind & ~1) is not None):
            outside.append("0x%x-0x%x unwind 0x%x" % (begin, end, unwind))
    check(not outside, label + ": every entry's code and unwind data inside the image",
          ", ".join(outside[:5]))
    faults, handlers, chained = unwind_faults(pe, entries)
    for kind, what in (("place", "every UNWIND_INFO whole and DWORD-aligned in a section that is not executable"),
                       ("header", "every UNWIND_INFO of version 1 or 2, known flags, its prolog within its function"),
                       ("codes", "every unwind code takes its operation's slots within the count, inside the prolog"),
                       ("chain", "chained UNWIND_INFOs (%d) name another entry, no chain coming back round" % chained),
                       ("handler", "handlers (%d) inside an executable section" % handlers)):
        check(not faults[kind], label + ": " + what, "; ".join(faults[kind][:5]))
    uncovered = uncovered_code(pe, entries, map_path)
    check(not uncovered, label + ": every function has an entry (only padding and import thunks between them)",
          "code without an entry at " + "; ".join(uncovered[:10]))

    base = pe.OPTIONAL_HEADER.ImageBase
    begins = {e[0] for e in entries}
    symbols = map_symbols(map_path)
    for symbol, what in named.items():
        rva = symbols[symbol] - base if symbol in symbols else None
        check(rva is not None and rva in begins, label + ": " + what + " has an entry",
              "not in the link map" if rva is None else "none begins at 0x%x" % rva)


def check_program(label, pe, map_path, named):
    """A program of this project: unwind data for all its code, its entry point
    named, and nothing of the C runtime's start-up."""
    check_exceptions(label, pe, map_path, named)
    entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
    check(entry in {e[0] for e in (runtime_functions(pe)[0] or [])},
          label + ": the header's entry point 0x%x has an entry" % entry)
    tls = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_TLS"]]
    check(tls.VirtualAddress == 0 and tls.Size == 0, label + ": no TLS directory")
    names = [s.Name.rstrip(b"\0").decode(errors="replace") for s in pe.sections]
    check(".tls" not in names and ".CRT" not in names,
          label + ": no .tls or .CRT section", " ".join(names))
    lists = filled_input_sections(map_path, {
        "*(.ctors)", "*(.ctor)", "*(SORT_BY_NAME(.ctors.*))",
        "*(.dtors)", "*(.dtor)", "*(SORT_BY_NAME(.dtors.*))",
        "*(SORT_BY_NAME(.CRT$XC*))", "*(SORT_BY_NAME(.CRT$XI*))", "*(SORT_BY_NAME(.CRT$XL*))",
        "*(SORT_BY_NAME(.CRT$XP*))", "*(SORT_BY_NAME(.CRT$XT*))",
        "*(.tls$AAA)", "*(.tls)", "*(.tls$)", "*(SORT_BY_NAME(.tls$*))", "*(.tls$ZZZ)"})
    check(not lists, label + ": no constructor, destructor, initialiser or TLS lists",
          "; ".join(lists[:5]))
    ctor, dtor = map_value(map_path, "__CTOR_LIST__"), map_value(map_path, "__DTOR_LIST__")
    check(ctor is not None and dtor is not None and dtor - ctor == 16,
          label + ": __CTOR_LIST__ holds only its two end marks")
    psrelocs = map_value(map_path, "__rt_psrelocs_size")
    check(psrelocs == 0, label + ": no pseudo-relocations", "size %s" % psrelocs)


def main(build):
    setup_path = os.path.join(build, "ScorewaveSetup.exe")
    plugin_path = os.path.join(build, "npscorew64.dll")
    setup = pefile.PE(setup_path)
    plugin = pefile.PE(plugin_path)

    # The plug-in: the exception directory, its exported functions named.
    exports = {e.name.decode(): e.address for e in getattr(plugin, "DIRECTORY_ENTRY_EXPORT").symbols if e.name}
    for name in PLUGIN_EXPORTS:
        check(name in exports, "npscorew64.dll: exports " + name)
    check_exceptions("npscorew64.dll", plugin, os.path.join(build, "npscorew64.map"), {})
    begins = {e[0] for e in (runtime_functions(plugin)[0] or [])}
    for name in PLUGIN_EXPORTS:
        if name in exports:
            check(exports[name] in begins, "npscorew64.dll: the export table's " + name + " has an entry")

    # The three programs: no C runtime start-up of any kind.
    remover_path = os.path.join(build, "ScorewaveRemove.exe")
    remover = pefile.PE(remover_path)
    user_path = os.path.join(build, "ScorewaveUser.exe")
    user = pefile.PE(user_path)
    programs = (("ScorewaveSetup.exe", setup), ("ScorewaveRemove.exe", remover),
                ("ScorewaveUser.exe", user))
    for label, pe in programs:
        named = INSTALLER_NAMED if pe is setup else {}
        check_program(label, pe, os.path.join(build, label[:-4] + ".map"), named)

    for label, pe in (("npscorew64.dll", plugin),) + programs:
        check(pe.OPTIONAL_HEADER.CheckSum != 0 and pe.verify_checksum(),
              label + ": the PE checksum is valid")

    setup_size = os.path.getsize(setup_path)
    plugin_size = os.path.getsize(plugin_path)
    remover_size = os.path.getsize(remover_path)
    user_size = os.path.getsize(user_path)
    own = setup_size - plugin_size - remover_size - user_size
    check(own <= SIZE_GUARD,
          "ScorewaveSetup.exe without the plug-in and the programs it carries: %d bytes "
          "(%d - %d - %d - %d), guard %d"
          % (own, setup_size, plugin_size, remover_size, user_size, SIZE_GUARD))
    check(remover_size <= REMOVER_GUARD,
          "ScorewaveRemove.exe: %d bytes, guard %d" % (remover_size, REMOVER_GUARD))
    check(user_size <= USER_GUARD, "ScorewaveUser.exe: %d bytes, guard %d" % (user_size, USER_GUARD))
    for label, pe in programs:
        print("       %s sections: %s" % (label, ", ".join(
            "%s %d" % (sec.Name.rstrip(b"\0").decode(errors="replace"), sec.SizeOfRawData)
            for sec in pe.sections)))

    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.stderr.write("usage: check_binaries.py BUILD_DIR\n")
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
