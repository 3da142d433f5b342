#!/usr/bin/env bash
# Installing and delivering from a failing medium: drive D: (a CD-ROM) is
# served by tests/doubles/failing_medium.py, a FUSE file system that fails
# reads of one file at an offset (a bad sector) or every read once the disc
# is taken out. Needs /dev/fuse and root; where it cannot mount it exits 77.
# Each read error (setup's own file, its readme and licence, embed's
# document and plug-in) is told with the program's own message, nothing cut
# short stays behind, and nothing after the error runs; a sound medium
# installs whole (so the medium itself is no cause of the failures).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir failing_medium

medium=/usr/bin/python3
[ -c /dev/fuse ] && $medium -c 'import fusepy' 2>/dev/null ||
    { echo "SKIP: no FUSE device or python3-fusepy" >&2; exit 77; }
mnt=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-medium.XXXXXX")  # outside the prefix the bench removes
disc="$E2E_DIR/disc"
reads="$E2E_LOG/reads.txt"

medium_unmount()
{
    mountpoint -q "$mnt" || return 0
    umount "$mnt" 2>/dev/null || umount -l "$mnt"
}

# medium_mount [--bad NAME@OFFSET] [--eject NAME@OFFSET]: the disc folder
# as drive D:, with its reads logged to $reads.
medium_mount()
{
    : > "$reads"
    $medium "$e2e_root/tests/doubles/failing_medium.py" "$disc" "$mnt" --log "$reads" "$@" ||
        { echo "SKIP: cannot mount a FUSE file system" >&2; exit 77; }
    ln -sfn "$mnt" "$WINEPREFIX/dosdevices/d:"
}

cleanup()
{
    medium_unmount
    ln -sfn "$BENCH_CDROM" "$WINEPREFIX/dosdevices/d:"
    rmdir "$mnt" 2>/dev/null || true
    embed_reset
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The failure set up was met: the reader got EIO from NAME.
met()
{
    grep -q "^$1 .* EIO\$" "$reads" || e2e_fail "$2: no read of $1 failed (see $reads)"
}

# --- The package: a licence, a script and an incompressible book, so that
# PACK.BOX spans many blocks.
mkdir -p "$E2E_DIR/pack" "$disc"
printf 'Licence: you may read this book.\r\n' > "$E2E_DIR/pack/LICENSE.TXT"
printf '[Setup]\r\n' > "$E2E_DIR/pack/SETUP.INI"
python3 -c "import random, sys; random.seed(29); sys.stdout.buffer.write(random.randbytes(60000))" \
    > "$E2E_DIR/pack/BOOK.BIN"
python3 - "$E2E_DIR/pack" "$E2E_DIR/PACK.BOX" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("LICENSE.TXT", "SETUP.INI", "BOOK.BIN"):
        z.write(sys.argv[1] + "/" + name, name)
PY
dest="$E2E_DIR/BOOK"
e2e_package "$E2E_DIR" $'DEFAULTDIR='"$E2E_WIN"$'\\BOOK\r\nPUBNAME=Failing Medium\r\n' "$E2E_DIR/PACK.BOX"
cp "$E2E_DIR/SETUP.EXE" "$disc/SETUP.EXE"
# Where the package's parts lie: program image, METER.DLL, DUNZIP32.DLL,
# PACK.BOX, trailer.
size=$(stat -c %s "$disc/SETUP.EXE")
meter=$(stat -c %s "$E2E_BIN/setup.exe")
dunzip=$((meter + $(stat -c %s "$E2E_BIN/METER.DLL")))
pack=$((dunzip + $(stat -c %s "$E2E_DIR/.builder/DUNZIP32.DLL")))
trailer=$((size - 512))
pack_length=$((trailer - pack))
[ "$pack_length" -eq "$(stat -c %s "$E2E_DIR/PACK.BOX")" ] || e2e_fail "package layout not as expected"

# install NAME RULE...: installs from D: into $dest and expects the copy to
# end with alert 1003; neither the licence nor the completion follows, and
# no staged or cut-short file stays in the destination.
install()
{
    local name=$1
    shift
    rm -rf "$dest"
    medium_mount "$@"
    install_walk "$name" --timeout 90 --no-copy -- 'D:\SETUP.EXE' <<'SCN'
msgbox "Alert" "Cannot read: D:\\SETUP.EXE."
press 1
exit 0
SCN
    medium_unmount
    met SETUP.EXE "$name"
    ! grep -q -e '"Accept"' -e 'Installation' "$E2E_LOG/$name.transcript" ||
        e2e_fail "$name: went on after the alert"
    local left
    left=$(cd "$dest" && echo *)
    [ "$left" = "*" ] || e2e_fail "$name: left $left in the destination"
    echo "$name: alert 1003, the destination is empty"
}

# The sound medium first: the copy is whole, up to the licence (cancelled).
rm -rf "$dest"
medium_mount
install_walk sound --timeout 90 --no-copy -- 'D:\SETUP.EXE' <<'SCN'
dialog 1000,4
text 1 "Accept"
press 2
msgbox "Cancel" "Are you sure you want to cancel?"
press 6
exit 0
SCN
medium_unmount
cmp "$disc/SETUP.EXE" "$dest/UNINSTAL.EXE" || e2e_fail "sound: UNINSTAL.EXE differs from the package"
for f in LICENSE.TXT SETUP.INI BOOK.BIN; do
    cmp "$E2E_DIR/pack/$f" "$dest/$f" || e2e_fail "sound: $f not expanded intact"
done

# A bad sector in the trailer, read at start: told as a read error, not as
# a package that was never initialised.
medium_mount --bad "SETUP.EXE@$((trailer + 100))"
e2e_drive trailer_bad_sector -- 'D:\SETUP.EXE' <<'SCN'
msgbox "Alert" "Cannot read: D:\\SETUP.EXE."
press 1
exit 0
SCN
medium_unmount
met SETUP.EXE trailer_bad_sector

# A bad sector inside PACK.BOX, not on a block boundary; one in METER.DLL,
# which only the uninstaller copy reads; the disc taken out once PACK.BOX
# is copied (the uninstaller cannot even be opened); taken out in the middle
# of the uninstaller copy.
install pack_bad_sector --bad "SETUP.EXE@$((pack + pack_length / 2 + 1000))"
install meter_bad_sector --bad "SETUP.EXE@$((meter + 1000))"
install out_after_pack --eject "SETUP.EXE@$trailer"
install out_in_uninstaller --eject "SETUP.EXE@$((meter + 3000))"

# Texts shown for reading: a bad sector in the readme on the disc, and one
# in the licence (the destination is on the medium too, writable as a memory
# stick is). Neither counts as absent or accepted, neither is removed.
python3 -c "print('Read me first. ' * 100)" > "$disc/readme1st.txt"
medium_mount --bad "readme1st.txt@1000"
e2e_drive readme_bad_sector -- 'D:\SETUP.EXE' <<'SCN'
msgbox "Alert" "Cannot read: D:\\readme1st.txt."
press 1
exit 0
SCN
medium_unmount
met readme1st.txt readme_bad_sector
[ -f "$disc/readme1st.txt" ] || e2e_fail "readme_bad_sector: the readme was removed"
rm "$disc/readme1st.txt"
medium_mount --bad "BOOK/LICENSE.TXT@0"
install_walk licence_bad_sector --timeout 90 --to 'D:\\BOOK' --no-copy -- 'D:\SETUP.EXE' <<'SCN'
msgbox "Alert" "Cannot read: LICENSE.TXT."
press 1
exit 0
SCN
medium_unmount
met BOOK/LICENSE.TXT licence_bad_sector
! grep -q 'Installation' "$E2E_LOG/licence_bad_sector.transcript" ||
    e2e_fail "licence_bad_sector: went on without the licence"
[ -f "$disc/BOOK/LICENSE.TXT" ] || e2e_fail "licence_bad_sector: the licence was removed"

# The same unattended, as a deployment tool meets it: status 1, nothing on
# the screen, the alert the log's last line, no uninstaller.
rm -rf "$dest"
medium_mount --bad "SETUP.EXE@$((meter + 1000))"
e2e_drive silent_meter_bad_sector --verbatim --bare -- 'D:\SETUP.EXE' /S \
    "/LOG=$E2E_WIN\\silent.log" "/D=$E2E_WIN\\BOOK" <<'SCN'
timeout 90
exit 1
nowindows
SCN
medium_unmount
met SETUP.EXE silent_meter_bad_sector
last=$(tr -d '\r' < "$E2E_DIR/silent.log" | tail -n 1 | sed -E 's/^[0-9-]+ [0-9:]+  //')
[ "$last" = 'Alert: Cannot read: D:\SETUP.EXE.' ] || e2e_fail "silent: the log ends with $last"
[ ! -e "$dest/UNINSTAL.EXE" ] || e2e_fail "silent: a cut-short uninstaller stays"

# --- embed run from the medium, its document and plug-in read out of its
# own file; the document is written beside it.
viewer_install "$E2E_DIR" reader
python3 -c "import random, sys; random.seed(30); sys.stdout.buffer.write(random.randbytes(50000))" \
    > "$E2E_DIR/book.pdf"
python3 -c "import random, sys; random.seed(31); sys.stdout.buffer.write(random.randbytes(20000))" \
    > "$E2E_DIR/plugin.bin"
embed_installer "$disc/DOC.EXE" --doc "$E2E_DIR/book.pdf" --doc-name book.pdf \
    --plugin "$E2E_DIR/plugin.bin"
doc=$(stat -c %s "$E2E_BIN/embed.exe")
plugin=$((doc + 50000))

# A bad sector in the document: the cut-short document is removed, the
# plug-in is not installed and nothing is opened.
medium_mount --bad "DOC.EXE@$((doc + 30000))"
e2e_drive doc_bad_sector -- 'D:\DOC.EXE' <<'SCN'
msgbox "Error" "Cannot write: D:\\book.pdf"
press 1
exit 0
SCN
medium_unmount
met DOC.EXE doc_bad_sector
[ ! -e "$disc/book.pdf" ] || e2e_fail "doc_bad_sector: a cut-short document stays"
[ ! -e "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "doc_bad_sector: the plug-in was installed"
[ ! -f "$VIEWER_READER/opened.txt" ] || e2e_fail "doc_bad_sector: a document was opened"
echo "doc_bad_sector: told, nothing left"

# A bad sector in the plug-in: the document is whole and opened, the
# cut-short plug-in is removed from the viewer's folder.
medium_mount --bad "DOC.EXE@$((plugin + 9000))"
e2e_drive plugin_bad_sector -- 'D:\DOC.EXE' <<SCN
msgbox "Error" "Cannot write: $(e2e_quote "$(winepath -w "$VIEWER_READER")")\\\\plug_ins\\\\tarnw32.api"
press 1
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
SCN
viewer_stop
medium_unmount
met DOC.EXE plugin_bad_sector
cmp "$E2E_DIR/book.pdf" "$disc/book.pdf" || e2e_fail "plugin_bad_sector: the document is not whole"
[ ! -e "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "plugin_bad_sector: a cut-short plug-in stays"
echo "plugin_bad_sector: told, the plug-in removed, the document whole"
echo "failing_medium passed"
