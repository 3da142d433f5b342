# The sample package on a machine without a viewer: its script names the
# viewer's installer on the CD-ROM (the installer double, which shows its
# window for a few seconds and then installs and registers the viewer
# double). setup runs it, shows its window's title on the status line while
# it waits for the window to go, then finds the new viewer and goes on as
# usual: embed puts the plug-in into it and opens the book there.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/embed.sh"
source "$root/tests/e2e/lib/install.sh"
e2e_dir demo_setup_without_viewer
E2E_LOG="$demo_out"

sample_pack "$WINEPREFIX/drive_c/e2e/demo_embed/book/EMBED.EXE"
sed -i 's/^INSTALLER=.*$/INSTALLER=\\VIEWER\\VWINST.EXE 6000\r/' "$E2E_DIR/pack/SETUP.INI"
grep -q '^INSTALLER=\\VIEWER\\VWINST.EXE 6000' "$E2E_DIR/pack/SETUP.INI" ||
    { echo "demo: the sample script has no INSTALLER= line" >&2; exit 1; }
e2e_package_folder "$E2E_DIR" "$(cat "$E2E_DIR/pack/SETUP.INI")"
cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
cp "$root/sample/readme1st.txt" "$BENCH_CDROM/readme1st.txt"
installer_double "$BENCH_CDROM/VIEWER"
rm -rf "$WINEPREFIX/drive_c/EBOOK"
embed_reset  # no viewer on this machine

started=$(date +%s.%N)
install_walk setup_without_viewer --timeout 150 \
    --title "Tarnwick Sample Library: The Lighthouse Keeper" --readme \
    --at copy 'waittext 1006 "Uncompressing files..."' --licence \
    --complete --at result 'shot "setup-noviewer-05-complete"' -- 'D:\SETUP.EXE' <<'SCN'
gone
dialog 1002,1006
waittext 1006 "Adobe Acrobat Not Found."
shot "setup-noviewer-01-not-found"
waittext 1006 "Acrobat Reader 4.0 Setup"
shot "setup-noviewer-02-status-installer-title"
waittext 1006 "Validating..."
shot "setup-noviewer-03-validating"
waittext 1006 "Installing for Windows 95/98/NT."
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
shot "setup-noviewer-04-embed-closing-message"
press 1
SCN
echo "demo: the installation with the viewer's installer took $(python3 -c "import sys; print(round(float(sys.argv[1]) - float(sys.argv[2]), 1))" "$(date +%s.%N)" "$started") s under the UI driver"
grep -qxF 'started D:\VIEWER\VWINST.EXE 6000' "$INSTALLED_VIEWER/install.log" ||
    { echo "demo: the viewer's installer did not run" >&2; exit 1; }
ls "$INSTALLED_VIEWER"/*/tarnw32.api >/dev/null 2>&1 ||
    { echo "demo: the plug-in did not go into the viewer just installed" >&2; exit 1; }
echo "demo: the viewer's installer put $(grep '^installed ' "$INSTALLED_VIEWER/install.log" | cut -d' ' -f2-) in place"
VIEWER_READER="$INSTALLED_VIEWER" VIEWER_ACROBAT=""
viewer_stop
rm -rf "$BENCH_CDROM/VIEWER" "$BENCH_CDROM/SETUP.EXE"
embed_reset
