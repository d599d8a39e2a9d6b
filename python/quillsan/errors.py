"""What the quillsan package raises."""

from __future__ import annotations

# The library's link error codes and what they mean.
LINK_ERRORS = {
    1: "send failed",
    6: "no valid reply",
    8: "block write failed",
    9: "block read failed",
}


class QuillsanError(Exception):
    """Base of every error of the quillsan package."""


class LibraryError(QuillsanError, OSError):
    """QUILLSAN.DLL is missing, cannot be loaded, or lacks one of its 43 exports."""


class LinkError(QuillsanError):
    """An export left a link error: `code` (1, 6, 8 or 9), `export`, `meaning`."""

    def __init__(self, code: int, export: str) -> None:
        self.code = code
        self.export = export
        self.meaning = LINK_ERRORS.get(code, "unknown link error")
        super().__init__("%s: link error %d, %s" % (export, code, self.meaning))


class NoInstrument(QuillsanError):
    """No instrument answered on the chosen link."""


class LinkLost(QuillsanError):
    """The link to the instrument was lost and not regained, or reconnecting was declined."""


class RunNotFound(QuillsanError, LookupError):
    """The instrument has no such run."""


class InstrumentRefused(QuillsanError):
    """The instrument did not take a record (it answered 0)."""
