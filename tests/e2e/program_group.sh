#!/usr/bin/env bash
# The Start-menu group at the end of an installation, seen through the
# Program Manager double: the links read back through the shell's link
# object, and the exact DDE commands and window calls Program Manager gets.
#   cd       setup on D:, MAINFILE on the CD, a Write document with its two
#            further items (one empty), Program Manager's window present
#   rom      ROMRESIDENT=YES into the same group: links replaced, a link of
#            the user's kept; no Program Manager window, so no AddItem
#   short    a one-character Foldertitle: no folder and no links at all, and
#            no AddItem for its Write document, for no group was shown
#   names    against the shell's own service: a group name with a comma, an
#            unquoted Foldertitle and a main item's title that climbs out of
#            the group; installed and uninstalled, the user's own folders
#            and link of those names are untouched
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir program_group
shell_ready
trap 'progman_stop; embed_reset' EXIT

keys=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=Group Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
# The members of every package besides EMBED.EXE and the script.
members=(BOOK.ICO=icon README.TXT=readme)
# install NAME PROGRAM [viewer]: runs a package to its completion dialog.
install()
{
    local viewer_step=""
    [ "${3:-}" = viewer ] && viewer_step='waittext 1006 "Installing for Windows 95/98/NT."'
    install_walk "$1" --timeout 120 --complete -- "$2" <<SCN
dialog 1002,1006
$viewer_step
waittext 1006 "Creating Program Group and Items..."
SCN
}
expect_links()
{
    local got
    got=$(group_links "$2")
    [ "$got" = "$3" ] || e2e_fail "$1: the links of $2 are"$'\n'"$got"$'\n'"expected"$'\n'"$3"
}

programs=$(programs_dir)
rm -rf "$programs/Hidden Books"
dest="$WINEPREFIX/drive_c/BOOK"

# --- cd
script=$keys$'FOLDERTITLE="Hidden Books"\r\nICONTITLE="The Book"\r\nICONFILE=BOOK.ICO\r\nINSTALLER=\r\nMAINFILE=\\EBOOK\\BOOK.PDF\r\nACRO4ONLY=NO\r\nAUTOLAUNCH=NO\r\nROMRESIDENT=NO\r\n'
script+=$'wrifile=\\DOCS\\NOTES.WRI\r\nwrititle="Notes"\r\nSetup2=\r\nS2title=\r\nSetup3=\\EXTRA\\SETUP3.EXE\r\nS3title=Extra Setup\r\n'
make_pack cd "$script" "${members[@]}"
cp "$E2E_DIR/cd/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
viewer_install "$E2E_DIR/viewer" reader
progman_start "$E2E_DIR/progman"
rm -rf "$dest"
install cd 'D:\SETUP.EXE' viewer
rm -f "$BENCH_CDROM/SETUP.EXE"
printf '%s\n' 'EXECUTE [ShowGroup(Hidden Books,1)]' 'SHOW restored' > "$E2E_LOG/cd.expected"
printf 'EXECUTE %s\0\n' '[AddItem(WRITE.EXE D:\DOCS\NOTES.WRI,"Notes",WRITE.EXE)]' \
    '[AddItem(D:,,C:\BOOK\SETUP.ICO)]' '[AddItem(D:\EXTRA\SETUP3.EXE,Extra Setup,C:\BOOK\SETUP.ICO)]' \
    >> "$E2E_LOG/cd.expected"
printf '%s\n' 'SHOW minimized' >> "$E2E_LOG/cd.expected"
progman_expect_log cd
expect_links cd "Hidden Books" 'Readme.lnk -> C:\BOOK\README.TXT (no icon)
The Book.lnk -> D:\EBOOK\BOOK.PDF (icon: C:\BOOK\BOOK.ICO,0)
Uninstall.lnk -> C:\BOOK\UNINSTAL.EXE (icon: C:\BOOK\UNINSTAL.ICO,0)'
progman_stop
viewer_stop

# --- rom: the group exists and holds a stale main link and a link of the
# user's; the Program Manager double serves without a window.
cp "$programs/Hidden Books/Readme.lnk" "$programs/Hidden Books/Mine.lnk"
script=$keys$'FOLDERTITLE="Hidden Books"\r\nICONTITLE="The Book"\r\nICONFILE=BOOK.ICO\r\nINSTALLER=\r\nMAINFILE=BOOK.PDF\r\nROMRESIDENT=YES\r\nwrifile=\\DOCS\\NOTES.WRI\r\nwrititle=Notes\r\n'
make_pack rom "$script" "${members[@]}"
progman_start "$E2E_DIR/progman" -nowindow
rm -rf "$dest"
install rom "$E2E_WIN\\rom\\SETUP.EXE"
printf '%s\n' 'EXECUTE [ShowGroup(Hidden Books,1)]' > "$E2E_LOG/rom.expected"
progman_expect_log rom
# The launcher's target ends in a blank, so it gets no icon; the shell's
# link object keeps the path without that blank.
expect_links rom "Hidden Books" 'Mine.lnk -> C:\BOOK\README.TXT (no icon)
Readme.lnk -> C:\BOOK\README.TXT (no icon)
The Book.lnk -> C:\tklaunch.exe (no icon)
Uninstall.lnk -> C:\BOOK\UNINSTAL.EXE (icon: C:\BOOK\UNINSTAL.ICO,0)'
progman_stop

# --- short: nothing is made from a name of fewer than two characters, and
# the installation still completes.
script=$keys$'FOLDERTITLE=X\r\nICONTITLE="The Book"\r\nICONFILE=BOOK.ICO\r\nMAINFILE=BOOK.PDF\r\nROMRESIDENT=YES\r\nwrifile=\\DOCS\\NOTES.WRI\r\n'
make_pack short "$script" "${members[@]}"
before=$(cd "$programs" && find . | sort)
progman_start "$E2E_DIR/progman"
rm -rf "$dest"
install short "$E2E_WIN\\short\\SETUP.EXE"
[ ! -s "$PROGMAN_LOG" ] || { cat -v "$PROGMAN_LOG" >&2; e2e_fail "short: a command was sent"; }
after=$(cd "$programs" && find . | sort)
[ "$before" = "$after" ] || e2e_fail "short: the Programs folder changed:"$'\n'"$after"
! grep -q '"Error"' "$E2E_LOG/short.transcript" || e2e_fail "short: an error was shown"
progman_stop

# --- names: the double is gone, so the shell's own service takes the
# commands. The user has folders and a link of the names the old reading
# of these values reached: Poems, My Books and Victim.lnk.
mkdir -p "$programs/Poems" "$programs/My Books"
cp "$programs/Hidden Books/Readme.lnk" "$programs/Poems/Mine.lnk"
cp "$programs/Hidden Books/Readme.lnk" "$programs/My Books/Mine.lnk"
cp "$programs/Hidden Books/Uninstall.lnk" "$programs/Victim.lnk"
cp "$programs/Victim.lnk" "$E2E_DIR/victim.lnk"
listing() { (cd "$programs" && find . | sort); }
before=$(listing)
printf '%s\n' "$before" > "$E2E_LOG/names.before"
names=(comma unquoted)
keys_comma=${keys/C:\\BOOK/C:\\POEMS}
keys_unquoted=${keys/C:\\BOOK/C:\\MYBOOKS}
make_pack comma "$keys_comma"$'FOLDERTITLE="Poems, Volume 1"\r\nICONTITLE="..\\Victim"\r\nICONFILE=BOOK.ICO\r\nMAINFILE=BOOK.PDF\r\nROMRESIDENT=YES\r\n' "${members[@]}"
make_pack unquoted "$keys_unquoted"$'FOLDERTITLE=My Books\r\nICONTITLE="Wait.. and See"\r\nICONFILE=BOOK.ICO\r\nMAINFILE=BOOK.PDF\r\nROMRESIDENT=YES\r\n' "${members[@]}"
rm -rf "$WINEPREFIX/drive_c/POEMS" "$WINEPREFIX/drive_c/MYBOOKS"
for name in "${names[@]}"; do install "$name" "$E2E_WIN\\$name\\SETUP.EXE"; done
expect_links comma "Poems, Volume 1" 'Readme.lnk -> C:\POEMS\README.TXT (no icon)
Uninstall.lnk -> C:\POEMS\UNINSTAL.EXE (icon: C:\POEMS\UNINSTAL.ICO,0)'
expect_links unquoted "y Book" 'Readme.lnk -> C:\MYBOOKS\README.TXT (no icon)
Uninstall.lnk -> C:\MYBOOKS\UNINSTAL.EXE (icon: C:\MYBOOKS\UNINSTAL.ICO,0)
Wait.. and See.lnk -> C:\tklaunch.exe (no icon)'
cmp -s "$programs/Victim.lnk" "$E2E_DIR/victim.lnk" || e2e_fail "names: the user's Victim.lnk was replaced"
listing > "$E2E_LOG/names.installed"
for dir in POEMS MYBOOKS; do
    e2e_drive "uninstall-$dir" -- "C:\\$dir\\UNINSTAL.EXE" <<SCN
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
nofile "C:\\\\$dir\\\\UNINSTAL.EXE"
SCN
done
after=$(listing)
printf '%s\n' "$after" > "$E2E_LOG/names.after"
[ "$before" = "$after" ] ||
    e2e_fail "names: the Programs folder was"$'\n'"$before"$'\n'"and is now"$'\n'"$after"
cmp -s "$programs/Victim.lnk" "$E2E_DIR/victim.lnk" || e2e_fail "names: Victim.lnk changed"
for name in "${names[@]}" uninstall-POEMS uninstall-MYBOOKS; do
    ! grep -q '"Error"' "$E2E_LOG/$name.transcript" || e2e_fail "$name: an error was shown"
done
echo "program_group passed"
