#!/usr/bin/env bash
# The unattended run, as a deployment tool starts it: the packaged sample
# installed with /S into a folder with a blank, nothing on the screen from
# setup, the embed it starts or the shell, exit status 0, the files, the
# group and the log; a destination on a drive that does not exist ends by
# itself with status 1 and the alert in the log; a table of command lines as
# deployment tools write them and of packages that cannot be installed
# whole, each with its status and the log's last line; the silent
# uninstall; and a silent embed that finds no viewer for its plug-in:
# status 1, its texts in the log, the trust preference as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
e2e_dir silent
trap 'viewer_stop; embed_reset; rm -rf "$BENCH_CDROM/SETUP.EXE" "$BENCH_CDROM/NOEMBED" "$BENCH_CDROM/ABSOLUTE"' EXIT
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
e2e_drive install --verbatim --bare -- 'D:\SETUP.EXE' /s "/LOG=$E2E_WIN\\install.log" '/D=C:\Silent Book' <<'SCN'
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

# A package without EMBED.EXE, and one whose licence is stored under an
# absolute name, which the unzip library never writes.
mkdir -p "$E2E_DIR/noembed/pack" "$E2E_DIR/absolute" "$BENCH_CDROM/NOEMBED" "$BENCH_CDROM/ABSOLUTE"
cp "$E2E_DIR"/pack/* "$E2E_DIR/noembed/pack/"
rm "$E2E_DIR/noembed/pack/EMBED.EXE"
e2e_package_folder "$E2E_DIR/noembed" "$(cat "$e2e_root/sample/pack/SETUP.INI")"
cp "$E2E_DIR/noembed/SETUP.EXE" "$BENCH_CDROM/NOEMBED/SETUP.EXE"
python3 - "$E2E_DIR/pack" "$E2E_DIR/absolute/PACK.BOX" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w") as z:
    for name in sorted(os.listdir(sys.argv[1])):
        data = open(os.path.join(sys.argv[1], name), "rb").read()
        z.writestr(zipfile.ZipInfo("/" + name if name == "LICENSE.TXT" else name), data)
PY
e2e_package "$E2E_DIR/absolute" "$(cat "$e2e_root/sample/pack/SETUP.INI")" "$E2E_DIR/absolute/PACK.BOX"
cp "$E2E_DIR/absolute/SETUP.EXE" "$BENCH_CDROM/ABSOLUTE/SETUP.EXE"

# silent_case NAME STATUS LAST FOLDER -- PROGRAM ARGS...: runs the command
# line as written, from the work folder, with nothing allowed on the screen;
# STATUS is its exit status, LAST the last line of NAME.log (in the work
# folder or one below) without its time ("-": no log may be written), FOLDER
# the installation folder under C:, which holds the uninstaller ("-": none
# may appear, here or beside the run).
silent_case()
{
    local name=$1 status=$2 last=$3 folder=$4
    shift 5
    (cd "$E2E_DIR" && e2e_drive "$name" --verbatim --bare -- "$@" <<SCN
timeout 120
exit $status
nowindows
SCN
    ) || exit 1
    local log
    log=$(find "$E2E_DIR" -maxdepth 2 -name "$name.log" | head -n 1)
    if [ "$last" = - ]; then
        [ -z "$log" ] || e2e_fail "$name: a log was written:"$'\n'"$(cat "$log")"
    else
        [ -n "$log" ] && [ "$(untimed "$log" | tail -n 1)" = "$last" ] ||
            e2e_fail "$name: the log ends"$'\n'"$(untimed "$log" 2>&1 | tail -n 3)"
    fi
    if [ "$folder" = - ]; then
        local made
        made=$(find "$E2E_DIR" "$WINEPREFIX/drive_c" "$BENCH_CDROM" -maxdepth 1 -iname "*${name}*book*")
        [ -z "$made" ] || e2e_fail "$name: made $made"
    else
        [ -f "$WINEPREFIX/drive_c/$folder/UNINSTAL.EXE" ] || e2e_fail "$name: nothing in $folder"
    fi
}
complete='Installation is Complete.'
mkdir -p "$E2E_DIR/log folder"
silent_case quoted 0 "$complete" 'Quoted Book' -- \
    'D:\SETUP.EXE' '"/S"' "\"/LOG=$E2E_WIN\\log folder\\quoted.log\"" '"/D=C:\Quoted Book"'
silent_case order 0 "$complete" 'Order Book' -- \
    'D:\SETUP.EXE' '/D=C:\Order Book' /s "/LOG=$E2E_WIN\\order.log"
silent_case relative 1 'Alert: Cannot CD to: RELATIVE BOOK.' - -- \
    'D:\SETUP.EXE' /S "/LOG=$E2E_WIN\\relative.log" '/D=Relative Book'
silent_case stray 1 'Error: Unknown argument: /X' - -- \
    'D:\SETUP.EXE' /S "/LOG=$E2E_WIN\\stray.log" '/D=C:\Stray Book' /X
silent_case longlog 1 - - -- \
    'D:\SETUP.EXE' /S "/LOG=C:\\$(printf 'l%.0s' $(seq 1 300))" '/D=C:\Longlog Book'
silent_case badlog 1 - - -- \
    'D:\SETUP.EXE' /S '"/LOG=C:\no such folder\badlog.log"' '/D=C:\Badlog Book'
silent_case noembed 2 \
    'Installation Not Complete. Cause: Cannot execute Tarnwick 32-bit Installer.' 'Noembed Book' -- \
    'D:\NOEMBED\SETUP.EXE' /S "/LOG=$E2E_WIN\\noembed.log" '/D=C:\Noembed Book'
silent_case absolute 1 \
    'Alert: Decompress error due to program currently running, no write permission, or disk full' \
    'Absolute Book' -- 'D:\ABSOLUTE\SETUP.EXE' /S "/LOG=$E2E_WIN\\absolute.log" '/D=C:\Absolute Book'

# The silent uninstall asks nothing and hands over to its second stage.
e2e_drive uninstall -- 'C:\Silent Book\UNINSTAL.EXE' /S "/LOG=$E2E_WIN\\uninstall.log" <<'SCN'
timeout 60
exit 0
nowindows
nofile "C:\\Silent Book\\UNINSTAL.EXE"
SCN
[ ! -e "$dest" ] || e2e_fail "left in the destination: $(ls "$dest" | tr '\n' ' ')"
[ ! -e "$group" ] || e2e_fail "the group is still there"
[ "$(untimed "$E2E_DIR/uninstall.log")" = 'Uninstall: Are you sure you want to uninstall?' ] ||
    e2e_fail "the uninstall logged"$'\n'"$(cat "$E2E_DIR/uninstall.log")"
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
