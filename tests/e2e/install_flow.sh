#!/usr/bin/env bash
# A whole installation as far as the licence: readme, a new nested
# destination typed in lower case, copy, expansion through our DUNZIP32.DLL,
# the licence (Cancel answered No, then Accept); and a cancelled copy.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir install_flow

# PACK.BOX made with Info-ZIP zip: stored, deflated, nested and empty members.
# Few members: the expansion waits a second for each.
mkdir -p "$E2E_DIR/pack/docs/notes"
printf 'Licence: you may read this book.\r\n' > "$E2E_DIR/pack/LICENSE.TXT"
printf '[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\n' > "$E2E_DIR/pack/SETUP.INI"
python3 -c "import random; random.seed(5); import sys; sys.stdout.buffer.write(bytes(random.randrange(256) for _ in range(70000)))" > "$E2E_DIR/pack/docs/book.bin"
: > "$E2E_DIR/pack/docs/notes/empty.txt"
ini=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=Flow Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
e2e_package_folder "$E2E_DIR" "$ini"
# A planted library beside the setup: loading by bare name would find it
# first (it has no "dunzip": alert 1007); the copy in the destination is used.
cp "$E2E_BIN/METER.DLL" "$E2E_DIR/DUNZIP32.DLL"
# A junk COMCTL32.DLL there too: setup must still start, and its progress
# bars come from the system's copy.
python3 -c "import sys; sys.stdout.buffer.write(b'MZ' + bytes(range(256)) * 12)" > "$E2E_DIR/COMCTL32.DLL"
readme='Read me first: this readme is longer than the licence that follows it.'
printf '%s' "$readme" > "$E2E_DIR/readme1st.txt"

dest="$E2E_DIR/one/two/three"
install_walk full --timeout 60 \
    --readme --at readme 'text 1 "Continue"' --at readme "text 1000 \"$readme\"" --at readme 'hidden 4' \
    --to 'c:\\e2e\\install_flow\\one\\two\\three' \
    --at copy 'text 1006 "Copying Files..."' --at copy 'waittext 1006 "Uncompressing files..."' \
    --not-complete -- "$E2E_WIN\\SETUP.EXE" <<SCN
dialog 1000,4
text 1 "Accept"
text 1000 "Licence: you may read this book.\\r\\n"
press 2
msgbox "Cancel" "Are you sure you want to cancel?"
press 7
gone
dialog 1000,4
press 1
# No EMBED.EXE in this package: the sequence names what it could not start.
msgbox "Cannot execute Tarnwick 32-bit Installer." "\\"C:\\\\E2E\\\\INSTALL_FLOW\\\\ONE\\\\TWO\\\\THREE\\\\EMBED.EXE\\" -cdrom C:\\\\"
press 1
SCN
for f in LICENSE.TXT SETUP.INI docs/book.bin docs/notes/empty.txt; do
    cmp "$E2E_DIR/pack/$f" "$dest/$f" || e2e_fail "member $f not expanded intact"
done
for f in DUNZIP32.DLL PACK.BOX ctl3dv2.dll; do
    [ ! -e "$dest/$f" ] || e2e_fail "$f left in the destination"
done
cmp "$E2E_DIR/SETUP.EXE" "$dest/UNINSTAL.EXE" || e2e_fail "UNINSTAL.EXE differs from the package"

# cancel_copy NAME PROGRAM DIR: the copy into DIR cancelled, and confirmed.
cancel_copy()
{
    install_walk "$1" --timeout 60 --to "$(e2e_quote "$3")" --no-copy -- "$2" <<'SCN'
dialog 1003,1002,1006
press 2
msgbox "Cancel" "Are you sure you want to cancel?"
press 6
exit 0
SCN
}

# Cancel during the copy, confirmed: the copy stops, no alert and no licence
# follow, and the staged library and archive are removed.
rm -f "$E2E_DIR/readme1st.txt"
cancel_copy cancel_copy "$E2E_WIN\\SETUP.EXE" "$E2E_WIN\\cancelled"
for f in DUNZIP32.DLL PACK.BOX LICENSE.TXT SETUP.INI; do
    [ ! -e "$E2E_DIR/cancelled/$f" ] || e2e_fail "$f present after a cancelled copy"
done
if grep -q -e 'Alert' -e '"Accept"' "$E2E_LOG/cancel_copy.transcript"; then
    e2e_fail "an alert or the licence followed the confirmed cancel"
fi
# The same in a package of some 300 blocks, where most blocks leave the bar
# as it is and take no pause: the dialog still answers Cancel, and the
# confirmed cancel ends the run as in a small package.
mkdir -p "$E2E_DIR/big/pack"
cp "$E2E_DIR/pack/LICENSE.TXT" "$E2E_DIR/pack/SETUP.INI" "$E2E_DIR/big/pack/"
head -c 1200000 /dev/urandom > "$E2E_DIR/big/pack/book.bin"
e2e_package_folder "$E2E_DIR/big" "$ini"
cancel_copy cancel_big_copy "$E2E_WIN\\big\\SETUP.EXE" "$E2E_WIN\\big\\cancelled"
for f in DUNZIP32.DLL PACK.BOX LICENSE.TXT SETUP.INI book.bin; do
    [ ! -e "$E2E_DIR/big/cancelled/$f" ] || e2e_fail "$f present after a cancelled copy of a large package"
done
! grep -q -e 'Alert' -e '"Accept"' "$E2E_LOG/cancel_big_copy.transcript" ||
    e2e_fail "an alert or the licence followed the confirmed cancel of a large package"
echo "install_flow passed"
