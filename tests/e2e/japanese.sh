#!/usr/bin/env bash
# An installation and its removal on Japanese Windows: a prefix of its own
# made in the ja_JP.UTF-8 locale (ANSI code page 932), against the shell's
# own Program Manager service. Every text the programs get is Shift_JIS,
# where a trail byte can be a "\" (表 95 5C, 予 97 5C), a "|" (ポ 83 7C) or
# a lower-case letter (ビ 83 72). Typed destination C:\ビデオ\予定表, group
# ビデオ予定表, main item ポスター表示, icon 表紙.ICO and document 予定表.PDF:
# the files land there under their names, EMBED.EXE starts from there, the
# links point there; the uninstaller removes group, files, itself and the
# folder. The user's file beside it and the user's own C:\コェオ\予定表
# (the destination upper-cased byte by byte) with a README.TXT and another
# product's UNINSTAL.EXE stay untouched throughout. The package is made as
# a publisher on Linux makes it: the book's folder names its files in UTF-8,
# and pubkit pack --codepage 932 stores them as Japanese Windows reads them.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$(dirname "$0")/lib/install.sh"
source "$e2e_root/tools/bench.sh"
bench_locale_prefix ja_JP.UTF-8 932 "$e2e_root/build/wineprefix-932" ||
    e2e_fail "no prefix with the Japanese ANSI code page 932"
trap bench_locale_stop EXIT
e2e_dir japanese
shell_ready

sjis() { printf '%s' "$1" | iconv -f UTF-8 -t SHIFT_JIS; }
# A scenario string: every 0x5C byte, trail bytes included, escaped.
scn() { sjis "$1" | LC_ALL=C sed 's/\\/\\\\/g; s/"/\\"/g'; }
# Back to UTF-8 as Windows reads 932: iconv's SHIFT_JIS takes 0x5C for a yen.
utf8() { iconv -f CP932 -t UTF-8; }
# Wine keeps the Unix names in UTF-8.
listing() { (cd "$1" && LC_ALL=C ls -A | tr '\n' ' '); }

parent="$WINEPREFIX/drive_c/ビデオ"
dest="$parent/予定表"
mine="$WINEPREFIX/drive_c/コェオ/予定表"
programs=$(programs_dir)
mkdir -p "$mine" "$parent"
printf 'mine\r\n' > "$mine/README.TXT"
e2e_blob 3000 5 > "$mine/UNINSTAL.EXE"
cp -r "$mine" "$E2E_DIR/mine"
printf 'notes\r\n' > "$parent/メモ.TXT"
programs_before=$(cd "$programs" && find . | LC_ALL=C sort)

script=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=Japanese Book\r\nR1=159,159,159,0,0,3\r\n'
script+=$'R2=000,064,128\r\nFOLDERTITLE="ビデオ予定表"\r\nICONTITLE="ポスター表示"\r\n'
script+=$'ICONFILE=表紙.ICO\r\nINSTALLER=\r\nMAINFILE=予定表.PDF\r\nUFILE=予定表.PDF\r\n'
mkdir -p "$E2E_DIR/pack"
cp "$E2E_TESTS/recorder.exe" "$E2E_DIR/pack/EMBED.EXE"
printf 'readme\r\n' > "$E2E_DIR/pack/README.TXT"
sjis "$script" > "$E2E_DIR/pack/SETUP.INI"
printf 'icon\r\n' > "$E2E_DIR/pack/表紙.ICO"
printf '%%PDF-1.4\n' > "$E2E_DIR/pack/予定表.PDF"
# The book has no licence and the recorder is no embed installer, which the
# check finds: --force packs them all the same.
"$e2e_root/build/host/pubkit/pubkit" pack --codepage 932 --setup "$E2E_BIN/setup.exe" \
    --meter "$E2E_BIN/METER.DLL" --dunzip "$E2E_BIN/DUNZIP32.DLL" --pack "$E2E_DIR/pack" \
    --ini "$E2E_DIR/pack/SETUP.INI" -o "$E2E_DIR/SETUP.EXE" --force > "$E2E_LOG/pack.txt" 2>&1 ||
    e2e_fail "pubkit pack --codepage 932: $(cat "$E2E_LOG/pack.txt")"

install_walk install --timeout 120 --to "$(scn 'C:\ビデオ\予定表')" --complete -- "$E2E_WIN\\SETUP.EXE" <<SCN
dialog 1002,1006
waittext 1006 "Creating Program Group and Items..."
SCN

want='EMBED.EXE EMBED.EXE.args README.TXT SETUP.INI UNINSTAL.EXE 予定表.PDF 表紙.ICO '
[ "$(listing "$dest")" = "$want" ] || e2e_fail "installed: $(listing "$dest")"
[ "$(listing "$parent")" = 'メモ.TXT 予定表 ' ] || e2e_fail "beside it: $(listing "$parent")"
diff -r "$E2E_DIR/mine" "$mine" >&2 || e2e_fail "the user's C:\\コェオ\\予定表 changed"
args=$(utf8 < "$dest/EMBED.EXE.args")
[ "$args" = '"C:\ビデオ\予定表\EMBED.EXE" -cdrom C:\' ] || e2e_fail "EMBED.EXE was started as $args"
rm "$dest/EMBED.EXE.args"  # the recorder's; the real EMBED.EXE leaves its document
links=()
for f in "$programs/ビデオ予定表"/*.lnk; do [ -e "$f" ] && links+=("$(winepath -w "$f")"); done
[ ${#links[@]} -gt 0 ] || e2e_fail "no links in the group ビデオ予定表"
got=$(wine "$E2E_TESTS/linkinfo.exe" "${links[@]}" | tr -d '\r' | utf8 | LC_ALL=C sort)
want=$(LC_ALL=C sort <<'LINKS'
ポスター表示.lnk -> C:\ビデオ\予定表\予定表.PDF (icon: C:\ビデオ\予定表\表紙.ICO,0)
Uninstall.lnk -> C:\ビデオ\予定表\UNINSTAL.EXE (icon: C:\ビデオ\予定表\UNINSTAL.ICO,0)
Readme.lnk -> C:\ビデオ\予定表\README.TXT (no icon)
LINKS
)
[ "$got" = "$want" ] || e2e_fail "the group's links are"$'\n'"$got"

e2e_drive uninstall -- "C:\\ビデオ\\予定表\\UNINSTAL.EXE" <<SCN
timeout 90
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
nofile "$(scn 'C:\ビデオ\予定表\UNINSTAL.EXE')"
SCN
# The relay removes the folder right after the uninstaller.
for i in $(seq 1 100); do [ -d "$dest" ] || break; sleep 0.1; done
[ ! -d "$dest" ] || e2e_fail "the installation folder stays, holding $(listing "$dest")"
[ -f "$parent/メモ.TXT" ] || e2e_fail "the user's file beside the folder is gone"
diff -r "$E2E_DIR/mine" "$mine" >&2 || e2e_fail "the user's C:\\コェオ\\予定表 changed"
[ "$(cd "$programs" && find . | LC_ALL=C sort)" = "$programs_before" ] ||
    e2e_fail "the Programs folder keeps: $(cd "$programs" && find . -newer "$mine/README.TXT")"
! grep -q '"Error"' "$E2E_LOG/install.transcript" "$E2E_LOG/uninstall.transcript" ||
    e2e_fail "an error was shown"
echo "japanese passed"
