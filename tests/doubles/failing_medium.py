#!/usr/bin/python3
"""A failing medium: a FUSE file system that serves FOLDER at MOUNTPOINT
and fails reads the way a damaged or removed disc does.

    failing_medium.py FOLDER MOUNTPOINT [--bad NAME@OFFSET]... [--eject NAME@OFFSET]
                      [--log FILE]

--bad NAME@OFFSET   a bad sector: every read of NAME that touches the 2048
                    bytes from OFFSET fails with EIO; a read that starts
                    before them returns the bytes up to OFFSET, as a drive
                    returns what it read before the sector it could not.
--eject NAME@OFFSET the disc is taken out once a read of NAME that began
                    before OFFSET has reached it: that read returns the
                    bytes up to OFFSET, every later open and read on the
                    medium fails with EIO.
--log FILE          one line per read: "NAME OFFSET SIZE GOT", GOT being
                    the byte count served or EIO (an open refused: OFFSET
                    -1), so a scenario can tell that the failure it set up
                    was met.

Reads go through to the file system unbuffered (direct_io) and without
read-ahead, so each read of a program reaches these rules at its own offset
and size, and the kernel never reads ahead past an offset on its own. Files can be
written too (a medium such as a memory stick that a program writes beside
itself). Returns once mounted (exit
status 0; else the reason on stderr and 1) and serves in the background
until unmounted. Written for Debian's
python3-fusepy (libfuse2); as root it mounts without fusermount.
"""

import argparse
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations

SECTOR = 2048


def rule(text):
    name, sep, offset = text.rpartition("@")
    if not sep or not name or not offset.isdigit():
        raise argparse.ArgumentTypeError("expected NAME@OFFSET, got %r" % text)
    return "/" + name.lstrip("/"), int(offset)


class FailingMedium(Operations):
    use_ns = True

    def __init__(self, root, bad, eject, log):
        self.root = os.path.realpath(root)
        self.bad = bad
        self.eject = eject
        self.ejected = False
        self.log = log

    def _full(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def _note(self, path, offset, size, got):
        if self.log:
            with open(self.log, "a") as f:
                f.write("%s %d %d %s\n" % (path.lstrip("/"), offset, size, got))

    # Reads under the rules.
    def read(self, path, size, offset, fh):
        if self.ejected:
            self._note(path, offset, size, "EIO")
            raise FuseOSError(errno.EIO)
        end = offset + size
        for name, at in self.bad:
            if name == path and offset < at + SECTOR and end > at:
                if offset >= at:
                    self._note(path, offset, size, "EIO")
                    raise FuseOSError(errno.EIO)
                end = at
        crossing = self.eject and self.eject[0] == path and offset < self.eject[1] <= end
        if crossing:
            end = self.eject[1]
        data = os.pread(fh, end - offset, offset)
        if crossing and offset + len(data) == end:
            self.ejected = True
        self._note(path, offset, size, len(data))
        return data

    def open(self, path, flags):
        if self.ejected:
            self._note(path, -1, 0, "EIO")
            raise FuseOSError(errno.EIO)
        return os.open(self._full(path), flags)

    def create(self, path, mode, fi=None):
        if self.ejected:
            raise FuseOSError(errno.EIO)
        return os.open(self._full(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def release(self, path, fh):
        os.close(fh)

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        return 0

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(self._full(path), length)

    # The folder as it is.
    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self._full(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size",
                "st_atime", "st_mtime", "st_ctime")
        return {k: getattr(st, k) for k in keys}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._full(path))

    def access(self, path, amode):
        if not os.access(self._full(path), amode):
            raise FuseOSError(errno.EACCES)

    def unlink(self, path):
        os.unlink(self._full(path))

    def mkdir(self, path, mode):
        os.mkdir(self._full(path), mode)

    def rmdir(self, path):
        os.rmdir(self._full(path))

    def rename(self, old, new):
        os.rename(self._full(old), self._full(new))

    def chmod(self, path, mode):
        os.chmod(self._full(path), mode)

    def utimens(self, path, times=None):
        os.utime(self._full(path), ns=times)

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")
        return {k: getattr(st, k) for k in keys}


def main():
    parser = argparse.ArgumentParser(description="A FUSE medium that fails reads.")
    parser.add_argument("folder")
    parser.add_argument("mountpoint")
    parser.add_argument("--bad", type=rule, action="append", default=[])
    parser.add_argument("--eject", type=rule)
    parser.add_argument("--log")
    args = parser.parse_args()
    ops = FailingMedium(args.folder, args.bad, args.eject, args.log)
    try:
        # Reads go to the rules every time (direct_io), but pages a program
        # was mapped from stay as a CD-ROM drive's file system keeps them,
        # not dropped whenever the file is opened again (kernel_cache).
        FUSE(ops, args.mountpoint, foreground=False, nothreads=True, direct_io=True,
             kernel_cache=True, max_readahead=0, fsname="failing_medium")
    except RuntimeError as e:
        print("failing_medium: cannot mount %s: %s" % (args.mountpoint, e), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
