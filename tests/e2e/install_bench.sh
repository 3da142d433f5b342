#!/usr/bin/env bash
# The whole installation of a book, shown under the UI driver and silent:
# for each run the wall time, the time setup and embed spent in their fixed
# pauses and the rest, the work. The pauses are read from Wine's relay trace
# of the calls every pause of the two programs ends in (tests/bench/
# pause_time.py), so the programs carry no measuring code.
# INSTALL_BENCH_MB sets the size of the book's PDF (tools/bench-install runs
# 20 MB by default; "sample" is the sample's own book). Under tools/test a
# 2 MB book, a package of some 500 blocks, checks that such a package
# installs whole shown and silent. Figures only: no time is asserted.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/embed.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/install.sh"
e2e_dir install_bench
relay_key='HKCU\Software\Wine\Debug'
relay_off() { wine reg delete "$relay_key" /v RelayInclude /f >/dev/null 2>&1 || true; }
trap 'relay_off; viewer_stop; embed_reset; rm -f "$BENCH_CDROM/SETUP.EXE"' EXIT
shell_ready
size=${INSTALL_BENCH_MB:-2}

# The book: the sample's own, or a PDF of one page holding a picture of
# SIZE MB of noise, which no deflater shrinks, like the pictures of a real
# book.
book="$E2E_DIR/book.pdf"
if [ "$size" = sample ]; then
    cp "$e2e_root/sample/embed/book.pdf" "$book"
else
    python3 - "$book" "$size" <<'PY'
import random, sys
out, mb = sys.argv[1], float(sys.argv[2])
width = 1024
height = max(1, int(mb * 1024 * 1024) // (3 * width))
pixels = random.Random(20).randbytes(3 * width * height)
page = b"q 612 0 0 792 0 0 cm /Im1 Do Q"
objects = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
    b"/Resources << /XObject << /Im1 4 0 R >> >> /Contents 5 0 R >>",
    b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
    b"/BitsPerComponent 8 /Length %d >>\nstream\n" % (width, height, len(pixels)) + pixels + b"\nendstream",
    b"<< /Length %d >>\nstream\n" % len(page) + page + b"\nendstream",
]
data = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
offsets = []
for number, body in enumerate(objects, 1):
    offsets.append(len(data))
    data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
xref = len(data)
data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
data += b"".join(b"%010d 00000 n \n" % o for o in offsets)
data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(out, "wb").write(data)
PY
fi
sample_package "$book"
viewer_install "$E2E_DIR/viewer" reader
package_bytes=$(stat -c %s "$E2E_DIR/SETUP.EXE")
echo "book: $(stat -c %s "$book") bytes of PDF; SETUP.EXE $package_bytes bytes," \
     "PACK.BOX $(stat -c %s "$E2E_DIR/PACK.BOX") bytes;" \
     "the copy's scale is $(( (package_bytes - 512) / 4096 + 1 )) blocks"

dest="$WINEPREFIX/drive_c/EBOOK"
group="$(programs_dir)/The Lighthouse Keeper"
rm -rf "$dest" "$group"

now() { date +%s%N; }
seconds() { awk -v n="$1" 'BEGIN { printf "%.2f", n / 1e9 }'; }

# Wine's own start, on the same road as the runs: the UI driver starting a
# program that only writes its command line and ends. Best of two.
cp "$E2E_TESTS/recorder.exe" "$E2E_DIR/recorder.exe"
wine_start=
for i in 1 2; do
    t0=$(now)
    e2e_drive "start$i" -- "$E2E_WIN\\recorder.exe" <<'SCN'
exit 0
SCN
    t=$(( $(now) - t0 ))
    [ -z "$wine_start" ] || [ "$t" -lt "$wine_start" ] && wine_start=$t
done
echo "Wine's own start (the UI driver and a program that only ends): $(seconds "$wine_start") s"

wine reg add "$relay_key" /v RelayInclude /d 'MsgWaitForMultipleObjects;Sleep' /f >/dev/null

# run NAME [--verbatim] -- PROGRAM ARGS: plays the scenario on stdin with the
# relay trace on, then prints the run's split.
run()
{
    local name=$1 trace="$E2E_LOG/$1.trace" t0 wall pauses
    shift
    t0=$(now)
    WINEDEBUG=-all,+timestamp,+loaddll,+relay e2e_drive "$name" "$@" 2> "$trace" ||
        { tail -n 20 "$trace" >&2; e2e_fail "the $name installation"; }
    wall=$(( $(now) - t0 ))
    pauses=$(python3 "$e2e_root/tests/bench/pause_time.py" "$trace" setup.exe embed.exe)
    awk -v name="$name" -v wall="$wall" -v pauses="$pauses" 'BEGIN {
        split(pauses, p, " ")
        printf "%-7s wall %7.2f s = pauses %7.2f s (%d waits) + work %6.2f s\n",
               name ":", wall / 1e9, p[1], p[2], wall / 1e9 - p[1] }'
}

# check NAME: the installation is whole; then it is removed for the next run.
# A fault is reported at once but fails the script only after every run, so
# a long run's figures are never lost.
faults=0
check()
{
    local fault=()
    cmp -s "$book" "$dest/book.pdf" || fault+=("book.pdf was not written whole")
    cmp -s "$E2E_DIR/pack/EMBED.EXE" "$dest/EMBED.EXE" || fault+=("EMBED.EXE differs")
    cmp -s "$E2E_DIR/SETUP.EXE" "$dest/UNINSTAL.EXE" || fault+=("UNINSTAL.EXE differs")
    [ -f "$group/The Lighthouse Keeper.lnk" ] || fault+=("no link in the group")
    if [ ${#fault[@]} -gt 0 ]; then
        printf 'FAIL: %s: %s\n' "$1" "${fault[@]}" >&2
        ls -l "$dest" >&2 || true
        faults=$((faults + 1))
    fi
    viewer_stop
    rm -rf "$dest" "$group"
}

shown=$(install_scenario --timeout 3600 --licence --complete <<'SCN'
msgbox "Tarnwick" "The Lighthouse Keeper is ready to read."
press 1
SCN
)
run shown -- 'D:\SETUP.EXE' <<< "$shown"
check shown

run silent --verbatim -- 'D:\SETUP.EXE' /S '/D=C:\EBOOK' <<'SCN'
timeout 3600
exit 0
nowindows
SCN
check silent
[ "$faults" = 0 ] || e2e_fail "$faults of the runs did not install whole"
echo "install_bench passed"
