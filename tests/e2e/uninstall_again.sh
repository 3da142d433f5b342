#!/usr/bin/env bash
# Uninstalls that meet what users do, run silently as a deployment tool
# runs them (the installations too):
#   readonly   a file that cannot be removed keeps the uninstaller and its
#              script: status 2, the log names the file, and once the file
#              is free the same uninstaller runs again to the end
#   twice      two installations uninstalled back to back: each relay
#              removes its own uninstaller and folder
#   reinstall  an installation into the same folder right after an
#              uninstall keeps the uninstaller it wrote
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
e2e_dir uninstall_again
trap 'viewer_stop; embed_reset; rm -f "$BENCH_CDROM/SETUP.EXE"' EXIT
shell_ready
sample_package
viewer_install "$E2E_DIR/viewer" reader
untimed() { tr -d '\r' < "$1" | sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  //'; }

# install NAME FOLDER [over]: installs the sample silently into C:\FOLDER,
# afresh or over what is there.
install()
{
    [ "${3:-}" = over ] || rm -rf "$WINEPREFIX/drive_c/$2"
    e2e_drive "install_$1" --verbatim -- 'D:\SETUP.EXE' /S "/D=C:\\$2" <<'SCN'
timeout 120
exit 0
SCN
    [ -f "$WINEPREFIX/drive_c/$2/UNINSTAL.EXE" ] || e2e_fail "$1: not installed"
}
# uninstall NAME FOLDER STATUS [ended]: runs the folder's uninstaller
# silently with the log NAME.log, and with "ended" waits for its relay too.
uninstall()
{
    e2e_drive "$1" --verbatim -- "C:\\$2\\UNINSTAL.EXE" /S "/LOG=$E2E_WIN\\$1.log" <<SCN
timeout 120
exit $3
${4:-}
SCN
}

# --- readonly
install readonly 'Again Book'
dest="$WINEPREFIX/drive_c/Again Book"
chmod a-w "$dest/README.TXT"
uninstall readonly 'Again Book' 2 ended
untimed "$E2E_DIR/readonly.log" | grep -qx 'Cannot remove: C:\\Again Book\\README.TXT' ||
    e2e_fail "readonly: the log does not name the file:"$'\n'"$(cat "$E2E_DIR/readonly.log")"
[ "$(untimed "$E2E_DIR/readonly.log" | tail -n 1)" = 'Uninstall: Some files could not be removed. Close the programs that use them and run Uninstall again.' ] ||
    e2e_fail "readonly: the log ends"$'\n'"$(cat "$E2E_DIR/readonly.log")"
[ "$(ls "$dest" | tr '\n' ' ')" = 'README.TXT SETUP.INI UNINSTAL.EXE ' ] ||
    e2e_fail "readonly: left $(ls "$dest" | tr '\n' ' ')"
chmod u+w "$dest/README.TXT"
uninstall readonly_again 'Again Book' 0 ended
[ ! -e "$dest" ] || e2e_fail "readonly: run again, it left $(ls "$dest" | tr '\n' ' ')"

# gone FOLDER CASE: waits, bounded, until C:\FOLDER is gone.
gone()
{
    local i
    for i in $(seq 1 300); do [ -e "$WINEPREFIX/drive_c/$1" ] || return 0; sleep 0.1; done
    e2e_fail "$2: $1 left $(ls "$WINEPREFIX/drive_c/$1" | tr '\n' ' ')"
}

# --- twice
install one 'Book One'
install two 'Book Two'
uninstall twice_one 'Book One' 0
uninstall twice_two 'Book Two' 0 ended
gone 'Book One' twice
gone 'Book Two' twice

# --- reinstall: installed again as soon as the uninstaller has ended, while
# its relay may still be at work.
install reinstall 'Again Book'
uninstall reinstall_uninstall 'Again Book' 0 ended &
uninstalling=$!
for i in $(seq 1 600); do [ -e "$dest/SETUP.INI" ] || break; sleep 0.1; done
[ ! -e "$dest/SETUP.INI" ] || e2e_fail "reinstall: the uninstall did not run"
install reinstall_again 'Again Book' over
wait "$uninstalling" || e2e_fail "reinstall: the uninstall failed"
cmp "$E2E_DIR/SETUP.EXE" "$dest/UNINSTAL.EXE" ||
    e2e_fail "reinstall: the new installation lost its uninstaller"
echo "uninstall_again passed"
