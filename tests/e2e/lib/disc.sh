# Helpers of the scenarios that install from a disc image; sourced after
# lib.sh.
#   disc_mount IMAGE   mounts IMAGE read-only with fuseiso (a FUSE mount: no
#                      loop device) and makes it drive D:, a CD-ROM drive;
#                      exits 77 where no FUSE mount can be made
#   disc_unmount       unmounts it and gives D: back its bench folder
# The mount point lies outside the prefix, which the bench removes.

disc_mnt=""

disc_mount()
{
    command -v fuseiso >/dev/null && [ -c /dev/fuse ] ||
        { echo "SKIP: no fuseiso or FUSE device" >&2; exit 77; }
    disc_mnt=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-disc.XXXXXX")
    fuseiso "$1" "$disc_mnt" 2>"$disc_mnt.err" ||
        { cat "$disc_mnt.err" >&2; rm -f "$disc_mnt.err"; rmdir "$disc_mnt";
          echo "SKIP: cannot mount a FUSE file system" >&2; exit 77; }
    rm -f "$disc_mnt.err"
    # fuseiso returns once the mount is made; its files are there at once.
    mountpoint -q "$disc_mnt" || e2e_fail "fuseiso did not mount $1"
    ln -sfn "$disc_mnt" "$WINEPREFIX/dosdevices/d:"
}

disc_unmount()
{
    [ -n "$disc_mnt" ] || return 0
    if mountpoint -q "$disc_mnt"; then
        fusermount -u "$disc_mnt" 2>/dev/null || umount "$disc_mnt" 2>/dev/null || umount -l "$disc_mnt"
    fi
    rmdir "$disc_mnt" 2>/dev/null || true
    disc_mnt=""
    ln -sfn "$BENCH_CDROM" "$WINEPREFIX/dosdevices/d:"
}
