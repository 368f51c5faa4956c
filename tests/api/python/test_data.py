"""Waveforms, matrices and particle groups through the Python package, with their files."""

import math
import os
import unittest

import numpy as np

import talvex
from clienttest import ClientTest


class Waveforms(ClientTest):
    def setUp(self):
        super().setUp()
        talvex.create_shot("1")

    def test_round_trip_and_file(self):
        values = np.array([1, 3, 2, 0], dtype=np.float32)
        talvex.set_waveform("probe", values, start=1.5, step=0.25)
        data = self.read(self.in_shot("probe.wvf"))
        self.assertEqual(self.at(data, "hhi", 0), (4, 0, 4))
        self.assertEqual(data[-16:], values.tobytes())

        self.assertEqual(talvex.waveform_info("probe"), (4, 1.5, 0.25))
        np.testing.assert_array_equal(talvex.get_waveform("probe"), values)
        np.testing.assert_array_equal(talvex.get_waveform("probe", 6), [1, 3, 2, 0, 0, 0])
        np.testing.assert_array_equal(talvex.get_waveform("probe", 3, 1.625), [2, 2.5, 1])
        self.assertEqual(talvex.get_waveform("probe", 0).size, 0)

    def test_pairs_missing_and_locked(self):
        talvex.set_waveform_xy("xy", [0, 2, 4], [5, 6, 7])
        self.assertEqual(talvex.waveform_info("xy"), (3, 0.0, 2.0))
        np.testing.assert_array_equal(talvex.get_waveform("xy"), [5, 6, 7])

        with self.assertRaisesRegex(talvex.TalvexError, "^Error reading waveform info for nope"):
            talvex.get_waveform("nope")
        self.assertEqual(talvex.waveform_info("nope").count, 0)

        path = self.in_shot("xy.wvf")
        locked = bytearray(self.read(path))
        locked[0:2] = (-4).to_bytes(2, "little", signed=True)
        with open(path, "wb") as f:
            f.write(locked)
        with self.assertRaisesRegex(talvex.TalvexError, "because it is locked$"):
            talvex.set_waveform("xy", [1, 2])
        self.assertEqual(self.read(path), bytes(locked))

    def test_no_current_shot(self):
        talvex.set_experiment(self.exp)
        with self.assertRaisesRegex(talvex.TalvexError, "^Could not write probe"):
            talvex.set_waveform("probe", [1, 2])
        self.assertEqual([n for n in os.listdir() if n.endswith(".wvf")], [])


class Matrices(ClientTest):
    def setUp(self):
        super().setUp()
        talvex.create_shot("1")

    def test_three_axes(self):
        m = np.arange(24, dtype=np.float32).reshape(2, 3, 4)
        talvex.set_matrix("m", m, starts=(0.5, 10, -1), steps=(0.125, 2, 0.5))
        data = self.read(self.in_shot("m.dmt"))
        self.assertEqual(self.at(data, "iiii", 0), (4, 0, 3, 2))
        # The numpy axes are the core's axes: first index fastest on disk.
        self.assertEqual(data[-96:], m.ravel(order="F").tobytes())

        info = talvex.matrix_info("m")
        self.assertEqual(info.shape, (2, 3, 4))
        self.assertEqual(info.starts, (0.5, 10.0, -1.0))
        self.assertEqual(info.steps, (0.125, 2.0, 0.5))
        np.testing.assert_array_equal(talvex.get_matrix("m"), m)

    def test_two_axes_and_missing(self):
        m = np.array([[1, 2], [3, 4], [5, 6]], dtype=np.float32)
        talvex.set_matrix("flat", m)
        self.assertEqual(talvex.matrix_info("flat").shape, (3, 2, 1))
        np.testing.assert_array_equal(talvex.get_matrix("flat"), m)
        self.assertEqual(talvex.matrix_info("nope").shape, (0, 0, 0))
        with self.assertRaisesRegex(talvex.TalvexError, "^Error reading matrix nope"):
            talvex.get_matrix("nope")
        with self.assertRaises(ValueError):
            talvex.set_matrix("bad", [1, 2, 3])


class ParticleGroups(ClientTest):
    def setUp(self):
        super().setUp()
        talvex.create_shot("1")

    def test_write_append_read(self):
        p = np.arange(24, dtype=np.float32).reshape(3, 8)
        talvex.set_pgroup("pg", p, geometry=0, header_a=2.5, header_b=7.5)
        talvex.append_pgroup("pg", p[:2] + 100)
        data = self.read(self.in_shot("pg.dpt"))
        self.assertEqual(self.at(data, "iiiii", 0), (2, 0, 0, 5, 8))
        self.assertEqual(self.at(data, "ff", 20), (7.5, 2.5))
        self.assertEqual(self.at(data, "f", 48 + 4 * 0), 108.0)  # extremes cover the append
        self.assertEqual(talvex.pgroup_info("pg"), (5, 0, 2.5, 7.5))

        whole = talvex.get_pgroup("pg")
        np.testing.assert_array_equal(whole, np.vstack((p, p[:2] + 100)))
        np.testing.assert_array_equal(talvex.get_pgroup("pg", start=2, count=2), whole[2:4])
        self.assertEqual(talvex.get_pgroup("pg", start=9).shape, (0, 8))
        self.assertEqual(talvex.get_pgroup("nope").shape, (0, 8))

    def test_polar_group_read_as_cartesian(self):
        p = np.zeros((1, 8), dtype=np.float32)
        p[0, :5] = [2, math.pi / 2, 9, 1, 0]
        talvex.set_pgroup("polar", p, geometry=1)
        np.testing.assert_array_equal(talvex.get_pgroup("polar"), p)  # stored as given
        xy = talvex.get_pgroup("polar", cartesian=True)
        np.testing.assert_allclose(xy[0, :5], [0, 2, 9, 0, 1], atol=1e-6)
        with self.assertRaises(ValueError):
            talvex.set_pgroup("bad", np.zeros((2, 7)))


if __name__ == "__main__":
    unittest.main()
