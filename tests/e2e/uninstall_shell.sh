#!/usr/bin/env bash
# Install, then uninstall, the packaged sample end to end against the
# shell's own Program Manager service (no double): the group with its three
# links appears, and after both stages every file the installation wrote
# into C:\EBOOK is gone but the user's own, and the shell has removed the
# group folder.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir uninstall_shell
trap 'viewer_stop; embed_reset; rm -f "$BENCH_CDROM/SETUP.EXE"' EXIT
shell_ready

sample_package
viewer_install "$E2E_DIR/viewer" reader

dest="$WINEPREFIX/drive_c/EBOOK"
group="$(programs_dir)/The Lighthouse Keeper"
rm -rf "$dest" "$group"
install_walk install --timeout 120 --licence --complete -- 'D:\SETUP.EXE' <<'SCN'
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
press 1
SCN
links=$(group_links "The Lighthouse Keeper")
[ "$links" = 'Readme.lnk -> C:\EBOOK\README.TXT (no icon)
The Lighthouse Keeper.lnk -> C:\EBOOK\book.pdf (icon: C:\EBOOK\BOOK.ICO,0)
Uninstall.lnk -> C:\EBOOK\UNINSTAL.EXE (icon: C:\EBOOK\UNINSTAL.ICO,0)' ] ||
    e2e_fail "the sample's links are"$'\n'"$links"
[ -f "$dest/book.pdf" ] && [ -f "$dest/UNINSTAL.EXE" ] || e2e_fail "the sample is not installed"

printf 'my own notes\r\n' > "$dest/MY NOTES.TXT"
e2e_drive uninstall -- 'C:\EBOOK\UNINSTAL.EXE' <<'SCN'
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
nofile "C:\\EBOOK\\UNINSTAL.EXE"
SCN
[ "$(ls "$dest")" = "MY NOTES.TXT" ] || e2e_fail "left in C:\\EBOOK: $(ls "$dest" | tr '\n' ' ')"
[ ! -e "$group" ] || e2e_fail "the shell kept the group folder"
! grep -q '"Error"' "$E2E_LOG/uninstall.transcript" || e2e_fail "an error was shown"
echo "uninstall_shell passed"
