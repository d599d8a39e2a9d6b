#!/usr/bin/env bash
# REMOTERR.LOG written on Windows: the serial entries in their exact texts, with
# the CRLF line ends of a text-mode file.
set -euo pipefail
log="$1"
com="$2"
python3 - "$log" "$com" <<'PY'
import re, sys
log = open(sys.argv[1], "rb").read()
com = sys.argv[2]
stamp = rb"[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\r\n"
expected = (rb"InitRemoteComm called\r\n\r\n"
            rb"OpenCommPort called @" + stamp + rb" \(1\.009\)\r\n\r\n"
            rb"\\\\\.\\COM" + com.encode() + rb"\r\n"
            rb"COM" + com.encode() + rb" opened at baudrate 115200\r\n\r\n"
            rb"Comm Handle is \d+\r\n\r\n"
            rb"Comm port closed @" + stamp + rb"\r\n\r\n")
if not re.fullmatch(expected, log):
    print("FAIL REMOTERR.LOG differs:", log)
    sys.exit(1)
print("ok   REMOTERR.LOG holds the serial entries with CRLF line ends")
PY
