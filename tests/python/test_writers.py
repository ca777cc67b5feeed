"""The writers: the ASCII data file byte for byte as the gridtext program
writes it, the overwrite rule, and the phase point list."""
import pytest

import gridtext
from conftest import convert, make_datafile


@pytest.mark.parametrize("fmt", [1, 2, 3])
def test_write_ascii_is_the_converters_output(tmp_path, fmt):
    binary = make_datafile(tmp_path / "f.dat", "--format", fmt, "--width", 17, "--height", 5,
                           "--buckets", 2, "--seed", fmt)
    expected = convert(binary, tmp_path / "converter.txt").read_bytes()
    m = gridtext.read(binary)
    m.write_ascii(tmp_path / "module.txt")
    assert (tmp_path / "module.txt").read_bytes() == expected
    # Read back from its ASCII form, it writes the same bytes again.
    gridtext.read(tmp_path / "module.txt").write_ascii(tmp_path / "again.txt")
    assert (tmp_path / "again.txt").read_bytes() == expected


def test_an_existing_file_is_replaced_only_when_asked(sample, tmp_path):
    m = gridtext.read(sample)
    target = tmp_path / "out.txt"
    target.write_bytes(b"keep me")
    with pytest.raises(gridtext.FileError) as refused:
        m.write_ascii(target)
    assert refused.value.name == "ERR_CANT_CREATE_FILE"
    assert str(target) in str(refused.value)
    assert target.read_bytes() == b"keep me"
    m.write_ascii(target, overwrite=True)
    assert target.read_bytes().startswith(b"Tesk ASCII Data File - Format 2\r\n")


def test_phase_text_lists_every_valid_point(sample, tmp_path):
    m = gridtext.read(sample)
    m.write_phase_text(tmp_path / "points.txt")
    lines = (tmp_path / "points.txt").read_bytes().split(b"\r\n")
    assert lines[-1] == b""
    stats = m.phase_stats()
    assert int(lines[0]) == stats.count
    points = [line.split() for line in lines[1:-3]]
    assert len(points) == stats.count
    low, spread = float(lines[-3]), float(lines[-2])
    assert (low, spread) == (stats.min, stats.pv)
    for column, row, scaled in points[:50]:
        value = m.phase[int(row), int(column)]
        assert low + float(scaled) * spread == pytest.approx(value, abs=spread * 1e-5)
