"""A day's analysis with the talvex package: select shots by a field, trace parameters over them,
a plot, a backup. Makes its own experiment first (50 shots x 3 traces x 100k samples + 5 fields).

    python3 workflow.py [--folder DIR] [--shots 50] [--samples 100000] [--no-plot]
"""

import argparse
import os
import tempfile
import time

import numpy as np

import talvex

TRACES = ("probe", "current", "voltage")


def make(folder, shots, samples):
    """An experiment of `shots` shots, each with three traces and five fields."""
    rng = np.random.default_rng(1)
    t = np.arange(samples) * 1e-6
    with talvex.Experiment(folder, create=True) as exp:
        for i in range(shots):
            shot = exp.create_shot("*", comment="generated")
            rise = 5e-6 * (1 + i % 7)
            for k, name in enumerate(TRACES):
                edge = (k + 1) * (1 - np.exp(-np.clip(t - 10e-6, 0, None) / rise))
                noisy = edge + 0.01 * rng.standard_normal(samples)
                shot[name] = talvex.Waveform(noisy, start=0.0, step=1e-6)
            shot.fields.update(Bt=2.0 + 0.25 * (i % 4), Ip=150 + i, Gas="He" if i % 2 else "H",
                               Good=int(i % 3 != 0), Operator="ann")


def analyse(folder, plot):
    """The workflow itself, as the README shows it."""
    with talvex.Experiment(folder) as exp:
        good = exp.shots(where="Good")                    # shots whose field Good is above 0
        rise = exp.eval("probe\\19", shots=good)          # 10-90 % rise time of each shot
        peak = exp.eval("current\\mx", shots=good)        # largest sample of each shot
        table = rise.to_pandas().join(peak.to_pandas())   # one row per shot
        table["Bt"] = [float(s.fields["Bt"]) for s in good]
        for s in good:
            s.fields["Rise"] = rise[s.name]               # stored with the shot
        if plot:
            import matplotlib
            matplotlib.use("Agg")
            import matplotlib.pyplot as plt
            fig, (a, b) = plt.subplots(1, 2, figsize=(10, 4))
            a.plot(table["Bt"], table["probe\\19"] * 1e6, "o")
            a.set(xlabel="Bt [T]", ylabel="rise time [us]")
            w = good[0]["probe"]
            b.plot(w.time * 1e6, w.values)
            b.set(xlabel="time [us]", title="probe of shot " + good[0].name)
            fig.savefig(os.path.join(folder, "rise.png"))
        backups = [s.backup() for s in good]
    return table, backups


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder", help="experiment folder (default: a new temporary one)")
    parser.add_argument("--shots", type=int, default=50)
    parser.add_argument("--samples", type=int, default=100000)
    parser.add_argument("--no-plot", action="store_true")
    args = parser.parse_args()
    folder = args.folder or os.path.join(tempfile.mkdtemp(), "Exp1")
    started = time.perf_counter()
    make(folder, args.shots, args.samples)
    made = time.perf_counter()
    table, backups = analyse(folder, not args.no_plot)
    done = time.perf_counter()
    expected = sum(1 for i in range(args.shots) if i % 3 != 0)
    if len(table) != expected or len(backups) != expected or table.isna().any().any():
        raise SystemExit("unexpected result:\n%s" % table)
    print(table.head())
    print("write %.2f s, analyse %.2f s (%d shots, %d of them good) in %s"
          % (made - started, done - made, args.shots, expected, folder))


if __name__ == "__main__":
    main()
