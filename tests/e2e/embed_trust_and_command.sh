#!/usr/bin/env bash
# The certified-plug-ins preference, and how embed reads its command line.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
e2e_dir embed_trust_and_command
trap embed_reset EXIT
embed_reset
CHANGED="Your Acrobat preferences have been changed. You can reverse the change via Acrobat's Edit>Preferences>Options menu."
QUESTION='Your Acrobat preferences are set to restrict loading of non-Adobe plug-ins.\nTo view the content being installed you must change this preference to permit loading of third-party plug-ins such as the Tarnwick Publisher client.\nClick OK to have this installer make the change automatically or Cancel to make the change manually from within Acrobat.'
DECLINED='Your Acrobat preferences have not been changed, so you will not be able to view this content.\nTo view this content you must invoke Acrobat'"'"'s Edit>Preferences>Options menu and uncheck the box \"Certified Plug-ins Only\".'
embed_installer "$E2E_DIR/UPD.EXE" --msg "All done here" --del YES

# No value: nothing asked; the run goes on to its closing message.
wine reg add "$VIEWER_KEY" /v Other /d 1 /f >/dev/null
cp "$E2E_DIR/UPD.EXE" "$E2E_DIR/one.exe"
e2e_drive trust_absent -- "$E2E_WIN\\one.exe" <<SCN
msgbox "Tarnwick" "All done here"
press 1
exit 0
nofile "$E2E_WINQ\\\\one.exe"
SCN

# Present, OK: removed and said so; the run goes on.
trust_set
cp "$E2E_DIR/UPD.EXE" "$E2E_DIR/two.exe"
e2e_drive trust_ok -- "$E2E_WIN\\two.exe" <<SCN
msgbox "Tarnwick" "$QUESTION"
press 1
msgbox "Tarnwick" "$CHANGED"
press 1
msgbox "Tarnwick" "All done here"
press 1
exit 0
SCN
trust_present && e2e_fail "TrustedMode was not removed"
wine reg query "$VIEWER_KEY" /v Other >/dev/null 2>&1 || e2e_fail "another value was removed"

# Present, Cancel: kept, explained, and the run ends there: no closing
# message and no self-deletion.
trust_set
cp "$E2E_DIR/UPD.EXE" "$E2E_DIR/three.exe"
e2e_drive trust_cancel -- "$E2E_WIN\\three.exe" <<SCN
msgbox "Tarnwick" "$QUESTION"
press 2
msgbox "Tarnwick" "$DECLINED"
press 1
exit 0
SCN
trust_present || e2e_fail "Cancel removed TrustedMode"
grep -q 'All done here' "$E2E_LOG/trust_cancel.transcript" && e2e_fail "closing message after Cancel"
[ -f "$E2E_DIR/three.exe" ] || e2e_fail "installer deleted after Cancel"
embed_reset

# Switches in capitals, "-cdro" with any sixth character, and text after
# "-cdrom" all run the delivery.
for args in "-CDROM D:\\" "-cdroX" ""; do
    cp "$E2E_DIR/UPD.EXE" "$E2E_DIR/four.exe"
    e2e_drive "cdrom${args:1:5}" -- "$E2E_WIN\\four.exe" $args <<SCN
msgbox "Tarnwick" "All done here"
press 1
exit 0
nofile "$E2E_WINQ\\\\four.exe"
SCN
done

# "-version" shows the version and nothing else, also with text after it.
for args in "-version" "-VERSIONS now"; do
    e2e_drive "version" -- "$E2E_WIN\\UPD.EXE" $args <<'SCN'
msgbox "Tarnwick" "Tarnwick document installer, version 1.0"
press 1
exit 0
SCN
done

# A path given to an installed embed (a document dropped on it, or "Open
# with") is kept: the program starts as if given nothing.
mkdir "$E2E_DIR/a b"
echo victim > "$E2E_DIR/a b/Victim.TXT"
cp "$E2E_DIR/UPD.EXE" "$E2E_DIR/five.exe"
e2e_drive dropped -- "$E2E_WIN\\five.exe" "$E2E_WIN\\a b\\Victim.TXT" <<SCN
msgbox "Tarnwick" "All done here"
press 1
exit 0
nofile "$E2E_WINQ\\\\five.exe"
SCN
[ -f "$E2E_DIR/a b/Victim.TXT" ] || e2e_fail "a file given to the installer was deleted"

# Only the relay copy, TEMP.EXE in the temporary directory, deletes its
# argument; quotes around it are removed, so a path with a blank reaches
# it whole.
mkdir "$E2E_DIR/t"
cp "$E2E_BIN/embed.exe" "$E2E_DIR/t/TEMP.EXE"
temp_dir_set "$E2E_WIN\\t"
e2e_drive deleter -- "$E2E_WIN\\t\\TEMP.EXE" "$E2E_WIN\\a b\\Victim.TXT" <<SCN
exit 0
nowindows
SCN
temp_dir_restore
[ ! -e "$E2E_DIR/a b/Victim.TXT" ] || e2e_fail "the deleter left the file"
echo "embed_trust_and_command passed"
