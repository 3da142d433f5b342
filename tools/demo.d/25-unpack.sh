# The sample package taken apart, as a publisher who has only the disc
# would: unpack writes the bare setup, its two libraries, PACK.BOX (expanded
# as well) and the trailer's settings; pack makes the package again from
# them, and cmp compares it with the one on the disc. Then the check on a
# copy of the sample's sources broken on purpose.
pubkit="$root/build/host/pubkit/pubkit"
sample="$WINEPREFIX/drive_c/e2e/demo_setup"
[ -f "$sample/SETUP.EXE" ] || { echo "demo: no sample package" >&2; exit 1; }
work="$root/build/demo-unpack"
rm -rf "$work"
mkdir -p "$work"
"$pubkit" unpack "$BENCH_CDROM/SETUP.EXE" -o "$work/parts" --members | tee "$demo_out/unpack.txt"
p="$work/parts"
"$pubkit" pack --setup "$p/setup.exe" --meter "$p/METER.DLL" --dunzip "$p/DUNZIP32.DLL" \
    --pack "$p/PACK.BOX" --ini "$p/SETUP.INI" -o "$work/SETUP.EXE"
if cmp "$BENCH_CDROM/SETUP.EXE" "$work/SETUP.EXE"; then
    echo "demo: cmp: the package packed again from its parts is the one on the disc, byte for byte ($(stat -c %s "$work/SETUP.EXE") bytes)"
else
    echo "demo: cmp: the package packed again differs" >&2
    exit 1
fi

# The broken copy: a misspelt key, a group name with a colon, an icon and a
# plug-in PACK.BOX will not carry, a document moved before EMBED.EXE writes
# it, a viewer installer on a hard disk, colours not in three digits, and a
# background picture cut short.
cp -r "$sample/pack" "$work/broken"
mkdir -p "$work/broken-cd"
cp "$BENCH_CDROM/tarnwsi.ini" "$work/broken-cd/"
head -c 30 "$BENCH_CDROM/cover.bmp" > "$work/broken-cd/cover.bmp"
sed -i -e 's/^FOLDERTITLE=.*/FOLDERTITLE="Lighthouse: The Keeper"/' -e 's/^ICONFILE=.*/ICONFILE=KEEPER.ICO/' \
    -e 's/^INSTALLER=.*/INSTALLER=C:\\ACROREAD\\rs405eng.exe/' -e 's/^R2=.*/R2=0,64,128/' \
    -e 's/^MINST=/PLUGN1=tarnw32.api\r\r\nPLUGIN2=tkindex.api\r\r\nMOVEFILE=\\EBOOK\\book.pdf\r\r\nMINST=/' \
    "$work/broken/SETUP.INI"
echo "demo: pubkit check on a broken copy of the sample's sources:"
rc=0
"$pubkit" check "$work/broken" --medium "$work/broken-cd" | tee "$demo_out/check-broken.txt" || rc=$?
[ "$rc" -eq 1 ] || { echo "demo: the check passed a broken copy (exit $rc)" >&2; exit 1; }
