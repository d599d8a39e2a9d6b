"""Shared fixtures: the built libraries, brevalin-cli, and Python in a fresh process.

Paths come from the environment that ctest and scripts/python.sh set
(QUILLSAN_TEST_*), else from build/ of this checkout. The virtual flavour
reads its QUILLSAN_VIRTUAL_* settings once, when it loads, so a test that
needs other settings runs Python in a process of its own.
"""
import ctypes
import os
import subprocess
import sys

import pytest

import quillsan

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(REPOSITORY, "build")
EXAMPLES = os.path.join(REPOSITORY, "python", "examples")


# Loaded in this process, the virtual flavour takes only its sample content.
for _setting in [key for key in os.environ if key.startswith("QUILLSAN_VIRTUAL_")]:
    del os.environ[_setting]


def _built(variable, *default):
    return os.environ.get(variable) or os.path.join(BUILD, *default)


VIRTUAL_DLL = _built("QUILLSAN_TEST_VIRTUAL_DLL", "virtual", "QUILLSAN.DLL")
LENT_DLL = _built("QUILLSAN_TEST_LENT_DLL", "lent-virtual", "QUILLSAN.DLL")
LENT_HOST = _built("QUILLSAN_TEST_LENT_HOST", "python", "libquillsan_python_lent_host.so")
CLI = _built("QUILLSAN_TEST_CLI", "virtual", "brevalin-cli")


def clean_environment(**settings):
    """This process's environment without virtual instrument settings, plus `settings`."""
    environment = {key: value for key, value in os.environ.items()
                   if not key.startswith("QUILLSAN_VIRTUAL_") and key != "QUILLSAN_LIBRARY"}
    environment.update({key: str(value) for key, value in settings.items()})
    return environment


def run_python(arguments, cwd, command=(sys.executable,), **settings):
    """Python (the interpreter running the tests), or `command`, in a fresh process."""
    return subprocess.run([*command, *arguments], cwd=cwd, capture_output=True,
                          stdin=subprocess.DEVNULL, env=clean_environment(**settings),
                          timeout=120)


def run_cli(*arguments, cwd, **settings):
    """brevalin-cli on the virtual flavour: (exit status, standard output as bytes)."""
    if not os.path.isfile(CLI):
        pytest.skip("brevalin-cli is not built")
    done = run_python(arguments, cwd, (CLI, "--library", VIRTUAL_DLL, "--quiet"), **settings)
    return done.returncode, done.stdout


@pytest.fixture(scope="session")
def virtual():
    """The virtual flavour in this process, held on USB, with its sample content.

    Tests that change the instrument's store use `lent` instead."""
    with quillsan.open("usb", VIRTUAL_DLL) as inst:
        yield inst


@pytest.fixture(scope="session")
def _lent_library():
    ctypes.CDLL(LENT_HOST, mode=ctypes.RTLD_GLOBAL)  # lends its instrument when the DLL loads
    host = ctypes.CDLL(LENT_HOST)
    host.LentRequest.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
    host.LentDropReplies.argtypes = [ctypes.c_int, ctypes.c_int]
    return quillsan.Library(LENT_DLL), host


class Lent:
    """The tests' build of the virtual flavour on a serial link to an instrument of the
    test's own: fresh for each test, its received requests recorded."""

    def __init__(self, library, host):
        self.library = library
        self.host = host

    def drop_replies(self, clean, count):
        self.host.LentDropReplies(clean, count)

    def requests(self):
        out = []
        for index in range(self.host.LentRequestCount()):
            buffer = ctypes.create_string_buffer(300)
            length = self.host.LentRequest(index, buffer, 300)
            out.append(buffer.raw[:length])
        return out

    def uploaded(self, since=0):
        """The data of the block writes (command 0) among the requests from `since` on."""
        return b"".join(request[7:] for request in self.requests()[since:] if request[0] == 0)


@pytest.fixture
def lent(_lent_library):
    library, host = _lent_library
    host.LentReset()
    assert library.InitRemoteComm(9600, 0)
    yield Lent(library, host)
    library.ClearRemoteError()
