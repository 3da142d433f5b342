# The sample's Start-menu group and its removal: the links the installation
# made (read back through the shell's link object), then UNINSTAL.EXE run
# from the group's "Uninstall" target against the shell's own Program
# Manager service, and what is left of C:\EBOOK and the group afterwards.
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/lib/progman.sh"
e2e_dir demo_uninstall
E2E_LOG="$demo_out"

dest="$WINEPREFIX/drive_c/EBOOK"
group="$(programs_dir)/The Lighthouse Keeper"
[ -d "$group" ] || { echo "demo: the installation made no group" >&2; exit 1; }
echo "demo: the group \"The Lighthouse Keeper\" holds:"
group_links "The Lighthouse Keeper" | sed 's/^/    /'

started=$(date +%s.%N)
e2e_drive uninstall -- 'C:\EBOOK\UNINSTAL.EXE' <<'SCN'
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
shot "uninstall-01-question"
press 1
exit 0
nofile "C:\\EBOOK\\UNINSTAL.EXE"
SCN
echo "demo: both stages of the uninstall took $(python3 -c "import sys; print(round(float(sys.argv[1]) - float(sys.argv[2]), 1))" "$(date +%s.%N)" "$started") s (the second waits 10 s)"
if [ -d "$dest" ]; then
    echo "demo: left in C:\\EBOOK: $(ls "$dest" | tr '\n' ' ')"
else
    echo "demo: C:\\EBOOK is gone"
fi
if [ -d "$group" ]; then
    echo "demo: the group folder is still there: $(ls "$group" | tr '\n' ' ')"
else
    echo "demo: the shell removed the group folder"
fi
relay=$(find "$WINEPREFIX/drive_c" -iname XNINSTAL.EXE -not -path '*/e2e/*' | head -1)
[ -z "$relay" ] || echo "demo: the relay stays behind as $(winepath -w "$relay")"
