# The sample package: built by the bare setup from the sample's files, then
# started from the CD-ROM drive D: the way a reader would start it.
source "$root/tests/e2e/lib.sh"
e2e_dir demo_setup
E2E_LOG="$demo_out"

(cd "$root/sample/pack" && rm -f "$E2E_DIR/PACK.BOX" && zip -q -r -X "$E2E_DIR/PACK.BOX" .)
e2e_package "$E2E_DIR" "$(cat "$root/sample/pack/SETUP.INI")" "$E2E_DIR/PACK.BOX"
cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
cp "$root/sample/readme1st.txt" "$BENCH_CDROM/readme1st.txt"

e2e_drive setup -- 'D:\SETUP.EXE' <<'SCN'
timeout 60
window "QUICKINST" "Tarnwick Sample Library: The Lighthouse Keeper"
dialog 1001,1006,1000
shot "01-main-window-and-destination"
press 2
exit 0
SCN
