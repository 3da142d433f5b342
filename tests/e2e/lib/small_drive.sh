# A small drive for Wine: a tmpfs of a chosen size, linked as a drive
# letter in the prefix, so a scenario can fill a destination up. Sourced
# after lib.sh; mounting needs root, as the bench has on CI.
#   small_drive_mount LETTER BYTES   mounts it (a scenario that cannot mount
#                  exits 77, which ctest counts as skipped) and unmounts it
#                  when the scenario ends, however it ends; sets SMALL_DRIVE
#                  (the Unix path of the drive's root)
#   small_drive_resize BYTES   gives it a new size (never below its use)
#   small_drive_pages BYTES    prints the pages a file of BYTES takes there:
#                  tmpfs counts whole pages

SMALL_DRIVE=
small_drive_link=

small_drive_unmount()
{
    [ -n "$small_drive_link" ] && rm -f "$small_drive_link"
    if [ -n "$SMALL_DRIVE" ]; then
        umount "$SMALL_DRIVE" 2>/dev/null || true
        rmdir "$SMALL_DRIVE" 2>/dev/null || true
    fi
    SMALL_DRIVE=
    small_drive_link=
}

small_drive_mount()
{
    local letter=$1 bytes=$2
    # Outside the prefix: the bench removes the prefix at its next start, and
    # a mount left behind by a killed run would stop that.
    SMALL_DRIVE=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-drive.XXXXXX")
    trap small_drive_unmount EXIT
    trap 'exit 1' INT TERM HUP
    if ! mount -t tmpfs -o "size=$bytes,mode=0755" tarnwick-small "$SMALL_DRIVE" 2>/dev/null; then
        rmdir "$SMALL_DRIVE"
        SMALL_DRIVE=
        echo "SKIP: cannot mount a tmpfs (needs root and mount rights) for a small drive" >&2
        exit 77
    fi
    small_drive_link="$WINEPREFIX/dosdevices/$letter:"
    ln -sfn "$SMALL_DRIVE" "$small_drive_link"
}

small_drive_resize()
{
    mount -o "remount,size=$1" "$SMALL_DRIVE" || e2e_fail "cannot resize the small drive to $1 bytes"
}

small_drive_pages()
{
    local page
    page=$(getconf PAGESIZE)
    echo $(( ($1 + page - 1) / page ))
}
