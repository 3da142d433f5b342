#!/usr/bin/env bash
# Where the trailer may lie, and how a delivery ends when the document
# cannot be written, copied or opened.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
e2e_dir embed_layout_and_launch
trap 'viewer_stop; embed_reset' EXIT
embed_reset
e2e_blob 5000 3 > "$E2E_DIR/book.bin"
e2e_blob 3001 5 > "$E2E_DIR/plugin.bin"
LAUNCH='msgbox "Error" "Cannot launch Acrobat Reader"'

# The trailer is found at each of the five distances from the end: blocks
# of 0, 2168, 2169, 2176 and 2246 bytes appended after it.
for extra in 0 2168 2169 2176 2246; do
    embed_installer "$E2E_DIR/U$extra.EXE" --msg "Trailer behind $extra bytes" --append "$extra"
    e2e_drive "distance_$extra" -- "$E2E_WIN\\U$extra.EXE" <<SCN
msgbox "Tarnwick" "Trailer behind $extra bytes"
press 1
exit 0
SCN
done

# No viewer registered and no program for .pdf: the document is written,
# the plug-in cannot be placed (both boxes), and it cannot be opened.
embed_installer "$E2E_DIR/DOC.EXE" --doc "$E2E_DIR/book.bin" --doc-name book.pdf \
    --plugin "$E2E_DIR/plugin.bin" --msg "Closing words"
e2e_drive no_viewer -- "$E2E_WIN\\DOC.EXE" <<SCN
msgbox "Error 3 " "Tarnwick was unable to copy tarnw32.api to your Acrobat plug-ins directory. You may copy this file manually from: $PLUGIN_URL"
press 1
msgbox "Path to Acrobat:" ""
press 1
$LAUNCH
press 1
msgbox "Tarnwick" "Closing words"
press 1
exit 0
SCN
cmp -s "$E2E_DIR/book.pdf" "$E2E_DIR/book.bin" || e2e_fail "document not written"

# A program is associated with .pdf but the registered viewer is gone: the
# start fails, and the run goes on to its closing message.
viewer_install "$E2E_DIR/gone" reader
rm "$VIEWER_READER/AcroRd32.exe"
e2e_drive viewer_gone -- "$E2E_WIN\\DOC.EXE" <<SCN
$LAUNCH
press 1
msgbox "Tarnwick" "Closing words"
press 1
exit 0
SCN
cmp -s "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "plug-in not written"

# A document under a folder with a blank, and a temporary directory that
# does not exist: the copy fails, is said so, and the viewer is started
# with the copy's path all the same.
viewer_install "$E2E_DIR/copy" reader
mkdir "$E2E_DIR/a b"
cp "$E2E_DIR/DOC.EXE" "$E2E_DIR/a b/DOC.EXE"
temp_dir_set "$E2E_WIN\\missing"
e2e_drive cannot_copy -- "$E2E_WIN\\a b\\DOC.EXE" <<SCN
msgbox "Tarnwick" "can't copy PDF file"
press 1
window "ViewerDouble" "Acrobat Reader - book.pdf"
msgbox "Tarnwick" "Closing words"
press 1
exit 0
SCN
temp_dir_restore
[ "$(cat "$VIEWER_READER/opened.txt")" = "\"$E2E_WIN\\missing\\book.pdf\"" ] ||
    e2e_fail "viewer got $(cat "$VIEWER_READER/opened.txt")"
viewer_stop

# The document cannot be written (a folder holds its name): the run ends
# there, before the plug-in, the viewer and the closing message.
viewer_install "$E2E_DIR/nowrite" reader
mkdir "$E2E_DIR/w" "$E2E_DIR/w/book.pdf"
cp "$E2E_DIR/DOC.EXE" "$E2E_DIR/w/DOC.EXE"
e2e_drive cannot_write -- "$E2E_WIN\\w\\DOC.EXE" <<SCN
msgbox "Error" "Cannot write: $E2E_WINQ\\\\w\\\\book.pdf"
press 1
exit 0
SCN
grep -q 'Closing words' "$E2E_LOG/cannot_write.transcript" && e2e_fail "the run went on"
[ -z "$(ls "$VIEWER_READER/plug_ins")" ] || e2e_fail "the plug-in was written"
[ ! -f "$VIEWER_READER/opened.txt" ] || e2e_fail "the viewer was started"
echo "embed_layout_and_launch passed"
