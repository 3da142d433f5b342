#!/usr/bin/env bash
# Signed with a throwaway certificate, a package and a document installer
# work as unsigned ones do: the signature behind the data, and the zero
# bytes the signing tool pads the data with, do not hide their trailers.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/install.sh"
PUBKIT="$e2e_root/build/host/pubkit/pubkit"
e2e_dir signed
trap embed_reset EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$E2E_DIR/key.pem" -out "$E2E_DIR/cert.pem" \
    -days 2 -subj "/CN=Tarnwick Test Publisher" 2>/dev/null || e2e_fail "no throwaway certificate"
sign() { "$PUBKIT" sign --cert "$E2E_DIR/cert.pem" --key "$E2E_DIR/key.pem" "$1" -o "$2" >/dev/null; }
# The data must end off an 8-byte boundary so that the signing tool pads it.
padded() { [ $(( $(stat -c %s "$1") % 8 )) -ne 0 ] || e2e_fail "$1 would not be padded"; }

# A document installer: the document is written, the plug-in installed,
# the viewer opened.
viewer_install "$E2E_DIR" reader
e2e_blob 5001 3 > "$E2E_DIR/book.pdf"
e2e_blob 3001 5 > "$E2E_DIR/tarnw32.api"
printf '%s\r\n' "PATH1=C:\\x\\INST.EXE" "MSG=" "DEL=NO" > "$E2E_DIR/tkbuild.txt"
mkdir -p "$E2E_DIR/doc"
"$PUBKIT" embed --image "$E2E_BIN/embed.exe" --build-file "$E2E_DIR/tkbuild.txt" \
    --plugin "$E2E_DIR/tarnw32.api" --doc "$E2E_DIR/book.pdf" --out-dir "$E2E_DIR" >/dev/null
padded "$E2E_DIR/INST.EXE"
sign "$E2E_DIR/INST.EXE" "$E2E_DIR/doc/INST.EXE"
e2e_drive document -- "$E2E_WIN\\doc\\INST.EXE" <<'SCN'
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
SCN
cmp "$E2E_DIR/doc/book.pdf" "$E2E_DIR/book.pdf" || e2e_fail "the document was not written whole"
cmp "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/tarnw32.api" || e2e_fail "no plug-in"
viewer_stop

# A package: readme, destination, copy, expansion, licence and the
# sequence, as any; its uninstaller is the signed file itself.
mkdir -p "$E2E_DIR/pack"
printf 'Licence: signed.\r\n' > "$E2E_DIR/pack/LICENSE.TXT"
printf 'DEFAULTDIR=C:\\SIGNED\r\nPUBNAME=Signed Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n' \
    > "$E2E_DIR/pack/SETUP.INI"
e2e_blob 777 9 > "$E2E_DIR/pack/odd.bin"
# Without EMBED.EXE on purpose, which the check finds: --force.
"$PUBKIT" pack --setup "$E2E_BIN/setup.exe" --meter "$E2E_BIN/METER.DLL" \
    --dunzip "$E2E_BIN/DUNZIP32.DLL" --pack "$E2E_DIR/pack" --ini "$E2E_DIR/pack/SETUP.INI" \
    -o "$E2E_DIR/UNSIGNED.EXE" --force 2>/dev/null
padded "$E2E_DIR/UNSIGNED.EXE"
sign "$E2E_DIR/UNSIGNED.EXE" "$E2E_DIR/SETUP.EXE"
rm -rf "$WINEPREFIX/drive_c/SIGNED"
install_walk package --timeout 60 --title "Signed Book" \
    --at copy 'waittext 1006 "Uncompressing files..."' \
    --licence --at licence 'text 1000 "Licence: signed.\r\n"' --not-complete -- "$E2E_WIN\\SETUP.EXE" <<'SCN'
msgbox "Cannot execute Tarnwick 32-bit Installer." "\"C:\\SIGNED\\EMBED.EXE\" -cdrom C:\\"
press 1
SCN
for f in LICENSE.TXT SETUP.INI odd.bin; do
    cmp "$E2E_DIR/pack/$f" "$WINEPREFIX/drive_c/SIGNED/$f" || e2e_fail "$f not expanded intact"
done
cmp "$E2E_DIR/SETUP.EXE" "$WINEPREFIX/drive_c/SIGNED/UNINSTAL.EXE" || e2e_fail "UNINSTAL.EXE differs"

# Taken apart, a signed file gives back the bare program that was signed,
# and its parts build the file as it was before signing.
"$PUBKIT" unpack "$E2E_DIR/doc/INST.EXE" -o "$E2E_DIR/un-doc" > "$E2E_LOG/unpack-doc.txt" ||
    e2e_fail "unpack refused the signed installer"
cmp "$E2E_BIN/embed.exe" "$E2E_DIR/un-doc/embed.exe" || e2e_fail "the installer's image is not the bare embed.exe"
"$PUBKIT" unpack "$E2E_DIR/SETUP.EXE" -o "$E2E_DIR/un" > "$E2E_LOG/unpack.txt" ||
    e2e_fail "unpack refused the signed package"
grep -q "signed (certificate table" "$E2E_LOG/unpack.txt" || e2e_fail "unpack did not report the signature"
cmp "$E2E_BIN/setup.exe" "$E2E_DIR/un/setup.exe" || e2e_fail "the package's image is not the bare setup.exe"
u="$E2E_DIR/un"
"$PUBKIT" pack --setup "$u/setup.exe" --meter "$u/METER.DLL" --dunzip "$u/DUNZIP32.DLL" \
    --pack "$u/PACK.BOX" --ini "$u/SETUP.INI" -o "$u/again.exe" --force 2>/dev/null
cmp "$E2E_DIR/UNSIGNED.EXE" "$u/again.exe" || e2e_fail "the unpacked parts do not make the unsigned package"
echo "signed: document installer and package work signed, and unpack gives back what was signed"
