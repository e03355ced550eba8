#!/usr/bin/env python3
"""Fails when a tracked C++ file is not formatted as .clang-format says.

The files are those git tracks (*.cpp and *.h); outside a git work tree, every such file below
the root except the build folders. clang-format only reads them (--dry-run) and names each
file that would change.

Usage: check_format.py CLANG_FORMAT [repository root]
"""
import pathlib
import subprocess
import sys

SUFFIXES = (".cpp", ".h")
# At most this many files per clang-format call, to stay within the command-line limit.
BATCH = 200


def tracked_files(root: pathlib.Path):
    try:
        listing = subprocess.run(
            ["git", "-C", str(root), "ls-files", "-z", "--", "*.cpp", "*.h"],
            check=True, capture_output=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return sorted(
            str(path.relative_to(root)) for path in root.rglob("*")
            if path.suffix in SUFFIXES and path.is_file()
            and not any(part.startswith(("build", ".")) for part in path.relative_to(root).parts))
    return [name for name in listing.decode().split("\0") if name]


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    clang_format = argv[1]
    root = pathlib.Path(argv[2] if len(argv) > 2 else ".").resolve()
    files = tracked_files(root)
    if not files:
        print(f"no C++ files found below {root}", file=sys.stderr)
        return 1
    unformatted = []
    for start in range(0, len(files), BATCH):
        batch = files[start:start + BATCH]
        result = subprocess.run([clang_format, "--dry-run", "--Werror", *batch], cwd=root,
                                capture_output=True, text=True)
        if result.returncode != 0:
            for line in result.stderr.splitlines():
                name = line.split(":", 1)[0]
                if name in batch and name not in unformatted:
                    unformatted.append(name)
            if not unformatted:
                print(result.stderr, file=sys.stderr)
                return 1
    for name in unformatted:
        print(f"{name}: not formatted as .clang-format says (run {clang_format} -i {name})")
    return 1 if unformatted else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
