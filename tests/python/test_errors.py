"""Every failure raises gridtext.Error with the library's code and name and
the file in its message; refusals by the system are also OSErrors; library
messages reach only a print function the user installed."""
import io
import os
import pathlib

import pytest

import gridtext
from conftest import convert, make_datafile


def raises(name, call, *args):
    with pytest.raises(gridtext.Error) as caught:
        call(*args)
    error = caught.value
    assert error.name == name
    assert gridtext.error_name(error.code) == name
    return error


@pytest.mark.parametrize("options, name", [
    (["--truncate", 3], "ERR_PREMATURE_EOF"),
    (["--format", 1, "--truncate", 100], "ERR_PREMATURE_EOF"),
    (["--be32", "0=0x6F031B88"], "ERR_NOT_A_DATA_FILE"),
    (["--be32", "0=0x881B0372"], "ERR_NOT_A_DATA_FILE"),
    (["--be16", "68=40000"], "ERR_DATASET_DIM_TOO_LARGE"),
    (["--be16", "52=0"], "ERR_PARAM_OUT_OF_RANGE"),
    (["--truncate", 2000], "ERR_CORRUPT_DATA_FILE"),
])
def test_binary_reader_failures(tmp_path, options, name):
    path = make_datafile(tmp_path / "bad.dat", "--width", 20, "--height", 20, *options)
    error = raises(name, gridtext.read, path)
    assert str(path) in str(error) and error.filename == str(path)
    assert not isinstance(error, OSError)
    stream_error = raises(name, gridtext.read_stream, io.BytesIO(path.read_bytes()))
    assert "<stream>" in str(stream_error)


def line_cut(text, index):
    """The text with the last number of one line dropped."""
    lines = text.split(b"\r\n")
    lines[index] = lines[index].rsplit(b" ", 1)[0]
    return b"\r\n".join(lines)


def ascii_text(tmp_path):
    return convert(make_datafile(tmp_path / "a.dat", "--width", 6, "--height", 4),
                   tmp_path / "a.txt").read_bytes()


@pytest.mark.parametrize("edit, name", [
    (lambda t: t.replace(b"Format 2", b"Format 7", 1), "ERR_UNKNOWN_ASCII_FORMAT_TYPE"),
    (lambda t: b"\r\n".join(t.split(b"\r\n")[:5]), "ERR_PREMATURE_EOF"),
    (lambda t: line_cut(t, 2), "ERR_CORRUPT_DATA_FILE"),
    (lambda t: t[:len(t) - 40], "ERR_CANT_READ_FILE"),
])
def test_ascii_reader_failures(tmp_path, edit, name):
    path = tmp_path / "bad.txt"
    path.write_bytes(edit(ascii_text(tmp_path)))
    raises(name, gridtext.read, path)


def test_refused_files_are_os_errors(tmp_path, sample):
    missing = tmp_path / "missing.dat"
    error = raises("ERR_CANT_OPEN_FILE", gridtext.read, missing)
    assert isinstance(error, OSError) and isinstance(error, gridtext.FileError)
    assert error.filename == str(missing) and error.strerror
    assert str(error) == f"{missing}: ERR_CANT_OPEN_FILE ({error.strerror})"
    raises("ERR_CANT_OPEN_FILE", gridtext.read, tmp_path)  # a folder
    # A name that is not UTF-8 is still opened by its bytes, and named in the message.
    odd = bytes(tmp_path) + b"/\xff.dat"
    error = raises("ERR_CANT_OPEN_FILE", gridtext.read, odd)
    assert "\\udcff.dat" in str(error)
    pathlib.Path(os.fsdecode(odd)).write_bytes(sample.read_bytes())
    assert gridtext.read(odd).phase.shape == gridtext.read(sample).phase.shape
    m = gridtext.read(sample)
    error = raises("ERR_CANT_CREATE_FILE", m.write_ascii, tmp_path / "no" / "such.txt")
    assert isinstance(error, OSError)
    raises("ERR_CANT_CREATE_FILE", m.write_phase_text, tmp_path / "no" / "such.txt")


def test_statistics_and_export_failures(tmp_path):
    m = gridtext.read(make_datafile(tmp_path / "p.dat", "--no-phase"))
    raises("ERR_ALL_BAD_DATA", m.phase_stats)
    raises("ERR_ALL_BAD_DATA", m.write_phase_text, tmp_path / "points.txt")
    w = gridtext.read(make_datafile(tmp_path / "q.dat")).phase_window
    with_phase = gridtext.read(tmp_path / "q.dat")
    raises("ERR_IMPROPER_WINDOW", with_phase.phase_stats, (w.x - 1, w.y, w.width, w.height))
    with pytest.raises(ValueError):
        with_phase.phase_stats((1, 2, 3))


def test_arguments_python_refuses(sample):
    with pytest.raises(TypeError):
        gridtext.read(42)
    with pytest.raises(ValueError):
        gridtext.read(str(sample) + "\0.txt")
    with pytest.raises(TypeError):
        gridtext.read_stream(io.StringIO("text"))
    with pytest.raises(TypeError):
        gridtext.set_print(3)


def test_messages_only_reach_an_installed_print_function(tmp_path, capfd):
    path = tmp_path / "bad.txt"
    path.write_bytes(ascii_text(tmp_path).replace(b"Format 2", b"Format 7", 1))
    capfd.readouterr()
    raises("ERR_UNKNOWN_ASCII_FORMAT_TYPE", gridtext.read, path)
    assert capfd.readouterr() == ("", "")
    messages = []
    gridtext.set_print(messages.append)
    try:
        raises("ERR_UNKNOWN_ASCII_FORMAT_TYPE", gridtext.read, path)
    finally:
        gridtext.set_print(None)
    assert messages == ["-***- Error in Line 1 -***-\n"]
    raises("ERR_UNKNOWN_ASCII_FORMAT_TYPE", gridtext.read, path)
    assert len(messages) == 1
    assert capfd.readouterr() == ("", "")
