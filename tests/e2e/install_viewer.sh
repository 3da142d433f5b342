#!/usr/bin/env bash
# The viewer's installer, run when no viewer is registered: one on the setup
# drive (its window's title on the status line, then the new viewer found
# and the plug-in moved into it), and one that cannot start (the download
# message; after the early check nothing but the result). The bundled
# installer's run is in setup's unit tests, which can watch it block.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir install_viewer
cleanup()
{
    embed_reset
    rm -rf "$BENCH_CDROM/SETUP.EXE" "$BENCH_CDROM/VIEWER"
}
trap cleanup EXIT

keys=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=The Reader Setup Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
dest="$WINEPREFIX/drive_c/BOOK"
log="$INSTALLED_VIEWER/install.log"
# Every package has a plug-in to move.
plugin="P1.API=plug-in one"

# From the setup drive, with no viewer on the machine. The publication
# name, the main window's title, holds both words the waits look for.
make_pack drive "$keys"$'INSTALLER=\\VIEWER\\VWINST.EXE 4000\r\nROMRESIDENT=NO\r\nPLUGIN1=P1.API\r\n' \
    "$plugin"
cp "$E2E_DIR/drive/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
installer_double "$BENCH_CDROM/VIEWER"
embed_reset
rm -rf "$dest"
install_walk drive --timeout 120 --complete -- 'D:\SETUP.EXE' <<'SCN'
dialog 1002,1006
waittext 1006 "Adobe Acrobat Not Found."
waittext 1006 "Installing Adobe Acrobat. Please Wait..."
waittext 1006 "Acrobat Reader 4.0 Setup"
window "InstallerDouble" "Acrobat Reader 4.0 Setup"
dialog 1002,1006
waittext 1006 "Validating..."
waittext 1006 "Installing for Windows 95/98/NT."
SCN
grep -qxF 'started D:\VIEWER\VWINST.EXE 4000' "$log" || e2e_fail "installer started otherwise: $(cat "$log")"
grep -qx 'ended' "$log" || e2e_fail "the installer did not end"
cmp "$E2E_DIR/drive/pack/P1.API" "$INSTALLED_VIEWER/PLUG_INS/P1.API" ||
    e2e_fail "the plug-in did not go into the viewer just installed"
[ -f "$dest/EMBED.EXE.args" ] || e2e_fail "embed did not run"
[ -f "$BENCH_CDROM/VIEWER/VWINST.EXE" ] || e2e_fail "an installer on the setup drive was deleted"
rm -f "$BENCH_CDROM/SETUP.EXE"

# download_message NAME: the package NAME installed from its folder meets
# the download message, and the installation is not complete.
download_message()
{
    install_walk "$1" --timeout 90 --not-complete -- "$E2E_WIN\\$1\\SETUP.EXE" <<'SCN'
msgbox "WinExec Error  = 2" "Cannot install Acrobat Reader. Please download the Acrobat installer from http://www.adobe.com/products/acrobat/readstep.html then run this program again."
press 1
SCN
}

# An installer that cannot start, in the early check: the download message
# and the bare result; no plug-in move, no embed.
embed_reset
make_pack missing "$keys"$'INSTALLER=\\NOSUCH\\VWINST.EXE\r\nROMRESIDENT=NO\r\nPLUGIN1=P1.API\r\nMAINFILE=x.pdf\r\n' \
    "$plugin"
rm -rf "$dest"
download_message missing
[ -f "$dest/P1.API" ] || e2e_fail "the plug-in step ran after the early failure"
[ ! -e "$dest/EMBED.EXE.args" ] || e2e_fail "embed ran after the early failure"

# An empty value, met only by embed's viewer check: the download message,
# embed still runs, and the result says the installation is not complete.
make_pack empty "$keys"$'INSTALLER=\r\nROMRESIDENT=NO\r\n' "$plugin"
rm -rf "$dest"
download_message empty
[ -f "$dest/EMBED.EXE.args" ] || e2e_fail "embed did not run after a late failure"
echo "install_viewer passed"
