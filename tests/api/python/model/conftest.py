"""Shared fixtures of the object-model tests: a fresh folder and profile per test."""

import os
import struct

import pytest

import talvex

INVALID = -3.3e38  # the library's invalid sample, as stored


@pytest.fixture(autouse=True)
def own_folder(tmp_path, monkeypatch):
    """Each test works in its own folder with its own per-user profile."""
    home = tmp_path / "home"
    monkeypatch.setenv("HOME", str(home))
    monkeypatch.setenv("XDG_DATA_HOME", str(home / ".local" / "share"))
    monkeypatch.chdir(tmp_path)
    return tmp_path


@pytest.fixture
def exp(tmp_path):
    """A new experiment Exp1, closed after the test."""
    with talvex.Experiment(tmp_path / "data" / "Exp1", create=True) as e:
        yield e


def read(path):
    with open(path, "rb") as f:
        return f.read()


def floats(data, count, offset):
    """count little-endian float32 values at a byte offset."""
    return struct.unpack_from("<%df" % count, data, offset)


def shot_file(e, shot, name):
    return os.path.join(e.path, "Shots", "Shot" + shot, name)
