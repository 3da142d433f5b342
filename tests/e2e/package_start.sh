#!/usr/bin/env bash
# A package made by the builder is byte-exact, starts with its branded main
# window and destination dialog, and ends cleanly on Cancel or a bad drive.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir package_start

ini=$'[Setup]\r\r\ndefaultdir=C:\\OLD\r\r\nDEFAULTDIR=C:\\BOOK\r\r\nPUBNAME=A Sample Book\r\r\nR1=159,159,159,0,0,3\r\r\nR2=000,064,128\r\r\n'
e2e_package "$E2E_DIR" "$ini"

# The package, assembled independently of the builder.
python3 - "$E2E_DIR" <<'PY'
import sys
d = sys.argv[1] + "/.builder/"
parts = [open(d + n, "rb").read() for n in ("setup.exe", "METER.DLL", "DUNZIP32.DLL", "PACK.BOX")]
dun = len(parts[0]) + len(parts[1]); pack = dun + len(parts[2])
t = bytearray(512)
def put(off, s): t[off:off + len(s)] = s.encode()
put(0, "@C:\\BOOK"); put(128, "A Sample Book"); put(256, "%d DUNZIP32.DLL" % dun)
put(320, "%d PACK.BOX" % pack); put(416, "159,159,159,0,0,3"); put(464, "000,064,128")
expected = b"".join(parts) + bytes(t)
built = open(sys.argv[1] + "/SETUP.EXE", "rb").read()
if built != expected:
    sys.exit("package differs from the expected layout (%d vs %d bytes)" % (len(built), len(expected)))
PY

e2e_drive cancel -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
timeout 30
window "QUICKINST" "A Sample Book"
dialog 1001,1006,1000
text 1001 "Setup will install this application into the following directory, which it will create on your hard disk.\r\rIf you want to install the application in a different directory and/or drive, type that name below."
text 1006 "Copy to:"
text 1000 "C:\\BOOK"
text 1 "OK"
text 2 "Cancel"
press 2
exit 0
SCN

install_walk digit --to '1book\\x' --no-copy -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
msgbox "Alert" "Cannot CD to: 1BOOK\\X."
press 1
exit 0
SCN

# Every missing parent is created. The archive here is no zip: nothing is
# expanded, and the installation ends with the decompress alert, not in
# silence.
install_walk nested --timeout 60 --to 'c:\\e2e\\package_start\\one\\two\\three' --no-copy \
    -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
msgbox "Alert" "Decompress error due to program currently running, no write permission, or disk full"
press 1
exit 0
SCN
[ -d "$E2E_DIR/one/two/three" ] || e2e_fail "nested destination not created"
echo "package_start passed"
