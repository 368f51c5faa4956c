"""The exceptions of the package and the one place that turns the core's failures into them."""

from typing import Optional

from . import _clib


class TalvexError(Exception):
    """A call of the core failed; the text is the core's message."""


class ExpressionError(TalvexError):
    """An expression or shot condition cannot be evaluated for any shot: it is malformed, calls
    an unknown function or asks for an unknown trace-parameter code.

    ``text`` is the offending part of the expression, ``position`` its 0-based offset in the
    expression (None when the core could not say where), ``expression`` the whole text and
    ``suggestion`` a close known name or "".
    """

    def __init__(self, message: str, expression: str = "", text: str = "",
                 position: Optional[int] = None, suggestion: str = ""):
        super().__init__(message)
        self.expression = expression
        self.text = text
        self.position = position
        self.suggestion = suggestion


def begin() -> None:
    """Forgets earlier failures and messages before a call of the core."""
    _clib.messages.clear()
    _clib.lib.ClearLastFailureC()


def failure() -> Optional[str]:
    """The message of a failure or message since begin(), or None when there was none."""
    texts = list(_clib.messages)
    _clib.messages.clear()
    code, message = _clib.last_failure()
    if code and message and message not in texts:
        texts.insert(0, message)
    elif code and not texts:
        texts.append("the core reported failure %d without a message" % code)
    return "\n".join(texts) if texts else None


def take_messages() -> Optional[str]:
    """The messages the core sent since begin(), or None when it sent none."""
    texts = list(_clib.messages)
    _clib.messages.clear()
    return "\n".join(texts) if texts else None


# How the handle functions begin the message of a shot that does not exist.
_NO_SHOT = "no shot "


def check(result: int = 0, what: str = "") -> int:
    """For the handle functions, whose result is authoritative: a negative result raises
    TalvexError with the recorded failure (KeyError when it is a shot that does not exist); a
    message the core sent during the call raises TalvexError whatever the result. Returns
    result otherwise."""
    texts = list(_clib.messages)
    _clib.messages.clear()
    if result < 0:
        _, recorded = _clib.last_failure()
        if recorded.startswith(_NO_SHOT):
            raise KeyError(recorded)
        # The core's own messages say more than the recorded summary when there are any.
        raise TalvexError("\n".join(texts) or recorded or what or "the core refused the call")
    if texts:
        raise TalvexError("\n".join(texts))
    return result
