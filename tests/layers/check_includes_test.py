#!/usr/bin/env python3
"""The include check on small trees made in a temporary folder: what it lets through and what it names."""
import os
import subprocess
import sys
import tempfile
import unittest

# The checker's path may come first on the command line (as ctest runs it).
CHECKER = sys.argv.pop(1) if len(sys.argv) > 1 and sys.argv[1].endswith(".py") else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check_includes.py")

# A tree whose includes all point down, with the cases that must not be reported.
CLEAN = {
    "framework/core/core.h": "#pragma once\n",
    "framework/graphics/graphics.h": '#include "framework/core/core.h"\n',
    "framework/platform/winapi.h": '#include "framework/graphics/graphics.h"\n',
    "framework/controls/controls.h": '#include "framework/platform/winapi.h"\n#include "framework/core/core.h"\n',
    "files/files.h": '#include "framework/core/core.h"\n',
    "pos3d/pos3d.h": '#include "files/files.h"\n',
    "parts/parts.h": '#include "files/files.h"\n#include "framework/controls/controls.h"\n',
    # Quoted includes in comments are not includes.
    "parts/part.cpp": '#include "parts/parts.h"\n// #include "opengl/opengl.h"\n/* old:\n#include "opengl/opengl.h"\n*/\n',
    "opengl/opengl.h": '#include "parts/parts.h"\n#include "pos3d/pos3d.h"\n',
    # A .cpp may include two headers that include each other's neighbours: no circle.
    "opengl/opengl.cpp": '#include "opengl/opengl.h"\n#include "parts/parts.h"\n',
    "package/package.cpp": '#include "opengl/opengl.h"\n',
    "apps/tool/viewer.h": '#include "opengl/opengl.h"\n',
    # Beside the including file first.
    "apps/tool/main.cpp": '#include "viewer.h"\n#include "framework/controls/controls.h"\n',
    # Not a product folder: tests may include anything.
    "tests/t.cpp": '#include "apps/tool/viewer.h"\n',
}


class IncludeCheck(unittest.TestCase):
    def run_on(self, extra):
        with tempfile.TemporaryDirectory() as root:
            for path, text in {**CLEAN, **extra}.items():
                full = os.path.join(root, path)
                os.makedirs(os.path.dirname(full), exist_ok=True)
                with open(full, "w") as f:
                    f.write(text)
            done = subprocess.run([sys.executable, CHECKER, root], capture_output=True, text=True)
            faults = [line for line in done.stdout.splitlines() if "include fault(s)" not in line]
            return done.returncode, faults

    def test_a_tree_that_points_down_passes(self):
        self.assertEqual(self.run_on({}), (0, []))

    def test_each_include_up_a_layer_is_named_by_file_and_line(self):
        rc, faults = self.run_on({
            "parts/call.cpp": '#include "parts/parts.h"\n\n#include "opengl/opengl.h"\n',
            "files/files.cpp": '#include "files/files.h"\n#include "pos3d/pos3d.h"\n',
            "framework/graphics/draw.cpp": '#include "framework/graphics/graphics.h"\n#include "framework/controls/controls.h"\n',
            "framework/platform/x11.cpp": '  #  include "framework/controls/controls.h"\n',
            "framework/core/registry.h": '#include "framework/graphics/graphics.h"\n',
            "pos3d/pos3d.cpp": '#include <string>\n#include <parts/parts.h>\n',
        })
        self.assertEqual(rc, 1)
        self.assertEqual(sorted(f.split(": includes")[0] for f in faults), [
            "files/files.cpp:2", "framework/core/registry.h:1", "framework/graphics/draw.cpp:2",
            "framework/platform/x11.cpp:1", "parts/call.cpp:3", "pos3d/pos3d.cpp:2"])
        self.assertIn('parts/call.cpp:3: includes "opengl/opengl.h": parts/ may not include opengl/', faults)

    def test_a_header_circle_fails_once_and_a_new_framework_folder_needs_a_layer(self):
        rc, faults = self.run_on({
            "parts/a.h": '#include "parts/b.h"\n',
            "parts/b.h": '#include "parts/c.h"\n',
            "parts/c.h": '#include "parts/a.h"\n',
            "framework/widgets/w.cpp": '#include "framework/core/core.h"\n',
        })
        self.assertEqual(rc, 1)
        self.assertEqual(len(faults), 2, faults)
        self.assertIn("include cycle: parts/a.h -> parts/b.h -> parts/c.h -> parts/a.h", faults[1])
        self.assertTrue(faults[0].startswith("framework/widgets/w.cpp:1:"), faults[0])


if __name__ == "__main__":
    unittest.main()
