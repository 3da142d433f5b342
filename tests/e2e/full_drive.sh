#!/usr/bin/env bash
# Installing onto a drive that fills up: a small drive T: with a file of the
# user's in the destination. With room for nothing the copy fails (alert
# 1005); with room for the copy but not the expansion, the expansion fails
# (alert 1008) although the licence and the script were already expanded.
# Either way the installation ends with its alert: no licence, no script,
# no completion, and the user's file untouched.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/small_drive.sh"
e2e_dir full_drive

# Members in this order: the licence and the script fit, the book does not.
mkdir -p "$E2E_DIR/pack"
printf 'Licence: you may read this book.\r\n' > "$E2E_DIR/pack/LICENSE.TXT"
printf '[Setup]\r\nDEFAULTDIR=T:\\BOOK\r\n' > "$E2E_DIR/pack/SETUP.INI"
python3 - "$E2E_DIR/pack" "$E2E_DIR/PACK.BOX" <<'PY'
import random, sys, zipfile
d, out = sys.argv[1], sys.argv[2]
random.seed(21)
open(d + "/BOOK.BIN", "wb").write(bytes(random.randrange(256) for _ in range(40000)))
with zipfile.ZipFile(out, "w") as z:
    for name, method in (("LICENSE.TXT", zipfile.ZIP_DEFLATED), ("SETUP.INI", zipfile.ZIP_DEFLATED),
                         ("BOOK.BIN", zipfile.ZIP_STORED)):
        z.write(d + "/" + name, name, compress_type=method)
PY
ini=$'[Setup]\r\nDEFAULTDIR=T:\\BOOK\r\nPUBNAME=Full Drive\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
e2e_package "$E2E_DIR" "$ini" "$E2E_DIR/PACK.BOX"

size_of() { stat -c %s "$1"; }
pages_of() { small_drive_pages "$(size_of "$1")"; }
page=$(getconf PAGESIZE)
notes="$E2E_DIR/NOTES.TXT"
python3 -c "import sys; sys.stdout.write('My own notes, not the installer\'s.\r\n' * 140)" > "$notes"

# Room for the user's file only.
small_drive_mount t $(( $(pages_of "$notes") * page ))
mkdir -p "$SMALL_DRIVE/BOOK"
cp "$notes" "$SMALL_DRIVE/BOOK/NOTES.TXT"

# What is left in the destination, one name a line.
left() { (cd "$SMALL_DRIVE/BOOK" && ls | sort); }

# No licence dialog and no completion dialog may have shown.
no_licence_nor_completion()
{
    if grep -q -e '"Accept"' -e 'Installation is Complete.' "$E2E_LOG/$1.transcript"; then
        e2e_fail "$1: the licence or the completion followed the alert"
    fi
    cmp -s "$notes" "$SMALL_DRIVE/BOOK/NOTES.TXT" || e2e_fail "$1: the user's file was changed"
}

e2e_drive no_room -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
timeout 60
dialog 1001,1006,1000
text 1000 "T:\\BOOK"
press 1
dialog 1003,1002,1006
msgbox "Alert" "Cannot write into directory: T:\\BOOK."
press 1
exit 0
SCN
no_licence_nor_completion no_room
echo "no room: alert 1005; left on T:\\BOOK: $(left | tr '\n' ' ')"
[ "$(left)" = NOTES.TXT ] || e2e_fail "no room: the staged files were not removed: $(left)"

# Room for the user's file and the copy (DUNZIP32.DLL, PACK.BOX and the
# whole package as UNINSTAL.EXE), and for the licence and the script, but
# not for the book.
small_drive_resize $(( ($(pages_of "$notes") + $(pages_of "$E2E_BIN/DUNZIP32.DLL") +
                        $(pages_of "$E2E_DIR/PACK.BOX") + $(pages_of "$E2E_DIR/SETUP.EXE") +
                        $(pages_of "$E2E_DIR/pack/LICENSE.TXT") +
                        $(pages_of "$E2E_DIR/pack/SETUP.INI")) * page ))
e2e_drive no_room_to_expand -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
timeout 90
dialog 1001,1006,1000
press 1
dialog 1003,1002,1006
waittext 1006 "Uncompressing files..."
msgbox "Alert" "Decompress error due to program currently running, no write permission, or disk full"
press 1
exit 0
SCN
no_licence_nor_completion no_room_to_expand
echo "no room to expand: alert 1008; left on T:\\BOOK: $(left | tr '\n' ' ')"
[ "$(left | tr '\n' ' ')" = "LICENSE.TXT NOTES.TXT SETUP.INI UNINSTAL.EXE " ] ||
    e2e_fail "no room to expand: expected the licence, the script, the user's file and the uninstaller, found: $(left)"
for f in LICENSE.TXT SETUP.INI; do
    cmp -s "$E2E_DIR/pack/$f" "$SMALL_DRIVE/BOOK/$f" || e2e_fail "no room to expand: $f not intact"
done
cmp -s "$E2E_DIR/SETUP.EXE" "$SMALL_DRIVE/BOOK/UNINSTAL.EXE" ||
    e2e_fail "no room to expand: UNINSTAL.EXE differs from the package"
echo "full_drive passed"
