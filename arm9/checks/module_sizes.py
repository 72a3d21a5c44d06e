#!/usr/bin/env python3
"""Prints the code and constant data size of each console object module and checks the modules'
code together against a budget."""
import argparse
import os
import subprocess
import sys


def section_sizes(size_tool, module):
    sizes = {}
    for line in subprocess.run([size_tool, "-A", module], check=True, capture_output=True,
                               text=True).stdout.splitlines():
        fields = line.split()
        if len(fields) >= 2 and fields[0].startswith(".") and fields[1].isdigit():
            name = fields[0]
            for group in (".text", ".rodata", ".data", ".bss"):
                if name == group or name.startswith(group + "."):
                    sizes[group] = sizes.get(group, 0) + int(fields[1])
    return sizes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--size", required=True)
    parser.add_argument("--text-budget", type=int, required=True)
    parser.add_argument("modules", nargs="+")
    args = parser.parse_args()
    total = {".text": 0, ".rodata": 0, ".data": 0, ".bss": 0}
    print(f"{'module':<14}{'.text':>8}{'.rodata':>9}{'.data':>7}{'.bss':>6}")
    for module in args.modules:
        sizes = section_sizes(args.size, module)
        for group in total:
            total[group] += sizes.get(group, 0)
        print(f"{os.path.basename(module):<14}" + "".join(
            f"{sizes.get(g, 0):>{w}}" for g, w in ((".text", 8), (".rodata", 9), (".data", 7), (".bss", 6))))
    print(f"{'all':<14}" + "".join(
        f"{total[g]:>{w}}" for g, w in ((".text", 8), (".rodata", 9), (".data", 7), (".bss", 6))))
    if total[".text"] > args.text_budget:
        print(f"code of all modules {total['.text']} bytes is over the budget of {args.text_budget}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
