"""Round trips between the object model and files the library's own classes wrote through the
flat functions: the same bytes on disk and the same values read back."""

import os

import numpy as np

import talvex
from conftest import read, shot_file

# Bytes of a data file after its header's date stamp: the stamp is the only part that depends
# on the time of the write.
def _without_date(data, stamp):
    at = data.find(stamp.encode())
    assert at >= 0
    return data[:at] + data[at + len(stamp):]


def _flat_shot(exp, name):
    talvex.init(os.path.join(os.path.dirname(exp.path), "prog"))
    talvex.set_experiment(exp.path)
    talvex.create_shot(name)


def test_waveform_written_by_the_flat_layer_reads_back_and_matches(exp):
    values = np.sin(np.linspace(0, 6, 1000)).astype(np.float32)
    values[10] = np.nan
    _flat_shot(exp, "1")
    talvex.set_waveform("probe", values, start=0.25, step=0.5)
    exp.create_shot("2")["probe"] = talvex.Waveform(values, start=0.25, step=0.5)

    w = exp["1"]["probe"]
    assert (w.start, w.step) == (0.25, 0.5)
    np.testing.assert_array_equal(w.values, values)  # NaN where the invalid value is stored
    a, b = read(shot_file(exp, "1", "probe.wvf")), read(shot_file(exp, "2", "probe.wvf"))
    assert len(a) == len(b)
    assert _without_date(a, w.attrs["date"]) == _without_date(b, exp["2"]["probe"].attrs["date"])
    # And the other way: what the object model wrote, the flat layer reads.
    talvex.set_shot("2")
    flat = talvex.get_waveform("probe")
    assert flat[10] < -1e38 and np.array_equal(flat[11:], values[11:])


def test_matrix_and_particles_written_by_the_flat_layer_read_back(exp):
    m = np.arange(12, dtype=np.float32).reshape(3, 4)
    p = np.arange(16, dtype=np.float32).reshape(2, 8)
    _flat_shot(exp, "1")
    talvex.set_matrix("grid", m, starts=(1.0, -2.0, 0.0), steps=(0.5, 0.25, 1.0))
    talvex.set_pgroup("beam", p, geometry=0, header_a=1.5, header_b=2.5)
    shot = exp["1"]
    got = shot["grid.dmt"]
    np.testing.assert_array_equal(got.values, m)
    np.testing.assert_allclose(got.axes[0], [1.0, 1.5, 2.0])
    np.testing.assert_allclose(got.axes[1], [-2.0, -1.75, -1.5, -1.25])
    beam = shot["beam.dpt"]
    np.testing.assert_array_equal(beam.values, p)
    assert (beam.header_a, beam.header_b) == (1.5, 2.5)

    exp.create_shot("2")["grid.dmt"] = got
    two = exp["2"]["grid.dmt"]
    a, b = read(shot_file(exp, "1", "grid.dmt")), read(shot_file(exp, "2", "grid.dmt"))
    assert _without_date(a, got.attrs["date"]) == _without_date(b, two.attrs["date"])


def test_low_level_functions_raise_on_a_refused_write(exp):
    _flat_shot(exp, "1")
    talvex.set_waveform("probe", [1, 2, 3])
    path = shot_file(exp, "1", "probe.wvf")
    data = bytearray(read(path))
    data[0:2] = (-4).to_bytes(2, "little", signed=True)
    with open(path, "wb") as f:
        f.write(data)
    try:
        talvex.set_waveform("probe", [4, 5])
    except talvex.TalvexError as e:
        assert "locked" in str(e)
    else:
        raise AssertionError("a locked waveform was overwritten silently")
    assert read(path) == bytes(data)
