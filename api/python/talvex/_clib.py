"""Loads the library, declares the C interface and catches the core's messages."""

import ctypes
import ctypes.util
import os
import threading

try:
    from ._library import LIBRARY  # written when the package is installed
except ImportError:
    LIBRARY = None

c_int, c_float, c_char_p, c_void_p = ctypes.c_int, ctypes.c_float, ctypes.c_char_p, ctypes.c_void_p
P_int, P_float = ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_float)

# TALVEX_LIBRARY names another copy of the library (a build tree, say); a package installed
# from its source folder, without the install step's note, looks where the system loader does.
_path = os.environ.get("TALVEX_LIBRARY") or LIBRARY or ctypes.util.find_library("TalvexCore")
if not _path:
    raise ImportError("talvex: the library is not installed beside the package; "
                      "set TALVEX_LIBRARY to its path")
lib = ctypes.CDLL(_path)

_SIGNATURES = {
    "InitializeTalvexC": (None, [c_char_p]),
    "SetExperimentC": (None, [c_char_p]),
    "CreateShotC": (c_int, [c_char_p]),
    "SetShotC": (c_int, [c_char_p]),
    "GetWaveformC": (None, [c_char_p, c_int, c_float, c_float, P_float]),
    "SetWaveformC": (None, [c_char_p, c_int, c_float, c_float, P_float]),
    "SetWaveformXYC": (None, [c_char_p, c_int, P_float]),
    "GetWaveformInfoC": (None, [c_char_p, P_int, P_float, P_float]),
    "GetMatrixC": (None, [c_char_p] + [c_int, c_float, c_float] * 3 + [P_float]),
    "SetMatrixC": (None, [c_char_p] + [c_int, c_float, c_float] * 3 + [P_float]),
    "GetMatrixInfoC": (None, [c_char_p] + [P_int, P_float, P_float] * 3),
    "SetPGroupC": (None, [c_char_p, c_int, c_int, c_float, c_float, P_float]),
    "AppendPGroupC": (None, [c_char_p, c_int, c_int, c_float, c_float, P_float]),
    "GetPGroupC": (None, [c_char_p, P_int, c_int, P_float]),
    "GetPGroupInfoC": (None, [c_char_p, P_int, P_int, P_float, P_float]),
    "GetScalarDataC": (c_float, [c_char_p]),
    "SetScalarDataC": (None, [c_char_p, c_float]),
    "GetScalarDataSafeC": (None, [c_char_p, P_int, c_char_p]),
    "GetStringDataC": (None, [c_char_p, P_int, c_char_p]),
    "SetStringDataC": (None, [c_char_p, c_char_p]),
    "GetStringC": (None, [c_int, P_int, c_char_p]),
    "GetNodesC": (c_int, [c_int]),
    "NotifyC": (None, [c_int, c_int, c_char_p]),
    "CSleep": (None, [c_int]),
    "TestFuncC": (c_int, []),
    "GetLastFailureC": (c_int, [P_int, c_char_p]),
    "ClearLastFailureC": (None, []),
    # Experiment handles.
    "GetVersionC": (c_char_p, []),
    "OpenExperimentC": (c_void_p, [c_char_p, c_int]),
    "CloseExperimentC": (None, [c_void_p]),
    "ListShotsHC": (c_int, [c_void_p, c_char_p, c_char_p, c_char_p, P_int, c_char_p]),
    "CreateShotHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, c_char_p]),
    "RenameShotHC": (c_int, [c_void_p, c_char_p, c_char_p]),
    "DeleteShotHC": (c_int, [c_void_p, c_char_p]),
    "BackupShotHC": (c_int, [c_void_p, c_char_p, P_int, c_char_p]),
    "ListFieldsHC": (c_int, [c_void_p, c_char_p, P_int, c_char_p]),
    "GetFieldHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, c_char_p]),
    "SetFieldHC": (c_int, [c_void_p, c_char_p, c_char_p, c_char_p]),
    "SetFieldsHC": (c_int, [c_void_p, c_char_p, c_char_p]),
    "ListDataHC": (c_int, [c_void_p, c_char_p, P_int, c_char_p]),
    "DataKindHC": (c_int, [c_void_p, c_char_p, c_char_p]),
    "WaveformInfoHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_float, P_float, P_int,
                               c_char_p]),
    "ReadWaveformHC": (c_int, [c_void_p, c_char_p, c_char_p, c_int, P_float]),
    "WriteWaveformHC": (c_int, [c_void_p, c_char_p, c_char_p, c_int, c_float, c_float, P_float,
                                c_char_p]),
    "MatrixInfoHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_int, c_char_p]),
    "ReadMatrixHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_float, P_float]),
    "WriteMatrixHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_float, P_float, c_char_p]),
    "PGroupInfoHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_int, P_float, P_float, P_int,
                             c_char_p]),
    "ReadPGroupHC": (c_int, [c_void_p, c_char_p, c_char_p, P_int, P_float]),
    "WritePGroupHC": (c_int, [c_void_p, c_char_p, c_char_p, c_int, c_int, c_float, c_float,
                              P_float, c_int]),
    "EvaluateHC": (c_int, [c_void_p, c_char_p, c_char_p, P_float]),
    "CheckExpressionHC": (c_int, [c_void_p, c_char_p, P_int, P_int, c_char_p]),
    "CheckConditionHC": (c_int, [c_void_p, c_char_p, P_int, P_int, c_char_p]),
}
for _name, (_res, _args) in _SIGNATURES.items():
    _f = getattr(lib, _name)
    _f.restype, _f.argtypes = _res, _args

MessageHook = ctypes.CFUNCTYPE(c_int, c_int, c_int, c_char_p, c_void_p)
lib.SetMessageHookC.restype = None
lib.SetMessageHookC.argtypes = [MessageHook, c_void_p]

# The library is used from one thread at a time: every call through the package holds this lock
# (ctypes lets go of the interpreter lock during a call, so threads would otherwise meet inside).
lock = threading.RLock()

# Messages (code 2) that arrived during the current call; other codes go on to the console
# sink (code 5 reaches the log there).
messages = []


def _on_notify(code, value, text, context):
    if code != 2:
        return 0
    messages.append(os.fsdecode(text or b""))
    return 1


_hook = MessageHook(_on_notify)  # kept alive for as long as the library may call it


def install_hook():
    lib.SetMessageHookC(_hook, None)


def initialised():
    """True once InitializeTalvexC has run in this process (by init() or another caller)."""
    return bool(ctypes.c_bool.in_dll(lib, "ExternalInit").value)


def last_failure():
    """The calling thread's last recorded failure: (code, message); code 0 when none."""
    n = ctypes.c_int(4096)
    buf = ctypes.create_string_buffer(4096)
    code = lib.GetLastFailureC(ctypes.byref(n), buf)
    return code, os.fsdecode(buf.raw[: n.value])
