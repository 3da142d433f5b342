# The sample package put on a machine as a deployment tool would: SETUP.EXE
# /S with a destination and a log, nothing on the screen, its exit status
# and log printed; then UNINSTAL.EXE /S removes it again.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/embed.sh"
e2e_dir demo_silent
E2E_LOG="$demo_out"

package="$WINEPREFIX/drive_c/e2e/demo_setup/SETUP.EXE"
[ -f "$package" ] || { echo "demo: no sample SETUP.EXE" >&2; exit 1; }
cp "$package" "$BENCH_CDROM/SETUP.EXE"
rm -f "$BENCH_CDROM/readme1st.txt"
viewer_install "$E2E_DIR/viewer" reader
dest='C:\Silent Book'

started=$(date +%s.%N)
echo "demo: wine D:\\SETUP.EXE /S /LOG=$E2E_WIN\\install.log /D=$dest"
e2e_drive silent --verbatim -- 'D:\SETUP.EXE' /S "/LOG=$E2E_WIN\\install.log" "/D=$dest" <<'SCN'
timeout 120
exit 0
nowindows
SCN
echo "demo: the silent installation took $(python3 -c "import sys; print(round(float(sys.argv[1]) - float(sys.argv[2]), 1))" "$(date +%s.%N)" "$started") s, showed no window and ended with status 0; its log:"
tr -d '\r' < "$E2E_DIR/install.log" | sed 's/^/    /'
echo "demo: installed in $dest: $(ls "$WINEPREFIX/drive_c/Silent Book" | tr '\n' ' ')"

e2e_drive silent_uninstall -- "$dest\\UNINSTAL.EXE" /S <<'SCN'
timeout 60
exit 0
nowindows
nofile "C:\\Silent Book\\UNINSTAL.EXE"
SCN
if [ -d "$WINEPREFIX/drive_c/Silent Book" ]; then
    echo "demo: the silent uninstall left: $(ls "$WINEPREFIX/drive_c/Silent Book" | tr '\n' ' ')"
else
    echo "demo: the silent uninstall ended with status 0 and removed $dest"
fi
viewer_stop
embed_reset
