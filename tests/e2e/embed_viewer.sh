#!/usr/bin/env bash
# embed meets a viewer that is already running, and the App Paths values
# it finds the viewer by.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
e2e_dir embed_viewer
trap 'viewer_stop; embed_reset' EXIT
e2e_blob 4000 6 > "$E2E_DIR/book.bin"
e2e_blob 2000 7 > "$E2E_DIR/plugin.bin"
embed_installer "$E2E_DIR/DOC.EXE" --doc "$E2E_DIR/book.bin" --doc-name book.pdf \
    --plugin "$E2E_DIR/plugin.bin"
embed_installer "$E2E_DIR/PLUG.EXE" --plugin "$E2E_DIR/plugin.bin"
QUESTION="Adobe Acrobat is active. Click OK to close Acrobat and continue this install."

# OK closes the viewer over DDE with the 11-byte command; the plug-in is
# written a second later.
viewer_install "$E2E_DIR/ok" reader
viewer_run "C:\\old.pdf"
e2e_drive running_ok -- "$E2E_WIN\\PLUG.EXE" <<SCN
msgbox "Tarnwick" "$QUESTION"
press 1
exit 0
SCN
[ "$(cat "$VIEWER_READER/dde.txt")" = "[AppExit()] (11 bytes)" ] ||
    e2e_fail "viewer got $(cat "$VIEWER_READER/dde.txt")"
cmp -s "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "plug-in not copied"
python3 - "$VIEWER_READER/dde.txt" "$VIEWER_READER/plug_ins/tarnw32.api" <<'PY' || e2e_fail "copy did not wait a second"
import os, sys
asked, written = (os.stat(p).st_mtime for p in sys.argv[1:])
sys.exit(0 if written - asked >= 0.9 else 1)
PY
viewer_stop

# Cancel keeps the viewer and skips only the plug-in copy: the document is
# still written and opened.
viewer_install "$E2E_DIR/cancel" reader
viewer_run "C:\\old.pdf"
e2e_drive running_cancel -- "$E2E_WIN\\DOC.EXE" <<'SCN'
msgbox "Tarnwick" "Adobe Acrobat is active. Click OK to close Acrobat and continue this install."
press 2
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
SCN
[ ! -f "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "Cancel still copied the plug-in"
[ ! -f "$VIEWER_READER/dde.txt" ] || e2e_fail "Cancel still asked the viewer to exit"
cmp -s "$E2E_DIR/book.pdf" "$E2E_DIR/book.bin" || e2e_fail "document not written"
viewer_stop
rm -f "$E2E_DIR/book.pdf"

# A viewer deaf to DDE: OK, about eleven seconds of retries, no message, and
# the viewer is still open afterwards.
viewer_install "$E2E_DIR/deaf" reader deaf
viewer_run "C:\\old.pdf"
e2e_drive running_deaf -- "$E2E_WIN\\PLUG.EXE" <<SCN
msgbox "Tarnwick" "$QUESTION"
press 1
gone
exit 0
SCN
[ "$(grep -c '#32770' "$E2E_LOG/running_deaf.transcript")" -eq 1 ] ||
    { cat "$E2E_LOG/running_deaf.transcript" >&2; e2e_fail "a further message appeared"; }
[ ! -f "$VIEWER_READER/ended.txt" ] || e2e_fail "the deaf viewer ended"
cmp -s "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "plug-in not copied"
viewer_stop

# Both programs registered: the plug-in goes to Acrobat's plug_ins and is
# copied to Reader's; Acrobat opens the document.
viewer_install "$E2E_DIR/both" both
e2e_drive both -- "$E2E_WIN\\DOC.EXE" <<'SCN'
window "ViewerDouble" "Acrobat Reader - book.pdf"
exit 0
SCN
cmp -s "$VIEWER_ACROBAT/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "Acrobat lacks the plug-in"
cmp -s "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "Reader lacks the plug-in"
[ -f "$VIEWER_ACROBAT/opened.txt" ] && [ ! -f "$VIEWER_READER/opened.txt" ] ||
    e2e_fail "the document was not opened by Acrobat"
viewer_stop
rm -f "$E2E_DIR/book.pdf"

# A read-only plug-in already in place is replaced.
viewer_install "$E2E_DIR/readonly" reader
echo old > "$VIEWER_READER/plug_ins/tarnw32.api"
chmod a-w "$VIEWER_READER/plug_ins/tarnw32.api"
e2e_drive readonly -- "$E2E_WIN\\PLUG.EXE" <<'SCN'
exit 0
nowindows
SCN
cmp -s "$VIEWER_READER/plug_ins/tarnw32.api" "$E2E_DIR/plugin.bin" || e2e_fail "read-only plug-in not replaced"

# A Reader value in capitals is not recognised: no target, the two failure
# boxes (the second one empty), and the registered program is untouched.
viewer_install "$E2E_DIR/caps" reader double CAPS
cp "$VIEWER_READER/AcroRd32.exe" "$E2E_DIR/reader_before"
e2e_drive caps -- "$E2E_WIN\\PLUG.EXE" <<SCN
msgbox "Error 3 " "Tarnwick was unable to copy tarnw32.api to your Acrobat plug-ins directory. You may copy this file manually from: $PLUGIN_URL"
press 1
msgbox "Path to Acrobat:" ""
press 1
exit 0
SCN
cmp -s "$VIEWER_READER/AcroRd32.exe" "$E2E_DIR/reader_before" || e2e_fail "registered program touched"
[ -z "$(ls "$VIEWER_READER/plug_ins")" ] || e2e_fail "a plug-in was written"
echo "embed_viewer passed"
