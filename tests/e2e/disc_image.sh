#!/usr/bin/env bash
# Installing from a real disc image: `pubkit disc` makes the sample's image
# (its EMBED.EXE made from the sample document and plug-in, the package
# asking for install mode 2, the CD-ROM-only package), fuseiso mounts it
# read-only as drive D:, a CD-ROM drive, and the book is installed from it
# through readme, destination, copy, expansion, licence, script, embed and
# group, as a reader installs it. The same SETUP.EXE copied to a hard disk
# refuses to run. Needs /dev/fuse and fuseiso; where it cannot mount it
# exits 77.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/disc.sh"
e2e_dir disc_image

pubkit="$e2e_root/build/host/pubkit/pubkit"
[ -x "$pubkit" ] || e2e_fail "no pubkit at $pubkit (tools/build)"
cleanup()
{
    disc_unmount
    embed_reset
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# --- The sources: the sample's book, its script asking for a CD-ROM.
book="$E2E_DIR/book" disc="$E2E_DIR/disc"
mkdir -p "$book" "$disc"
cp "$e2e_root"/sample/pack/* "$book/"
sed -i -e 's/^R1=.*/R1=159,159,159,2,0,3\r/' -e 's/^MINST=.*/MINST=2\r/' "$book/SETUP.INI"
grep -q '^MINST=2' "$book/SETUP.INI" && grep -q '^R1=159,159,159,2' "$book/SETUP.INI" ||
    e2e_fail "the sample script has no MINST= or R1= line"
cp "$e2e_root/sample/tarnwsi.ini" "$e2e_root/sample/readme1st.txt" "$disc/"
python3 "$e2e_root/sample/cover.py" "$disc/cover.bmp"
# The 64-bit flavour's programs are no 32-bit package's: the check says so.
force=()
[ "${BENCH_FLAVOUR:-32}" = 32 ] || force=(--force)
"$pubkit" disc --book "$book" --medium "$disc" -o "$E2E_DIR/disc.iso" --programs "$E2E_BIN" \
    --doc "$e2e_root/sample/embed/book.pdf" --plugin "$e2e_root/sample/embed/tarnw32.api" \
    --message "The Lighthouse Keeper is ready to read." "${force[@]}" > "$E2E_LOG/disc.txt" ||
    { cat "$E2E_LOG/disc.txt"; e2e_fail "pubkit disc failed"; }
cat "$E2E_LOG/disc.txt"
"$pubkit" inspect "$E2E_DIR/disc.iso" > "$E2E_LOG/inspect.txt" ||
    { cat "$E2E_LOG/inspect.txt"; e2e_fail "inspect finds the image damaged"; }
grep -q 'install mode 2' "$E2E_LOG/inspect.txt" || e2e_fail "the package is not in install mode 2"

viewer_install "$E2E_DIR/viewer" reader
rm -rf "$WINEPREFIX/drive_c/EBOOK"
group="$(programs_dir)/The Lighthouse Keeper"
rm -rf "$group"

# --- The road of one installation, from D:\ as the reader starts it.
disc_mount "$E2E_DIR/disc.iso"
[ "$(cat "$disc_mnt/readme1st.txt")" = "$(cat "$disc/readme1st.txt")" ] ||
    e2e_fail "the mounted image does not show the readme"
cd "$disc_mnt"
e2e_drive install -- 'D:\SETUP.EXE' <<'SCN'
timeout 150
window "QUICKINST" "Tarnwick Sample Library: The Lighthouse Keeper"
dialog 1000,4
text 1 "Continue"
press 1
dialog 1001,1006,1000
text 1000 "C:\\EBOOK"
press 1
dialog 1003,1002,1006
waittext 1006 "Uncompressing files..."
dialog 1000,4
text 1 "Accept"
press 1
gone
dialog 1002,1006
waittext 1006 "Finding Adobe Acrobat..."
waittext 1006 "Installing for Windows 95/98/NT."
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
press 1
dialog 1,1006
text 1006 "Installation is Complete."
press 1
exit 0
SCN
cd "$E2E_DIR"
installed="$WINEPREFIX/drive_c/EBOOK"
for f in LICENSE.TXT README.TXT SETUP.INI BOOK.ICO UNINSTAL.ICO; do
    cmp "$book/$f" "$installed/$f" || e2e_fail "$f not installed from the image"
done
cmp "$disc_mnt/SETUP.EXE" "$installed/UNINSTAL.EXE" || e2e_fail "UNINSTAL.EXE is not the disc's SETUP.EXE"
cmp "$e2e_root/sample/embed/book.pdf" "$installed/book.pdf" || e2e_fail "embed wrote no book.pdf"
cmp "$e2e_root/sample/embed/tarnw32.api" "$VIEWER_READER/plug_ins/tarnw32.api" ||
    e2e_fail "the plug-in did not reach the viewer's folder"
# embed was started with the disc's root, and opened the book.
grep -qi 'book.pdf' "$VIEWER_READER/opened.txt" || e2e_fail "the viewer did not open the book"
links=$(group_links "The Lighthouse Keeper")
for title in "The Lighthouse Keeper" "Uninstall" "Readme"; do
    printf '%s\n' "$links" | grep -qF "$title" || e2e_fail "the group has no \"$title\" link: $links"
done
echo "install: the book is installed from the image, the group holds: $(ls "$group" | tr '\n' ' ')"
viewer_stop

# --- The CD-ROM-only package copied to a hard disk refuses to run.
cp "$disc_mnt/SETUP.EXE" "$E2E_DIR/SETUP.EXE"
disc_unmount
e2e_drive hard_disk -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
msgbox "Installation Failed!" "This Installer Must be Launched from a CD-ROM!"
press 1
exit 0
SCN
echo "disc_image passed"
