"""Truncated and mutated files never crash the interpreter: each read either
returns a Measurement whose arrays fit their windows or raises gridtext.Error."""
import random

import numpy as np

import gridtext
from conftest import convert, make_datafile


def read_or_fail(path):
    try:
        m = gridtext.read(path)
    except gridtext.Error as error:
        assert error.name.startswith("ERR_")
        return
    # Whatever was read is consistent and can be used.
    assert m.phase.size == max(m.phase_window.width, 0) * max(m.phase_window.height, 0) or \
        m.phase.size == 0
    np.sum(m.intensity, dtype=np.int64)
    np.sum(m.phase, dtype=np.int64)
    m.phase_as_float()
    dict(m.params)


def sweep(tmp_path, original, seed):
    rng = random.Random(seed)
    path = tmp_path / "hostile"
    # Every cut in the header, then cuts through the data.
    for length in list(range(0, 900, 7)) + rng.sample(range(900, len(original)), 40):
        path.write_bytes(original[:length])
        read_or_fail(path)
    for _ in range(300):
        mutated = bytearray(original)
        for _ in range(rng.randint(1, 8)):
            mutated[rng.randrange(min(len(mutated), 1000))] = rng.randrange(256)
        path.write_bytes(bytes(mutated))
        read_or_fail(path)


def test_binary_files(tmp_path):
    for fmt in (1, 3):
        original = make_datafile(tmp_path / "f.dat", "--format", fmt, "--width", 12,
                                 "--height", 9).read_bytes()
        sweep(tmp_path, original, fmt)


def test_ascii_files(tmp_path):
    text = convert(make_datafile(tmp_path / "f.dat", "--width", 12, "--height", 9),
                   tmp_path / "f.txt").read_bytes()
    sweep(tmp_path, text, 11)
