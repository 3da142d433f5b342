#!/usr/bin/env bash
# pubkit disc as a publisher runs it: the sample's sources to an image in
# one command, byte for byte the same from another folder at another time
# (another time zone, locale, umask and file times); inspect and check read
# the image; names the disc would cut and outputs that are inputs are
# refused with nothing written; an interrupted run leaves the earlier image
# and nothing else; the programs come from beside an installed pubkit.
#   pubkit_disc.sh PUBKIT DELIVERABLES_DIR SOURCE_DIR
set -u
pubkit=$(realpath "$1") bin=$(realpath "$2") src=$(realpath "$3")
for f in setup.exe METER.DLL DUNZIP32.DLL embed.exe; do
    [ -f "$bin/$f" ] || { echo "no $bin/$f (tools/build makes it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# sources DIR: the sample's book and disc folders.
sources()
{
    mkdir -p "$1/book" "$1/disc"
    cp "$src"/sample/pack/* "$1/book/"
    cp "$src/sample/tarnwsi.ini" "$src/sample/readme1st.txt" "$1/disc/"
    python3 "$src/sample/cover.py" "$1/disc/cover.bmp"
}
embed=(--doc "$src/sample/embed/book.pdf" --plugin "$src/sample/embed/tarnw32.api"
       --message "Ready to read.")
# disc DIR [OPTIONS]: the image DIR/out.iso from DIR's sources.
disc()
{
    local dir=$1
    shift
    "$pubkit" disc --book "$dir/book" --medium "$dir/disc" -o "$dir/out.iso" --programs "$bin" \
        "${embed[@]}" "$@"
}
# leftovers DIR: the run's temporary files and folders still there.
leftovers() { find "$1" -name '.*pubkit-*' | head -3; }

# --- The same sources anywhere, any time: the same bytes.
sources one
disc one > one.txt 2>&1 || fail "disc of the sample: $(cat one.txt)"
sleep 1.1  # another second on the clock, which no field may record
mkdir -p elsewhere/deeper
sources elsewhere/deeper
touch -d '2011-11-11 11:11' elsewhere/deeper/book/* elsewhere/deeper/disc/*
(umask 077; cd elsewhere && TZ=Pacific/Kiritimati LC_ALL=C LANG=C disc deeper) > two.txt 2>&1 ||
    fail "disc from another folder: $(cat two.txt)"
a=$(sha256sum < one/out.iso) b=$(sha256sum < elsewhere/deeper/out.iso)
[ "$a" = "$b" ] || fail "two builds of the same sources differ: $a / $b"
grep -q "sha256 ${a%% *}" one.txt || fail "disc does not report the image's sha256: $(cat one.txt)"
SOURCE_DATE_EPOCH=1000000000 disc one > /dev/null 2>&1 || fail "disc with SOURCE_DATE_EPOCH"
[ "$(sha256sum < one/out.iso)" != "$a" ] || fail "SOURCE_DATE_EPOCH left the image as it was"
disc one --date 1980-01-01 > /dev/null 2>&1 || fail "disc with --date"
[ "$(sha256sum < one/out.iso)" = "$a" ] || fail "--date 1980-01-01 is not the default"

# --- inspect and check read the image: its files, the package, the plan.
"$pubkit" inspect one/out.iso > inspect.txt 2>&1 || fail "inspect of the image: $(cat inspect.txt)"
for want in 'volume label "THE_LIGHTHOUSE"' 'readme1st.txt' 'open=SETUP.EXE' 'icon=BOOK.ICO' \
            'EMBED.EXE' 'start            EMBED.EXE -cdrom' '0 errors, 0 warnings'; do
    grep -qF "$want" inspect.txt || fail "inspect does not show $want"
done
"$pubkit" check one/out.iso > check.txt 2>&1 || fail "check of the image: $(cat check.txt)"
"$pubkit" check --json one/out.iso > check.json 2>&1 || fail "check --json of the image"
python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); sys.exit(d["errors"] != 0)' check.json ||
    fail "check --json of the image: $(cat check.json)"
"$pubkit" inspect --json one/out.iso > inspect.json 2>&1 || fail "inspect --json of the image"
python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); assert d["label"] == "THE_LIGHTHOUSE" and d["setup"]["kind"]' \
    inspect.json || fail "inspect --json of the image: $(head -c 400 inspect.json)"
"$pubkit" check one/out.iso --medium one/disc > /dev/null 2>&1
[ $? = 2 ] || fail "check of an image with --medium is not refused"

# An image that was damaged: told, exit 1. A disc of the wrong book: errors.
head -c 200000 one/out.iso > cut.iso
"$pubkit" check cut.iso > cut.txt 2>&1 && fail "check passes an image cut short"
"$pubkit" inspect cut.iso > cut.txt 2>&1 && fail "inspect passes an image cut short"

# --- Names the disc would cut or change: errors, nothing written.
sources names
cp -r one/out.iso names/out.iso
before=$(sha256sum < names/out.iso)
echo x > "names/disc/$(printf 'n%.0s' $(seq 1 40)).txt"
echo x > "names/disc/Cover.BMP"
disc names > names.txt 2>&1 && fail "disc took names the disc would cut"
grep -q 'ISO 9660 level 2 holds 30' names.txt || fail "the long name is not named: $(cat names.txt)"
grep -q 'differs only in case' names.txt || fail "the case twin is not named: $(cat names.txt)"
[ "$(sha256sum < names/out.iso)" = "$before" ] || fail "a refused run changed the earlier image"
[ -z "$(leftovers names)" ] || fail "a refused run left $(leftovers names)"
# Renamed for readers without Joliet only: a warning, the image is made.
rm names/disc/nnn*.txt names/disc/Cover.BMP
echo x > "names/disc/Read Me.txt"
disc names > names.txt 2>&1 || fail "a name with a blank stops the disc: $(cat names.txt)"
grep -q 'Read Me.txt: warning: readers without Joliet see it as READ_ME.TXT' names.txt ||
    fail "the renamed name is not told: $(cat names.txt)"

# --- A book for Japanese Windows: a name outside ASCII needs --codepage;
# with it, the member is stored in code page 932 and inspect of the image
# shows it in UTF-8, as inspect of the package does.
sources ja
echo x > "ja/book/年表.TXT"
disc ja > ja.txt 2>&1 && fail "a Japanese name went onto the disc without --codepage"
[ ! -e ja/out.iso ] || fail "a refused Japanese book left an image"
disc ja --codepage 932 > ja.txt 2>&1 || fail "disc --codepage 932: $(cat ja.txt)"
"$pubkit" inspect ja/out.iso --codepage 932 > ja-inspect.txt 2>&1 || fail "inspect --codepage 932 of the image"
grep -q ' ok  年表.TXT$' ja-inspect.txt ||
    fail "the image's member is not shown in UTF-8: $(grep -a 'TXT' ja-inspect.txt | cat -v)"

# --- Outputs: inside the disc folder left out (again and again), inside
# the book refused, an input refused; a failing run keeps the earlier one.
sources out
for run in first second; do
    "$pubkit" disc --book out/book --medium out/disc -o out/disc/BOOK.ISO --programs "$bin" \
        "${embed[@]}" > out.txt 2>&1 || fail "image inside the disc folder ($run run): $(cat out.txt)"
done
cp out/disc/BOOK.ISO inside.iso
rm out/disc/BOOK.ISO
"$pubkit" disc --book out/book --medium out/disc -o out/outside.iso --programs "$bin" "${embed[@]}" \
    > /dev/null 2>&1 || fail "image outside"
cmp -s inside.iso out/outside.iso || fail "the image inside the disc folder holds more than the folder"
bookBefore=$(cd out/book && sha256sum *)
"$pubkit" disc --book out/book --medium out/disc -o out/book/x.iso --programs "$bin" "${embed[@]}" \
    > refused.txt 2>&1 && fail "an image inside the book's folder was made"
[ ! -e out/book/x.iso ] || fail "an image inside the book's folder was written"
cp "$src/sample/embed/book.pdf" mybook.pdf
"$pubkit" disc --book out/book --medium out/disc -o mybook.pdf --programs "$bin" --doc mybook.pdf \
    --plugin "$src/sample/embed/tarnw32.api" > refused.txt 2>&1 && fail "the document was taken as the output"
cmp -s mybook.pdf "$src/sample/embed/book.pdf" || fail "the document given as output was changed"
[ "$bookBefore" = "$(cd out/book && sha256sum *)" ] || fail "the book's folder was changed"
"$pubkit" disc --book out/book --medium out/disc -o out/outside.iso --programs "$bin" "${embed[@]}" \
    --label 'not a label' > refused.txt 2>&1 && fail "a label with blanks was taken"
cmp -s inside.iso out/outside.iso || fail "a failed run changed the earlier image"
printf 'PATH1=C:\\BOOK\\OTHER.EXE\r\nMSG=x\r\n' > tk.txt
"$pubkit" disc --book out/book --medium out/disc -o out/tk.iso --programs "$bin" \
    --doc "$src/sample/embed/book.pdf" --plugin "$src/sample/embed/tarnw32.api" --build-file tk.txt \
    > tk.out 2>&1 && fail "an EMBED.EXE under another name was packed"
grep -q 'PATH1= names no EMBED.EXE' tk.out || fail "the other name is not told: $(cat tk.out)"
printf 'PATH1=C:\\BOOK\\embed.exe\r\nMSG=x\r\n' > tk.txt  # Windows finds it in any case
"$pubkit" disc --book out/book --medium out/disc -o out/tk.iso --programs "$bin" \
    --doc "$src/sample/embed/book.pdf" --plugin "$src/sample/embed/tarnw32.api" --build-file tk.txt \
    > tk.out 2>&1 || fail "an embed.exe in small letters was refused: $(cat tk.out)"
[ -z "$(leftovers out)" ] || fail "runs left $(leftovers out)"

# --- Interrupted while it writes a large image: the earlier image stays,
# nothing else. The run is stopped once its temporary image has bytes.
sources big
head -c 30000000 /dev/urandom > big/disc/filler.bin
disc big > /dev/null 2>&1 || fail "disc of a large book"
before=$(sha256sum < big/out.iso)
disc big > /dev/null 2>&1 &
pid=$!
for i in $(seq 1 600); do
    temp=$(find big -maxdepth 1 -name '.out.iso.pubkit-*' -type f -size +1M | head -1)
    [ -n "$temp" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
done
kill -TERM $pid 2>/dev/null
wait $pid
rc=$?
[ "$rc" -ne 0 ] || echo "note: the run ended before it could be interrupted"
[ "$(sha256sum < big/out.iso)" = "$before" ] || fail "an interrupted run changed the earlier image"
[ -z "$(leftovers big)" ] || fail "an interrupted run left $(leftovers big)"

# --- The programs from beside an installed pubkit, without --programs.
mkdir -p prefix/bin prefix/share/tarnwick
cp "$pubkit" prefix/bin/pubkit
cp "$bin"/setup.exe "$bin"/embed.exe "$bin"/METER.DLL "$bin"/DUNZIP32.DLL prefix/share/tarnwick/
prefix/bin/pubkit disc --book one/book --medium one/disc -o installed.iso "${embed[@]}" \
    > installed.txt 2>&1 || fail "disc with the installed programs: $(cat installed.txt)"
cmp -s installed.iso one/out.iso || fail "the installed programs give another image"
rm prefix/share/tarnwick/embed.exe
prefix/bin/pubkit disc --book one/book --medium one/disc -o installed.iso "${embed[@]}" \
    > installed.txt 2>&1 && fail "disc went on without embed.exe"
grep -q 'no embed.exe in' installed.txt || fail "the missing program is not named: $(cat installed.txt)"

[ "$failures" -eq 0 ] && echo "pubkit_disc: all passed"
exit $((failures != 0))
