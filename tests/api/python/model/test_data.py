"""Data objects of a shot: waveforms, matrices, particle groups, their files and NaN."""

import math
import os
import struct

import numpy as np
import pytest

import talvex
from conftest import INVALID, floats, read, shot_file


@pytest.fixture
def shot(exp):
    return exp.create_shot("1")


def test_waveform_round_trip_with_time_base_and_attrs(shot, exp):
    values = np.array([0, 4, 2, 1], dtype=np.float32)
    shot["probe"] = talvex.Waveform(values, start=-2e-6, step=1e-6,
                                    attrs={"description": "Langmuir", "t1": 0.5})
    data = read(shot_file(exp, "1", "probe.wvf"))
    assert data[-16:] == values.tobytes()
    w = shot["probe"]
    assert isinstance(w, talvex.Waveform) and w.values.dtype == np.float32
    np.testing.assert_array_equal(w.values, values)
    assert w.start == pytest.approx(-2e-6) and w.step == pytest.approx(1e-6)
    np.testing.assert_allclose(w.time, [-2e-6, -1e-6, 0, 1e-6], atol=1e-12)
    assert w.time.dtype == np.float64
    assert w.attrs["description"] == "Langmuir" and w.attrs["t1"] == 0.5
    assert w.attrs["max"] == 4.0
    assert shot.data() == {"probe": "waveform"}


def test_bare_array_is_a_trace_from_zero_at_step_one(shot):
    shot["raw"] = [3, 1, 2]
    w = shot["raw"]
    assert (w.start, w.step, len(w)) == (0.0, 1.0, 3)


def test_nan_is_stored_as_the_invalid_value_and_read_back_as_nan(shot, exp):
    shot["gap"] = np.array([1.0, np.nan, 3.0])
    data = read(shot_file(exp, "1", "gap.wvf"))
    stored = floats(data, 3, len(data) - 12)
    assert stored[0] == 1.0 and stored[2] == 3.0
    assert stored[1] == pytest.approx(INVALID, rel=1e-6)
    values = shot["gap"].values
    assert values[0] == 1.0 and math.isnan(values[1]) and values[2] == 3.0
    assert shot.eval("gap\\mx") == 3.0


def test_two_axes_or_complex_where_a_trace_is_expected_raise(shot):
    with pytest.raises(ValueError, match="shape"):
        shot["probe"] = np.zeros((2, 3))
    with pytest.raises(TypeError, match="complex"):
        shot["probe"] = np.array([1 + 2j, 3])
    with pytest.raises(TypeError):
        shot["probe"] = ["a", "b"]
    with pytest.raises(TypeError):
        shot["grid.dmt"] = talvex.Waveform([1, 2])
    assert shot.data() == {}


def test_matrix_shape_axes_and_storage_order(shot, exp):
    values = np.arange(24, dtype=np.float32).reshape(2, 3, 4)
    axes = ([0.5, 0.75], [10, 12, 14], [1, 2, 4, 8])
    shot["grid.dmt"] = talvex.Matrix(values, axes, attrs={"name1": "density"})
    data = read(shot_file(exp, "1", "grid.dmt"))
    assert data[-96:] == values.ravel(order="F").tobytes()  # first index fastest
    m = shot["grid.dmt"]
    assert m.values.shape == (2, 3, 4)
    np.testing.assert_array_equal(m.values, values)
    for got, want in zip(m.axes, axes):
        np.testing.assert_allclose(got, want)
    assert m.attrs["name1"] == "density"
    assert shot["grid"].values.shape == (2, 3, 4)  # no waveform of that name: the matrix
    shot["flat.dmt"] = np.array([[1, np.nan], [3, 4]])
    flat = shot["flat.dmt"]
    assert flat.values.shape == (2, 2) and len(flat.axes) == 2
    assert math.isnan(flat.values[0, 1])
    with pytest.raises(ValueError):
        talvex.Matrix([1, 2, 3])
    with pytest.raises(ValueError):
        talvex.Matrix(np.zeros((2, 2)), axes=([0, 1], [0, 1, 2]))


def test_particle_group_and_append(shot, exp):
    p = np.arange(24, dtype=np.float32).reshape(3, 8)
    shot["beam.dpt"] = talvex.ParticleGroup(p, geometry=0, header_a=2.5, header_b=7.5)
    g = shot["beam.dpt"]
    assert g.values.shape == (3, 8)
    assert (g.geometry, g.header_a, g.header_b) == (0, 2.5, 7.5)
    g.append(p[:2] + 100)
    assert len(g) == 5
    again = shot["beam.dpt"]
    np.testing.assert_array_equal(again.values, np.vstack((p, p[:2] + 100)))
    assert struct.unpack_from("<i", read(shot_file(exp, "1", "beam.dpt")), 0)[0] == 2
    with pytest.raises(ValueError):
        shot["bad.dpt"] = np.zeros((2, 7))


def test_listing_kinds_and_missing_objects(shot, exp):
    shot["probe"] = [1, 2]
    shot["grid.dmt"] = np.ones((2, 2))
    shot["beam.dpt"] = np.ones((1, 8))
    # A geometry set with no objects, in its documented layout.
    empty = struct.pack("<iii6f", 1, 0, 0, *([0.0] * 6)) + struct.pack("<iii", 0, 0, 0)
    with open(shot_file(exp, "1", "parts.dgm"), "wb") as f:
        f.write(empty)
    assert shot.data() == {"probe": "waveform", "grid.dmt": "matrix",
                           "beam.dpt": "particles", "parts.dgm": "geometry"}
    assert "probe" in shot and "nope" not in shot
    with pytest.raises(KeyError) as e:
        shot["nope"]
    assert "nope" in str(e.value) and "1" in str(e.value)
    with pytest.raises(KeyError):
        shot["probe.dmt"]
    with pytest.raises(talvex.TalvexError, match="geometry"):
        shot["parts.dgm"]
    with pytest.raises(talvex.TalvexError, match="geometry"):
        shot["parts.dgm"] = [1, 2]
    # Through the C functions too, a name's extension keeps other kinds out.
    with pytest.raises(talvex.TalvexError, match="does not name a waveform"):
        shot._write_waveform("grid.dmt", talvex.Waveform([1, 2]))
    with pytest.raises(talvex.TalvexError, match="does not name a matrix"):
        shot._read_matrix("probe.wvf")
    assert not os.path.exists(shot_file(exp, "1", "grid.wvf"))


def test_a_locked_waveform_refuses_the_write_loudly(shot, exp):
    shot["probe"] = [1, 2, 3]
    path = shot_file(exp, "1", "probe.wvf")
    data = bytearray(read(path))
    # The lock marker is the sign of the version field (a negative version).
    version = struct.unpack_from("<h", data, 0)[0]
    struct.pack_into("<h", data, 0, -abs(version))
    with open(path, "wb") as f:
        f.write(data)
    with pytest.raises(talvex.TalvexError, match="locked"):
        shot["probe"] = [9, 9]
    assert read(path) == bytes(data)
