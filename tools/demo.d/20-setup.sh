# The sample package: its PACK.BOX holds the sample's files and the EMBED.EXE
# that 10-embed built. The native toolkit checks the sources and builds the
# package, which is then
# started from the CD-ROM drive D: the way a reader would start it (D:\ the
# current directory, tarnwsi.ini and its background picture beside it), and
# walked through readme, destination, copy, expansion, licence and the
# installation sequence, in which setup runs EMBED.EXE.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/embed.sh"
source "$root/tests/e2e/lib/install.sh"
e2e_dir demo_setup
E2E_LOG="$demo_out"

sample_pack "$WINEPREFIX/drive_c/e2e/demo_embed/book/EMBED.EXE"
# Checked, packaged natively, as a publisher on Linux would, and explained.
cp "$root/sample/readme1st.txt" "$BENCH_CDROM/readme1st.txt"
cp "$root/sample/tarnwsi.ini" "$BENCH_CDROM/tarnwsi.ini"
python3 "$root/sample/cover.py" "$BENCH_CDROM/cover.bmp"
pubkit="$root/build/host/pubkit/pubkit"
"$pubkit" check "$E2E_DIR/pack" --medium "$BENCH_CDROM" | tee "$demo_out/setup-check.txt"
"$pubkit" pack --setup "$E2E_BIN/setup.exe" --meter "$E2E_BIN/METER.DLL" \
    --dunzip "$E2E_BIN/DUNZIP32.DLL" --pack "$E2E_DIR/pack" \
    --ini "$root/sample/pack/SETUP.INI" --medium "$BENCH_CDROM" -o "$E2E_DIR/SETUP.EXE"
"$pubkit" inspect "$E2E_DIR/SETUP.EXE" | tee "$demo_out/setup-inspect.txt"
cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
rm -rf "$WINEPREFIX/drive_c/EBOOK"
viewer_install "$E2E_DIR/viewer" reader

started=$(date +%s.%N)
cd "$BENCH_CDROM"
install_walk setup --timeout 120 --title "Tarnwick Sample Library: The Lighthouse Keeper" \
    --readme --at readme 'shot "setup-01-readme"' \
    --at destination 'shot "setup-02-destination"' \
    --at copy 'shot "setup-03-copy"' --at copy 'waittext 1006 "Uncompressing files..."' \
    --at copy 'shot "setup-04-expansion"' \
    --licence --at licence 'shot "setup-05-licence"' \
    --complete --at result 'shot "setup-10-complete"' -- 'D:\SETUP.EXE' <<'SCN'
gone
dialog 1002,1006
waittext 1006 "Beginning Installation..."
shot "setup-06-status-beginning"
waittext 1006 "Finding Adobe Acrobat..."
shot "setup-07-status-finding-viewer"
waittext 1006 "Installing for Windows 95/98/NT."
shot "setup-08-status-installing"
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
shot "setup-09-embed-closing-message"
press 1
SCN
cd "$root"
echo "demo: the installation took $(python3 -c "import sys; print(round(float(sys.argv[1]) - float(sys.argv[2]), 1))" "$(date +%s.%N)" "$started") s under the UI driver"
for f in LICENSE.TXT README.TXT SETUP.INI BOOK.ICO UNINSTAL.ICO EMBED.EXE; do
    cmp "$E2E_DIR/pack/$f" "$WINEPREFIX/drive_c/EBOOK/$f" || { echo "demo: $f not installed" >&2; exit 1; }
done
cmp "$root/sample/embed/book.pdf" "$WINEPREFIX/drive_c/EBOOK/book.pdf" || { echo "demo: embed wrote no book.pdf" >&2; exit 1; }
[ -f "$VIEWER_READER/plug_ins/tarnw32.api" ] || { echo "demo: the plug-in was not installed" >&2; exit 1; }
echo "demo: the sample is installed in C:\\EBOOK: $(ls "$WINEPREFIX/drive_c/EBOOK" | tr '\n' ' ')"
viewer_stop
embed_reset
