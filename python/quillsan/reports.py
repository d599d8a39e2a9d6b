"""Report retrieval as brevalin and brevalin-cli do it, and report files as they save them.

The retrieval makes the same library calls in the same order as brevalin's
report core stepped by brevalin-cli: have the instrument generate the report
of one run, read its line count, fetch line after line, and repeat a step
that met a link error after ClearRemoteError.
"""

from __future__ import annotations

import ctypes
import os
import tempfile
import time
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Tuple, Union

from . import prompt
from .errors import LinkLost
from .text import LINE_SIZE, cut_text, encode, map_instrument_chars

RUN_COLLECTION = 0x4006  # GetItemCount: the number of runs
REPORT_LINES = 0x4007  # GetItemCount: the number of lines of the report generated last
RUN_KIND = 0x7000  # OR run index: a run
LINE_KIND = 0x6000  # OR line index: a line of the generated report
REPORT_PARAMETER = 22  # SetSlaveParameter: generate a report
VALIDATION, RUN = "validation", "run"
KINDS = (VALIDATION, RUN)
NAME_BUFFER_SIZE = 2048 + 1  # the longest record the library takes, and a terminator

_REQUEST_NOT_SENT = 1  # the link error of a request that never went out
_LINK_CHECK_ATTEMPTS = 1000
_IDLE, _GENERATE, _AWAIT_LINES, _READ_LINES = 0, 1, 2, 3


Progress = Callable[[int, int], None]
Line = Union[str, bytes]


def report_type_value(kind: str) -> int:
    """SetSlaveParameter's report type: 1 for a validation report, 0 for a run report."""
    if kind not in KINDS:
        raise ValueError("report kind %r: expected 'validation' or 'run'" % (kind,))
    return 1 if kind == VALIDATION else 0


class Retrieval:
    """brevalin's report core over one library: the link check, run names, one report."""

    def __init__(self, raw: Any) -> None:
        self.library = raw  # the exports as ctypes functions: the C behaviour itself
        self._name = ctypes.create_string_buffer(NAME_BUFFER_SIZE)
        self.state = _IDLE
        self.line_count = 0
        self.line_index = 0
        self.run_index = 0
        self.type_value = 1
        self.lines: List[bytes] = []

    def _fetch_name(self, handle: int) -> bytes:
        """Text from the library, cut to what brevalin's 100-byte texts hold."""
        ctypes.memset(self._name, 0, NAME_BUFFER_SIZE)
        self.library.GetItemName(self._name, handle)
        return cut_text(self._name.raw[:NAME_BUFFER_SIZE - 1])

    def check_link(self) -> bool:
        """Clears the link error; whether it stays clear."""
        self.library.ClearRemoteError()
        return bool(self.library.GetRemoteError() == 0)

    def read_firmware_version(self) -> Tuple[bool, int]:
        """(whether it arrived, the firmware version number)."""
        self.library.ClearRemoteError()
        version = self.library.GetSlaveParameter(0, 0)
        return self.library.GetRemoteError() == 0, int(version)

    def read_run_names(self) -> Tuple[List[bytes], bool, bool]:
        """(names newest first, whether the list arrived without a link error, declined).

        Entry p is run count - 1 - p. A No to the reconnect question ends the
        list with the names read so far and `declined` true.
        """
        if not self.check_link():
            for _ in range(1, _LINK_CHECK_ATTEMPTS):
                if self.check_link():
                    break
        prompt.take_refusal()  # a No during the link check is not about the list
        runs = int(self.library.GetItemCount(RUN_COLLECTION, 0)) & 0xFFFF
        names: List[bytes] = []
        declined = prompt.take_refusal()
        index = runs - 1
        while index >= 0 and not declined:
            name = self._fetch_name((index | RUN_KIND) & 0xFFFF)
            declined = prompt.take_refusal()
            if not declined:
                names.append(name)
            index -= 1
        # The link error stays set until cleared, so one look covers every call.
        return names, self.library.GetRemoteError() == 0, declined

    def start(self, run_index: int, kind: str) -> None:
        """Sets out to generate and fetch one report."""
        self.run_index = run_index & 0xFFFF
        self.type_value = report_type_value(kind)
        self.lines = []
        self.state = _GENERATE

    def step(self) -> None:
        """One step of the retrieval; state 0 (idle) once the report is complete."""
        if self.state == _GENERATE:
            self._generate()
        elif self.state == _AWAIT_LINES:
            self._await_lines()
        elif self.state == _READ_LINES:
            self._read_line()
        else:
            self.state = _IDLE

    def _generate(self) -> None:
        library = self.library
        if not self.check_link():
            return
        self.lines = []
        library.ClearRemoteError()
        library.SetSlaveParameter(REPORT_PARAMETER, (self.run_index | RUN_KIND) & 0xFFFF,
                                  self.type_value)
        error = int(library.GetRemoteError())
        if error != 0:
            # A request that never went out generated nothing, and the count
            # would be the previous report's: generate again instead.
            self.state = _GENERATE if error == _REQUEST_NOT_SENT else _AWAIT_LINES
            return
        self.line_count = int(library.GetItemCount(REPORT_LINES, 0)) & 0xFFFF
        # A count that did not arrive is no empty report: wait for it.
        if library.GetRemoteError() != 0:
            self.state = _AWAIT_LINES
            return
        self.line_index = 0
        self.state = _READ_LINES

    def _await_lines(self) -> None:
        library = self.library
        library.ClearRemoteError()
        self.line_count = int(library.GetItemCount(REPORT_LINES, 0)) & 0xFFFF
        if library.GetRemoteError() != 0:
            return
        self.line_index = 0
        if self.line_count == 0:
            self.state = _GENERATE
            return
        self.line_count = int(library.GetItemCount(REPORT_LINES, 0)) & 0xFFFF
        if library.GetRemoteError() != 0:
            return
        self.state = _READ_LINES

    def _read_line(self) -> None:
        if self.line_index >= self.line_count:
            self.state = _IDLE
            return
        line = self._fetch_name((self.line_index | LINE_KIND) & 0xFFFF)
        if self.library.GetRemoteError() != 0:
            self.library.ClearRemoteError()
            return
        self.lines.append(map_instrument_chars(line, LINE_SIZE))
        self.line_index += 1

    def fetch(self, run_index: int, kind: str, progress: Optional[Progress] = None,
              steps_without_progress: int = 200,
              seconds_without_progress: float = 60.0) -> List[bytes]:
        """The report's lines as bytes (0x80 mapped to 0xB0, no line ends), as brevalin-cli.

        Raises LinkLost when no line arrives for `steps_without_progress` steps
        or `seconds_without_progress` seconds (brevalin-cli's limits), or when
        the reconnect question is answered No.
        """
        prompt.take_refusal()  # an answer from before is not about this report
        self.start(run_index, kind)
        lines_before = 0
        idle_steps = 0
        last_progress = time.monotonic()
        while self.state != _IDLE:
            self.step()
            if prompt.take_refusal():
                self.state = _IDLE
                raise LinkLost("reconnecting to the instrument was declined")
            if len(self.lines) != lines_before:
                lines_before = len(self.lines)
                idle_steps = 0
                last_progress = time.monotonic()
                if progress is not None:
                    progress(self.line_index, self.line_count)
                continue
            idle_steps += 1
            if idle_steps >= steps_without_progress or \
                    time.monotonic() - last_progress > seconds_without_progress:
                self.state = _IDLE
                raise LinkLost("the link to the instrument was lost and not regained")
        return self.lines


def saved_line(line: Line) -> bytes:
    """One report line as Save to File writes it: at most 99 bytes, 0x80 as 0xB0, CR LF."""
    raw = encode(line)
    end = raw.find(b"\0")
    raw = raw[:end] if end >= 0 else raw
    return map_instrument_chars(raw[:LINE_SIZE - 1], LINE_SIZE) + b"\r\n"


def report_bytes(lines: Iterable[Line]) -> bytes:
    """The bytes of a report file: each line as saved_line writes it."""
    return b"".join(saved_line(line) for line in lines)


def write_report(path: Union[str, "os.PathLike[str]"], lines: Iterable[Line],
                 replace: bool = False) -> None:
    """Writes a report file byte for byte as brevalin's Save to File and brevalin-cli do.

    `lines` are texts or bytes. The file is written under a temporary name in
    the same folder and renamed when complete, so no partial file is ever
    left under `path`. Raises FileExistsError when `path` exists and not
    `replace`.
    """
    target = os.fspath(path)
    if not replace and os.path.exists(target):
        raise FileExistsError(target + ": exists")
    folder, base = os.path.split(target)
    fd, temporary = tempfile.mkstemp(prefix="." + base + ".", dir=folder or ".")
    try:
        if hasattr(os, "fchmod"):  # POSIX: the permissions a plain create would give
            mask = os.umask(0)
            os.umask(mask)
            os.fchmod(fd, 0o666 & ~mask)
        with os.fdopen(fd, "wb") as out:
            out.write(report_bytes(lines))
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, target)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


_PLAIN = frozenset(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,_-+()#")


_MAX_SAFE_NAME = 200
_WINDOWS_DEVICES = frozenset(["con", "prn", "aux", "nul"] +
                             ["%s%d" % (kind, n) for kind in ("com", "lpt") for n in range(10)])


def safe_file_name(run_name: Line) -> str:
    """A run's name made safe for a file name, as brevalin-cli export-all makes it.

    Every byte but letters, digits and " .,_-+()#" becomes "_", the result is
    cut to 200 bytes, and leading and trailing dots and spaces go; an empty
    result is "unnamed".
    """
    return _safe(run_name) or "unnamed"


def _safe(run_name: Line) -> str:
    raw = encode(run_name)
    safe = bytes(byte if byte in _PLAIN else ord("_") for byte in raw)[:_MAX_SAFE_NAME]
    return safe.strip(b". ").decode("ascii")


def file_stems(run_names_oldest_first: Sequence[Line]) -> List[str]:
    """The file name stems export-all gives runs in an empty folder, oldest run first.

    Runs whose safe names are equal or differ only in letter case are numbered
    from the oldest: "X", "X~2", "X~3". A run without a name, and one whose
    name Windows keeps for a device ("CON", "com1.txt"), always carries its
    number ("unnamed~1", "CON~1"). No run's own name holds a "~", so no
    numbered stem meets a real one.
    """
    seen: Dict[str, int] = {}
    stems = []
    for run_name in run_names_oldest_first:
        safe = _safe(run_name)
        base = safe or "unnamed"
        folded = base.lower()
        seen[folded] = seen.get(folded, 0) + 1
        bare = safe != "" and not _windows_device(folded)
        ordinal = seen[folded]
        stems.append(base if ordinal == 1 and bare else "%s~%d" % (base, ordinal))
    return stems


def _windows_device(folded: str) -> bool:
    return folded.split(".", 1)[0].rstrip(" ") in _WINDOWS_DEVICES
