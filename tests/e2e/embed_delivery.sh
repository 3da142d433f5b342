#!/usr/bin/env bash
# The three kinds of embed installer run end to end against the viewer
# double: what lands on disk, what is opened, what is shown, what is removed.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
e2e_dir embed_delivery
trap embed_reset EXIT
viewer_install "$E2E_DIR" reader
e2e_blob 5000 3 > "$E2E_DIR/book.bin"
e2e_blob 8192 4 > "$E2E_DIR/exact.bin"
e2e_blob 3001 5 > "$E2E_DIR/plugin.bin"

same() { cmp -s "$1" "$2" || e2e_fail "$1 differs from $2"; }

# Document installer, trailer at the very end: the document is written
# beside it, the plug-in goes to Reader's plug_ins, Reader opens the
# document, a five-character closing message stays unshown.
mkdir "$E2E_DIR/a"
embed_installer "$E2E_DIR/a/INST.EXE" --doc "$E2E_DIR/book.bin" --doc-name book.pdf \
    --plugin "$E2E_DIR/plugin.bin" --msg Hello --del NO
echo stale > "$E2E_DIR/a/book.pdf"
e2e_drive doc_at_end -- "$E2E_WIN\\a\\INST.EXE" <<'SCN'
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
SCN
same "$E2E_DIR/a/book.pdf" "$E2E_DIR/book.bin"
same "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin"
[ "$(cat "$VIEWER_READER/opened.txt")" = "\"$E2E_WIN\\a\\book.pdf\"" ] ||
    e2e_fail "viewer got $(cat "$VIEWER_READER/opened.txt")"
grep -q '#32770' "$E2E_LOG/doc_at_end.transcript" && e2e_fail "a message box was shown"
[ -f "$E2E_DIR/a/INST.EXE" ] || e2e_fail "NO deleted the installer"
viewer_stop

# The same with 2168 bytes appended after the trailer, a document of exactly
# two chunks, and a six-character closing message.
rm -f "$VIEWER_READER/plug_ins/tarnw32.api"
mkdir "$E2E_DIR/b"
embed_installer "$E2E_DIR/b/INST.EXE" --doc "$E2E_DIR/exact.bin" --doc-name exact.pdf \
    --plugin "$E2E_DIR/plugin.bin" --msg "Thanks" --append 2168
e2e_drive doc_signed -- "$E2E_WIN\\b\\INST.EXE" <<'SCN'
window "ViewerDouble" "Acrobat Reader - exact.pdf"
msgbox "Tarnwick" "Thanks"
press 1
exit 0
SCN
same "$E2E_DIR/b/exact.pdf" "$E2E_DIR/exact.bin"
same "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin"
viewer_stop

# Plug-in installer: the plug-in only, nothing written beside it or opened.
rm -f "$VIEWER_READER/plug_ins/tarnw32.api"
mkdir "$E2E_DIR/c"
embed_installer "$E2E_DIR/c/PLUG.EXE" --plugin "$E2E_DIR/plugin.bin" --msg "Plug-in ready"
e2e_drive plugin_only -- "$E2E_WIN\\c\\PLUG.EXE" <<'SCN'
msgbox "Tarnwick" "Plug-in ready"
press 1
exit 0
SCN
same "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin"
[ "$(ls "$E2E_DIR/c")" = PLUG.EXE ] || e2e_fail "plug-in installer wrote $(ls "$E2E_DIR/c")"
[ ! -f "$VIEWER_READER/opened.txt" ] || e2e_fail "plug-in installer opened a document"

# Update installer: a closing message of exactly 50 characters, shown whole;
# "YES" removes the installer through the deleter copy, also from a folder
# with a blank in its name.
msg50="Your book is installed. Enjoy reading it - Bye!!!!"
[ ${#msg50} -eq 50 ] || e2e_fail "test message is ${#msg50} characters"
mkdir "$E2E_DIR/d d"
embed_installer "$E2E_DIR/d d/UPD.EXE" --msg "$msg50" --del YES
rm -f "$VIEWER_READER/plug_ins/tarnw32.api"
e2e_drive update_deletes -- "$E2E_WIN\\d d\\UPD.EXE" <<SCN
msgbox "Tarnwick" "$msg50"
press 1
exit 0
nofile "$E2E_WINQ\\\\d d\\\\UPD.EXE"
SCN
[ "$(ls "$E2E_DIR/d d")" = "" ] || e2e_fail "update installer left $(ls "$E2E_DIR/d d")"
[ ! -f "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "update installer wrote the plug-in"

# Blanks in the installer's folder and in the temporary directory: the
# document is opened from a copy in the temporary directory, and both that
# path and the deleter's are passed whole.
mkdir -p "$E2E_DIR/f f" "$E2E_DIR/t t"
embed_installer "$E2E_DIR/f f/DOC.EXE" --doc "$E2E_DIR/book.bin" --doc-name book.pdf \
    --plugin "$E2E_DIR/plugin.bin" --del YES
temp_dir_set "$E2E_WIN\t t"
e2e_drive blanks -- "$E2E_WIN\f f\DOC.EXE" <<SCN
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
nofile "$E2E_WINQ\\\\f f\\\\DOC.EXE"
SCN
temp_dir_restore
[ "$(cat "$VIEWER_READER/opened.txt")" = "\"$E2E_WIN\\t t\\book.pdf\"" ] ||
    e2e_fail "viewer got $(cat "$VIEWER_READER/opened.txt")"
same "$E2E_DIR/t t/book.pdf" "$E2E_DIR/book.bin"
same "$E2E_DIR/f f/book.pdf" "$E2E_DIR/book.bin"
[ -f "$E2E_DIR/t t/TEMP.EXE" ] || e2e_fail "no relay copy in the temporary directory"
viewer_stop
rm -f "$VIEWER_READER/plug_ins/tarnw32.api"

# Offsets that do not describe the file: the document offset past the
# trailer, and a plug-in before the document. Nothing is written.
mkdir "$E2E_DIR/e"
embed_installer "$E2E_DIR/e/BAD.EXE" --doc "$E2E_DIR/book.bin" --doc-name bad.pdf \
    --plugin "$E2E_DIR/plugin.bin" --doc-offset 999999999
e2e_drive past_end -- "$E2E_WIN\\e\\BAD.EXE" <<SCN
msgbox "Error" "$E2E_WINQ\\\\e\\\\BAD.EXE is invalid. The program has not been initialized, is corrupted, or has been improperly signed."
press 1
msgbox "" "@999999999bad.pdf"
press 1
exit 0
SCN
size=$(stat -c %s "$E2E_BIN/embed.exe")
embed_installer "$E2E_DIR/e/BAD.EXE" --doc "$E2E_DIR/book.bin" --doc-name bad.pdf \
    --plugin "$E2E_DIR/plugin.bin" --plug-offset $((size - 10))
e2e_drive plugin_before_doc -- "$E2E_WIN\\e\\BAD.EXE" <<SCN
msgbox "Error" "$E2E_WINQ\\\\e\\\\BAD.EXE is invalid. The program has not been initialized, is corrupted, or has been improperly signed."
press 1
msgbox "" "@${size}"
press 1
exit 0
SCN
[ "$(ls "$E2E_DIR/e")" = BAD.EXE ] || e2e_fail "a bad installer wrote $(ls "$E2E_DIR/e")"

# No trailer at any of the five places: the raw last block follows.
cp "$E2E_BIN/embed.exe" "$E2E_DIR/e/NONE.EXE"
head -c 3000 /dev/zero | tr '\0' x >> "$E2E_DIR/e/NONE.EXE"
raw=$(head -c 512 /dev/zero | tr '\0' x)
e2e_drive no_trailer -- "$E2E_WIN\\e\\NONE.EXE" <<SCN
msgbox "Error" "$E2E_WINQ\\\\e\\\\NONE.EXE is invalid. The program has not been initialized, is corrupted, or has been improperly signed."
press 1
msgbox "" "$raw"
press 1
exit 0
SCN
[ ! -f "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "a bad installer wrote the plug-in"
echo "embed_delivery passed"
