"""Opening, creating and closing experiments; several open at once; the package's face."""

import os
import pydoc

import numpy as np
import pytest

import talvex


def test_opening_a_folder_that_is_no_experiment_creates_nothing(tmp_path):
    deep = tmp_path / "nonexistent" / "deep" / "path"
    with pytest.raises(talvex.TalvexError, match="does not exist"):
        talvex.Experiment(deep)
    assert not (tmp_path / "nonexistent").exists()

    plain = tmp_path / "plain"
    plain.mkdir()
    with pytest.raises(talvex.TalvexError, match="not an experiment"):
        talvex.Experiment(plain)
    assert os.listdir(plain) == []


def test_create_makes_the_folders_and_reopening_finds_them(tmp_path):
    path = tmp_path / "a" / "New"
    with talvex.Experiment(path, create=True) as e:
        assert e.name == "New"
        assert e.shots() == []
        e.create_shot("7")
    assert (path / "Shots" / "Shot7").is_dir()
    with talvex.Experiment(path) as e:
        assert [s.name for s in e.shots()] == ["7"]


def test_a_settings_file_alone_makes_an_experiment(tmp_path):
    path = tmp_path / "Exp2"
    path.mkdir()
    (path / "Exp2.ini").write_bytes(b"[General]\r\nDescription=x\r\n")
    with talvex.Experiment(str(path) + os.sep) as e:
        assert e.path == str(path)


def test_several_experiments_at_once_stay_apart(tmp_path):
    a = talvex.Experiment(tmp_path / "A", create=True)
    b = talvex.Experiment(tmp_path / "B", create=True)
    a.create_shot("1")["probe"] = np.array([1, 5, 2], dtype=np.float32)
    b.create_shot("1")["probe"] = np.array([7, 3], dtype=np.float32)
    b.create_shot("2")
    # Interleaved use: each handle resolves names in its own experiment.
    assert a.eval("probe\\mx") == {"1": 5.0}
    assert b.eval("probe\\mx") == {"1": 7.0, "2": None}
    a["1"].fields["Bt"] = 1
    assert "Bt" not in b["1"].fields
    assert [s.name for s in a.shots()] == ["1"]
    # The process-wide experiment of the low-level layer is not disturbed by either.
    talvex.init(str(tmp_path / "prog"))
    talvex.set_experiment(str(tmp_path / "C"))
    talvex.create_shot("9")
    assert a.eval("probe\\mx") == {"1": 5.0}
    assert talvex.experiment_name() == "C" and talvex.shot_name() == "9"
    a.close()
    b.close()


def test_a_closed_experiment_refuses_use(tmp_path):
    with talvex.Experiment(tmp_path / "E", create=True) as e:
        shot = e.create_shot("1")
    with pytest.raises(talvex.TalvexError, match="closed"):
        e.shots()
    with pytest.raises(talvex.TalvexError, match="closed"):
        shot.data()
    e.close()  # twice is harmless


def test_version_names_and_docstrings():
    assert talvex.__version__.count(".") == 2
    source = os.environ.get("TALVEX_SOURCE")
    if source:
        with open(os.path.join(source, "api", "python", "pyproject.toml")) as f:
            assert 'version = "%s"' % talvex.__version__ in f.read()
    for name in talvex.__all__:
        assert hasattr(talvex, name), name
    text = pydoc.render_doc(talvex, renderer=pydoc.plaintext)
    for name in ("Experiment", "Shot", "Waveform", "ExpressionError", "set_waveform"):
        assert name in text
    public = [getattr(talvex, n) for n in talvex.__all__ if n != "__version__"]
    for cls in (talvex.Experiment, talvex.Shot, talvex.Waveform, talvex.Matrix,
                talvex.ParticleGroup, talvex.Fields, talvex.EvalResult):
        public += [m for n, m in vars(cls).items() if not n.startswith("_") and callable(m)]
    missing = [getattr(o, "__name__", o) for o in public if not (o.__doc__ or "").strip()]
    assert missing == []


def test_threads_may_share_the_package(tmp_path):
    import threading
    exps = [talvex.Experiment(tmp_path / ("T%d" % i), create=True) for i in range(4)]
    errors = []

    def work(e):
        try:
            for _ in range(20):
                s = e.create_shot("*")
                s["w"] = np.arange(100, dtype=np.float32)
                assert e.eval("w\\mx", shots=[s])[s.name] == 99.0
        except Exception as x:  # reported below, in the main thread
            errors.append(x)

    threads = [threading.Thread(target=work, args=(e,)) for e in exps]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    assert [len(e.shots()) for e in exps] == [20] * 4
    for e in exps:
        e.close()


def test_to_xarray_when_xarray_is_installed():
    xarray = pytest.importorskip("xarray")
    w = talvex.Waveform([1, 2, 3], start=1.0, step=0.5, name="probe")
    a = w.to_xarray()
    assert isinstance(a, xarray.DataArray) and list(a["time"].values) == [1.0, 1.5, 2.0]
    m = talvex.Matrix(np.zeros((2, 3)), axes=([0, 1], [5, 6, 7])).to_xarray()
    assert m.dims == ("x", "y") and list(m["y"].values) == [5, 6, 7]


def test_a_relative_path_is_fixed_when_opened(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with talvex.Experiment("rel/Exp3", create=True) as e:
        monkeypatch.chdir(tmp_path / "rel")
        e.create_shot("1")
        assert e.path == str(tmp_path / "rel" / "Exp3") and e.name == "Exp3"
    assert (tmp_path / "rel" / "Exp3" / "Shots" / "Shot1").is_dir()
