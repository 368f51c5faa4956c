"""The object model: experiments, shots, fields and data objects as Python objects."""

import ctypes
import os
from collections.abc import MutableMapping
from typing import Any, Dict, Iterable, Iterator, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _clib, _errors
from ._clib import lib
from ._errors import ExpressionError, TalvexError

_KINDS = {1: "waveform", 2: "matrix", 3: "particles", 4: "geometry"}
# Header records the library stores as given; the others it computes (dates, extremes, ...).
_WAVEFORM_KEYS = ("description", "note", "t1", "t2", "t3", "t4", "t5")
_MATRIX_KEYS = ("name1", "name2", "t1", "t2", "t3", "t4", "t5")
_TEXT_KEYS = ("description", "note", "date", "name1", "name2", "text1", "text2")
_PARTICLE_COLS = 8
_HEADER_CAPACITY = 4096
_LIST_CAPACITY = 1 << 16
# Expression faults that make a text unusable for every shot (an unknown field or data object
# may still exist for some shot).
_EXPRESSION_FAULTS = (1, 2, 3)

ShotSpec = Union[None, str, "Shot", Iterable[Union[str, "Shot"]]]


def _b(text: Optional[str]) -> bytes:
    return os.fsencode(text) if text else b""


def _s(raw: bytes) -> str:
    return os.fsdecode(raw)


def _float_ptr(array: np.ndarray):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_float))


def _call(function, *args, what: str = "") -> int:
    """One call of a handle function: a negative result, a recorded failure or a message from
    the core raises TalvexError."""
    with _clib.lock:
        _errors.begin()
        return _errors.check(function(*args), what)


def _text_call(function, *args, capacity: int = _LIST_CAPACITY) -> str:
    """A handle function of the list form: its result is the text's full length, so a second
    call with a large enough buffer follows only when the first was too small."""
    while True:
        buf = ctypes.create_string_buffer(capacity)
        n = ctypes.c_int(capacity)
        full = _call(function, *args, ctypes.byref(n), buf)
        if full <= capacity:
            return _s(buf.raw[: n.value])
        capacity = full


def _records(text: str, fields: int) -> List[List[str]]:
    rows = []
    for line in text.split("\n"):
        if line:
            parts = line.split("\t")
            rows.append(parts + [""] * (fields - len(parts)))
    return rows


def _parse_header(text: str) -> Dict[str, Any]:
    attrs: Dict[str, Any] = {}
    for line in text.split("\n"):
        key, sep, value = line.partition("=")
        if not sep:
            continue
        if key in _TEXT_KEYS:
            attrs[key] = value
        elif key == "locked":
            attrs[key] = value == "1"
        else:
            try:
                attrs[key] = float(value)
            except ValueError:
                attrs[key] = value
    return attrs


def _header_text(attrs: Dict[str, Any], keys: Sequence[str]) -> bytes:
    lines = []
    for key in keys:
        if key in attrs and attrs[key] is not None:
            value = str(attrs[key]).replace("\r", " ").replace("\n", " ")
            lines.append("%s=%s\n" % (key, value))
    return _b("".join(lines))


def _real_array(values: Any, what: str) -> np.ndarray:
    array = np.asarray(values)
    if np.iscomplexobj(array):
        raise TypeError("%s takes real numbers, not complex ones" % what)
    if array.dtype.kind not in "biuf":
        raise TypeError("%s takes numbers, not %s" % (what, array.dtype))
    return array


def _trace(values: Any) -> np.ndarray:
    """The samples of a trace: one axis of real numbers, as contiguous float32."""
    array = _real_array(values, "a waveform")
    if array.ndim != 1:
        raise ValueError("a waveform has one axis; got an array of shape %s (pick a row or "
                         "column, or store it as a Matrix)" % (array.shape,))
    return np.ascontiguousarray(array, dtype=np.float32)


def _particles(particles: Any) -> np.ndarray:
    array = _real_array(particles, "a particle group")
    if array.ndim != 2 or array.shape[1] != _PARTICLE_COLS:
        raise ValueError("particles are rows of 8 numbers; got shape %s" % (array.shape,))
    return np.ascontiguousarray(array, dtype=np.float32)


def _name_of(shot: Union[str, "Shot"]) -> str:
    return shot.name if isinstance(shot, Shot) else str(shot)


def _ensure_started() -> None:
    """Starts the core once per process, so that its messages reach Python."""
    if not _clib.initialised():
        from . import _core
        _core.init()


# ---- Data objects --------------------------------------------------------------------------


class Waveform:
    """A sampled trace: ``values`` (numpy float32, one axis) at times ``start + i * step``.

    Build one to store it (``shot["probe"] = Waveform(values, start=0.0, step=1e-6)``) or get
    one from a shot (``shot["probe"]``). NaN marks an invalid sample: it is stored as the
    library's invalid value and read back as NaN. ``start`` and ``step`` are stored as float32.
    ``attrs`` holds the header: description, note and the marks t1..t5 are stored with the
    trace; date, calibration, attenuation, offset, extremes and the like are the library's own.
    """

    def __init__(self, values: Any, start: float = 0.0, step: float = 1.0,
                 attrs: Optional[Dict[str, Any]] = None, name: Optional[str] = None):
        self.values: np.ndarray = _trace(values)
        self.start = float(start)
        self.step = float(step)
        self.attrs: Dict[str, Any] = dict(attrs or {})
        self.name = name

    @property
    def time(self) -> np.ndarray:
        """The sample times, float64: start + i * step."""
        return self.start + np.arange(self.values.size, dtype=np.float64) * self.step

    def __len__(self) -> int:
        return int(self.values.size)

    def __array__(self, dtype=None):
        return self.values if dtype is None else self.values.astype(dtype)

    def to_xarray(self):
        """An xarray.DataArray of the samples over the coordinate "time", with attrs
        (needs the xarray package)."""
        import xarray
        return xarray.DataArray(self.values, coords={"time": self.time}, dims=("time",),
                                name=self.name, attrs=dict(self.attrs))

    def __repr__(self) -> str:
        return "Waveform(%s, %d samples, start=%g, step=%g)" % (
            self.name or "", self.values.size, self.start, self.step)


class Matrix:
    """Gridded data of two or three axes: ``values`` of shape (nx, ny) or (nx, ny, nz) and
    ``axes``, one array of coordinates per axis (default 0, 1, 2, ...). Invalid values read
    back as NaN. ``attrs``: name1, name2 and t1..t5 are stored; the rest is the library's."""

    def __init__(self, values: Any, axes: Optional[Sequence[Any]] = None,
                 attrs: Optional[Dict[str, Any]] = None, name: Optional[str] = None):
        array = _real_array(values, "a matrix")
        if array.ndim not in (2, 3) or 0 in array.shape:
            raise ValueError("a matrix has two or three non-empty axes; got shape %s"
                             % (array.shape,))
        self.values: np.ndarray = np.asarray(array, dtype=np.float32)
        if axes is None:
            axes = [np.arange(n, dtype=np.float32) for n in array.shape]
        if len(axes) != array.ndim:
            raise ValueError("a matrix of %d axes needs %d coordinate arrays"
                             % (array.ndim, array.ndim))
        self.axes: Tuple[np.ndarray, ...] = tuple(
            np.asarray(a, dtype=np.float32).ravel() for a in axes)
        for n, a in zip(array.shape, self.axes):
            if a.size != n:
                raise ValueError("an axis of %d values needs %d coordinates, got %d"
                                 % (n, n, a.size))
        self.attrs: Dict[str, Any] = dict(attrs or {})
        self.name = name

    @property
    def shape(self) -> Tuple[int, ...]:
        """The values' shape."""
        return self.values.shape

    def __array__(self, dtype=None):
        return self.values if dtype is None else self.values.astype(dtype)

    def to_xarray(self):
        """An xarray.DataArray over the coordinates "x", "y"[, "z"] (needs xarray)."""
        import xarray
        dims = ("x", "y", "z")[: self.values.ndim]
        return xarray.DataArray(self.values, coords=dict(zip(dims, self.axes)), dims=dims,
                                name=self.name, attrs=dict(self.attrs))

    def __repr__(self) -> str:
        return "Matrix(%s, shape=%s)" % (self.name or "", self.values.shape)


class ParticleGroup:
    """Particles as rows of 8 float32 columns (``values``, shape (n, 8)): x, y (r, theta in a
    polar geometry), then the columns the library describes. ``geometry`` 0 is Cartesian, any
    other value polar; ``header_a`` and ``header_b`` are the group's two header numbers.

    A group got from a shot stays tied to it: ``append`` adds particles to its file too.
    """

    def __init__(self, particles: Any = None, geometry: int = 0, header_a: float = 0.0,
                 header_b: float = 0.0, attrs: Optional[Dict[str, Any]] = None,
                 name: Optional[str] = None):
        if particles is None:
            particles = np.zeros((0, _PARTICLE_COLS), dtype=np.float32)
        self.values: np.ndarray = _particles(particles)
        self.geometry = int(geometry)
        self.header_a = float(header_a)
        self.header_b = float(header_b)
        self.attrs: Dict[str, Any] = dict(attrs or {})
        self.name = name
        self._shot: Optional["Shot"] = None

    def __len__(self) -> int:
        return int(self.values.shape[0])

    def __array__(self, dtype=None):
        return self.values if dtype is None else self.values.astype(dtype)

    def append(self, particles: Any) -> None:
        """Adds particles (rows of 8). For a group read from a shot they are appended to its
        file as well (the file's geometry and header numbers win)."""
        rows = _particles(particles)
        if self._shot is not None and self.name:
            self._shot._write_particles(self.name, rows, self.geometry, self.header_a,
                                        self.header_b, append=True)
        self.values = np.vstack((self.values, rows))

    def __repr__(self) -> str:
        return "ParticleGroup(%s, %d particles, geometry=%d)" % (
            self.name or "", len(self), self.geometry)


# ---- Shots ---------------------------------------------------------------------------------


class Fields(MutableMapping):
    """A shot's fields: text values by name, read from and written to its files on every
    access. Setting a number stores its text (3.25 becomes "3.25"); values are one line and
    lose their outer spaces; setting "" or deleting removes the field."""

    def __init__(self, shot: "Shot"):
        self._shot = shot

    def _items(self) -> List[Tuple[str, str]]:
        e = self._shot.experiment
        text = _text_call(lib.ListFieldsHC, e._h, _b(self._shot.name))
        return [tuple(line.split("=", 1)) for line in text.split("\n") if "=" in line]

    def __getitem__(self, key: str) -> str:
        e = self._shot.experiment
        value = _text_call(lib.GetFieldHC, e._h, _b(self._shot.name), _b(key), capacity=4096)
        if value == "":
            raise KeyError("no field %r in shot %s" % (key, self._shot.name))
        return value

    @staticmethod
    def _text(value: Any) -> str:
        if isinstance(value, bool):
            return str(value)
        if isinstance(value, (float, np.floating)):
            return repr(float(value))
        if isinstance(value, (int, np.integer)):
            return str(int(value))
        if isinstance(value, str):
            return value
        raise TypeError("a field holds text or a number, not %s" % type(value).__name__)

    def __setitem__(self, key: str, value: Any) -> None:
        e = self._shot.experiment
        _call(lib.SetFieldHC, e._h, _b(self._shot.name), _b(key), _b(self._text(value)),
              what="could not set field %s" % key)

    def update(self, *args: Any, **kwargs: Any) -> None:
        """Sets several fields with one write of the shot's field files."""
        records = []
        for key, value in dict(*args, **kwargs).items():
            text = self._text(value)
            if "\n" in key or "\n" in text or "\r" in text or "=" in key:
                raise TalvexError("field %r: a name without '=' and one line of text" % key)
            records.append("%s=%s\n" % (key, text))
        e = self._shot.experiment
        _call(lib.SetFieldsHC, e._h, _b(self._shot.name), _b("".join(records)),
              what="could not set fields of shot " + self._shot.name)

    def __delitem__(self, key: str) -> None:
        if key not in self:
            raise KeyError("no field %r in shot %s" % (key, self._shot.name))
        self[key] = ""

    def __contains__(self, key: object) -> bool:
        return isinstance(key, str) and any(k.lower() == key.lower() for k, _ in self._items())

    def __iter__(self) -> Iterator[str]:
        return iter([k for k, _ in self._items()])

    def __len__(self) -> int:
        return len(self._items())

    def __repr__(self) -> str:
        return "Fields(%r)" % dict(self._items())


class Shot:
    """One shot of an experiment. ``shot.fields`` holds its fields, ``shot.data()`` lists its
    data objects, ``shot[name]`` reads one (KeyError when missing) and ``shot[name] = ...``
    writes one: a Waveform, Matrix, ParticleGroup or a bare numpy array (a trace with start 0
    and step 1; a matrix or particle table when the name ends in .dmt or .dpt)."""

    def __init__(self, experiment: "Experiment", name: str, group: int = 0):
        self.experiment = experiment
        self.name = name
        self.group = group

    @property
    def fields(self) -> Fields:
        """The shot's fields as a mutable mapping of text."""
        return Fields(self)

    @property
    def comment(self) -> Optional[str]:
        """The Comment field, None when there is none."""
        return self.fields.get("Comment")

    @property
    def date(self) -> Optional[str]:
        """The Date field (the shot's creation time as the library writes it), or None."""
        return self.fields.get("Date")

    def data(self) -> Dict[str, str]:
        """{name: kind} of the shot's data objects, kind one of "waveform", "matrix",
        "particles", "geometry"; waveforms are named without extension, the rest with it."""
        text = _text_call(lib.ListDataHC, self.experiment._h, _b(self.name))
        return {name: kind for name, kind in _records(text, 2)}

    def _kind(self, name: str) -> int:
        return _call(lib.DataKindHC, self.experiment._h, _b(self.name), _b(name))

    def __contains__(self, name: object) -> bool:
        return isinstance(name, str) and self._kind(name) > 0

    def __getitem__(self, name: str) -> Union[Waveform, Matrix, ParticleGroup]:
        kind = self._kind(name)
        if kind == 0:
            raise KeyError("no data object %r in shot %s of experiment %s"
                           % (name, self.name, self.experiment.path))
        reader = {1: self._read_waveform, 2: self._read_matrix, 3: self._read_particles}
        if kind not in reader:
            raise TalvexError("%s is a %s, which Python cannot read yet"
                              % (name, _KINDS.get(kind, "data object")))
        return reader[kind](name)

    def __setitem__(self, name: str, value: Any) -> None:
        lower = name.lower()
        if lower.endswith(".dgm"):
            raise TalvexError("%s is a geometry set, which Python cannot write yet" % name)
        if not isinstance(value, (Waveform, Matrix, ParticleGroup)):
            if lower.endswith(".dmt"):
                value = Matrix(value)
            elif lower.endswith(".dpt"):
                value = ParticleGroup(value)
            else:
                value = Waveform(value)
        wanted = {".dmt": Matrix, ".dpt": ParticleGroup, ".wvf": Waveform}.get(lower[-4:])
        if wanted is not None and not isinstance(value, wanted):
            raise TypeError("%s names a %s, not a %s" % (name, wanted.__name__,
                                                         type(value).__name__))
        if isinstance(value, Waveform):
            self._write_waveform(name, value)
        elif isinstance(value, Matrix):
            self._write_matrix(name, value)
        else:
            self._write_particles(name, value.values, value.geometry, value.header_a,
                                  value.header_b, append=False)

    def eval(self, expression: str) -> Optional[float]:
        """The value of an expression for this shot; None when it has none."""
        return self.experiment.eval(expression, shots=[self])[self.name]

    def backup(self) -> str:
        """Copies the shot into a new folder below the experiment's backup folder; returns
        that folder."""
        return self.experiment.backup(self)

    # -- transfers --

    def _args(self, name: str):
        return self.experiment._h, _b(self.name), _b(name)

    def _read_waveform(self, name: str) -> Waveform:
        n, start, step = ctypes.c_int(0), ctypes.c_float(0), ctypes.c_float(0)
        header = ctypes.create_string_buffer(_HEADER_CAPACITY)
        hlen = ctypes.c_int(_HEADER_CAPACITY)
        if not _call(lib.WaveformInfoHC, *self._args(name), ctypes.byref(n), ctypes.byref(start),
                     ctypes.byref(step), ctypes.byref(hlen), header):
            raise KeyError("no waveform %r in shot %s" % (name, self.name))
        values = np.empty(n.value, dtype=np.float32)
        count = _call(lib.ReadWaveformHC, *self._args(name), n.value, _float_ptr(values))
        w = Waveform(values[: min(count, n.value)], start.value, step.value,
                     _parse_header(_s(header.raw[: hlen.value])), name)
        return w

    def _write_waveform(self, name: str, w: Waveform) -> None:
        v = w.values
        _call(lib.WriteWaveformHC, *self._args(name), v.size, w.start, w.step, _float_ptr(v),
              _header_text(w.attrs, _WAVEFORM_KEYS), what="could not write waveform " + name)

    def _read_matrix(self, name: str) -> Matrix:
        sizes = (ctypes.c_int * 3)()
        header = ctypes.create_string_buffer(_HEADER_CAPACITY)
        hlen = ctypes.c_int(_HEADER_CAPACITY)
        if not _call(lib.MatrixInfoHC, *self._args(name), sizes, ctypes.byref(hlen), header):
            raise KeyError("no matrix %r in shot %s" % (name, self.name))
        nx, ny, nz = sizes
        flat = np.empty(nx * ny * nz, dtype=np.float32)
        coords = np.empty(nx + ny + nz, dtype=np.float32)
        _call(lib.ReadMatrixHC, *self._args(name), sizes, _float_ptr(flat), _float_ptr(coords))
        shape = (nx, ny) if nz == 1 else (nx, ny, nz)
        axes = (coords[:nx], coords[nx:nx + ny], coords[nx + ny:])[: len(shape)]
        return Matrix(flat.reshape(shape, order="F"), axes,
                      _parse_header(_s(header.raw[: hlen.value])), name)

    def _write_matrix(self, name: str, m: Matrix) -> None:
        shape = m.values.shape + (1,) * (3 - m.values.ndim)
        sizes = (ctypes.c_int * 3)(*shape)
        flat = np.ascontiguousarray(m.values.ravel(order="F"), dtype=np.float32)
        axes = list(m.axes) + [np.zeros(1, dtype=np.float32)] * (3 - len(m.axes))
        coords = np.ascontiguousarray(np.concatenate(axes), dtype=np.float32)
        _call(lib.WriteMatrixHC, *self._args(name), sizes, _float_ptr(flat), _float_ptr(coords),
              _header_text(m.attrs, _MATRIX_KEYS), what="could not write matrix " + name)

    def _read_particles(self, name: str) -> ParticleGroup:
        n, geometry = ctypes.c_int(0), ctypes.c_int(0)
        a, b = ctypes.c_float(0), ctypes.c_float(0)
        header = ctypes.create_string_buffer(_HEADER_CAPACITY)
        hlen = ctypes.c_int(_HEADER_CAPACITY)
        if not _call(lib.PGroupInfoHC, *self._args(name), ctypes.byref(n), ctypes.byref(geometry),
                     ctypes.byref(a), ctypes.byref(b), ctypes.byref(hlen), header):
            raise KeyError("no particle group %r in shot %s" % (name, self.name))
        values = np.empty((n.value, _PARTICLE_COLS), dtype=np.float32)
        count = ctypes.c_int(n.value)
        _call(lib.ReadPGroupHC, *self._args(name), ctypes.byref(count), _float_ptr(values))
        p = ParticleGroup(values[: count.value], geometry.value, a.value, b.value,
                          _parse_header(_s(header.raw[: hlen.value])), name)
        p._shot = self
        return p

    def _write_particles(self, name: str, rows: np.ndarray, geometry: int, header_a: float,
                         header_b: float, append: bool) -> None:
        rows = _particles(rows)
        _call(lib.WritePGroupHC, *self._args(name), rows.shape[0], geometry, header_a, header_b,
              _float_ptr(rows), 1 if append else 0, what="could not write particle group " + name)

    def __eq__(self, other: object) -> bool:
        return (isinstance(other, Shot) and other.experiment is self.experiment
                and other.name.lower() == self.name.lower())

    def __hash__(self) -> int:
        return hash((id(self.experiment), self.name.lower()))

    def __repr__(self) -> str:
        return "Shot(%r)" % self.name


# ---- Expressions ---------------------------------------------------------------------------


class EvalResult(dict):
    """{shot name: value} of one expression, None where a shot has no value; in shot order."""

    def __init__(self, expression: str, values: Iterable[Tuple[str, Optional[float]]]):
        super().__init__(values)
        self.expression = expression

    def to_pandas(self):
        """A pandas DataFrame: index "shot", one column named after the expression (NaN where
        there is no value)."""
        import pandas
        values = [np.nan if v is None else v for v in self.values()]
        return pandas.DataFrame({self.expression: values},
                                index=pandas.Index(list(self.keys()), name="shot"))

    def to_numpy(self) -> np.ndarray:
        """The values as float64, NaN where there is none."""
        return np.array([np.nan if v is None else v for v in self.values()], dtype=np.float64)


# ---- Experiments ---------------------------------------------------------------------------


class Experiment:
    """An experiment folder and its shots.

    ``Experiment(path)`` opens an existing experiment and raises TalvexError when the folder is
    not one; ``Experiment(path, create=True)`` makes it when needed. Several may be open at
    once. Use it in a ``with`` block, or call ``close()``, to release it.
    """

    def __init__(self, path: Union[str, os.PathLike], create: bool = False):
        _ensure_started()
        path = os.fspath(path)
        # Drive-letter and network paths are the library's to resolve; relative ones are
        # fixed now, so that a later change of directory does not move the experiment.
        foreign = path[1:2] == ":" or path.startswith("\\\\")
        self.path = path if foreign else os.path.abspath(path)
        with _clib.lock:
            _errors.begin()
            handle = lib.OpenExperimentC(_b(self.path), 1 if create else 0)
            message = _errors.failure()
        if not handle:
            raise TalvexError(message or "cannot open experiment " + self.path)
        self._handle: Optional[int] = handle

    @property
    def name(self) -> str:
        """The experiment's name: its folder's last element."""
        return self.path.rstrip("\\/").replace("\\", "/").rsplit("/", 1)[-1]

    @property
    def _h(self) -> int:
        if not self._handle:
            raise TalvexError("experiment %s is closed" % self.path)
        return self._handle

    def close(self) -> None:
        """Releases the experiment; its Shot objects cannot be used afterwards."""
        if self._handle:
            with _clib.lock:
                lib.CloseExperimentC(self._handle)
            self._handle = None

    def __enter__(self) -> "Experiment":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    # -- shots --

    def shots(self, spec: Optional[str] = None, list: Optional[str] = None,
              where: Optional[str] = None) -> List[Shot]:
        """The shots of a set: every shot (spec None), a wildcard over shot names ("12*"), a
        range ("Run098:Run101"), or a saved shot list (list="good"); where= keeps those for
        which a condition holds ("[Bt] == 2.5 && probe\\mx > 1")."""
        if spec is not None and list is not None:
            raise ValueError("give a spec or a list, not both")
        if where:
            self.check(where, condition=True)
        text = _text_call(lib.ListShotsHC, self._h, _b(spec), _b(list), _b(where))
        return [Shot(self, name, int(group or 0)) for name, group, _, _ in _records(text, 4)]

    def __getitem__(self, name: str) -> Shot:
        if isinstance(name, Shot):
            name = name.name
        if not isinstance(name, str):
            raise TypeError("shots are named by text, not %s" % type(name).__name__)
        found = []
        if name and not any(c in name for c in "*?:/\\\t\n"):
            found = self.shots(name)
        if not found:
            raise KeyError("no shot %r in experiment %s" % (name, self.path))
        return found[0]

    def __contains__(self, name: object) -> bool:
        try:
            self[name]  # type: ignore[index]
            return True
        except (KeyError, TypeError):
            return False

    def __iter__(self) -> Iterator[Shot]:
        return iter(self.shots())

    def __len__(self) -> int:
        return len(self.shots())

    def create_shot(self, name: str, comment: Optional[str] = None) -> Shot:
        """Creates a shot and returns it; "*" takes the next number (the highest trailing number
        of any shot + 1, in that shot's prefix and width). Raises when it exists already."""
        buf = ctypes.create_string_buffer(4096)
        n = ctypes.c_int(4096)
        _call(lib.CreateShotHC, self._h, _b(name), _b(comment), ctypes.byref(n), buf,
              what="could not create shot " + name)
        return self[_s(buf.raw[: n.value])]

    def rename(self, shot: Union[str, Shot], new_name: str) -> Shot:
        """Renames a shot; returns it under its new name."""
        _call(lib.RenameShotHC, self._h, _b(_name_of(shot)), _b(new_name),
              what="could not rename shot %s" % _name_of(shot))
        if isinstance(shot, Shot):
            shot.name = new_name
        return self[new_name]

    def delete(self, shot: Union[str, Shot]) -> None:
        """Deletes a shot and everything in it, permanently (KeyError when there is none)."""
        name = self[_name_of(shot)].name
        _call(lib.DeleteShotHC, self._h, _b(name), what="could not delete shot " + name)

    def backup(self, shot: Union[str, Shot]) -> str:
        """Copies a shot below the experiment's backup folder; returns the new folder."""
        name = self[_name_of(shot)].name
        return _text_call(lib.BackupShotHC, self._h, _b(name), capacity=4096)

    # -- expressions --

    def check(self, expression: str, condition: bool = False) -> None:
        """Raises ExpressionError when an expression (or, with condition=True, a shot
        condition) is malformed, calls an unknown function or asks for an unknown
        trace-parameter code."""
        position = ctypes.c_int(-1)
        buf = ctypes.create_string_buffer(4096)
        n = ctypes.c_int(4096)
        function = lib.CheckConditionHC if condition else lib.CheckExpressionHC
        kind = _call(function, self._h, _b(expression), ctypes.byref(position),
                     ctypes.byref(n), buf)
        if kind not in _EXPRESSION_FAULTS:
            return
        text, message, suggestion = (_s(buf.raw[: n.value]).split("\n") + ["", "", ""])[:3]
        where = position.value if position.value >= 0 else None
        raise ExpressionError(message or "malformed expression %r" % expression, expression,
                              text, where, suggestion)

    def eval(self, expression: str, shots: ShotSpec = None, list: Optional[str] = None,
             where: Optional[str] = None) -> EvalResult:
        """{shot name: value} of an expression over shots chosen as in shots() (a spec, list=,
        where=) or given as Shot objects or names; None where a shot has no value."""
        self.check(expression)
        if shots is None or isinstance(shots, str):
            chosen = [s.name for s in self.shots(shots, list, where)]
        elif list is not None or where is not None:
            raise ValueError("list= and where= choose shots; they do not filter given Shots")
        elif isinstance(shots, Shot):
            chosen = [shots.name]
        else:
            chosen = [_name_of(s) for s in shots]
        value = ctypes.c_float(0)
        results = []
        for name in chosen:
            with _clib.lock:
                _errors.begin()
                ok = lib.EvaluateHC(self._h, _b(name), _b(expression), ctypes.byref(value))
                if ok < 0:
                    _errors.check(ok, "cannot evaluate for shot " + name)
                message = _errors.take_messages()
            if message is not None:
                raise ExpressionError(message, expression, expression, None)
            results.append((name, float(value.value) if ok == 1 else None))
        return EvalResult(expression, results)

    def __repr__(self) -> str:
        state = "" if self._handle else ", closed"
        return "Experiment(%r%s)" % (self.path, state)
