"""Loads the library, declares the C interface and catches the core's messages."""

import ctypes
import os

try:
    from ._library import LIBRARY  # written when the package is installed
except ImportError:
    LIBRARY = None

c_int, c_float, c_char_p, c_void_p = ctypes.c_int, ctypes.c_float, ctypes.c_char_p, ctypes.c_void_p
P_int, P_float = ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_float)

# TALVEX_LIBRARY names another copy of the library (a build tree, say).
_path = os.environ.get("TALVEX_LIBRARY") or LIBRARY
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
}
for _name, (_res, _args) in _SIGNATURES.items():
    _f = getattr(lib, _name)
    _f.restype, _f.argtypes = _res, _args

MessageHook = ctypes.CFUNCTYPE(c_int, c_int, c_int, c_char_p, c_void_p)
lib.SetMessageHookC.restype = None
lib.SetMessageHookC.argtypes = [MessageHook, c_void_p]

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
