#!/usr/bin/env python3
"""The layer check finds a wrong include, and only that, in a small tree of its own."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECKER = pathlib.Path(__file__).resolve().parent.parent / "check_layers.py"


def run(files: dict) -> subprocess.CompletedProcess:
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        return subprocess.run([sys.executable, str(CHECKER), str(root)],
                              capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    def test_includes_down_the_layers_pass(self):
        result = run({
            "configurator/settings/a.h": '#include "settings/b.h"\n',
            "configurator/settings/b.h": "",
            "configurator/inspect/tests/t.cpp": '#include "image/area.h"\n#include "fix.h"\n',
            "configurator/inspect/tests/fix.h": "",
            "configurator/cli/main.cpp": '#include "shell/quillon_app.h"\n',
            "programmer/adapters/x.cpp": '#include "core/ezport.h"\n',
            "programmer/adapters/tests/t.cpp": '#include "adapters/testing/faults.h"\n',
        })
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_each_wrong_include_is_named(self):
        cases = [
            ("configurator/settings/a.cpp", '#include "image/area.h"\n'),
            ("configurator/image/a.cpp", '#include "inspect/area_walker.h"\n'),
            ("configurator/inspect/a.cpp", '#include "image/area.h"\n'),
            ("configurator/shell/a.cpp", '#include "cli/command_line.h"\n'),
            ("configurator/cli/command_line.cpp", '#include "shell/quillon_app.h"\n'),
            ("programmer/core/main.cpp", '#include "adapters/backends.h"\n'),
            ("programmer/adapters/a.cpp", '#include "settings/cp1251.h"\n'),
            ("configurator/image/a.cpp", '#include "missing_beside.h"\n'),
            # Test support is for tests only.
            ("configurator/image/a.cpp", '#include "settings/testing/tree_fixture.h"\n'),
            ("programmer/core/main_flow.cpp", '#include "core/testing/virtual_clock.h"\n'),
        ]
        for name, text in cases:
            with self.subTest(name=name, text=text):
                result = run({name: "// first line\n" + text})
                self.assertEqual(result.returncode, 1)
                self.assertIn(f"{name}:2:", result.stderr)

    def test_a_file_no_rule_covers_is_named(self):
        result = run({"programmer/elsewhere/x.cpp": ""})
        self.assertEqual(result.returncode, 1)
        self.assertIn("programmer/elsewhere/x.cpp: no layer rule", result.stderr)

    def test_an_empty_tree_is_not_a_pass(self):
        self.assertEqual(run({}).returncode, 1)


if __name__ == "__main__":
    unittest.main()
