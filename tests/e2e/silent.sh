#!/usr/bin/env bash
# The unattended run, as a deployment tool starts it: the packaged sample
# installed with /S into a folder with a blank, nothing shown by setup or the
# embed it starts, exit status 0, the files, the group and the log; a
# destination on a drive that does not exist ends by itself with status 1
# and the alert in the log; the silent uninstall; and a silent embed that
# finds no viewer for its plug-in: status 1, its texts in the log, the trust
# preference as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
e2e_dir silent
trap 'viewer_stop; embed_reset; rm -f "$BENCH_CDROM/SETUP.EXE"' EXIT
shell_ready

sample_package
viewer_install "$E2E_DIR/viewer" reader

dest="$WINEPREFIX/drive_c/Silent Book"
group="$(programs_dir)/The Lighthouse Keeper"
rm -rf "$dest" "$group"
log="$E2E_DIR/install.log"
# Log lines without their time, which must be there.
untimed() { tr -d '\r' < "$1" | sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  //'; }

start=$(date +%s)
e2e_drive install --verbatim -- 'D:\SETUP.EXE' /s "/LOG=$E2E_WIN\\install.log" '/D=C:\Silent Book' <<'SCN'
timeout 180
exit 0
nowindows
SCN
echo "silent install took $(( $(date +%s) - start )) s"
printf '%s\n' 'Copying Files...' 'Uncompressing files...' 'LICENSE.TXT accepted by /S' \
    'Beginning Installation...' 'Tarnwick Publisher Initialization...' \
    'Detecting Operating System Version...' 'Finding Adobe Acrobat...' \
    'Installing for Windows 95/98/NT.' 'Tarnwick: The Lighthouse Keeper is ready to read.' \
    'Tarnwick Publisher Initialization Complete.' 'Creating Program Group and Items...' \
    'Program Group and Items Created.' 'Finishing...' 'Finished.' 'Installation is Complete.' \
    > "$E2E_LOG/install.expected"
[ "$(grep -c -v -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  ' "$log")" = 0 ] ||
    e2e_fail "a log line without its time:"$'\n'"$(cat "$log")"
untimed "$log" | diff "$E2E_LOG/install.expected" - || e2e_fail "the install log differs"
for f in book.pdf UNINSTAL.EXE BOOK.ICO README.TXT; do
    [ -f "$dest/$f" ] || e2e_fail "$f was not installed"
done
[ -f "$VIEWER_READER/plug_ins/tarnw32.api" ] || e2e_fail "the plug-in was not installed"
links=$(group_links "The Lighthouse Keeper")
[ "$links" = 'Readme.lnk -> C:\SILENT BOOK\README.TXT (no icon)
The Lighthouse Keeper.lnk -> C:\SILENT BOOK\book.pdf (icon: C:\SILENT BOOK\BOOK.ICO,0)
Uninstall.lnk -> C:\SILENT BOOK\UNINSTAL.EXE (icon: C:\SILENT BOOK\UNINSTAL.ICO,0)' ] ||
    e2e_fail "the links are"$'\n'"$links"
[ ! -e "$VIEWER_READER/opened.txt" ] || e2e_fail "the viewer was started: $(cat "$VIEWER_READER/opened.txt")"

# A drive that does not exist: the alert goes to the log, and the run ends.
e2e_drive nodrive --verbatim -- 'D:\SETUP.EXE' /S "/LOG=$E2E_WIN\\nodrive.log" '/D=Q:\Nowhere Book' <<'SCN'
timeout 60
exit 1
nowindows
SCN
[ "$(untimed "$E2E_DIR/nodrive.log")" = 'Alert: Cannot CD to: Q:\NOWHERE BOOK.' ] ||
    e2e_fail "the failed run logged"$'\n'"$(cat "$E2E_DIR/nodrive.log")"

# The silent uninstall asks nothing and hands over to its second stage.
e2e_drive uninstall -- 'C:\Silent Book\UNINSTAL.EXE' /S "/LOG=$E2E_WIN\\uninstall.log" <<'SCN'
timeout 60
exit 0
nowindows
nofile "C:\\Silent Book\\UNINSTAL.EXE"
SCN
[ ! -e "$dest" ] || e2e_fail "left in the destination: $(ls "$dest" | tr '\n' ' ')"
[ ! -e "$group" ] || e2e_fail "the group is still there"
[ ! -s "$E2E_DIR/uninstall.log" ] || e2e_fail "the uninstall logged"$'\n'"$(cat "$E2E_DIR/uninstall.log")"
# No viewer: the plug-in has nowhere to go, which only the status and the
# log tell; the restriction to certified plug-ins stays.
embed_reset
trust_set
e2e_drive embed --verbatim -- "$E2E_WIN\\pack\\EMBED.EXE" -cdrom 'D:\' /S "/LOG=$E2E_WIN\\embed.log" <<'SCN'
timeout 60
exit 1
nowindows
SCN
trust_present || e2e_fail "the silent embed lifted the trust preference"
untimed "$E2E_DIR/embed.log" | grep -q '^Error [0-9a-f]* : Tarnwick was unable to copy tarnw32.api' ||
    e2e_fail "the silent embed logged"$'\n'"$(cat "$E2E_DIR/embed.log")"
echo "silent passed"
