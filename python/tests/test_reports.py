"""Reports as brevalin-cli fetches them, through faults, unplugs and threads."""
import threading

import pytest

import quillsan
from quillsan import Link, parse_link, safe_file_name, write_report

from conftest import VIRTUAL_DLL, run_cli, run_python

RUNS = [(index, kind) for index in range(12) for kind in ("validation", "run")]


@pytest.mark.parametrize("index, kind", RUNS, ids=["%d-%s" % run for run in RUNS])
def test_report_is_exactly_what_brevalin_cli_fetch_prints(virtual, tmp_path, index, kind):
    status, printed = run_cli("fetch", str(index), "--type", kind, cwd=tmp_path)
    assert status == 0
    lines = virtual.report(index, kind)
    assert "".join(line + "\n" for line in lines).encode("utf-8") == printed


def test_reports_carry_the_degree_sign_as_brevalin_shows_it(virtual):
    assert virtual.report(0, "validation")[5] == "Lid         105.0\u00b0C    Ramp 4.0\u00b0C/s"
    assert virtual.report_bytes(0, "validation")[5] == b"Lid         105.0\xb0C    Ramp 4.0\xb0C/s"


FETCH = """
import sys, quillsan
asked = []
mode = sys.argv[1]
def answer(text, caption):
    asked.append((text, caption))
    if mode == "raise":
        raise KeyError("from the prompt")
    if mode == "reenter":
        quillsan.load(sys.argv[2]).GetItemCount(0x4006)
    return mode == "yes"
with quillsan.open(sys.argv[5], sys.argv[2], None if mode == "none" else answer) as inst:
    try:
        lines = inst.report(int(sys.argv[3]), sys.argv[4])
    except Exception as error:
        print(type(error).__name__, error, asked)
    else:
        sys.stdout.write("".join(line + "\\n" for line in lines))
"""


UNPLUG = {"QUILLSAN_VIRTUAL_UNPLUG_AFTER": 40}
ASKED = "[('Device not connected; reconnect?', 'USB ERROR')]"


@pytest.mark.parametrize("link, mode, settings, outcome", [
    ("COM1", "none", {"QUILLSAN_VIRTUAL_FAULT_RATE": 10, "QUILLSAN_VIRTUAL_FAULT_PLAN": 3},
     "report"),
    ("usb", "yes", UNPLUG, "report"),
    ("usb", "none", UNPLUG, "LinkLost reconnecting to the instrument was declined []\n"),
    ("usb", "no", UNPLUG, "LinkLost reconnecting to the instrument was declined %s\n" % ASKED),
    ("usb", "raise", UNPLUG, "KeyError 'from the prompt' %s\n" % ASKED),
    ("usb", "reenter", UNPLUG, "QuillsanError the library cannot be called while it asks the "
     "reconnect question %s\n" % ASKED),
], ids=["serial-faults", "unplug-yes", "unplug-unattended", "unplug-no", "unplug-raise",
        "unplug-reenter"])
def test_a_report_through_faults_and_unplugs(tmp_path, link, mode, settings, outcome):
    status, expected = run_cli("fetch", "3", "--type", "run", cwd=tmp_path)
    assert status == 0
    done = run_python(["-c", FETCH, mode, VIRTUAL_DLL, "3", "run", link], tmp_path, **settings)
    assert done.returncode == 0, done.stderr
    assert done.stdout == (expected if outcome == "report" else outcome.encode())


def test_two_threads_take_turns_in_the_library(virtual, tmp_path):
    runs = (0, 9)  # run 9's report has thousands of lines: the other thread comes in meanwhile
    expected = {index: run_cli("fetch", str(index), cwd=tmp_path)[1] for index in runs}
    start = threading.Barrier(len(runs))
    got = {}

    def fetch(index):
        start.wait(30)
        got[index] = ["".join(l + "\n" for l in virtual.report(index)).encode() for _ in (1, 2)]

    threads = [threading.Thread(target=fetch, args=(index,)) for index in runs]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(60)
    assert got == {index: [expected[index]] * 2 for index in runs}


@pytest.mark.parametrize("name", [None, "RUN 0002  2026-09-21 10:40  SYBR qPCR", "RUN 0002", "1"])
def test_a_run_by_name_or_index(virtual, name):
    run = virtual.run(name)
    assert (run.index, run.name) == ((11, "RUN 0012  2026-11-30 14:05  SYBR qPCR") if name is None
                                     else (1, "RUN 0002  2026-09-21 10:40  SYBR qPCR"))


@pytest.mark.parametrize("wanted", [12, "RUN 00", "RUN 0099", -1])
def test_a_run_not_there(virtual, wanted):
    with pytest.raises(quillsan.RunNotFound):
        virtual.run(wanted)


@pytest.mark.parametrize("text, link", [
    ("usb", Link(True, 0, 0)), ("USB", Link(True, 0, 0)), ("COM3", Link(False, 3, 9600)),
    ("com256:4000000", Link(False, 256, 4000000)), ("COM1:115200", Link(False, 1, 115200)),
    ("COM0", None), ("COM257", None), ("COM3:0", None), ("COM3:", None), ("ttyS0", None),
    ("COM3:9600x", None), ("COM\u0663", None),
])
def test_links_as_brevalin_cli_names_them(text, link):
    if link is None:
        with pytest.raises(ValueError, match="unknown link"):
            parse_link(text)
    else:
        assert parse_link(text) == link


@pytest.mark.parametrize("name, file_name", [
    ("RUN 0001  2026-09-14 09:12  Standard PCR", "RUN 0001  2026-09-14 09_12  Standard PCR"),
    (b"..a/b\\c\xb0d..", "a_b_c_d"), ("", "unnamed"), (". .", "unnamed"), ("x(1)+#,-", "x(1)+#,-"),
    ("a" * 199 + " b", "a" * 199), (" " * 200 + "b", "unnamed"),
])
def test_file_names_for_runs(name, file_name):
    assert safe_file_name(name) == file_name


def test_a_report_file_is_written_as_save_to_file_writes_it(tmp_path):
    path = tmp_path / "r.txt"
    write_report(path, ["25\u00b0C", b"a\x80b", "x" * 120, ""])
    assert path.read_bytes() == b"25\xb0C\r\na\xb0b\r\n" + b"x" * 99 + b"\r\n\r\n"
    with pytest.raises(FileExistsError):
        write_report(path, ["new"])
    write_report(path, ["new"], replace=True)
    assert path.read_bytes() == b"new\r\n"
    assert [p.name for p in tmp_path.iterdir()] == ["r.txt"]
