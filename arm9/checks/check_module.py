#!/usr/bin/env python3
"""Checks one console object module: it defines exactly the given symbols, needs exactly the given
undefined ones, carries no start-up code, unwind tables or pointers in writable data, and keeps
its driver record in read-only data."""
import argparse
import subprocess
import sys

FORBIDDEN_SECTIONS = (".init_array", ".fini_array", ".preinit_array", ".ctors", ".dtors",
                      ".ARM.exidx", ".ARM.extab", ".eh_frame", ".gcc_except_table")
CXX_RUNTIME = ("__cxa_", "__gxx_", "_Unwind_", "__aeabi_unwind", "_Znw", "_Zna", "_Zdl", "_Zda",
               "_ZTI", "_ZTV", "__dso_handle")


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def names(text):
    return {field for field in text.split(";") if field}


def sections_by_index(readelf, module):
    """Section index -> name, from the section headers."""
    sections = {}
    for line in run(readelf, "-S", "-W", module).splitlines():
        line = line.strip()
        if line.startswith("[") and not line.startswith("[Nr]"):
            index, rest = line[1:].split("]", 1)
            if rest.split():
                sections[int(index)] = rest.split()[0]
    return sections


def symbol_sections(readelf, module, sections):
    """Symbol name -> name of the section it lies in."""
    placed = {}
    for line in run(readelf, "-s", "-W", module).splitlines():
        fields = line.split()
        if len(fields) == 8 and fields[0].endswith(":") and fields[6].isdigit():
            placed[fields[7]] = sections.get(int(fields[6]), "?")
    return placed


def check(args):
    faults = []
    defined = set()
    for line in run(args.nm, "-g", "--defined-only", args.module).splitlines():
        defined.add(line.split()[-1])
    undefined = {line.split()[-1] for line in run(args.nm, "-u", args.module).splitlines()}

    for what, found, wanted in (("defined", defined, names(args.defines)),
                                ("undefined", undefined, names(args.undefined))):
        if found != wanted:
            faults.append(f"{what} symbols: unexpected {sorted(found - wanted)}, "
                          f"missing {sorted(wanted - found)}")
    runtime = sorted(n for n in defined | undefined if n.startswith(CXX_RUNTIME))
    if runtime:
        faults.append(f"C++ run-time references: {runtime}")

    sections = sections_by_index(args.readelf, args.module)
    for name in sections.values():
        if name.lstrip(".").startswith(("rel.", "rela.")):
            target = "." + name.split(".", 2)[2]
            if target == ".data" or target.startswith(".data."):
                faults.append(f"pointers in writable data ({name})")
            continue
        if name.startswith(FORBIDDEN_SECTIONS):
            faults.append(f"forbidden section {name}")

    placed = symbol_sections(args.readelf, args.module, sections)
    for record in sorted(names(args.records)):
        section = placed.get(record, "none")
        if not section.startswith(".rodata"):
            faults.append(f"record {record} lies in {section}, not in read-only data")

    for fault in faults:
        print(f"{args.module}: {fault}")
    if not faults:
        print(f"{args.module}: defines {sorted(defined)}; needs {sorted(undefined)}")
    return 1 if faults else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--readelf", required=True)
    parser.add_argument("--defines", default="")
    parser.add_argument("--undefined", default="")
    parser.add_argument("--records", default="")
    parser.add_argument("module")
    return check(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
