#!/usr/bin/env bash
# The bare embed as builder: outputs byte for byte against installers
# assembled independently, "NULL" and its look-alikes, and its failures.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
e2e_dir embed_builder
B="$E2E_DIR/b"
mkdir -p "$B/out" "$B/docs"
cp "$E2E_BIN/embed.exe" "$B/embed.exe"
e2e_blob 7000 8 > "$B/docs/Story.TXT"
e2e_blob 1500 9 > "$B/tarnw32.api"
W="$E2E_WIN\\b"
same() { cmp -s "$1" "$2" || e2e_fail "$1 differs from the expected installer"; }

# All three, the keys in any case, the later MSG= winning, "YES" filling its
# three bytes; the document's name is lower-cased and stored as .pdf.
printf '%s\r\n' "path1=$W\\out\\doc.exe" "PATH2=$W\\out\\plug.exe" "Path3=$W\\out\\upd.exe" \
    "MSG=first message" "MSG=Thank you for reading" "DEL=YES" "other=ignored" > "$B/tkbuild.txt"
e2e_drive cutup -- "$W\\embed.exe" -CUTUP "$W\\docs\\Story.TXT" ignored <<'SCN'
exit 0
nowindows
SCN
x="$E2E_DIR/expected"
mkdir -p "$x"
embed_installer "$x/doc.exe" --doc "$B/docs/Story.TXT" --doc-name story.pdf \
    --plugin "$B/tarnw32.api" --msg "Thank you for reading" --del YES
embed_installer "$x/upd.exe" --msg "Thank you for reading" --del YES
embed_installer "$x/plug.exe" --plugin "$B/tarnw32.api" --msg "Thank you for reading" --del YES
for f in doc upd plug; do same "$B/out/$f.exe" "$x/$f.exe"; done
python3 - "$B/out/doc.exe" "$B/out/upd.exe" "$B/out/plug.exe" <<'PY' || e2e_fail "written out of order"
import os, sys
t = [os.stat(p).st_mtime_ns for p in sys.argv[1:]]
sys.exit(0 if t == sorted(t) else 1)
PY

# "-setup" writes the document installer only; "NULL" skips it, while
# "-cutup" still writes the other two; "null" is a file name.
rm -f "$B/out/"*
printf '%s\r\n' "PATH1=NULL" "PATH2=null" "PATH3=$W\\out\\upd.exe" "MSG=Hi there" "DEL=NO" > "$B/tkbuild.txt"
e2e_drive setup_null -- "$W\\embed.exe" -setup "$W\\docs\\Story.TXT" <<'SCN'
exit 0
nowindows
SCN
[ -z "$(ls "$B/out")" ] || e2e_fail "-setup with NULL wrote $(ls "$B/out")"
(cd "$B/out" && e2e_drive cutup_null -- "$W\\embed.exe" -cutup "$W\\docs\\Story.TXT") <<'SCN'
exit 0
nowindows
SCN
embed_installer "$x/upd2.exe" --msg "Hi there" --del NO
embed_installer "$x/null" --plugin "$B/tarnw32.api" --msg "Hi there" --del NO
same "$B/out/upd.exe" "$x/upd2.exe"
same "$B/out/null" "$x/null"

# Values longer than their fields are cut to them.
rm -f "$B/out/"*
long=$(printf 'M%.0s' $(seq 1 70))
printf '%s\r\n' "PATH1=$W\\out\\doc.exe" "MSG=$long" "DEL=YESSIR" > "$B/tkbuild.txt"
e2e_drive long_values -- "$W\\embed.exe" -setup "$W\\docs\\Story.TXT" <<'SCN'
exit 0
nowindows
SCN
embed_installer "$x/long.exe" --doc "$B/docs/Story.TXT" --doc-name story.pdf \
    --plugin "$B/tarnw32.api" --msg "${long:0:50}" --del YES
same "$B/out/doc.exe" "$x/long.exe"

# An output that cannot be created ends the build after the document
# installer: the other two are not written.
rm -f "$B/out/"*
printf '%s\r\n' "PATH1=$W\\missing\\doc.exe" "PATH2=$W\\out\\plug.exe" "PATH3=$W\\out\\upd.exe" > "$B/tkbuild.txt"
e2e_drive cannot_write -- "$W\\embed.exe" -cutup "$W\\docs\\Story.TXT" <<SCN
msgbox "Error" "Cannot write: $(e2e_quote "$W")\\\\missing\\\\doc.exe"
press 1
exit 0
SCN
[ -z "$(ls "$B/out")" ] || e2e_fail "extra outputs written after a failed document installer"

# A document that cannot be read (its path lower-cased, as the whole
# command line is): the partial output stays.
printf '%s\r\n' "PATH1=$W\\out\\doc.exe" > "$B/tkbuild.txt"
e2e_drive cannot_read -- "$W\\embed.exe" -setup "$W\\docs\\none.txt" <<SCN
msgbox "Error" "Cannot read: $(e2e_quote "${W,,}")\\\\docs\\\\none.txt"
press 1
exit 0
SCN
same "$B/out/doc.exe" "$B/embed.exe"

# "-cetup" and "-sutup" each write the document installer and their own
# extra one, nothing else.
rm -f "$B/out/"*
printf '%s\r\n' "PATH1=$W\\out\\doc.exe" "PATH2=$W\\out\\plug.exe" "PATH3=$W\\out\\upd.exe" \
    "MSG=Thank you for reading" "DEL=YES" > "$B/tkbuild.txt"
for sw in cetup:plug sutup:upd; do
    rm -f "$B/out/"*
    e2e_drive "${sw%%:*}" -- "$W\\embed.exe" "-${sw%%:*}" "$W\\docs\\Story.TXT" <<'SCN'
exit 0
nowindows
SCN
    [ "$(ls "$B/out" | tr '\n' ' ')" = "doc.exe ${sw##*:}.exe " ] ||
        e2e_fail "-${sw%%:*} wrote $(ls "$B/out")"
    same "$B/out/doc.exe" "$x/doc.exe"
    same "$B/out/${sw##*:}.exe" "$x/${sw##*:}.exe"
done

# An output that names an input is refused before anything is deleted:
# the document (in other capitals), the plug-in source, the program.
rm -f "$B/out/"*
cp "$B/docs/Story.TXT" "$x/story_before"
cp "$B/tarnw32.api" "$x/plugin_before"
printf '%s\r\n' "PATH1=$W\\docs\\STORY.txt" > "$B/tkbuild.txt"
e2e_drive output_is_document -- "$W\\embed.exe" -setup "$W\\docs\\Story.TXT" <<SCN
msgbox "Error" "Cannot write: $(e2e_quote "$W")\\\\docs\\\\STORY.txt"
press 1
exit 0
SCN
printf '%s\r\n' "PATH1=$W\\out\\doc.exe" "PATH3=$W\\TARNW32.API" "PATH2=$W\\embed.exe" > "$B/tkbuild.txt"
e2e_drive output_is_input -- "$W\\embed.exe" -cutup "$W\\docs\\Story.TXT" <<SCN
msgbox "Error" "Cannot write: $(e2e_quote "$W")\\\\TARNW32.API"
press 1
msgbox "Error" "Cannot write: $(e2e_quote "$W")\\\\embed.exe"
press 1
exit 0
SCN
cmp -s "$B/docs/Story.TXT" "$x/story_before" || e2e_fail "the document was overwritten"
cmp -s "$B/tarnw32.api" "$x/plugin_before" || e2e_fail "the plug-in source was overwritten"
cmp -s "$B/embed.exe" "$E2E_BIN/embed.exe" || e2e_fail "the builder was overwritten"
embed_installer "$x/plain.exe" --doc "$B/docs/Story.TXT" --doc-name story.pdf \
    --plugin "$B/tarnw32.api" --del ""
same "$B/out/doc.exe" "$x/plain.exe"

# A path longer than a tkbuild.txt line is refused, not cut to the name of
# another file in a folder that exists.
rm -f "$B/out/"*
long="$W\\out\\$(printf 'x%.0s' $(seq 1 300))"
printf '%s\r\n' "PATH1=$long" > "$B/tkbuild.txt"
e2e_drive long_path -- "$W\\embed.exe" -setup "$W\\docs\\Story.TXT" <<SCN
msgbox "Error" "Cannot write: $(e2e_quote "${long:0:249}")"
press 1
exit 0
SCN
[ -z "$(ls "$B/out")" ] || e2e_fail "a cut output path was written"

# No tkbuild.txt: nothing is written.
rm -f "$B/tkbuild.txt" "$B/out/"*
e2e_drive no_build_file -- "$W\\embed.exe" -cutup "$W\\docs\\Story.TXT" <<'SCN'
msgbox "Error" "Cannot read: tkbuild.txt"
press 1
exit 0
SCN
[ -z "$(ls "$B/out")" ] || e2e_fail "written without tkbuild.txt"
echo "embed_builder passed"
