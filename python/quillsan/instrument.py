"""The common jobs with one instrument.

    with quillsan.open(link="usb", virtual=True) as inst:
        print(inst.firmware_version, inst.serial_number)        # 1.009 ZT-96-004217
        for run in inst.runs():                                  # newest first
            print(run.index, run.name)
        lines = inst.report(inst.runs()[0], kind="run")          # as brevalin-cli fetch prints

Reports are fetched with brevalin's own sequence and retries; the other
methods raise LinkError when the library reports one. Every method holds
the library's lock, so threads take turns.
"""

from __future__ import annotations

import dataclasses
import os
import sys
import warnings
from types import TracebackType
from typing import (Callable, Iterable, List, NamedTuple, Optional, Sequence, Type, Union)

from . import prompt
from .errors import InstrumentRefused, LinkLost, NoInstrument, QuillsanError, RunNotFound
from .library import LOCK, Library, load, refuse_inside_prompt
from .records import ProtocolRecord, ProtocolRecord2, UserRecord
from .reports import KINDS, RUN, VALIDATION, Progress, Retrieval, file_stems, write_report
from .text import decode

USB = "usb"
DEFAULT_BAUD_RATE = 9600
# The instrument's collections of users, folders and protocols (GetItemList).
USER_COLLECTION = 0x4001
FOLDER_COLLECTION = 0x4002
PROTOCOL_COLLECTION = 0x4003
_CONNECT_ATTEMPTS = 5  # brevalin-cli's: a few tries, then "no instrument"
_RUN_LIST_ATTEMPTS = 20  # a link that spoils this many run lists in a row is lost

Prompt = Callable[[str, str], object]
AnyProtocol = Union[ProtocolRecord, ProtocolRecord2]


class Link(NamedTuple):
    """A link as brevalin-cli's --link names it: usb, or COMn at a baud rate."""

    usb: bool
    comNumber: int
    baudRate: int

    def __str__(self) -> str:
        return USB if self.usb else "COM%d:%d" % (self.comNumber, self.baudRate)


@dataclasses.dataclass(frozen=True)
class Run:
    """A stored run: its index (0 is the oldest) and its name."""

    index: int
    name: str
    raw: bytes  # the name as the instrument sent it


class Item(NamedTuple):
    """An item of the instrument's store: its handle and its name."""

    handle: int
    name: str


class User(NamedTuple):
    """A user: its handle and its record."""

    handle: int
    record: UserRecord


class ExportResult(NamedTuple):
    """What export_all did: paths written and skipped, (path, reason) pairs that failed."""

    written: List[str]
    skipped: List[str]
    failed: List[tuple]  # type: ignore[type-arg]
    linkLost: bool

    @property
    def summary(self) -> str:
        """The line brevalin-cli export-all ends with: "N written, N skipped, N failed"."""
        return "%d written, %d skipped, %d failed" % (len(self.written), len(self.skipped),
                                                    len(self.failed))


def parse_link(text: Union[str, Link]) -> Link:
    """usb, COMn or COMn:baud (COM1 to COM256; 9600 baud when none is given)."""
    if isinstance(text, Link):
        return text
    lower = str(text).lower()
    if lower == USB:
        return Link(True, 0, 0)
    problem = ValueError("unknown link %r (usb, COMn or COMn:baud)" % (text,))

    def number(digits: str, limit: int) -> int:
        if not (digits.isascii() and digits.isdigit()) or len(digits) > 10:
            raise problem
        value = int(digits)
        if not 1 <= value <= limit:
            raise problem
        return value

    if not lower.startswith("com"):
        raise problem
    com, colon, baud = lower[3:].partition(":")
    return Link(False, number(com, 256), number(baud, 4000000) if colon else DEFAULT_BAUD_RATE)


def version_text(number: int) -> str:
    """A firmware version number as the instrument's texts show it: 1009 is "1.009"."""
    return "%d.%03d" % (number // 1000, number % 1000)


def open(link: Union[str, Link] = USB, library: Union[None, str, Library] = None,
         on_reconnect: Optional[Prompt] = None, virtual: bool = False) -> "Instrument":
    """Connects to the instrument on `link` ("usb", "COM3", "COM3:115200").

    `library` is a Library, a path, or None for quillsan.load(virtual=virtual).
    `on_reconnect(text, caption)` answers the library's USB reconnect question
    while the instrument is open (a true result is Yes); without it the
    question is asked on the terminal, and answered No when there is none.
    Raises NoInstrument when no instrument answers.
    """
    if not isinstance(library, Library):
        library = load(library, virtual=virtual)
    instrument = Instrument(library, link, on_reconnect)
    try:
        instrument.connect()
    except BaseException:
        instrument.close()
        raise
    return instrument


class Instrument:
    """One instrument through one loaded QUILLSAN.DLL; quillsan.open makes one."""

    def __init__(self, library: Library, link: Union[str, Link] = USB,
                 on_reconnect: Optional[Prompt] = None) -> None:
        self.library = library
        self.link = parse_link(link)
        self.firmwareNumber: Optional[int] = None
        self._retrieval = Retrieval(library.raw)
        self._closed = False
        self._prompt_installed = False
        self._previous_prompt: Optional[Prompt] = None
        if on_reconnect is not None:
            if sys.platform == "win32":
                warnings.warn("on Windows QUILLSAN.DLL asks the reconnect question with its "
                              "own message box; on_reconnect is not used", RuntimeWarning,
                              stacklevel=3)
            else:
                self._previous_prompt = prompt.set_reconnect_prompt(on_reconnect)
                self._prompt_installed = True

    def __repr__(self) -> str:
        return "quillsan.Instrument(%r, link=%r)" % (self.library.path, str(self.link))

    def __enter__(self) -> "Instrument":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def close(self) -> None:
        """Gives back the reconnect question; the library itself stays loaded."""
        if self._prompt_installed:
            prompt.set_reconnect_prompt(self._previous_prompt)
            self._prompt_installed = False
        self._closed = True

    def _open(self) -> None:
        if self._closed:
            raise QuillsanError("the instrument has been closed")
        refuse_inside_prompt()

    # -- the link ---------------------------------------------------------------------------

    def connect(self) -> None:
        """Opens the link and reads the firmware version, a few times over as brevalin-cli."""
        self._open()
        raw = self.library.raw
        baud_rate = 0 if self.link.usb else self.link.baudRate
        port_index = 0 if self.link.usb else self.link.comNumber - 1
        with LOCK:
            for _ in range(_CONNECT_ATTEMPTS):
                if int(raw.InitRemoteComm(baud_rate, port_index)) & 0xFFFF:
                    arrived, version = self._retrieval.read_firmware_version()
                    if arrived:
                        self.firmwareNumber = version
                        prompt.take_refusal()
                        return
            prompt.take_refusal()
        raise NoInstrument("No Zantorel detected on %s" % (
            "USB" if self.link.usb else "COM%d" % self.link.comNumber))

    @property
    def firmware_version(self) -> str:
        """The firmware version as brevalin shows it, "1.009"."""
        if self.firmwareNumber is None:
            raise QuillsanError("not connected")
        return version_text(self.firmwareNumber)

    @property
    def serial_number(self) -> str:
        """The instrument's serial number ("" when it announces none)."""
        self._open()
        return self.library.GetPCRSerNum()

    @property
    def library_version(self) -> str:
        """The library's version text, "QUILLSAN.DLL Version 1.009"."""
        return self.library.GetDLLVersion()

    # -- runs and reports -------------------------------------------------------------------

    def runs(self) -> List[Run]:
        """The stored runs, newest first, as brevalin lists them; read again while a link
        error spoils the list. Raises LinkLost when it never arrives whole."""
        self._open()
        with LOCK:
            for _ in range(_RUN_LIST_ATTEMPTS):
                names, clean, declined = self._retrieval.read_run_names()
                if declined:
                    raise LinkLost("reconnecting to the instrument was declined")
                if clean:
                    count = len(names)
                    return [Run(count - 1 - p, decode(raw), raw) for p, raw in enumerate(names)]
        raise LinkLost("the link to the instrument was lost and not regained")

    def run(self, wanted: Union[Run, int, str, None] = None) -> Run:
        """A run by index, by name, or by the leading words of its name alone, as
        brevalin-cli fetch finds it; None is the newest run. Raises RunNotFound."""
        if isinstance(wanted, Run):
            return wanted
        runs = self.runs()
        if not runs:
            raise RunNotFound("the instrument holds no runs")
        if wanted is None:
            return runs[0]
        if isinstance(wanted, str) and wanted.isascii() and wanted.isdigit() and \
                len(wanted) <= 5:
            wanted = int(wanted)
        if isinstance(wanted, int):
            for run in runs:
                if run.index == wanted:
                    return run
        else:
            for run in runs:
                if run.name == wanted:
                    return run
            leading = [run for run in runs if run.name.startswith(wanted + " ")]
            if len(leading) == 1:
                return leading[0]
        raise RunNotFound("no run %r (the instrument lists %d)" % (wanted, len(runs)))

    def report_bytes(self, run: Union[Run, int, str, None], kind: str = VALIDATION,
                     progress: Optional[Progress] = None) -> List[bytes]:
        """The report's lines as the instrument's bytes (degree sign 0xB0, no line ends)."""
        self._open()
        with LOCK:
            return list(self._retrieval.fetch(self.run(run).index, kind, progress))

    def report(self, run: Union[Run, int, str, None], kind: str = VALIDATION,
               progress: Optional[Progress] = None) -> List[str]:
        """A run's "validation" or "run" report: exactly the lines brevalin-cli fetch prints.

        `run` is a Run, its index, its name, or None for the newest run;
        `progress(fetched, count)` follows each line. Raises LinkLost when the
        link is lost and not regained, or reconnecting is declined.
        """
        return [decode(line) for line in self.report_bytes(run, kind, progress)]

    def save_report(self, path: Union[str, "os.PathLike[str]"],
                    run: Union[Run, int, str, None], kind: str = VALIDATION,
                    replace: bool = False) -> None:
        """Writes a report as Save to File does: CR LF line ends, the degree sign as 0xB0."""
        if not replace and os.path.exists(os.fspath(path)):
            raise FileExistsError(os.fspath(path) + ": exists")
        write_report(path, self.report_bytes(run, kind), replace)

    def export_all(self, folder: Union[str, "os.PathLike[str]"],
                   kinds: Union[str, Sequence[str]] = "both", force: bool = False) -> ExportResult:
        """Every run's reports into `folder`, file for file as brevalin-cli export-all.

        One file per run and kind, "<stem>.validation.txt" and "<stem>.run.txt"
        with the stems of `file_stems`, written under a temporary name and renamed when
        complete; files already there are skipped unless `force`. Once the link
        is lost the remaining reports count as failed.
        """
        target = os.fspath(folder)
        if not os.path.isdir(target):
            raise NotADirectoryError(target + ": not a folder")
        wanted = _kinds(kinds)
        runs = sorted(self.runs(), key=lambda run: run.index)  # oldest first, as names are numbered
        stems = file_stems([run.raw for run in runs])
        result = ExportResult([], [], [], False)
        lost = False
        for run, base in reversed(list(zip(runs, stems))):  # newest first, as brevalin-cli fetches
            for kind in (k for k in KINDS if k in wanted):
                path = os.path.join(target, "%s.%s.txt" % (base, kind))
                if not force and os.path.exists(path):
                    result.skipped.append(path)
                elif lost:
                    result.failed.append((path, "the link was lost"))
                else:
                    lost = not self._export_one(path, run, kind, force, result)
        return result._replace(linkLost=lost)

    def _export_one(self, path: str, run: Run, kind: str, force: bool,
                    result: ExportResult) -> bool:
        try:
            lines = self.report_bytes(run, kind)
        except LinkLost:
            result.failed.append((path, "the link was lost"))
            return False
        try:
            write_report(path, lines, replace=force)
        except OSError as error:
            result.failed.append((path, error.strerror or str(error)))
        else:
            result.written.append(path)
        return True

    # -- users, folders, protocols ----------------------------------------------------------

    def _items(self, collection: int) -> List[Item]:
        with LOCK:
            items = []
            for handle in self.library.GetItemList(collection):
                name = self.library.GetItemName(handle)
                if name is not None:
                    items.append(Item(handle, name))
            return items

    def users(self) -> List[User]:
        """The instrument's users with their records."""
        self._open()
        with LOCK:
            users = []
            for handle in self.library.GetItemList(USER_COLLECTION):
                record = self.library.GetUser(handle)
                if record is not None:
                    users.append(User(handle, record))
            return users

    def folders(self) -> List[Item]:
        """The instrument's folders (handle and name)."""
        self._open()
        return self._items(FOLDER_COLLECTION)

    def protocols(self) -> List[Item]:
        """The instrument's protocols (handle and name)."""
        self._open()
        return self._items(PROTOCOL_COLLECTION)

    def protocol(self, handle: int) -> Optional[ProtocolRecord]:
        """The protocol in its first form; None when the instrument holds none in that form."""
        self._open()
        return self.library.GetProtocol(handle)

    def protocol2(self, handle: int) -> Optional[ProtocolRecord2]:
        """The protocol in its second form; None when the instrument holds none in that form."""
        self._open()
        return self.library.GetProtocol2(handle)

    def store_protocol(self, record: AnyProtocol, value1: int = 0, value2: int = 0) -> int:
        """Stores a protocol of either form under its name; returns its handle.

        A protocol of that name is stored over (the instrument then holds it in
        this form only); otherwise it is inserted with value1 and value2.
        Raises InstrumentRefused when the instrument does not take it.
        """
        self._open()
        library = self.library
        with LOCK:
            handle = library.GetProtocolHandle(record.name)
            stored = True
            if isinstance(record, ProtocolRecord2):
                if handle:
                    stored = library.StoreProtocol2(record, handle)
                else:
                    handle = library.InsertProtocol2(record, value1, value2)
            elif isinstance(record, ProtocolRecord):
                if handle:
                    stored = library.StoreProtocol(record, handle)
                else:
                    handle = library.InsertProtocol(record, value1, value2)
            else:
                raise TypeError("a ProtocolRecord or ProtocolRecord2 expected")
            if not handle:
                stored = False
        if not stored:
            raise InstrumentRefused("the instrument did not take the protocol %r" % record.name)
        return handle


def _kinds(kinds: Union[str, Iterable[str]]) -> List[str]:
    wanted = list(KINDS) if kinds == "both" else [kinds] if isinstance(kinds, str) else \
        list(kinds)
    for kind in wanted:
        if kind not in KINDS:
            raise ValueError("report kind %r: expected 'validation', 'run' or 'both'" % (kind,))
    return wanted


__all__ = ["ExportResult", "FOLDER_COLLECTION", "Instrument", "Item", "Link",
           "PROTOCOL_COLLECTION", "RUN", "Run", "USER_COLLECTION", "User", "VALIDATION",
           "parse_link", "version_text"]
