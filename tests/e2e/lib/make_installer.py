#!/usr/bin/env python3
"""Assembles an embed installer independently of the program's builder:
program image, document, plug-in, 512-byte trailer laid out field by field,
and optionally a block appended after the trailer (as a signing tool does).

  make_installer.py OUT --image EXE [--doc FILE] [--doc-name NAME]
      [--plugin FILE] [--plugin-name NAME] [--msg TEXT] [--del YES|NO]
      [--append N] [--doc-offset N] [--plug-offset N]
"""
import argparse


def field(record, at, width, text):
    data = text.encode("latin-1")[:width]
    record[at:at + len(data)] = data


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--image", required=True)
    ap.add_argument("--doc")
    ap.add_argument("--doc-name", default="")
    ap.add_argument("--plugin")
    ap.add_argument("--plugin-name", default="tarnw32.api")
    ap.add_argument("--msg", default="")
    ap.add_argument("--del", dest="delete", default="NO")
    ap.add_argument("--append", type=int, default=0)
    ap.add_argument("--doc-offset", type=int)
    ap.add_argument("--plug-offset", type=int)
    a = ap.parse_args()

    body = bytearray(open(a.image, "rb").read())
    d = p = 0
    if a.doc:
        d = len(body)
        body += open(a.doc, "rb").read()
    if a.plugin:
        p = len(body)
        body += open(a.plugin, "rb").read()
    if a.doc_offset is not None:
        d = a.doc_offset
    if a.plug_offset is not None:
        p = a.plug_offset
    record = bytearray(512)
    field(record, 0, 10, "@%d" % d)
    field(record, 10, 118, a.doc_name if a.doc else "")
    field(record, 128, 10, "%d" % p)
    field(record, 138, 16, a.plugin_name if a.plugin else "")
    field(record, 276, 50, a.msg)
    field(record, 331, 3, a.delete)
    tail = bytes((i * 13 + 5) & 0xFF for i in range(a.append))
    # The appended block must not start with the marker at a place the
    # reader tries first.
    tail = tail.replace(b"@", b"#")
    open(a.out, "wb").write(body + record + tail)


main()
