"""Every field, window and array the module returns, against what the C++
library reads from the same file, for the three binary formats and both
ASCII formats."""
import io
import math
import pathlib

import numpy as np
import pytest

import gridtext
from conftest import Records, convert, format1_text, make_datafile

KINDS = {1: "binary format 1", 2: "binary format 2", 3: "binary format 3", 4: "ascii"}


def same_value(got, expected):
    if isinstance(expected, float):
        return isinstance(got, float) and (got == expected or (math.isnan(got) and math.isnan(expected)))
    return type(got) is type(expected) and got == expected


def check_against_library(m, path):
    records = Records(path)
    assert m.kind == KINDS[records.kind]
    ident = {**m.ident}
    params = {**m.params}
    assert list(params) == [n for n in records.fields if not n.startswith("ident_")]
    for name, expected in records.fields.items():
        got = ident[name] if name.startswith("ident_") else params[name]
        assert same_value(got, expected), name

    intens = records.windows["intensity"]
    assert tuple(m.intensity_window) == tuple(intens[:4])
    assert m.intensity_range == intens[5]
    assert m.intensity.dtype == np.uint16
    assert m.intensity.shape == (intens[4], intens[3], intens[2])
    assert np.array_equal(m.intensity.ravel(), records.intensity)

    phase = records.windows["phase"]
    assert tuple(m.phase_window) == tuple(phase)
    assert m.phase.dtype == np.int32
    assert m.phase.shape == (phase[3], phase[2])
    assert np.array_equal(m.phase.ravel(), records.phase)
    assert np.array_equal(m.phase_valid, m.phase < gridtext.PHASE_INVALID)
    as_float = m.phase_as_float()
    assert as_float.dtype == np.float64
    assert np.array_equal(as_float, np.where(m.phase_valid, m.phase, np.nan), equal_nan=True)


@pytest.mark.parametrize("fmt", [1, 2, 3])
@pytest.mark.parametrize("blocks", [[], ["--no-intensity"], ["--no-phase"]])
def test_binary_formats(tmp_path, fmt, blocks):
    path = make_datafile(tmp_path / "f.dat", "--format", fmt, "--width", 13, "--height", 11,
                         "--buckets", 3, "--seed", 7 + fmt, *blocks)
    m = gridtext.read(path)
    check_against_library(m, path)
    if fmt == 3:
        assert m.params["format_mark"] == 3
        assert any(m.params["raw_1454"])


@pytest.mark.parametrize("ascii_format", [1, 2])
def test_ascii_formats(tmp_path, ascii_format):
    binary = make_datafile(tmp_path / "f.dat", "--format", 3, "--width", 10, "--height", 6)
    text = convert(binary, tmp_path / "f2.txt")
    if ascii_format == 1:
        text = format1_text(text, tmp_path / "f1.txt")
    m = gridtext.read(text)
    check_against_library(m, text)
    assert m.kind == "ascii"
    assert (m.params["text_562"] == "") == (ascii_format == 1)


def test_texts_are_latin1_and_raw_fields_bytes(tmp_path):
    # text_80 at file offset 80 holds the bytes E9 (e acute in Latin-1) and FF.
    path = make_datafile(tmp_path / "l.dat", "--be16", "80=0xE9FF", "--be16", "82=0x4100",
                         "--be16", "208=0x0102")
    m = gridtext.read(path)
    assert m.params["text_80"] == "\u00e9\u00ffA"
    assert m.params["raw_208"] == b"\x01\x02"
    check_against_library(m, path)


def test_the_bundled_example(tmp_path):
    from conftest import EXAMPLES
    m = gridtext.read(pathlib.Path(EXAMPLES) / "sphere.dat")
    assert m.intensity.shape == (2, 48, 64)
    assert m.phase_stats().count == int(np.count_nonzero(m.phase_valid))


def test_paths_of_every_kind_and_streams_read_alike(sample):
    by_str = gridtext.read(str(sample))
    expected = by_str.phase.copy()
    for path in (bytes(sample), sample, pathlib.PurePath(sample)):
        assert np.array_equal(gridtext.read(path).phase, expected)
    with open(sample, "rb") as f:
        from_file = gridtext.read_stream(f)
    assert from_file.source == str(sample)
    from_memory = gridtext.read_stream(io.BytesIO(sample.read_bytes()))
    assert from_memory.source == "<stream>"
    for m in (from_file, from_memory):
        assert np.array_equal(m.phase, expected)
        assert dict(m.params) == dict(by_str.params)
        assert np.array_equal(m.intensity, by_str.intensity)


def test_statistics_match_the_phase_map(sample):
    m = gridtext.read(sample)
    stats = m.phase_stats()
    valid = m.phase[m.phase_valid]
    assert (stats.max, stats.min, stats.count) == (valid.max(), valid.min(), valid.size)
    assert stats.pv == stats.max - stats.min
    assert stats.mean == pytest.approx(valid.mean())
    row, column = np.argwhere(m.phase == stats.max)[0]
    assert (stats.max_x, stats.max_y) == (m.phase_window.x + column, m.phase_window.y + row)
    w = m.phase_window
    inner = m.phase_stats((w.x + 1, w.y + 1, w.width - 2, w.height - 2))
    assert inner.count == np.count_nonzero(m.phase_valid[1:-1, 1:-1])


def test_reads_on_several_threads_at_once(tmp_path):
    from concurrent.futures import ThreadPoolExecutor
    paths = [make_datafile(tmp_path / f"t{i}.dat", "--width", 300, "--height", 200, "--seed", i)
             for i in range(4)]
    expected = [Records(p).phase for p in paths]
    with ThreadPoolExecutor(4) as pool:
        for _ in range(3):
            for m, phase in zip(pool.map(gridtext.read, paths), expected):
                assert np.array_equal(m.phase.ravel(), phase)
