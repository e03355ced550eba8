#!/usr/bin/env python3
"""Fails when an #include crosses a layer the wrong way.

Each source folder may include headers of the layers listed for it; an include without a
folder ("fixture.h") names a file beside the including one. The two programs share nothing,
so no configurator layer is allowed in the programmer and the other way round.

Usage: check_layers.py [repository root]
"""
import pathlib
import re
import sys

# (folder, files it covers, layers it may include). The first matching row decides; a row
# for a more specific folder comes before the row of the folder around it. Test support
# ("settings/testing/...", "core/testing/...") is a layer of its own that only tests, test
# support and the benchmarks may include: the programs never do.
SETTINGS = {"settings"}
IMAGE = SETTINGS | {"image"}
INSPECT = SETTINGS | {"inspect"}
SHELL = IMAGE | {"shell"}
CLI = IMAGE | {"inspect", "cli"}
CORE = {"core"}
ADAPTERS = CORE | {"adapters"}
QUILLON_TESTING = {"settings/testing"}
BRIVEL_TESTING = {"core/testing", "adapters/testing"}

RULES = [
    ("configurator/settings/testing", "*", SETTINGS | QUILLON_TESTING),
    ("configurator/settings/tests", "*", SETTINGS | QUILLON_TESTING),
    ("configurator/settings", "*", SETTINGS),
    ("configurator/image/tests", "*", IMAGE | QUILLON_TESTING),
    ("configurator/image", "*", IMAGE),
    # The inspector's tests build what they decode with the image builder.
    ("configurator/inspect/tests", "*", INSPECT | {"image"} | QUILLON_TESTING),
    ("configurator/inspect", "*", INSPECT),
    ("configurator/shell/tests", "*", SHELL | QUILLON_TESTING),
    ("configurator/shell", "*", SHELL),
    ("configurator/cli/tests", "*", CLI | QUILLON_TESTING),
    # The program starts the window too.
    ("configurator/cli", "main.cpp", CLI | {"shell"}),
    ("configurator/cli", "*", CLI),
    ("programmer/core/testing", "*", CORE | {"core/testing"}),
    ("programmer/core/tests", "*", CORE | {"core/testing"}),
    ("programmer/core", "*", CORE),
    ("programmer/adapters/testing", "*", ADAPTERS | BRIVEL_TESTING),
    ("programmer/adapters/tests", "*", ADAPTERS | BRIVEL_TESTING),
    ("programmer/adapters", "*", ADAPTERS),
    # The program needs both layers.
    ("programmer", "main.cpp", ADAPTERS),
]


def layer_of(name: str) -> str:
    parts = name.split("/")
    if len(parts) > 2 and parts[1] == "testing":
        return parts[0] + "/testing"
    return parts[0]


INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".cpp", ".h")


def rule_for(relative: pathlib.PurePosixPath):
    for folder, pattern, allowed in RULES:
        inside = str(relative).startswith(folder + "/")
        if inside and (pattern == "*" or relative.name == pattern):
            return folder, allowed
    return None, None


def check(root: pathlib.Path) -> list:
    problems = []
    checked = 0
    for top in ("configurator", "programmer"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            relative = pathlib.PurePosixPath(path.relative_to(root).as_posix())
            folder, allowed = rule_for(relative)
            if folder is None:
                problems.append(f"{relative}: no layer rule covers this file")
                continue
            checked += 1
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                name = match.group(1)
                if "/" not in name:
                    if not (path.parent / name).is_file():
                        problems.append(f"{relative}:{number}: \"{name}\" is not beside it")
                    continue
                layer = layer_of(name)
                if layer not in allowed:
                    problems.append(
                        f"{relative}:{number}: includes \"{name}\"; {folder} may include "
                        f"only {', '.join(sorted(allowed))}")
    if checked == 0:
        problems.append("no source file was checked")
    return problems


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    problems = check(root)
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
