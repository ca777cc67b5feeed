"""The arrays share the library's buffers: no copy, read-only, and valid for
as long as they live, also after their Measurement is gone (the sanitizer
build runs these too, so a freed buffer read here is reported)."""
import gc

import numpy as np
import pytest

import gridtext


def test_arrays_outlive_their_measurement(sample):
    m = gridtext.read(sample)
    expected_phase = np.array(m.phase)
    expected_frames = np.array(m.intensity)
    phase = m.phase
    last_frame = m.intensity[-1]
    row = phase[3]
    del m
    gc.collect()
    # Other reads reuse freed memory if the buffers were released too early.
    others = [gridtext.read(sample) for _ in range(5)]
    del others
    gc.collect()
    assert np.array_equal(phase, expected_phase)
    assert np.array_equal(last_frame, expected_frames[-1])
    assert np.array_equal(row, expected_phase[3])


def test_arrays_share_one_buffer_and_are_read_only(sample):
    m = gridtext.read(sample)
    a, b = m.phase, m.phase
    assert a.ctypes.data == b.ctypes.data
    assert not a.flags.writeable and not m.intensity.flags.writeable
    with pytest.raises(ValueError):
        a[0, 0] = 1
    copy = np.array(a)
    copy[0, 0] = 1
    assert copy.flags.writeable and m.phase[0, 0] == a[0, 0]
    # The derived arrays are the caller's own.
    assert m.phase_valid.flags.writeable and m.phase_as_float().flags.writeable


def test_empty_matrices_give_empty_arrays(tmp_path):
    from conftest import make_datafile
    m = gridtext.read(make_datafile(tmp_path / "e.dat", "--no-intensity", "--no-phase"))
    assert m.intensity.shape == (0, 0, 0) and m.intensity.dtype == np.uint16
    assert m.phase.shape == (0, 0) and m.phase_as_float().shape == (0, 0)
    assert m.phase_valid.shape == (0, 0)


def test_many_measurements_come_and_go(sample):
    kept = []
    for i in range(200):
        m = gridtext.read(sample)
        if i % 50 == 0:
            kept.append(m.intensity[0])
    gc.collect()
    assert all(np.array_equal(k, kept[0]) for k in kept)
