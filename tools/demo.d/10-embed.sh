# The sample's document installer: the bare embed builds EMBED.EXE from the
# sample PDF and the stand-in plug-in, then EMBED.EXE runs the way setup
# starts it, with the viewer double installed and already open, and Reader's
# certified-plug-ins restriction on, so every message box shows.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/embed.sh"
e2e_dir demo_embed
E2E_LOG="$demo_out"

mkdir -p "$E2E_DIR/builder" "$E2E_DIR/book"
cp "$E2E_BIN/embed.exe" "$E2E_DIR/builder/embed.exe"
cp "$root/sample/embed/tarnw32.api" "$E2E_DIR/builder/"
cp "$root/sample/embed/book.pdf" "$E2E_DIR/builder/"
printf '%s\r\n' "PATH1=$E2E_WIN\\book\\EMBED.EXE" "MSG=The Lighthouse Keeper is ready to read." \
    "DEL=NO" > "$E2E_DIR/builder/tkbuild.txt"
e2e_drive embed_build -- "$E2E_WIN\\builder\\embed.exe" -setup "$E2E_WIN\\builder\\book.pdf" <<'SCN'
exit 0
nowindows
SCN
echo "EMBED.EXE: $(stat -c %s "$E2E_DIR/book/EMBED.EXE") bytes"

viewer_install "$E2E_DIR/viewer" reader
trust_set
(cd "$VIEWER_READER" && wine AcroRd32.exe </dev/null >/dev/null 2>&1 &)
for i in $(seq 1 100); do [ -f "$VIEWER_READER/ready.txt" ] && break; sleep 0.1; done

e2e_drive embed_run -- "$E2E_WIN\\book\\EMBED.EXE" -cdrom 'D:\' <<'SCN'
timeout 60
msgbox "Tarnwick" "Adobe Acrobat is active. Click OK to close Acrobat and continue this install."
shot "embed-0-acrobat-active"
press 1
msgbox "Tarnwick" "Your Acrobat preferences are set to restrict loading of non-Adobe plug-ins.\nTo view the content being installed you must change this preference to permit loading of third-party plug-ins such as the Tarnwick Publisher client.\nClick OK to have this installer make the change automatically or Cancel to make the change manually from within Acrobat."
shot "embed-1-trust-question"
press 1
msgbox "Tarnwick" "Your Acrobat preferences have been changed. You can reverse the change via Acrobat's Edit>Preferences>Options menu."
shot "embed-2-trust-changed"
press 1
window "ViewerDouble" "Acrobat Reader - book.pdf"
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
shot "embed-3-closing-message"
press 1
exit 0
SCN
viewer_stop
embed_reset
