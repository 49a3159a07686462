#!/usr/bin/env python3
"""The include check on small trees: each case writes one file and says
whether the check must refuse it and what the refusal names."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check-includes.py"
FLOORS = "# lowest first\nbase\nplatform\ncore\nleft right\ntop\n"

CASES = [
    # (file, its text, refused?, words the refusal must hold)
    ("core/A.cpp", '#include "base/B.h"\n#include "platform/P.h"\n#include "core/C.h"\n', False, []),
    ("core/A.cpp", '#include <vector>\n#include "tests/unit/X.h"\n', False, []),
    ("base/A.h", '#include "core/C.h"\n', True, ['base/A.h:1: #include "core/C.h"', "floor above"]),
    ("left/A.cpp", '#include <string>\n\n#include "right/R.h"\n', True, ["left/A.cpp:3:", "beside it"]),
    ("core/A.cpp", '#include "platform/sim/SimMachine.h"\n', True, ["core/A.cpp:1:", "platform/sim backend"]),
    ("platform/win32/W.cpp", '#include <windows.h>\n#include "platform/P.h"\n', False, []),
    ("platform/sim/S.cpp", '#include "platform/win32/WinApi.h"\n', False, []),
    ("core/A.cpp", '#include <Windows.h>\n', True, ["core/A.cpp:1:", "<windows.h>"]),
    ("top/deep/A.h", '  #  include "top/B.h"\n#include "left/L.h"\n', False, []),
]


class IncludeCheck(unittest.TestCase):
    def run_on(self, relative, text):
        with tempfile.TemporaryDirectory() as root:
            (pathlib.Path(root) / "cmake").mkdir()
            (pathlib.Path(root) / "cmake" / "floors.txt").write_text(FLOORS)
            path = pathlib.Path(root) / relative
            path.parent.mkdir(parents=True)
            path.write_text(text)
            return subprocess.run([sys.executable, str(SCRIPT), root], capture_output=True, text=True)

    def test_cases(self):
        for relative, text, refused, words in CASES:
            with self.subTest(file=relative, text=text):
                result = self.run_on(relative, text)
                self.assertEqual(result.returncode, 1 if refused else 0, result.stdout)
                for word in words:
                    self.assertIn(word, result.stdout)


if __name__ == "__main__":
    unittest.main()
