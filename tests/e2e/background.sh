#!/usr/bin/env bash
# The packaged setup started the way a reader starts it, with its branding
# files in the current directory: a picture that is no DIB and a tarnwsi.ini
# naming a missing picture are reported with the file's name, and setup goes
# on to its destination dialog.
source "$(dirname "$0")/lib.sh"
e2e_dir background

ini=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=A Sample Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
e2e_package "$E2E_DIR" "$ini"
cd "$E2E_DIR"

# A 108-byte (version 4) header: a newer format than the reader takes.
python3 - "$E2E_DIR/Setup.bmp" <<'PY'
import struct, sys
info = struct.pack("<IiiHHIIiiII", 108, 4, 2, 1, 24, 0, 0, 0, 0, 0, 0) + bytes(68)
pixels = bytes(16)
head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
open(sys.argv[1], "wb").write(head + info + pixels)
PY
e2e_drive notdib -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
timeout 30
msgbox "Error" "Setup.bmp is not a Legitimate DIB File!"
press 1
dialog 1001,1006,1000
press 2
exit 0
SCN

printf '[Tarnwick]\r\nBMPFILE=missing.bmp\r\nXPOS=10\r\nYPOS=10\r\n' > "$E2E_DIR/tarnwsi.ini"
e2e_drive missing -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
timeout 30
msgbox "Error" "Can't open file 'missing.bmp'"
press 1
dialog 1001,1006,1000
press 2
exit 0
SCN
echo "background passed"
