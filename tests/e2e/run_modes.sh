#!/usr/bin/env bash
# The program's own file name chooses what it does.
source "$(dirname "$0")/lib.sh"
e2e_dir run_modes

cp "$E2E_BIN/setup.exe" "$E2E_DIR/uninstal.exe"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/XNINSTAL.EXE"

e2e_drive uninstal -- "$E2E_WIN\\uninstal.exe" <<'SCN'
exit 0
nowindows
SCN

for arg in "" "x"; do
    e2e_drive "xninstal$arg" -- "$E2E_WIN\\XNINSTAL.EXE" $arg <<SCN
msgbox "$E2E_WINQ\\\\XNINSTAL.EXE" "This file can be deleted.  Thank you."
press 1
exit 0
SCN
done

e2e_drive xninstal_path -- "$E2E_WIN\\XNINSTAL.EXE" "C:\\SOMEWHERE" <<'SCN'
exit 0
nowindows
SCN
echo "run_modes passed"
