#!/usr/bin/env bash
# The two-stage uninstall of an installed package, seen through the Program
# Manager double:
#   cancel   Cancel at the question leaves everything
#   kept     OK: DeleteGroup for both names, the listed files and the UFILE=
#            file deleted, the relay copied into a folder of its own in the
#            user's temporary folder (C:\TEMP, which every user may write
#            to, is left alone), and once the uninstaller has ended
#            UNINSTAL.EXE deleted; a file of the user's keeps the directory
#   empty    the emptied directory is removed, and the relay leaves at most
#            itself behind
#   unnamed  an uninstaller whose script names no group: no DeleteGroup at
#            all (the shell would take the empty name for the whole Programs
#            folder), and an ICONFILE= outside the directory stays
#   relay    the relay left behind, started again without an argument
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir uninstall
shell_ready
trap 'progman_stop; rm -rf "$WINEPREFIX/drive_c/TEMP"' EXIT
# Relays of earlier scenarios' uninstalls are no concern here.
rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/Uninstall-*

script=$'[Setup]\r\nDEFAULTDIR=C:\\BOOKS\r\nPUBNAME=Gone Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
script+=$'FOLDERTITLE="My Books"\r\nICONTITLE="Gone"\r\nICONFILE=BOOK.ICO\r\nMAINFILE=BOOK.PDF\r\nROMRESIDENT=YES\r\nUFILE=EMBED.EXE.args\r\n'
make_pack . "$script" BOOK.ICO=icon UNINSTAL.ICO=icon README.TXT=readme LICENSE.TXT=Licence.

dest="$WINEPREFIX/drive_c/BOOKS"
installed="BOOK.ICO EMBED.EXE EMBED.EXE.args LICENSE.TXT README.TXT SETUP.INI UNINSTAL.EXE UNINSTAL.ICO"
install()
{
    rm -rf "$dest"
    install_walk "install_$1" --timeout 120 --licence --complete -- "$E2E_WIN\\SETUP.EXE" </dev/null
    [ "$(ls "$dest" | tr '\n' ' ')" = "$installed " ] ||
        e2e_fail "$1: installed $(ls "$dest" | tr '\n' ' ')"
}

# The double serves the installations too: the shell's own ShowGroup would
# open a folder window that outlives the scenario.
progman_start "$E2E_DIR/progman"

# --- cancel
install cancel
: > "$PROGMAN_LOG"
e2e_drive cancel -- 'C:\BOOKS\UNINSTAL.EXE' <<'SCN'
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
shot "uninstall-question"
press 2
exit 0
SCN
[ "$(ls "$dest" | tr '\n' ' ')" = "$installed " ] || e2e_fail "cancel: $(ls "$dest" | tr '\n' ' ') left"
[ ! -s "$PROGMAN_LOG" ] || { cat -v "$PROGMAN_LOG" >&2; e2e_fail "cancel: Program Manager was called"; }

# Every relay folder of the temporary folder holds at most the relay itself,
# a copy of the package: a running program cannot delete its own file.
relays_clean()
{
    local d f
    for d in "$WINEPREFIX"/drive_c/users/*/Temp/Uninstall-*; do
        [ -d "$d" ] || continue
        for f in "$d"/*; do
            [ -e "$f" ] || continue
            [ "$(basename "$f")" = XNINSTAL.EXE ] && cmp -s "$E2E_DIR/SETUP.EXE" "$f" ||
                e2e_fail "$1: the relay left $f"
        done
    done
}

# --- kept
mkdir -p "$WINEPREFIX/drive_c/TEMP"
printf 'an older relay\r\n' > "$WINEPREFIX/drive_c/TEMP/XNINSTAL.EXE"
printf 'my own notes\r\n' > "$dest/MINE.TXT"
: > "$PROGMAN_LOG"
e2e_drive kept -- 'C:\BOOKS\UNINSTAL.EXE' <<'SCN'
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
ended
SCN
printf '%s\n' 'SHOW restored' > "$E2E_LOG/kept.expected"
printf 'EXECUTE %s\0\n' '[DeleteGroup(My Books)]' '[DeleteGroup("My Books")]' >> "$E2E_LOG/kept.expected"
progman_expect_log kept
[ "$(ls "$dest")" = MINE.TXT ] || e2e_fail "kept: $(ls "$dest" | tr '\n' ' ') left"
[ "$(cat "$WINEPREFIX/drive_c/TEMP/XNINSTAL.EXE")" = $'an older relay\r' ] ||
    e2e_fail "kept: C:\\TEMP\\XNINSTAL.EXE was written"
relays_clean kept
! grep -q '"Error"' "$E2E_LOG/kept.transcript" || e2e_fail "kept: an error was shown"

# --- empty
rm -rf "$WINEPREFIX/drive_c/TEMP"
install empty
# Afresh, so its window is minimised again and the restore shows.
progman_stop
progman_start "$E2E_DIR/progman"
e2e_drive empty -- 'C:\BOOKS\UNINSTAL.EXE' <<'SCN'
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
ended
nofile "C:\\BOOKS"
SCN
progman_expect_log kept
[ ! -e "$WINEPREFIX/drive_c/TEMP" ] || e2e_fail "empty: C:\\TEMP was created"
relays_clean empty

# --- unnamed: no installation needed, only an uninstaller and its script.
progman_stop
progman_start "$E2E_DIR/progman"
mkdir -p "$E2E_DIR/unnamed"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/unnamed/UNINSTAL.EXE"
printf 'FOLDERTITLE=""\r\nICONFILE=..\\OUTSIDE.TXT\r\n' > "$E2E_DIR/unnamed/setup.ini"
printf 'keep\r\n' > "$E2E_DIR/OUTSIDE.TXT"
e2e_drive unnamed -- "$E2E_WIN\\unnamed\\UNINSTAL.EXE" <<SCN
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
nofile "$E2E_WINQ\\\\unnamed"
SCN
printf '%s\n' 'SHOW restored' > "$E2E_LOG/unnamed.expected"
progman_expect_log unnamed
[ -f "$E2E_DIR/OUTSIDE.TXT" ] || e2e_fail "unnamed: a file outside the directory was deleted"
progman_stop

# --- relay: one left behind, started again without an argument, only says so.
mkdir -p "$E2E_DIR/relay"
cp "$E2E_BIN/setup.exe" "$E2E_DIR/relay/XNINSTAL.EXE"
e2e_drive relay -- "$E2E_WIN\\relay\\XNINSTAL.EXE" <<SCN
timeout 30
msgbox "$E2E_WINQ\\\\relay\\\\XNINSTAL.EXE" "This file can be deleted.  Thank you."
press 1
exit 0
SCN
echo "uninstall passed"
