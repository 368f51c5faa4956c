"""The low-level layer: one function per flat C function, acting on the process-wide experiment
and current shot. The object model (Experiment, Shot, ...) is the layer most programs want."""

import ctypes
import os
from collections import namedtuple

import numpy as np

from . import _clib, _errors
from ._clib import lib
from ._errors import TalvexError

# Floats per particle, and GetPGroupC's start value that converts to Cartesian geometry.
_PARTICLE_COLS = 8
_START_CARTESIAN = -77
# The "no value" result of the core's expressions.
_NO_VALUE = -3.3e38
# GetScalarDataSafeC reads its text as a template from this capacity on.
_TEMPLATE_CAPACITY = 60

WaveformInfo = namedtuple("WaveformInfo", "count start step")
MatrixInfo = namedtuple("MatrixInfo", "shape starts steps")
PGroupInfo = namedtuple("PGroupInfo", "count geometry header_a header_b")


def _b(text):
    """Text for the core: file-system encoding, so paths round-trip."""
    return os.fsencode(text)


def _s(raw):
    return os.fsdecode(raw)


# The getters report "nothing there" by their results (0 points, None, ""), as callers rely on;
# a failure the core records during one of them is not raised.
_GETTERS = {"GetWaveformC", "GetWaveformInfoC", "GetMatrixC", "GetMatrixInfoC", "GetPGroupC",
            "GetPGroupInfoC", "GetScalarDataC", "GetScalarDataSafeC", "GetStringDataC"}


def _call(function, *args):
    """Calls the C function; a message from the core during the call, or a failure it
    recorded (writers only), raises TalvexError."""
    with _clib.lock:
        _errors.begin()
        result = function(*args)
        if function.__name__ in _GETTERS:
            _clib.lib.ClearLastFailureC()
        message = _errors.failure()
    if message is not None:
        raise TalvexError(message)
    return result


def _text_out(get, capacity=4096):
    """Runs a getter of the text-out form, growing the buffer until the text fits."""
    while True:
        buf = ctypes.create_string_buffer(capacity)
        n = ctypes.c_int(capacity)
        with _clib.lock:
            get(ctypes.byref(n), buf)
        if n.value < capacity or capacity >= 1 << 24:
            return _s(buf.raw[: n.value])
        capacity *= 4


def _floats(values):
    return np.ascontiguousarray(values, dtype=np.float32)


def _ptr(array):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_float))


# ---- Start-up, experiment and shots ----------------------------------------------------------

def init(program_folder="", logging=False):
    """Starts the core for a program folder (empty: the Python program's folder) and makes the
    core's messages reach this module. A second call for the same folder changes nothing."""
    folder = _b(program_folder) + (b"$L" if logging else b"")
    with _clib.lock:
        lib.InitializeTalvexC(folder)
        _clib.install_hook()


def set_experiment(folder):
    """Selects the experiment folder (created with its Shots folder when new)."""
    _call(lib.SetExperimentC, _b(folder))


def create_shot(name):
    """Creates the shot and makes it current; a leading "*" reuses an existing one, and "*"
    alone takes the name from the current directory."""
    if not _call(lib.CreateShotC, _b(name)):
        raise TalvexError("Error creating shot " + name)


def set_shot(name):
    """Makes an existing shot current."""
    if not _call(lib.SetShotC, _b(name)):
        raise TalvexError("Error setting shot " + name)


def system_text(which):
    """One of the core's system texts by selector (GetStringC)."""
    return _text_out(lambda n, buf: lib.GetStringC(which, n, buf))


def program_folder():
    """The program folder the core was started for."""
    return system_text(0)


def shot_name():
    """The current shot's name ("" when none)."""
    return system_text(1)


def shot_folder():
    """The current shot's folder."""
    return system_text(2)


def experiment_folder():
    """The selected experiment folder."""
    return system_text(3)


def user_folder():
    """The per-user folder (settings file and log)."""
    return system_text(4)


def hosts_file():
    """The host file that write_hosts writes."""
    return system_text(5)


def experiment_name():
    """The selected experiment's name."""
    return system_text(6)


# ---- Waveforms -------------------------------------------------------------------------------

def waveform_info(name):
    """(count, start, step) of a stored waveform; count 0 when there is none."""
    n, start, dt = ctypes.c_int(0), ctypes.c_float(0), ctypes.c_float(0)
    _call(lib.GetWaveformInfoC, _b(name), ctypes.byref(n), ctypes.byref(start), ctypes.byref(dt))
    return WaveformInfo(n.value, start.value, dt.value)


def get_waveform(name, count=None, start=None, step=None):
    """The waveform's samples; with count, start or step given, resampled onto that time base
    (0 outside the stored data). Raises TalvexError when there is no such waveform."""
    info = waveform_info(name)
    if info.count == 0:
        raise TalvexError("Error reading waveform info for %s (most likely it does not exist)"
                          % name)
    count = info.count if count is None else int(count)
    out = np.zeros(max(count, 0), dtype=np.float32)
    start = info.start if start is None else start
    step = info.step if step is None else step
    _call(lib.GetWaveformC, _b(name), count, start, step, _ptr(out))
    return out


def set_waveform(name, values, start=0.0, step=1.0):
    """Writes a waveform of these samples (a stored locked file raises TalvexError)."""
    v = _floats(values).ravel()
    _call(lib.SetWaveformC, _b(name), v.size, start, step, _ptr(v))


def set_waveform_xy(name, x, y):
    """Writes a waveform from x, y pairs: evenly spaced from the first x to the last."""
    x, y = _floats(x).ravel(), _floats(y).ravel()
    if x.size != y.size or x.size < 2:
        raise ValueError("x and y need the same length, at least 2")
    xy = _floats(np.column_stack((x, y)))
    _call(lib.SetWaveformXYC, _b(name), x.size, _ptr(xy))


# ---- Matrices --------------------------------------------------------------------------------

def matrix_info(name):
    """Shape (nx, ny, nz), first coordinates and steps of a stored matrix; shape (0, 0, 0)
    when there is none."""
    ints = [ctypes.c_int(0) for _ in range(3)]
    firsts = [ctypes.c_float(0) for _ in range(3)]
    steps = [ctypes.c_float(0) for _ in range(3)]
    args = []
    for d in range(3):
        args += [ctypes.byref(ints[d]), ctypes.byref(firsts[d]), ctypes.byref(steps[d])]
    _call(lib.GetMatrixInfoC, _b(name), *args)
    return MatrixInfo(tuple(i.value for i in ints), tuple(f.value for f in firsts),
                      tuple(s.value for s in steps))


def get_matrix(name):
    """The matrix's values indexed [i, j] or [i, j, k] as the core counts its axes (shape
    (nx, ny) for two axes). Raises TalvexError when there is no such matrix."""
    info = matrix_info(name)
    nx, ny, nz = info.shape
    if nx * ny * nz == 0:
        raise TalvexError("Error reading matrix %s (most likely it does not exist)" % name)
    flat = np.zeros(nx * ny * nz, dtype=np.float32)
    _call(lib.GetMatrixC, _b(name), nx, 0.0, 0.0, ny, 0.0, 0.0, nz, 0.0, 0.0, _ptr(flat))
    shape = (nx, ny) if nz == 1 else (nx, ny, nz)
    return flat.reshape(shape, order="F")


def set_matrix(name, values, starts=(0.0, 0.0, 0.0), steps=(1.0, 1.0, 1.0)):
    """Writes a matrix of two or three axes with coordinates start + i * step per axis."""
    v = _floats(values)
    if v.ndim not in (2, 3):
        raise ValueError("a matrix has two or three axes")
    nx, ny = v.shape[0], v.shape[1]
    nz = v.shape[2] if v.ndim == 3 else 1
    flat = _floats(v.ravel(order="F"))
    _call(lib.SetMatrixC, _b(name), nx, starts[0], steps[0], ny, starts[1], steps[1],
          nz, starts[2], steps[2], _ptr(flat))


# ---- Particle groups -------------------------------------------------------------------------

def pgroup_info(name):
    """(count, geometry, header_a, header_b) of a stored particle group; count 0 when none."""
    n, g = ctypes.c_int(0), ctypes.c_int(0)
    a, b = ctypes.c_float(0), ctypes.c_float(0)
    _call(lib.GetPGroupInfoC, _b(name), ctypes.byref(n), ctypes.byref(g), ctypes.byref(a),
          ctypes.byref(b))
    return PGroupInfo(n.value, g.value, a.value, b.value)


def get_pgroup(name, start=0, count=None, cartesian=False):
    """Particles (rows of 8 floats) from particle start, at most count of them (all when
    None); cartesian converts polar particles to x, y (start must then be 0)."""
    if cartesian and start != 0:
        raise ValueError("cartesian reads begin at the first particle")
    if count is None:
        count = max(pgroup_info(name).count - max(start, 0), 0)
    out = np.zeros((max(count, 0), _PARTICLE_COLS), dtype=np.float32)
    n = ctypes.c_int(out.shape[0])
    _call(lib.GetPGroupC, _b(name), ctypes.byref(n), _START_CARTESIAN if cartesian else start,
          _ptr(out))
    return out[: n.value]


def _particles(particles):
    p = _floats(particles)
    if p.ndim != 2 or p.shape[1] != _PARTICLE_COLS:
        raise ValueError("particles are rows of 8 floats")
    return p


def set_pgroup(name, particles, geometry=0, header_a=0.0, header_b=0.0):
    """Writes a particle group; the values are stored as given, labelled with geometry."""
    p = _particles(particles)
    _call(lib.SetPGroupC, _b(name), p.shape[0], geometry, header_a, header_b, _ptr(p))


def append_pgroup(name, particles, geometry=0, header_a=0.0, header_b=0.0):
    """Adds particles to a stored group (the file's geometry and header values win)."""
    p = _particles(particles)
    _call(lib.AppendPGroupC, _b(name), p.shape[0], geometry, header_a, header_b, _ptr(p))


# ---- Scalars, fields and services ------------------------------------------------------------

def get_scalar(expression):
    """The value of a scalar expression of the current shot; None when it has none."""
    v = _call(lib.GetScalarDataC, _b(expression))
    return None if v <= _NO_VALUE * 0.99 else v


def set_scalar(name, value):
    """Sets a numeric field of the current shot (or a time mark: "probe\\t1")."""
    _call(lib.SetScalarDataC, _b(name), float(value))


def scalar_text(expression):
    """The value of one scalar expression as the core writes it."""
    buf = ctypes.create_string_buffer(_TEMPLATE_CAPACITY - 1)
    n = ctypes.c_int(_TEMPLATE_CAPACITY - 1)
    _call(lib.GetScalarDataSafeC, _b(expression), ctypes.byref(n), buf)
    return _s(buf.raw[: n.value])


def fill_template(text):
    """text with every {expression} replaced by its value; raises TalvexError when one has
    no value."""
    capacity = max(_TEMPLATE_CAPACITY, 4 * len(_b(text)) + 1024)
    result = _text_out(lambda n, buf: _call(lib.GetScalarDataSafeC, _b(text), n, buf), capacity)
    if result.startswith("Error evaluating scalar expression "):
        raise TalvexError(result)
    return result


def get_field(key):
    """A text field of the current shot ("" when missing)."""
    return _text_out(lambda n, buf: _call(lib.GetStringDataC, _b(key), n, buf))


def set_field(key, value):
    """Sets a text field of the current shot; "" removes it."""
    _call(lib.SetStringDataC, _b(key), _b(value))


def write_hosts(n):
    """Writes the host file of the node list repeated to n names; returns the names."""
    with _clib.lock:
        lib.GetNodesC(n)
    with open(hosts_file(), "rb") as f:
        data = f.read()
    return [_s(line) for line in data.split(b"\r\n")] if data else []


def notify(code, value, text):
    """Sends a notification to the core's sink (code 2 is a message: it raises)."""
    _call(lib.NotifyC, code, value, _b(text))


def sleep(milliseconds):
    """Sleeps that many milliseconds (none when negative)."""
    lib.CSleep(int(milliseconds))


def test_value():
    """316 when the library answers."""
    return lib.TestFuncC()
