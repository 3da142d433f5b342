#!/usr/bin/env bash
# The bare program as builder, its failures, and packages that cannot start.
source "$(dirname "$0")/lib.sh"
e2e_dir builder_and_alerts

# No mtest.exe beside the bare program.
mkdir -p "$E2E_DIR/bare"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/bare/setup.exe"
e2e_drive no_mtest -- "$E2E_WIN\\bare\\setup.exe" <<'SCN'
msgbox "" "Cannot append"
press 1
exit 0
SCN
[ ! -e "$E2E_DIR/bare/mtest.exe" ] || e2e_fail "mtest.exe was created"

# Inputs present but no SETUP.INI: the inputs are appended, then the error.
cp "$E2E_BIN/setup.exe" "$E2E_DIR/bare/mtest.exe"
cp "$E2E_BIN/METER.DLL" "$E2E_DIR/bare/"
e2e_blob 100 1 > "$E2E_DIR/bare/DUNZIP32.DLL"
e2e_blob 200 2 > "$E2E_DIR/bare/PACK.BOX"
(cd "$E2E_DIR/bare" && e2e_drive no_ini -- "$E2E_WIN\\bare\\setup.exe") <<'SCN'
msgbox "Error" "Cannot read: SETUP.INI"
press 1
exit 0
SCN
want=$(( $(stat -c %s "$E2E_BIN/setup.exe") + $(stat -c %s "$E2E_BIN/METER.DLL") + 300 ))
[ "$(stat -c %s "$E2E_DIR/bare/mtest.exe")" -eq "$want" ] || e2e_fail "partial mtest.exe not kept"

# A full disk when the trailer is written: empty inputs append nothing, so
# only the trailer's write meets the full device.
mkdir -p "$E2E_DIR/full"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/full/setup.exe"
ln -s /dev/full "$E2E_DIR/full/mtest.exe"
: > "$E2E_DIR/full/METER.DLL"; : > "$E2E_DIR/full/DUNZIP32.DLL"; : > "$E2E_DIR/full/PACK.BOX"
printf 'DEFAULTDIR=C:\\X\r\n' > "$E2E_DIR/full/SETUP.INI"
(cd "$E2E_DIR/full" && e2e_drive disk_full -- "$E2E_WIN\\full\\setup.exe") <<'SCN'
msgbox "" "Disk Full"
press 1
exit 0
SCN

# A package whose offsets point past its trailer is not initialised.
e2e_package "$E2E_DIR" $'DEFAULTDIR=C:\\X\r\nPUBNAME=Broken\r\n'
python3 - "$E2E_DIR/SETUP.EXE" <<'PY'
import sys
p = sys.argv[1]; b = bytearray(open(p, "rb").read())
field = b"%d PACK.BOX" % (len(b) + 10)
b[-512 + 320:-512 + 416] = field + bytes(96 - len(field))
open(p, "wb").write(b)
PY
e2e_drive bad_offsets -- "$E2E_WIN\\SETUP.EXE" <<SCN
msgbox "Alert" "File: $E2E_WINQ\\\\SETUP.EXE first must be initialized using Tarnwick PDF Publisher."
press 1
exit 0
SCN

# Install mode 2 refuses a hard disk and runs from the CD-ROM drive D:.
rm -rf "$E2E_DIR/.builder"
e2e_package "$E2E_DIR" $'DEFAULTDIR=C:\\CD\r\nPUBNAME=From CD\r\nR1=100,100,100,2,1,1\r\nR2=000,000,000\r\n'
e2e_drive cd_required -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
msgbox "Installation Failed!" "This Installer Must be Launched from a CD-ROM!"
press 1
exit 0
SCN
cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
e2e_drive from_cd -- "D:\\SETUP.EXE" <<'SCN'
window "QUICKINST" "From CD"
dialog 1001,1006,1000
text 1000 "C:\\CD"
press 2
exit 0
SCN
rm -f "$BENCH_CDROM/SETUP.EXE"
echo "builder_and_alerts passed"
