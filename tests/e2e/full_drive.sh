#!/usr/bin/env bash
# A destination drive T: that fills up, a tmpfs (needs root; exit 77 is a
# skip) with a file of the user's on it: with room for nothing the copy
# fails (alert 1005); with room for the library and the archive but not the
# uninstaller, the uninstaller copy fails (alert 1005) and leaves nothing
# cut short; with room for the copy, the licence and the script but not the
# book, the expansion fails (alert 1008). Each ends with its alert.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir full_drive

mkdir -p "$E2E_DIR/pack"
printf 'Licence: you may read this book.\r\n' > "$E2E_DIR/pack/LICENSE.TXT"
printf '[Setup]\r\n' > "$E2E_DIR/pack/SETUP.INI"
e2e_blob 40000 7 > "$E2E_DIR/pack/BOOK.BIN"
python3 - "$E2E_DIR/pack" "$E2E_DIR/PACK.BOX" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("LICENSE.TXT", "SETUP.INI", "BOOK.BIN"):  # in this order
        z.write(sys.argv[1] + "/" + name, name)
PY
e2e_package "$E2E_DIR" $'DEFAULTDIR=T:\\BOOK\r\nPUBNAME=Full Drive\r\n' "$E2E_DIR/PACK.BOX"
notes="$E2E_DIR/NOTES.TXT"
e2e_blob 5000 3 > "$notes"

page=$(getconf PAGESIZE)
pages() { local n=0 f; for f; do n=$(( n + ($(stat -c %s "$f") + page - 1) / page )); done; echo $(( n * page )); }
drive=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-drive.XXXXXX")  # outside the prefix the bench removes
trap 'umount "$drive" 2>/dev/null || true; rmdir "$drive" || true; rm -f "$WINEPREFIX/dosdevices/t:"' EXIT
trap 'exit 1' INT TERM
mount -t tmpfs -o "size=$(pages "$notes")" tarnwick-small "$drive" ||
    { echo "SKIP: cannot mount a tmpfs for a small drive" >&2; exit 77; }
ln -sfn "$drive" "$WINEPREFIX/dosdevices/t:"
mkdir "$drive/BOOK"
cp "$notes" "$drive/BOOK/"

# install NAME ALERT: the installation ends with the alert, and neither the
# licence nor the completion shows.
install()
{
    install_walk "$1" --timeout 90 --no-copy -- "$E2E_WIN\\SETUP.EXE" <<SCN
msgbox "Alert" "$2"
press 1
exit 0
SCN
    ! grep -q -e '"Accept"' -e 'Installation' "$E2E_LOG/$1.transcript" || e2e_fail "$1: went on after the alert"
    cmp "$notes" "$drive/BOOK/NOTES.TXT" || e2e_fail "$1: the user's file changed"
    left=$(cd "$drive/BOOK" && echo *)
    echo "$1: left on T:\\BOOK: $left"
}

install no_room "Cannot write into directory: T:\\\\BOOK."
[ "$left" = NOTES.TXT ] || e2e_fail "no_room: staged files left"

# Room for the library and the archive, not for the uninstaller: no
# uninstaller cut short stays.
mount -o "remount,size=$(pages "$notes" "$E2E_BIN/DUNZIP32.DLL" "$E2E_DIR/PACK.BOX")" "$drive"
install no_room_for_uninstaller "Cannot write into directory: T:\\\\BOOK."
[ "$left" = NOTES.TXT ] || e2e_fail "no_room_for_uninstaller: left $left"

mount -o "remount,size=$(pages "$notes" "$E2E_BIN/DUNZIP32.DLL" "$E2E_DIR/PACK.BOX" \
    "$E2E_DIR/SETUP.EXE" "$E2E_DIR/pack/LICENSE.TXT" "$E2E_DIR/pack/SETUP.INI")" "$drive"
install no_room_to_expand "Decompress error due to program currently running, no write permission, or disk full"
[ "$left" = "LICENSE.TXT NOTES.TXT SETUP.INI UNINSTAL.EXE" ] || e2e_fail "no_room_to_expand: unexpected files"
cmp "$E2E_DIR/pack/LICENSE.TXT" "$drive/BOOK/LICENSE.TXT" && cmp "$E2E_DIR/SETUP.EXE" "$drive/BOOK/UNINSTAL.EXE" ||
    e2e_fail "no_room_to_expand: a file written before the book is not intact"
echo "full_drive passed"
