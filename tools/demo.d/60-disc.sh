# The sample's disc: `pubkit disc` makes the CD-ROM image from the sample's
# sources in one run (EMBED.EXE from the sample document and plug-in, the
# check, the package, an AUTORUN.INF with the book's icon), inspect shows
# what is on it, and the image, mounted read-only with fuseiso as drive D:
# (a CD-ROM drive), installs the book as a reader installs it. The image
# stays in build/demo/.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/embed.sh"
source "$root/tests/e2e/lib/disc.sh"
e2e_dir demo_disc
E2E_LOG="$demo_out"

pubkit="$root/build/host/pubkit/pubkit"
mkdir -p "$E2E_DIR/book" "$E2E_DIR/disc"
cp "$root"/sample/pack/* "$E2E_DIR/book/"
cp "$root/sample/tarnwsi.ini" "$root/sample/readme1st.txt" "$E2E_DIR/disc/"
python3 "$root/sample/cover.py" "$E2E_DIR/disc/cover.bmp"
image="$demo_out/lighthouse.iso"
force=()
[ "$BENCH_FLAVOUR" = 32 ] || force=(--force)  # the 64-bit flavour's programs
started=$(date +%s.%N)
"$pubkit" disc --book "$E2E_DIR/book" --medium "$E2E_DIR/disc" -o "$image" --programs "$E2E_BIN" \
    --doc "$root/sample/embed/book.pdf" --plugin "$root/sample/embed/tarnw32.api" \
    --message "The Lighthouse Keeper is ready to read." "${force[@]}"
echo "demo: pubkit disc took $(python3 -c "import sys; print(round(float(sys.argv[1]) - float(sys.argv[2]), 2))" "$(date +%s.%N)" "$started") s"
"$pubkit" inspect "$image" | tee "$demo_out/disc-inspect.txt"

if ! command -v fuseiso >/dev/null || [ ! -c /dev/fuse ]; then
    echo "demo: no fuseiso or FUSE device here: the image is not installed from"
    return 0
fi
viewer_install "$E2E_DIR/viewer" reader
rm -rf "$WINEPREFIX/drive_c/EBOOK"
disc_mount "$image"
trap 'disc_unmount' EXIT
cd "$disc_mnt"
e2e_drive disc_install -- 'D:\SETUP.EXE' <<'SCN'
timeout 150
window "QUICKINST" "Tarnwick Sample Library: The Lighthouse Keeper"
dialog 1000,4
shot "disc-01-readme-from-the-image"
press 1
dialog 1001,1006,1000
press 1
dialog 1003,1002,1006
waittext 1006 "Uncompressing files..."
dialog 1000,4
text 1 "Accept"
press 1
gone
dialog 1002,1006
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
press 1
dialog 1,1006
text 1006 "Installation is Complete."
shot "disc-02-complete"
press 1
exit 0
SCN
cd "$root"
cmp "$root/sample/embed/book.pdf" "$WINEPREFIX/drive_c/EBOOK/book.pdf" ||
    { echo "demo: the book was not installed from the image" >&2; exit 1; }
echo "demo: installed from the image mounted as D:: $(ls "$WINEPREFIX/drive_c/EBOOK" | tr '\n' ' ')"
disc_unmount
trap - EXIT
viewer_stop
embed_reset
