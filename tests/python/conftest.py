"""Shared helpers of the gridtext module's tests: sample files from the
project's generator, the C++ library's view of a file (record_dump), and the
converter program."""
import os
import subprocess

import numpy as np
import pytest

MAKE_DATAFILE = os.environ["GRIDTEXT_MAKE_DATAFILE"]
RECORD_DUMP = os.environ["GRIDTEXT_RECORD_DUMP"]
CONVERTER = os.environ["GRIDTEXT_CONVERTER"]
EXAMPLES = os.environ["GRIDTEXT_EXAMPLES"]


def make_datafile(path, *options):
    """A binary data file made by make_datafile with its command-line options."""
    subprocess.run([MAKE_DATAFILE, *[str(o) for o in options], str(path)], check=True)
    return path


def convert(binary, text):
    """The ASCII data file that the gridtext program writes for a binary file."""
    subprocess.run([CONVERTER, "-f", str(binary), str(text)], check=True,
                   stderr=subprocess.DEVNULL)
    return text


def format1_text(format2_text, path):
    """The Format 1 form of a Format 2 file: its identification line and no line 14."""
    lines = format2_text.read_bytes().split(b"\r\n")
    lines[0] = b"Tesk ASCII Data File - Format 1"
    del lines[13]
    path.write_bytes(b"\r\n".join(lines))
    return path


class Records:
    """What the C++ library reads from a file, parsed from record_dump."""

    def __init__(self, path):
        out = subprocess.run([RECORD_DUMP, str(path)], check=True, capture_output=True).stdout
        self.fields = {}
        self.windows = {}
        for line in out.decode("ascii").splitlines():
            word, _, rest = line.partition(" ")
            if word == "kind":
                self.kind = int(rest)
            elif word == "window":
                name, *numbers = rest.split()
                self.windows[name] = [int(n) for n in numbers]
            elif word == "field":
                name, kind, value = rest.split(" ", 2)
                self.fields[name] = self.value(kind, value)
            elif word in ("intensity", "phase"):
                setattr(self, word, np.array([int(v) for v in rest.split()], dtype=np.int64))

    @staticmethod
    def value(kind, text):
        if kind == "int":
            return int(text)
        if kind == "float":
            return float.fromhex(text)
        if kind == "ints":
            return tuple(int(v) for v in text.split(","))
        raw = b"" if text == "-" else bytes.fromhex(text)
        return raw.decode("latin-1") if kind == "text" else raw


@pytest.fixture
def sample(tmp_path):
    """A small binary data file of format 2 with two intensity frames."""
    return make_datafile(tmp_path / "sample.dat", "--width", 9, "--height", 7)
