#!/usr/bin/env python3
"""check_docs.py SOURCE_DIR: the README and docs/*.md hold together.

* Every relative link and picture points at a file that exists, and a
  link to a section (file.md#name, or #name) at a heading of that file
  (named as the repository's web view names headings).
* The README shows, as a command line of its own, the command .ci/run
  runs, and stays a short page (at most 250 lines).

check_docs.py --self-test: the checks find the faults of a small tree
made for the purpose, and nothing else.
"""
import re
import sys
import tempfile
from pathlib import Path

README_MAX_LINES = 250
LINK = re.compile(r"!?\[[^\]]*\]\(([^()\s]+)\)")
CODE_SPAN = re.compile(r"`[^`]*`")
FENCE = re.compile(r"^\s*(```|~~~)")


def prose_lines(text):
    """(line number, line) of the text outside code blocks."""
    in_fence = False
    in_indented = False
    previous_blank = True
    for number, line in enumerate(text.splitlines(), 1):
        if FENCE.match(line):
            in_fence = not in_fence
            continue
        if in_fence:
            continue
        blank = not line.strip()
        indented = line.startswith("    ") or line.startswith("\t")
        # An indented block starts after a blank line and goes on while
        # its lines are indented or blank.
        in_indented = (indented and (in_indented or previous_blank)) or (blank and in_indented)
        previous_blank = blank
        if not in_indented and not blank:
            yield number, line


def anchors(path):
    """The section names of a Markdown file, as its headings are linked:
    lower case, punctuation (the backquotes too) dropped, blanks turned
    into hyphens, a name that comes again numbered -1, -2..."""
    names = set()
    seen = {}
    for _, line in prose_lines(path.read_text(encoding="utf-8")):
        match = re.match(r"^#{1,6}\s+(.*?)\s*#*\s*$", line)
        if not match:
            continue
        name = re.sub(r"[^\w\- ]", "", match.group(1).lower()).replace(" ", "-")
        count = seen.get(name, 0)
        seen[name] = count + 1
        names.add(name if count == 0 else f"{name}-{count}")
    return names


def check_links(root, files):
    faults = []
    for path in files:
        for number, line in prose_lines(path.read_text(encoding="utf-8")):
            for target in LINK.findall(CODE_SPAN.sub("", line)):
                if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                    continue  # a web address or mailto:, not a file here
                file_part, _, section = target.partition("#")
                linked = (path.parent / file_part).resolve() if file_part else path
                where = f"{path.relative_to(root)}:{number}"
                if not linked.exists():
                    faults.append(f"{where}: {target}: no such file")
                elif section and linked.suffix == ".md" and section not in anchors(linked):
                    faults.append(f"{where}: {target}: no section '{section}'")
    return faults


def check_readme(root):
    faults = []
    readme = root / "README.md"
    lines = readme.read_text(encoding="utf-8").splitlines()
    if len(lines) > README_MAX_LINES:
        faults.append(f"README.md: {len(lines)} lines, more than {README_MAX_LINES}; "
                      "move the detail to docs/")
    ci = root / ".ci" / "run"
    commands = [line.strip() for line in ci.read_text(encoding="utf-8").splitlines()
                if line.strip() and not line.lstrip().startswith("#")
                and not line.startswith(("set ", "cd "))]
    if not commands:
        faults.append(".ci/run: runs no command")
    elif "    " + commands[-1] not in lines:
        faults.append(f"README.md: does not show the command .ci/run runs: {commands[-1]}")
    return faults


def check(root):
    root = root.resolve()
    files = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    return check_links(root, files) + check_readme(root)


def self_test():
    with tempfile.TemporaryDirectory() as folder:
        root = Path(folder)
        (root / "docs").mkdir()
        (root / ".ci").mkdir()
        (root / ".ci" / "run").write_text("#!/bin/sh\nset -e\ncd x\nbash scripts/test.sh\n")
        (root / "docs" / "a.png").write_bytes(b"")
        (root / "README.md").write_text(
            "# Title\n\n## The `tool` command: two\n\n"
            "![fine](docs/a.png) [fine](docs/guide.md#the-viewer) [fine](#the-tool-command-two)\n"
            "[web](https://example.org/x.md) `[span](nowhere.md)`\n\n"
            "    [indented](nowhere.md)\n\n"
            "```\n[fenced](nowhere.md)\n```\n\n"
            "![broken](docs/b.png) and [broken](docs/none.md)\n"
            "[broken section](docs/guide.md#charts)\n\n"
            "    bash scripts/test.sh --quick\n")
        (root / "docs" / "guide.md").write_text(
            "# Guide\n\n## The viewer\n\n[fine](../README.md#title) [broken](#the-viewer-1)\n")
        found = check(root)
        expected = [
            "README.md:14: docs/b.png: no such file",
            "README.md:14: docs/none.md: no such file",
            "README.md:15: docs/guide.md#charts: no section 'charts'",
            "docs/guide.md:5: #the-viewer-1: no section 'the-viewer-1'",
            "README.md: does not show the command .ci/run runs: bash scripts/test.sh",
        ]
        if found != expected:
            print("self-test: the checks found\n  " + "\n  ".join(found) +
                  "\ninstead of\n  " + "\n  ".join(expected), file=sys.stderr)
            return 1
        with open(root / "README.md", "a") as readme:
            readme.write("\n    bash scripts/test.sh\n" + "x\n" * README_MAX_LINES)
        found = check(root)[-1:]
        if not found or "more than 250" not in found[0]:
            print(f"self-test: a long README was not reported: {found}", file=sys.stderr)
            return 1
    print("The checks find every planted fault and nothing else.")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print("usage: check_docs.py SOURCE_DIR | --self-test", file=sys.stderr)
        return 2
    faults = check(Path(argv[1]))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} fault(s) in the README and docs/", file=sys.stderr)
        return 1
    print("Every link and picture of the README and docs/ points at what exists.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
