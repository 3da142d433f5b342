# The sample package: built by the bare setup from the sample's files, then
# started from the CD-ROM drive D: the way a reader would start it, and
# walked through readme, destination, copy, expansion and licence.
source "$root/tests/e2e/lib.sh"
e2e_dir demo_setup
E2E_LOG="$demo_out"

(cd "$root/sample/pack" && rm -f "$E2E_DIR/PACK.BOX" && zip -q -r -X "$E2E_DIR/PACK.BOX" .)
e2e_package "$E2E_DIR" "$(cat "$root/sample/pack/SETUP.INI")" "$E2E_DIR/PACK.BOX"
cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
cp "$root/sample/readme1st.txt" "$BENCH_CDROM/readme1st.txt"
rm -rf "$WINEPREFIX/drive_c/EBOOK"

e2e_drive setup -- 'D:\SETUP.EXE' <<'SCN'
timeout 90
window "QUICKINST" "Tarnwick Sample Library: The Lighthouse Keeper"
dialog 1000,4
shot "01-readme"
press 1
dialog 1001,1006,1000
shot "02-destination"
press 1
dialog 1003,1002,1006
shot "03-copy"
waittext 1006 "Uncompressing files..."
shot "04-expansion"
dialog 1000,4
text 1 "Accept"
shot "05-licence"
press 1
exit 0
SCN
for f in LICENSE.TXT README.TXT SETUP.INI BOOK.ICO READ.ICO; do
    cmp "$root/sample/pack/$f" "$WINEPREFIX/drive_c/EBOOK/$f" || { echo "demo: $f not installed" >&2; exit 1; }
done
echo "demo: the sample is installed in C:\\EBOOK: $(ls "$WINEPREFIX/drive_c/EBOOK" | tr '\n' ' ')"
