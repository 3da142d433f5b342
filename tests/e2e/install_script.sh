#!/usr/bin/env bash
# The installation sequence after the licence: SETUP.INI's file operations in
# file order, the viewer lookup through the .pdf association, plug-in moves,
# EMBED.EXE started with "-cdrom" and the drive root, the completion dialog,
# a running viewer, version 3, a 16-bit viewer and the auto launch.
# The viewer's installer has scenarios of its own (install_viewer.sh), and so
# does the program group (program_group.sh); here a viewer is always
# registered.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir install_script
trap embed_reset EXIT

# The packages' members besides EMBED.EXE and the script.
members=(M.TXT=moved P1.API='plug-in one' P2.API='plug-in two')

keys=$'[Setup]\r\r\nDEFAULTDIR=C:\\BOOK\r\r\nPUBNAME=Script Book\r\r\nR1=159,159,159,0,0,3\r\r\nR2=000,064,128\r\r\n'
sample_like=$keys$'FOLDERTITLE="Script Book"\r\r\nICONTITLE="The Book"\r\r\nINSTALLER=\r\r\nINSTLR16=\r\r\nMAINFILE=\\Ebook\\x.pdf\r\r\nMINST=0\r\r\nACRO4ONLY=NO\r\r\nAUTOLAUNCH=NO\r\r\nROMRESIDENT=NO\r\r\nFILE=x.pdf\r\r\nFILE=EMBED.EXE\r\r\n'
sample_like+=$'MAKEDIR=\\SUB1\r\r\nCOPYFILE=\\CDFILES\\A.TXT\r\r\nCOPYFILE=\\SUB1\\A.TXT\r\r\nCOPYFILE=\\SUB2\\B.TXT\r\r\nMAKEDIR=\\SUB2\r\r\nCOPYDIR=\\X\r\r\nMOVEFILE=\\SUB1\\M.TXT\r\r\n'
sample_like+=$'PLUGIN1=P2.API\r\r\nPLUGIN1=P1.API\r\r\n'
make_pack sample "$sample_like" "${members[@]}"

# Setup on the CD-ROM with files of its own there, read-only as on a CD.
mkdir -p "$BENCH_CDROM/SUB1" "$BENCH_CDROM/SUB2"
cp "$E2E_DIR/sample/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
printf 'from the cd\r\n' > "$BENCH_CDROM/SUB1/A.TXT"
printf 'never copied\r\n' > "$BENCH_CDROM/SUB2/B.TXT"
chmod a-w "$BENCH_CDROM/SUB1/A.TXT"

viewer_install "$E2E_DIR/viewer" reader
dest="$WINEPREFIX/drive_c/BOOK"
rm -rf "$dest"
install_walk sample --timeout 90 --complete -- 'D:\SETUP.EXE' <<'SCN'
dialog 1002,1006
waittext 1006 "Installing for Windows 95/98/NT."
SCN
args=$(cat "$dest/EMBED.EXE.args")
[ "$args" = '"C:\BOOK\EMBED.EXE" -cdrom D:\' ] || e2e_fail "embed started as: $args"
cmp "$BENCH_CDROM/SUB1/A.TXT" "$dest/SUB1/A.TXT" || e2e_fail "COPYFILE after MAKEDIR"
(( 0$(stat -c %a "$dest/SUB1/A.TXT") & 0200 )) || e2e_fail "a file copied from the CD stayed read-only"
[ -d "$dest/SUB2" ] && [ ! -e "$dest/SUB2/B.TXT" ] || e2e_fail "COPYFILE before MAKEDIR"
[ -d "$dest/X" ] && [ -z "$(ls "$dest/X")" ] || e2e_fail "COPYDIR must only create"
[ -f "$dest/SUB1/M.TXT" ] && [ ! -e "$dest/M.TXT" ] || e2e_fail "MOVEFILE"
cmp "$E2E_DIR/sample/pack/P1.API" "$VIEWER_READER/PLUG_INS/P1.API" 2>/dev/null ||
    cmp "$E2E_DIR/sample/pack/P1.API" "$VIEWER_READER/plug_ins/P1.API" || e2e_fail "PLUGIN1 not moved"
[ ! -e "$dest/P1.API" ] || e2e_fail "staged plug-in left behind"
[ -e "$dest/P2.API" ] || e2e_fail "an earlier PLUGIN1 line was moved"
[ ! -e "$dest/XXX.PDF" ] || e2e_fail "probe file left behind"
[ ! -e "$VIEWER_READER/opened.txt" ] || e2e_fail "the viewer was started without AUTOLAUNCH"

# A 16-bit viewer refuses the system: no embed, no completion dialog.
mkdir -p "$E2E_DIR/viewer16"
cp "$E2E_TESTS/viewer_double.exe" "$E2E_DIR/viewer16/ACRORD16.EXE"
wine reg add 'HKCR\TarnwickTestPdf\shell\open\command' /ve \
    /d "\"$(winepath -w "$E2E_DIR/viewer16/ACRORD16.EXE")\" \"%1\"" /f >/dev/null
rm -rf "$dest"
install_walk sixteen --timeout 90 --no-copy -- 'D:\SETUP.EXE' <<'SCN'
msgbox "ERROR" "Cannot Install on this System."
press 1
exit 0
SCN
[ ! -e "$dest/EMBED.EXE.args" ] || e2e_fail "embed ran on a 16-bit viewer"
! grep -q 'Installation is Complete\|Installation Not Complete' "$E2E_LOG/sixteen.transcript" ||
    e2e_fail "a completion dialog appeared"
rm -f "$BENCH_CDROM/SETUP.EXE"
rm -rf "$BENCH_CDROM/SUB1" "$BENCH_CDROM/SUB2"

# A running viewer, version 3 in its path, and the auto launch.
launch=$keys$'MAINFILE=x.pdf\r\nAUTOLAUNCH=YES\r\nROMRESIDENT=NO\r\n'
make_pack launch "$launch" "${members[@]}"
viewer_install "$E2E_DIR/viewer3" reader
viewer_run
rm -rf "$dest"
install_walk viewer_cancel --timeout 90 --no-copy -- "$E2E_WIN\\launch\\SETUP.EXE" <<'SCN'
msgbox "Tarnwick" "Adobe Acrobat is active. Click OK to close Acrobat and continue this install."
press 2
exit 0
SCN
! grep -q 'Beginning Installation' "$E2E_LOG/viewer_cancel.transcript" ||
    e2e_fail "the status dialog appeared after Cancel"
[ ! -e "$dest/EMBED.EXE.args" ] || e2e_fail "embed ran after Cancel"
[ ! -e "$VIEWER_READER/ended.txt" ] || e2e_fail "the viewer was closed after Cancel"

rm -rf "$dest"
install_walk viewer_ok --timeout 90 --no-copy --complete -- "$E2E_WIN\\launch\\SETUP.EXE" <<'SCN'
msgbox "Tarnwick" "Adobe Acrobat is active. Click OK to close Acrobat and continue this install."
press 1
msgbox "" "Acrobat version 3 was detected. Would you like to install Acrobat version 4?"
press 7
SCN
grep -q 'AppExit' "$VIEWER_READER/dde.txt" || e2e_fail "the viewer was not asked to exit"
[ -f "$dest/EMBED.EXE.args" ] || e2e_fail "embed did not run"
# The auto launch starts the viewer with the main item, after OK.
for i in $(seq 1 100); do [ -f "$VIEWER_READER/opened.txt" ] && break; sleep 0.1; done
grep -qF 'C:\BOOK\x.pdf' "$VIEWER_READER/opened.txt" || e2e_fail "no auto launch with the main item"
viewer_stop
echo "install_script passed"
