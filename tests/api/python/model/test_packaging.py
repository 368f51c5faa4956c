"""The installed package: pip installs it offline from the install prefix, and it finds the
installed library without being told."""

import os
import shutil
import subprocess
import sys

import pytest

PREFIX = os.environ.get("TALVEX_PREFIX")


@pytest.mark.skipif(not PREFIX, reason="needs TALVEX_PREFIX, the install prefix of the library")
def test_pip_installs_the_package_offline_and_it_finds_the_library(tmp_path):
    source = os.path.join(PREFIX, "share", "talvex", "python")
    assert os.path.isfile(os.path.join(source, "pyproject.toml"))
    # A copy: a build writes beside the sources, and the prefix serves other tests at once.
    copy = tmp_path / "src"
    shutil.copytree(source, copy)
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--without-pip", "--system-site-packages",
                    str(venv)], check=True)
    python = str(venv / "bin" / "python")
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "TALVEX_LIBRARY")}
    env["PIP_NO_INDEX"] = "1"
    done = subprocess.run([sys.executable, "-m", "pip", "--python", python, "install", "-q",
                           "--no-build-isolation", "--no-index", "--no-cache-dir",
                           str(copy)], env=env, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    probe = ("import talvex, sys; e = talvex.Experiment(sys.argv[1], create=True); "
             "e.create_shot('*'); print(talvex.__file__, talvex.__version__, "
             "[s.name for s in e.shots()])")
    run = subprocess.run([python, "-c", probe, str(tmp_path / "Exp")], env=env,
                         capture_output=True, text=True, cwd=str(tmp_path))
    assert run.returncode == 0, run.stderr
    where, version, shots = run.stdout.split(" ", 2)
    assert where.startswith(str(venv))
    assert shots.strip() == "['1']"
