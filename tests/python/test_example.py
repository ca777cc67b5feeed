"""The Python example prints the bundled example's summary and saves its
picture with matplotlib, or says that it cannot without it."""
import os
import pathlib
import subprocess
import sys

import pytest

from conftest import EXAMPLES

SCRIPT = pathlib.Path(EXAMPLES) / "python" / "phase_summary.py"
# Runs the example as a program, with matplotlib made unimportable.
WITHOUT_MATPLOTLIB = (
    "import runpy, sys; sys.modules['matplotlib'] = None; sys.argv = sys.argv[1:]; "
    "runpy.run_path(sys.argv[0], run_name='__main__')")


def run(tmp_path, *command):
    return subprocess.run([sys.executable, *command], cwd=tmp_path, capture_output=True,
                          text=True, env=os.environ)


def test_summary_and_picture(tmp_path):
    pytest.importorskip("matplotlib")
    result = run(tmp_path, str(SCRIPT))
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines[0] == "size: 64 x 48, 2 intensity frame(s)"
    assert "valid phase points: 1468" in lines
    assert lines[-1] == "picture: phase.png"
    assert (tmp_path / "phase.png").read_bytes().startswith(b"\x89PNG")


def test_without_matplotlib_no_picture(tmp_path):
    result = run(tmp_path, "-c", WITHOUT_MATPLOTLIB, str(SCRIPT))
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines()[-1] == "matplotlib is not installed: no picture"
    assert not (tmp_path / "phase.png").exists()


def test_a_bad_file_is_reported(tmp_path):
    result = run(tmp_path, str(SCRIPT), str(tmp_path / "missing.dat"))
    assert result.returncode == 2
    assert "ERR_CANT_OPEN_FILE" in result.stderr
