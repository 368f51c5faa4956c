"""Python access to the TalvexCore data core through its C interface.

Shots, fields and scalars come back as plain Python values; waveforms, matrices and particle
groups as numpy arrays of float32. A failure the core reports with a message raises
TalvexError carrying that message. Start with init(), then set_experiment().
"""

from ._core import (  # noqa: F401
    MatrixInfo,
    PGroupInfo,
    TalvexError,
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
