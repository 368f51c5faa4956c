"""The workflow of workflow.py done with h5py and numpy instead, for comparison: one HDF5 file,
a group per shot with three datasets and the fields as attributes; the rise time computed in
numpy as the library computes it (first crossings of 10 % and 90 % of the maximum).

    python3 workflow_h5py.py [--folder DIR] [--shots 50] [--samples 100000]
"""

import argparse
import os
import shutil
import tempfile
import time

import h5py
import numpy as np
import pandas

TRACES = ("probe", "current", "voltage")


def make(path, shots, samples):
    rng = np.random.default_rng(1)
    t = np.arange(samples) * 1e-6
    with h5py.File(path, "w") as f:
        for i in range(shots):
            g = f.create_group(str(i + 1))
            rise = 5e-6 * (1 + i % 7)
            for k, name in enumerate(TRACES):
                edge = (k + 1) * (1 - np.exp(-np.clip(t - 10e-6, 0, None) / rise))
                d = g.create_dataset(name, data=(edge + 0.01 * rng.standard_normal(samples))
                                     .astype(np.float32))
                d.attrs.update(start=0.0, step=1e-6)
            g.attrs.update(Bt=2.0 + 0.25 * (i % 4), Ip=150 + i, Gas="He" if i % 2 else "H",
                           Good=int(i % 3 != 0), Operator="ann", Comment="generated")


def first_crossing(v, level, start, step):
    i = int(np.argmax(v >= level))
    if i == 0:
        return start
    return start + (i - 1 + (level - v[i - 1]) / (v[i] - v[i - 1])) * step


def analyse(path, folder):
    with h5py.File(path, "r+") as f:
        good = [name for name, g in f.items() if g.attrs["Good"] > 0]
        rows = []
        for name in good:
            d = f[name]["probe"]
            v = d[()]
            top = float(v.max())
            start, step = d.attrs["start"], d.attrs["step"]
            rise = (first_crossing(v, 0.9 * top, start, step)
                    - first_crossing(v, 0.1 * top, start, step))
            peak = float(f[name]["current"][()].max())
            f[name].attrs["Rise"] = rise
            rows.append((name, rise, peak, float(f[name].attrs["Bt"])))
        table = pandas.DataFrame(rows, columns=["shot", "rise", "peak", "Bt"]).set_index("shot")
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        fig, (a, b) = plt.subplots(1, 2, figsize=(10, 4))
        a.plot(table["Bt"], table["rise"] * 1e6, "o")
        v = f[good[0]]["probe"][()]
        b.plot(np.arange(v.size), v)
        fig.savefig(os.path.join(folder, "rise.png"))
        with h5py.File(os.path.join(folder, "backup.h5"), "w") as backup:
            for name in good:
                f.copy(f[name], backup, name=name)
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder")
    parser.add_argument("--shots", type=int, default=50)
    parser.add_argument("--samples", type=int, default=100000)
    args = parser.parse_args()
    folder = args.folder or tempfile.mkdtemp()
    path = os.path.join(folder, "Exp1.h5")
    started = time.perf_counter()
    make(path, args.shots, args.samples)
    made = time.perf_counter()
    table = analyse(path, folder)
    done = time.perf_counter()
    print(table.head())
    print("write %.2f s, analyse %.2f s (%d shots, %d of them good)"
          % (made - started, done - made, args.shots, len(table)))
    if not args.folder:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
