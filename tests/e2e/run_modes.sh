#!/usr/bin/env bash
# The program's own file name chooses what it does.
source "$(dirname "$0")/lib.sh"
e2e_dir run_modes

cp "$E2E_BIN/setup.exe" "$E2E_DIR/uninstal.exe"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/XNINSTAL.EXE"

# Spelt in lower case it is still the uninstaller: it asks first.
e2e_drive uninstal -- "$E2E_WIN\\uninstal.exe" <<'SCN'
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 2
exit 0
SCN

for arg in "" "x"; do
    e2e_drive "xninstal$arg" -- "$E2E_WIN\\XNINSTAL.EXE" $arg <<SCN
msgbox "$E2E_WINQ\\\\XNINSTAL.EXE" "This file can be deleted.  Thank you."
press 1
exit 0
SCN
done

# With a path it is the second stage: it waits its 10 seconds, and a path
# that names no uninstaller is left alone.
mkdir -p "$E2E_DIR/keep"
printf 'notes\r\n' > "$E2E_DIR/keep/NOTES.TXT"
e2e_drive xninstal_path -- "$E2E_WIN\\XNINSTAL.EXE" "$E2E_WIN\\keep\\NOTES.TXT" <<'SCN'
timeout 40
exit 0
nowindows
SCN
[ -f "$E2E_DIR/keep/NOTES.TXT" ] || e2e_fail "the second stage deleted a file that is no uninstaller"
echo "run_modes passed"
