"""Python access to TalvexCore: experiments, shots and their data as Python objects.

    import talvex
    with talvex.Experiment("/data/Exp1") as exp:        # create=True makes a new one
        for shot in exp.shots("12*", where="[Bt] == 2.5"):
            w = shot["probe"]                          # Waveform: values, time, attrs
            shot.fields["Peak"] = float(w.values.max())
        rise = exp.eval("probe\\19")                   # {shot name: value or None}

Object model: Experiment, Shot, Fields, Waveform, Matrix, ParticleGroup, EvalResult.
Errors: TalvexError (the core's message), ExpressionError (a TalvexError with .text and
.position), KeyError for a missing shot or data object.

The low-level layer (init, set_experiment, set_shot, get_waveform, ...) mirrors the flat C
functions one for one on the process-wide experiment and current shot; it stays for existing
programs and raises TalvexError when the core reports a failure.
"""

from ._clib import lib as _lib
from ._errors import ExpressionError, TalvexError
from ._model import EvalResult, Experiment, Fields, Matrix, ParticleGroup, Shot, Waveform
from ._core import (
    MatrixInfo,
    PGroupInfo,
    WaveformInfo,
    append_pgroup,
    create_shot,
    experiment_folder,
    experiment_name,
    fill_template,
    get_field,
    get_matrix,
    get_pgroup,
    get_scalar,
    get_waveform,
    hosts_file,
    init,
    matrix_info,
    notify,
    pgroup_info,
    program_folder,
    scalar_text,
    set_experiment,
    set_field,
    set_matrix,
    set_pgroup,
    set_scalar,
    set_shot,
    set_waveform,
    set_waveform_xy,
    shot_folder,
    shot_name,
    sleep,
    system_text,
    test_value,
    user_folder,
    waveform_info,
    write_hosts,
)

__version__: str = _lib.GetVersionC().decode()

__all__ = [
    # object model
    "Experiment", "Shot", "Fields", "Waveform", "Matrix", "ParticleGroup", "EvalResult",
    "TalvexError", "ExpressionError", "__version__",
    # low-level layer
    "init", "set_experiment", "create_shot", "set_shot", "system_text", "program_folder",
    "shot_name", "shot_folder", "experiment_folder", "user_folder", "hosts_file",
    "experiment_name", "WaveformInfo", "waveform_info", "get_waveform", "set_waveform",
    "set_waveform_xy", "MatrixInfo", "matrix_info", "get_matrix", "set_matrix", "PGroupInfo",
    "pgroup_info", "get_pgroup", "set_pgroup", "append_pgroup", "get_scalar", "set_scalar",
    "scalar_text", "fill_template", "get_field", "set_field", "write_hosts", "notify", "sleep",
    "test_value",
]
