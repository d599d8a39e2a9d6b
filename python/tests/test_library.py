"""The 43 exports in Python's terms, on the virtual flavour and on the tests' lent instrument."""
import os
import re
import sys

import pytest

import quillsan
from quillsan import (HeadStatus, HeadStatus2, LinkError, ProtocolRecord, ProtocolRecord2,
                      ProtocolSegment, ProtocolSegment2, ProtocolStep, ProtocolStep2, UserRecord)
from quillsan._native import loader_name

from conftest import REPOSITORY


def _declared():
    """(name, argument count) of every export as quillsan.def and quillsan.h declare them."""
    with open(os.path.join(REPOSITORY, "linklib", "quillsan.def")) as names:
        ordered = re.findall(r"^\s+(\w+) @(\d+)$", names.read(), re.M)
    with open(os.path.join(REPOSITORY, "linklib", "include", "quillsan.h")) as header:
        prototypes = dict(re.findall(r"QUILLSAN_CALL (\w+)\(([^)]*)\);", header.read()))
    return [(name, len([a for a in prototypes[name].split(",") if a.strip() not in ("", "void")]))
            for name, _ in sorted(ordered, key=lambda entry: int(entry[1]))]


def test_the_43_exports_in_ordinal_order_with_their_argument_counts(virtual):
    declared = _declared()
    assert len(declared) == 43
    assert virtual.library.exports == tuple(name for name, _ in declared)
    assert [(name, len(getattr(virtual.library.raw, name).argtypes)) for name, _ in declared] \
        == declared


@pytest.mark.parametrize("platform, loader", [("win32", "WinDLL"), ("linux", "CDLL")])
def test_windows_takes_the_stdcall_loader(platform, loader):
    assert loader_name(platform) == loader


ADMIN, LAB_TECH, GUEST = 0x1000, 0x1001, 0x1002
STANDARD_PCR = 0x3000

# The virtual instrument's sample content as it describes it.
FORMS = [
    ("GetDLLName", (), "QUILLSAN.DLL"),
    ("GetDLLName2", (), "QUILLSAN.DLL"),
    ("GetDLLVersion", (), "QUILLSAN.DLL Version 1.009"),
    ("GetPCRVersion", (), "Pelmark Version 1.009"),
    ("GetPCRSerNum", (), "ZT-96-004217"),
    ("GetSlaveParameter", (0,), 1009),
    ("GetRemoteError", (), 0),
    ("ClearRemoteError", (), 0),
    ("bZtUsbConnected", (), True),
    ("GetItemCount", (0x4006,), 12),
    ("GetItemList", (0x4002,), [0x2000, 0x2001, 0x2002]),
    ("GetItemName", (0x7000,), "RUN 0001  2026-09-14 09:12  Standard PCR"),
    ("GetItemName", (0x700C,), None),
    ("GetItemType", (0x7000,), 7),
    ("GetUserHandle", ("LAB TECH",), LAB_TECH),
    ("GetUserHandle", ("NOBODY",), 0),
    ("GetFolderHandle", ("VALIDATION",), 0x2002),
    ("GetProtocolHandle", ("SYBR QPCR 40X",), 0x3001),
    ("GetFolder", (0x2001,), "QPCR ASSAYS"),
    ("GetUser", (LAB_TECH,), UserRecord(name="LAB TECH", extraText="Molecular lab", word0=2,
                                        word1=4711, word2=1, byte0=1, byte2=1, word5=1)),
    ("GetUser", (0x1FFF,), None),
    ("GetHeadStatus", (2,), HeadStatus(value1=2, value2=96, byte0=1, byte1=1, word0=250,
                                       word1=1050, word2=280, word3=230)),
    ("GetHeadStatus2", (3,), HeadStatus2(value1=3, value2=96, byte0=1, byte1=1, word0=250,
                                         word1=1050, word2=280, word3=230, word6=40,
                                         word7=1009)),
    ("FindHID", (40,), {"language": "Language = <English>",
                        "manufacturer": "Maufacturer = Zantorel",
                        "product": "Product = Thermal Cycler TC-96",
                        "serialNumber": "Serial Number = ZT-96-004217",
                        "configuration": "Configuration = \u201dT control",
                        "interfaceName": "Interface = Report Link"}),
    ("FindHID", (0,), {}),
]


@pytest.mark.parametrize("export, arguments, expected", FORMS,
                         ids=["%s%r" % (form[0], form[1]) for form in FORMS])
def test_each_export_answers_in_pythons_terms(virtual, export, arguments, expected):
    assert getattr(virtual.library, export)(*arguments) == expected


def test_a_protocol_reads_back_in_both_forms(virtual):
    first = virtual.library.GetProtocol(STANDARD_PCR)
    assert (first.name, first.stepCount, len(first.steps)) == ("STANDARD PCR 35X", 4, 4)
    assert first.steps[1] == ProtocolStep(stepValue=35, segmentInfo=3, segments=[
        ProtocolSegment(a=40, b=1, c=950, d=1050, f=15), ProtocolSegment(a=40, b=1, c=580, d=1050,
                                                                         f=30),
        ProtocolSegment(a=40, b=1, c=720, d=1050, f=45)])
    assert first.steps[3].segments == [ProtocolSegment(a=40, b=1, c=40, d=1050, e=0xFFFF, h=1)]
    second = virtual.library.GetProtocol2(STANDARD_PCR)
    assert second.steps[3] == ProtocolStep2(stepValue=1, segmentCount=1, segments=[
        ProtocolSegment2(a=40, b=1, c=40, d=1050, e=8191, h=1)])


AB = ProtocolRecord(name="AB", stepCount=1, steps=[ProtocolStep(
    stepValue=3, segmentInfo=1, segments=[ProtocolSegment(e=30, f=950)])])
AB2 = ProtocolRecord2(name="AB", stepCount=1, steps=[ProtocolStep2(
    stepValue=3, segmentCount=1, segments=[ProtocolSegment2(a=1, b=2, c=3, d=4, e=30, f=950,
                                                            g=0x8028)])])
NEWCOMER = UserRecord(name="NEWCOMER 0123456789", extraText="Night shift", word0=0x0102,
                      word1=0x0304, word2=5, word3=6, word4=7, byte0=8, byte1=9, byte2=10,
                      byte3=11, word5=0x0C0D, byte4=14)


# What goes out on the wire, and what reads back: one row per method; the
# encodings' finer points are the library's own tests' (protocol_codec_test.cpp).
WRITES = [
    ("InsertProtocol", (AB, 0, 0), "4142 00 01 03 01 b603 1e00", "GetProtocol", AB),
    ("InsertProtocol2", (AB2, 0, 0),
     "414200 01 0300 01 00 0100 0200 0300 0400 1e00 b603 2880 00 00", "GetProtocol2", AB2),
    ("InsertUser", (NEWCOMER, 0),
     "4e4557434f4d45522030313233343536373839" + "00" * 7 + "4e69676874207368696674" + "00" * 2
     + "0201 0403 0500 0600 0700 08090a0b 0d0c 0e", "GetUser",
     UserRecord(name="NEWCOMER 0123", extraText="Night shift", word0=0x0102, word1=0x0304,
                word2=5, word3=6, word4=7, byte0=8, byte1=9, byte2=10, byte3=11, word5=0x0C0D,
                byte4=14)),
    ("InsertFolder", ("NIGHT RUNS", 1, 2), "4e49474854205255 4e53" + "00" * 15, "GetFolder",
     "NIGHT RUNS"),
]


@pytest.mark.parametrize("export, arguments, wire, reader, read_back", WRITES,
                         ids=[write[0] for write in WRITES])
def test_writes_send_the_records_bytes_and_read_back(lent, export, arguments, wire, reader,
                                                     read_back):
    library = lent.library
    library.GetItemName(0x7000)  # the transfer buffer's address is known from here on
    since = len(lent.requests())
    handle = getattr(library, export)(*arguments)
    assert lent.uploaded(since) == bytes.fromhex(wire)
    assert handle != 0
    assert getattr(library, reader)(handle) == read_back


# Calls and the answers the instrument describes for them.
CALLS = [
    ("SetSlaveParameter", lambda lib: (lib.SetSlaveParameter(9, 0x1234, 0x5678),
                                       lib.GetSlaveParameter(9)), (0, 0x12345678)),
    ("ReadADTab", lambda lib: (lib.ReadADTab(3), lib.ReadADTabLong(3)), (2096, 2096)),
    ("ReadTempTab", lambda lib: lib.ReadTempTab(4), 60),
    ("GetInstrumentStatus", lambda lib: lib.GetInstrumentStatus(), 0),
    ("InstrumentControl", lambda lib: lib.InstrumentControl(1, 2, 0x300), 1),
    ("ClearRunProtocol", lambda lib: lib.ClearRunProtocol(1, 2), 1),
    ("StoreRunProtocol", lambda lib: (lib.StoreRunProtocol(AB), lib.StoreRunProtocol2(AB2)),
     (True, True)),
    ("StoreProtocol", lambda lib: (lib.StoreProtocol(AB, STANDARD_PCR),
                                   lib.GetProtocol(STANDARD_PCR), lib.GetProtocol2(STANDARD_PCR)),
     (True, AB, None)),
    ("StoreProtocol2", lambda lib: (lib.StoreProtocol2(AB2, STANDARD_PCR),
                                    lib.GetProtocol2(STANDARD_PCR)), (True, AB2)),
    ("StoreProtocol unknown", lambda lib: lib.StoreProtocol(AB, 0x3FFF), False),
    ("InsertUser declined", lambda lib: lib.InsertUser(UserRecord(name="ADMIN")), 0),
    ("DeleteItem", lambda lib: (lib.DeleteItem(GUEST), lib.GetUserHandle("GUEST")), (1, 0)),
]


@pytest.mark.parametrize("call, expected", [row[1:] for row in CALLS],
                         ids=[row[0] for row in CALLS])
def test_commands_pass_their_arguments_and_answers(lent, call, expected):
    assert call(lent.library) == expected


def test_usb_packets_in_pythons_terms(virtual):
    library = virtual.library
    assert library.GetUsbHandle() is not None
    assert library.SendUSBPacket(bytes.fromhex("020000"))  # firmware version, parameter 0
    result, payload = library.GetUSBResponsePacket()
    assert (result, len(payload), payload[:5]) == (0, 256, bytes.fromhex("02000003f1"))
    assert library.SendUSBPacket(bytes(257)) is False


FAULTS = [
    # export, call, (clean replies, dropped replies), link error, meaning
    ("GetItemCount", lambda library: library.GetItemCount(0x4006), (0, 1), 6, "no valid reply"),
    ("GetUserHandle", lambda library: library.GetUserHandle("ADMIN"), (0, 1), 8,
     "block write failed"),
    ("GetItemName", lambda library: library.GetItemName(0x7000), (1, 1), 9,
     "block read failed"),
    ("GetUserHandle", lambda library: library.GetUserHandle("A" * 65535), (0, 0), 1,
     "send failed"),
]


@pytest.mark.parametrize("export, call, faults, code, meaning", FAULTS,
                         ids=["%s %d" % (fault[0], fault[3]) for fault in FAULTS])
def test_a_failed_call_raises_link_error_and_clears_it(lent, export, call, faults, code,
                                                       meaning):
    library = lent.library
    library.GetItemName(0x7000)
    lent.drop_replies(*faults)
    with pytest.raises(LinkError) as raised:
        call(library)
    assert (raised.value.code, raised.value.export, raised.value.meaning) == (code, export,
                                                                             meaning)
    assert str(raised.value) == "%s: link error %d, %s" % (export, code, meaning)
    assert library.GetRemoteError() == 0
    assert library.GetItemCount(0x4006) == 12


def test_a_link_error_left_by_a_raw_call_does_not_spoil_the_next_call(lent):
    lent.drop_replies(0, 1)
    lent.library.raw.GetItemCount(0x4006, 0)
    assert lent.library.raw.GetRemoteError() == 6
    assert lent.library.GetItemName(0x7000) == "RUN 0001  2026-09-14 09:12  Standard PCR"


def test_the_reconnect_helper_is_loaded_from_the_package():
    assert quillsan.prompt.helper_loaded()
    assert os.path.dirname(quillsan.prompt.helper_path()) == os.path.dirname(quillsan.__file__)


@pytest.mark.parametrize("path, environment, virtual, installed, beside, expected", [
    ("/x/QUILLSAN.DLL", "/env/QUILLSAN.DLL", False, "inst", "main", "/x/QUILLSAN.DLL"),
    (None, "/env/QUILLSAN.DLL", False, "inst", "main", "/env/QUILLSAN.DLL"),
    (None, None, False, "inst", "main", "inst/QUILLSAN.DLL"),
    (None, "/env/QUILLSAN.DLL", True, "inst", "main", "inst/virtual/QUILLSAN.DLL"),
    (None, None, False, None, "main", "main/QUILLSAN.DLL"),
    (None, None, True, None, "main", "main/virtual/QUILLSAN.DLL"),
    (None, None, False, None, None, "no QUILLSAN.DLL found"),
])
def test_where_load_finds_the_library(tmp_path, monkeypatch, path, environment, virtual,
                                      installed, beside, expected):
    for folder in ("inst/virtual", "main/virtual", "inst", "main"):
        os.makedirs(tmp_path / folder, exist_ok=True)
        (tmp_path / folder / "QUILLSAN.DLL").write_bytes(b"")
    monkeypatch.setattr(quillsan.library, "installed_folder",
                        lambda: installed and str(tmp_path / installed))
    monkeypatch.setattr(quillsan.library, "_caller_folder",
                        lambda: beside and str(tmp_path / beside))
    monkeypatch.delenv("QUILLSAN_LIBRARY", raising=False)
    if environment:
        monkeypatch.setenv("QUILLSAN_LIBRARY", environment)
    if expected.startswith("no "):
        with pytest.raises(quillsan.LibraryError, match=expected):
            quillsan.find_library(path, virtual)
    else:
        found = quillsan.find_library(path, virtual)
        assert found == (expected if expected.startswith("/") else str(tmp_path / expected))


def test_a_file_that_is_no_library_is_named(tmp_path):
    (tmp_path / "QUILLSAN.DLL").write_bytes(b"not a library")
    with pytest.raises(quillsan.LibraryError, match="cannot be loaded"):
        quillsan.load(str(tmp_path / "QUILLSAN.DLL"))


def test_windows_keeps_the_librarys_own_message_box(virtual, monkeypatch):
    monkeypatch.setattr(sys, "platform", "win32")
    with pytest.warns(RuntimeWarning, match="own message box"):
        quillsan.Instrument(virtual.library, on_reconnect=lambda text, caption: True)
    assert quillsan.prompt.reconnect_prompt() is None
    with pytest.raises(NotImplementedError):
        quillsan.set_reconnect_prompt(lambda text, caption: True)
