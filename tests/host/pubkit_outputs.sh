#!/usr/bin/env bash
# The toolkit never destroys a publisher's files. Each command line below
# once truncated, deleted or endlessly grew an input or an earlier output;
# run as a publisher types them, every input must keep its bytes: the
# command refuses, or leaves its own output out of what it reads. An
# interrupted pack leaves the earlier output and nothing else.
#   pubkit_outputs.sh PUBKIT DELIVERABLES_DIR
set -u
pubkit=$(realpath "$1") bin=$(realpath "$2")
for f in setup.exe METER.DLL DUNZIP32.DLL embed.exe; do
    [ -f "$bin/$f" ] || { echo "no $bin/$f (tools/build makes it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

book()  # a fresh source folder
{
    rm -rf book
    mkdir book
    printf 'DEFAULTDIR=C:\\BOOK\r\nPUBNAME=Book\r\n' > book/SETUP.INI
    head -c 300000 /dev/urandom > book/book.pdf
    echo licence > book/LICENSE.TXT
}

# expect LABEL STATUS FILE... -- COMMAND: the command ends with STATUS and
# every FILE has the bytes it had before (timeout bounds a run that grows
# its own input).
expect()
{
    local label=$1 status=$2 files=() before after rc
    shift 2
    while [ "$1" != -- ]; do files+=("$1"); shift; done
    shift
    before=$(sha256sum "${files[@]}")
    timeout 60 "$@" > out.txt 2> err.txt
    rc=$?
    after=$(sha256sum "${files[@]}" 2>&1)
    [ "$rc" = "$status" ] || fail "$label: exit $rc, not $status: $(cat err.txt)"
    [ "$before" = "$after" ] || fail "$label: an input changed:"$'\n'"$before"$'\n'"$after"
}

members() { python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$1"; }

cp "$bin/setup.exe" mysetup.exe
cp "$bin/METER.DLL" "$bin/DUNZIP32.DLL" .
programs=(--meter METER.DLL --dunzip DUNZIP32.DLL)

# The output inside the folder it is made from: left out, once and again.
book
for run in first second; do
    expect "zip into its own folder ($run run)" 0 book/book.pdf book/SETUP.INI -- \
        "$pubkit" zip book -o book/PACK.BOX
    [ "$(members book/PACK.BOX)" = "LICENSE.TXT SETUP.INI book.pdf" ] ||
        fail "zip into its own folder ($run run) archived $(members book/PACK.BOX)"
done
expect "pack into its own folder" 0 book/book.pdf -- "$pubkit" pack --setup mysetup.exe \
    "${programs[@]}" --pack book --ini book/SETUP.INI -o book/SETUP.EXE --force
"$pubkit" inspect book/SETUP.EXE > inspect.txt 2>&1 || fail "pack into its own folder: $(cat inspect.txt)"
grep -q 'SETUP.EXE$' inspect.txt && fail "pack into its own folder archived its output"
# A file of the folder named as the output is the user's, not an earlier output.
expect "zip over a file of its folder" 1 book/book.pdf -- "$pubkit" zip book -o book/book.pdf

# An output that is an input, in other spellings of its path.
book
"$pubkit" zip book -o PACK.BOX > /dev/null
ln -s mysetup.exe link.exe
mkdir -p out
cp "$bin/embed.exe" out/embed.exe
head -c 5000 /dev/urandom > out/Book.pdf
echo plug > tarnw32.api
printf 'PATH1=C:\\x\\embed.exe\r\n' > image.txt
printf 'PATH1=C:\\x\\Book.pdf\r\n' > doc.txt
touch cert.pem key.pem
expect "pack over its PACK.BOX" 1 PACK.BOX -- "$pubkit" pack --setup mysetup.exe \
    "${programs[@]}" --pack PACK.BOX --ini book/SETUP.INI -o PACK.BOX --force
"$pubkit" zip book -o PACK.BOX > /dev/null
expect "pack over its setup.exe" 1 mysetup.exe -- "$pubkit" pack --setup mysetup.exe \
    "${programs[@]}" --pack PACK.BOX --ini book/SETUP.INI -o ./mysetup.exe --force
expect "pack over a link to its setup.exe" 1 mysetup.exe -- "$pubkit" pack --setup mysetup.exe \
    "${programs[@]}" --pack PACK.BOX --ini book/SETUP.INI -o link.exe --force
expect "embed over its image" 1 out/embed.exe -- "$pubkit" embed --image ./out/../out/embed.exe \
    --build-file image.txt --plugin tarnw32.api --doc out/Book.pdf --out-dir out
expect "embed over its document" 1 out/Book.pdf -- "$pubkit" embed --image out/embed.exe \
    --build-file doc.txt --plugin tarnw32.api --doc out/Book.pdf --out-dir ./out
"$pubkit" pack --setup mysetup.exe "${programs[@]}" --pack book --ini book/SETUP.INI \
    -o good.exe --force > pack.txt 2>/dev/null
expect "sign over its input" 1 good.exe -- "$pubkit" sign --cert cert.pem --key key.pem \
    good.exe -o ./good.exe

# A failed run over the good output of an earlier one.
"$pubkit" zip book -o good.box > /dev/null
echo x > 'book/what?.txt'
expect "zip failing over a good output" 1 good.box -- "$pubkit" zip book -o good.box
rm 'book/what?.txt'
expect "pack failing over a good output" 1 good.exe -- "$pubkit" pack --setup mysetup.exe \
    --meter METRE.DLL --dunzip DUNZIP32.DLL --pack book --ini book/SETUP.INI -o good.exe --force
grep -q 'METRE.DLL: No such file or directory' err.txt || fail "pack says not why: $(cat err.txt)"

# unpack into a folder that holds a book's own files.
mkdir parts
for i in $(seq 1 19); do printf 'KEY%d=x\r\n' "$i"; done > parts/SETUP.INI
expect "unpack over a SETUP.INI" 1 parts/SETUP.INI -- "$pubkit" unpack good.exe -o parts
"$pubkit" unpack good.exe -o parts --overwrite > /dev/null || fail "unpack --overwrite refused"
grep -q '^DEFAULTDIR=C:\\BOOK' parts/SETUP.INI || fail "unpack --overwrite kept the old SETUP.INI"
cp good.exe parts/setup.exe
expect "unpack over the file it reads" 1 parts/setup.exe -- "$pubkit" unpack parts/setup.exe \
    -o parts --overwrite

# pack says what it wrote: its size and sha256.
read -r sum _ < <(sha256sum good.exe)
grep -qx "good.exe: $(stat -c %s good.exe) bytes, sha256 $sum" pack.txt ||
    fail "pack's last line: $(cat pack.txt)"

# Interrupted mid-run: once its temporary output has grown, pack is stopped;
# the earlier output stays and nothing else is left.
mkdir big
for i in $(seq 1 12); do head -c 4000000 /dev/urandom > "big/part$i.bin"; done
cp book/SETUP.INI big/
ls -A > before.txt
for sig in INT TERM; do
    set -m
    "$pubkit" pack --setup mysetup.exe "${programs[@]}" --pack big --ini big/SETUP.INI \
        -o good.exe --force > /dev/null 2>&1 &
    pid=$!
    set +m
    grown=0
    for _ in $(seq 1 3000); do
        size=$(stat -c %s .good.exe.pubkit-* 2>/dev/null | head -1)
        if [ "${size:-0}" -gt 1000000 ]; then grown=1; break; fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    kill -"$sig" "$pid" 2>/dev/null
    wait "$pid"
    rc=$?
    [ "$grown" = 1 ] || fail "SIG$sig: pack ended before its output had grown"
    [ "$rc" -gt 128 ] || fail "SIG$sig: pack ended with $rc, as if not interrupted"
    [ "$(sha256sum < good.exe)" = "$sum  -" ] || fail "SIG$sig: the earlier output changed"
    [ "$(ls -A)" = "$(cat before.txt)" ] || fail "SIG$sig: left $(ls -A | grep -vxF -f before.txt)"
done

# For scripts: the reports as JSON, the version, a mistyped medium.
"$pubkit" inspect --json good.exe | python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["kind"] == "packaged setup" and d["damage"] is None, d
assert [m["name"] for m in d["packBox"]["members"]] == ["LICENSE.TXT", "SETUP.INI", "book.pdf"], d
' || fail "inspect --json"
"$pubkit" check --json book | python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["errors"] == len([f for f in d["findings"] if f["severity"] == "error"]) > 0, d
assert d["setupIni"] == {"lines": 2, "keyLines": 2}, d
' || fail "check --json"
# Any bytes of a name or a damaged file still give JSON a script can read.
printf 'PATH1=C:\\x\\INST.EXE\r\nMSG=Caf\xe9 "quoted"\tand tab\r\n' > quoted.txt
mkdir -p inst
"$pubkit" embed --image "$bin/embed.exe" --build-file quoted.txt --plugin tarnw32.api \
    --doc out/Book.pdf --out-dir inst > /dev/null || fail "embed for JSON"
"$pubkit" inspect --json inst/INST.EXE | python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["kind"] == "embed installer" and d["fields"]["closingMessage"] == "Caf\u00e9 \"quoted\"\tand tab", d
' || fail "inspect --json of an installer"
head -c 2000 good.exe > cut.exe
"$pubkit" inspect --json cut.exe 2> /dev/null | python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["damage"], d
' || fail "inspect --json of a damaged file"
printf 'x' > "book/caf$(printf '\xe9').txt"
"$pubkit" check --json book | python3 -c 'import json, sys; json.load(sys.stdin)' ||
    fail "check --json with a name in code page 1252"
"$pubkit" --version | grep -qx 'pubkit [0-9.]*' || fail "--version: $("$pubkit" --version)"
"$pubkit" check book --medium no-such-disc > /dev/null 2> err.txt &&
    fail "check took a --medium that is no folder"
grep -q 'no-such-disc: No such file or directory' err.txt || fail "--medium: $(cat err.txt)"

# The book's code page: a UTF-8 name is refused without it (the earlier
# output stays), stored in it with it and read back in UTF-8; a page no
# Windows uses, or two different ones, are refused before anything is read.
mkdir jp
printf 'x' > jp/本.PDF
printf 'DEFAULTDIR=C:\\BOOK\r\n' > jp/SETUP.INI
"$pubkit" zip inst -o jp.box > /dev/null
expect "zip of a Japanese name without --codepage" 1 jp.box -- "$pubkit" zip jp -o jp.box
grep -q 'jp/本.PDF: a name outside ASCII.*--codepage (874, 932' err.txt || fail "zip says: $(cat err.txt)"
"$pubkit" zip --codepage 932 jp -o jp.box > /dev/null || fail "zip --codepage 932"
python3 -c '
import sys, zipfile
names = sorted(i.orig_filename.encode("cp437") for i in zipfile.ZipFile(sys.argv[1]).infolist())
assert names == [b"SETUP.INI", b"\x96\x7b.PDF"], names' jp.box || fail "zip --codepage 932 stored other names"
"$pubkit" pack --setup mysetup.exe "${programs[@]}" --pack jp --ini jp/SETUP.INI -o jp.exe --force \
    --codepage=932 > /dev/null 2>&1 || fail "pack --codepage=932"
"$pubkit" inspect jp.exe --codepage 932 | grep -q ' ok  本.PDF$' || fail "inspect does not show 本.PDF"
"$pubkit" inspect jp.exe | grep -q 'note: names outside ASCII are read in code page 1252' ||
    fail "inspect without --codepage does not say how it read the names"
expect "an unknown code page" 2 jp.box -- "$pubkit" zip jp -o jp.box --codepage 437
grep -q 'unknown code page "437": known are 874, 932, 936, 949, 950, 1250' err.txt || fail "437: $(cat err.txt)"
expect "two code pages" 2 jp.box -- "$pubkit" zip --codepage 932 jp -o jp.box --codepage 936

[ "$failures" = 0 ] && echo "pubkit_outputs: every input kept its bytes"
exit $((failures != 0))
