"""Base of the Python client tests: each test in its own folder, profile and core start-up."""

import os
import struct
import tempfile
import unittest

import talvex


class ClientTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=os.getcwd())
        home = os.path.join(self.dir, "home")
        os.environ["HOME"] = home
        os.environ["XDG_DATA_HOME"] = os.path.join(home, ".local", "share")
        os.chdir(self.dir)
        self.prog = os.path.join(self.dir, "prog")
        self.exp = os.path.join(self.dir, "data", "Exp1")
        talvex.init(self.prog)
        talvex.set_experiment(self.exp)

    def in_shot(self, name):
        return os.path.join(talvex.shot_folder(), name)

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            return f.read()

    @staticmethod
    def at(data, fmt, offset):
        """The little-endian value(s) of struct format fmt at a byte offset."""
        values = struct.unpack_from("<" + fmt, data, offset)
        return values[0] if len(values) == 1 else values
