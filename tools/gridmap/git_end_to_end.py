#!/usr/bin/env python3
"""A map file under version control with the real git: gridmap git-setup, then branches that
change cells, a merge that the driver completes, one that stops at a conflict naming the cell,
and git diff of a commit showing the changed cells as lines of the .txt form."""
import argparse
import os
import shutil
import subprocess
import sys

LEVEL_BYTES = 1536


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gridmap", required=True)
    parser.add_argument("--sample", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    args.gridmap = os.path.abspath(args.gridmap)
    args.work = os.path.abspath(args.work)
    if shutil.which("git") is None:
        sys.exit("git is missing: install the Debian package git (scripts/deps.sh test)")

    shutil.rmtree(args.work, ignore_errors=True)
    home = os.path.join(args.work, "home")
    repo = os.path.join(args.work, "repo")
    os.makedirs(home)
    os.makedirs(repo)
    # Nothing of the machine's or the user's git configuration takes part.
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, GIT_CONFIG_NOSYSTEM="1",
               GIT_AUTHOR_NAME="Designer", GIT_AUTHOR_EMAIL="designer@example.org",
               GIT_COMMITTER_NAME="Designer", GIT_COMMITTER_EMAIL="designer@example.org",
               LC_ALL="C.UTF-8")
    env.pop("GIT_DIR", None)
    env.pop("GIT_WORK_TREE", None)
    sample = os.path.join(repo, "sample.qmap")
    failures = []

    def run(*command, check=True):
        result = subprocess.run(command, cwd=repo, env=env, capture_output=True)
        if check and result.returncode != 0:
            sys.exit(f"{' '.join(command)} failed ({result.returncode}):\n"
                     f"{result.stdout.decode(errors='replace')}"
                     f"{result.stderr.decode(errors='replace')}")
        return result

    def git(*arguments, check=True):
        return run("git", *arguments, check=check)

    def expect(condition, what):
        if not condition:
            failures.append(what)

    def set_cell(level, column, row, glyph, colour):
        with open(sample, "r+b") as f:
            f.seek(level * LEVEL_BYTES + (row * 32 + column) * 2)
            f.write(bytes([glyph, colour << 4]))

    def cell(data, level, column, row):
        at = level * LEVEL_BYTES + (row * 32 + column) * 2
        return data[at], data[at + 1] >> 4

    def read_sample():
        with open(sample, "rb") as f:
            return f.read()

    def commit(message):
        git("commit", "-q", "-a", "-m", message)
        return git("rev-parse", "HEAD").stdout.decode().strip()

    git("init", "-q", "-b", "main")
    shutil.copyfile(args.sample, sample)

    # Set-up: the drivers and the attributes line, and a second run changes nothing.
    run(args.gridmap, "git-setup")
    config = os.path.join(repo, ".git", "config")
    attributes = os.path.join(repo, ".gitattributes")
    with open(config, "rb") as f:
        config_once = f.read()
    with open(attributes, "rb") as f:
        attributes_once = f.read()
    expect(attributes_once == b"*.qmap diff=qmap merge=qmap\n",
           f".gitattributes holds {attributes_once!r}")
    driver = git("config", "merge.qmap.driver").stdout.decode().strip()
    expect(driver.endswith(" merge %O %A %B"), f"merge.qmap.driver is {driver!r}")
    textconv = git("config", "diff.qmap.textconv").stdout.decode().strip()
    expect(textconv.endswith(" textconv"), f"diff.qmap.textconv is {textconv!r}")
    again = run(args.gridmap, "git-setup")
    with open(config, "rb") as f:
        expect(f.read() == config_once, "a second git-setup changed .git/config")
    with open(attributes, "rb") as f:
        expect(f.read() == attributes_once, "a second git-setup changed .gitattributes")
    expect(again.stdout == b"", f"a second git-setup said {again.stdout!r}")
    # The user's own configuration, with --global.
    run(args.gridmap, "git-setup", "--global")
    with open(os.path.join(home, ".gitconfig"), "rb") as f:
        expect(b"merge %O %A %B" in f.read(), "git-setup --global wrote no merge driver")

    git("add", "sample.qmap", ".gitattributes")
    start = commit("The sample map")
    original = read_sample()

    # One branch changes cells of level 0; another other cells of level 0 and all of level 2.
    git("checkout", "-q", "-b", "cells")
    set_cell(0, 1, 1, ord("A"), 15)
    set_cell(0, 2, 1, ord("B"), 14)
    cells_commit = commit("Two cells of level 0")
    git("checkout", "-q", "-b", "more", start)
    set_cell(0, 5, 5, ord("C"), 13)
    for row in range(24):
        for column in range(32):
            set_cell(2, column, row, ord("#"), 4)
    commit("Another cell of level 0 and all of level 2")

    git("checkout", "-q", "main")
    git("merge", "-q", "--no-edit", "cells")
    merged = git("merge", "--no-edit", "more", check=False)
    expect(merged.returncode == 0,
           "git merge of the second branch stopped: " + merged.stdout.decode(errors="replace")
           + merged.stderr.decode(errors="replace"))
    data = read_sample()
    expect(cell(data, 0, 1, 1) == (ord("A"), 15) and cell(data, 0, 2, 1) == (ord("B"), 14),
           "the merged map lost the first branch's cells")
    expect(cell(data, 0, 5, 5) == (ord("C"), 13), "the merged map lost the second branch's cell")
    expect(all(cell(data, 2, c, r) == (ord("#"), 4) for r in range(24) for c in range(32)),
           "the merged map lost the second branch's level 2")
    expect(data[LEVEL_BYTES:2 * LEVEL_BYTES] == original[LEVEL_BYTES:2 * LEVEL_BYTES],
           "the merge changed level 1")
    expect(len(data) == len(original), "the merge changed the map's length")

    # A branch that changed one of the same cells differently: git merge stops, the report
    # names the cell.
    git("checkout", "-q", "-b", "clash", start)
    set_cell(0, 1, 1, ord("Z"), 2)
    commit("Level 0's cell (1,1) otherwise")
    git("checkout", "-q", "main")
    clash = git("merge", "--no-edit", "clash", check=False)
    report = (clash.stdout + clash.stderr).decode(errors="replace")
    expect(clash.returncode != 0, "git merge of a conflicting branch completed")
    expect("level 0 (1,1): ours 'A' 15, theirs 'Z' 2" in report,
           "the conflict report does not name the cell:\n" + report)
    expect(cell(read_sample(), 0, 1, 1) == (ord("A"), 15), "the conflict did not keep our cell")
    git("merge", "--abort")

    # git diff of a commit: the changed cells as changed lines of the .txt form.
    shown = git("show", "--format=", cells_commit, "--", "sample.qmap").stdout.decode()
    expect("Binary files" not in shown, "git show took the map for a binary file:\n" + shown)

    def text_of(revision):
        blob = git("show", f"{revision}:sample.qmap").stdout
        path = os.path.join(args.work, "version.qmap")
        with open(path, "wb") as f:
            f.write(blob)
        return run(args.gridmap, "textconv", path).stdout.decode().split("\n")

    before, after = text_of(start), text_of(cells_commit)
    changed = [(b, a) for b, a in zip(before, after) if b != a]
    # Row 1's glyphs and its colours.
    expect(len(changed) == 2, f"{len(changed)} lines of the .txt form changed, not 2")
    for old, new in changed:
        expect(f"\n-{old}\n" in shown and f"\n+{new}\n" in shown,
               f"git show does not show the row {old!r} -> {new!r}:\n{shown}")
    expect(changed and changed[0][1][1:3] == "AB", "the changed row lacks the glyphs")
    expect(len(changed) > 1 and changed[1][1][1:3] == "FE", "the changed row lacks the colours")

    for failure in failures:
        print("FAIL:", failure)
    print("all checks passed" if not failures else f"{len(failures)} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
