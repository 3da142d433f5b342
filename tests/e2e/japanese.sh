#!/usr/bin/env bash
# An installation and its removal on Japanese Windows: a prefix of its own,
# made in the ja_JP.UTF-8 locale, whose ANSI code page is 932, against the
# shell's own Program Manager service. Every text the programs get is
# Shift_JIS, where a character's trail byte can be a "\" (表 95 5C, 予
# 97 5C, 能 94 5C), a "|" (ポ 83 7C) or a lower-case letter (ビ 83 72).
#   - typed destination C:\ビデオ\予定表: the files land there under their
#     own names (表紙.ICO and 予定表.PDF end in 0x5C), nothing lands in
#     the user's C:\コェオ\予定表 (the old upper-cased spelling) or beside
#     the destination, and EMBED.EXE is started from there
#   - group ビデオ予定表 with the main item ポスター表示 and the two fixed
#     links, their targets and icons as the shell's link object reads them
#   - the uninstaller removes the group, the package's files (the icon and
#     the UFILE= document by their names), itself and the folder; the
#     user's file beside the folder and the user's own folder of the
#     upper-cased spelling (with an UNINSTAL.EXE of its own) stay
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib/progman.sh"
source "$e2e_root/tools/bench.sh"
bench_locale_prefix ja_JP.UTF-8 932 "$e2e_root/build/wineprefix-932" ||
    e2e_fail "no prefix with the Japanese ANSI code page 932"
trap bench_locale_stop EXIT
e2e_dir japanese
shell_ready

# Text as the programs get it, and as a scenario string: Shift_JIS, every
# 0x5C byte (a backslash or a trail byte) and quote escaped for the driver.
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t SHIFT_JIS; }
scn() { sjis "$1" | LC_ALL=C sed 's/\\/\\\\/g; s/"/\\"/g'; }
# What the programs write, back in UTF-8: read as Windows' code page 932,
# where 0x5C is the backslash (iconv's SHIFT_JIS reads it as a yen sign).
utf8() { iconv -f CP932 -t UTF-8; }

drive_c="$WINEPREFIX/drive_c"
dest="$drive_c/ビデオ/予定表"
mine="$drive_c/コェオ/予定表"
programs=$(programs_dir)
group="$programs/ビデオ予定表"
rm -rf "$drive_c/ビデオ" "$drive_c/コェオ" "$group"

# The user's own: a folder of the spelling the destination once became,
# with a readme and an uninstaller of another product, and a file beside
# the destination.
mkdir -p "$mine" "$drive_c/ビデオ"
printf 'mine\r\n' > "$mine/README.TXT"
e2e_blob 3000 5 > "$mine/UNINSTAL.EXE"
cp "$mine/UNINSTAL.EXE" "$E2E_DIR/their-uninstal.exe"
printf 'notes\r\n' > "$drive_c/ビデオ/メモ.TXT"
programs_before=$(cd "$programs" && find . | LC_ALL=C sort)

keys=$'[Setup]\r\nDEFAULTDIR=C:\\BOOK\r\nPUBNAME=Japanese Book\r\nR1=159,159,159,0,0,3\r\nR2=000,064,128\r\n'
script=$keys$'FOLDERTITLE="ビデオ予定表"\r\nICONTITLE="ポスター表示"\r\nICONFILE=表紙.ICO\r\n'
script+=$'INSTALLER=\r\nMAINFILE=予定表.PDF\r\nUFILE=予定表.PDF\r\n'
pack="$E2E_DIR/pack"
mkdir -p "$pack"
cp "$E2E_TESTS/recorder.exe" "$pack/EMBED.EXE"
printf 'readme\r\n' > "$pack/README.TXT"
sjis "$script" > "$pack/SETUP.INI"
printf 'icon\r\n' > "$pack/$(sjis 表紙.ICO)"
printf '%%PDF-1.4\n' > "$pack/$(sjis 予定表.PDF)"
# Member names as the code page writes them, without the UTF-8 flag.
(cd "$pack" && LC_ALL=C zip -q -r -X ../PACK.BOX .)
e2e_package "$E2E_DIR" "$(sjis "$script")" "$E2E_DIR/PACK.BOX"

e2e_drive install -- "$E2E_WIN\\SETUP.EXE" <<SCN
timeout 120
dialog 1001,1006,1000
type 1000 "$(scn 'C:\ビデオ\予定表')"
press 1
dialog 1003,1002,1006
gone
dialog 1002,1006
waittext 1006 "Creating Program Group and Items..."
dialog 1,1006
text 1006 "Installation is Complete."
press 1
exit 0
SCN

# Wine keeps the Unix names in UTF-8.
listing() { (cd "$1" && LC_ALL=C ls -A); }
got=$(listing "$dest")
want=$(printf '%s\n' EMBED.EXE EMBED.EXE.args README.TXT SETUP.INI UNINSTAL.EXE 予定表.PDF \
           表紙.ICO | LC_ALL=C sort)
[ "$got" = "$want" ] || e2e_fail "installed files are"$'\n'"$got"$'\n'"expected"$'\n'"$want"
[ "$(listing "$drive_c/ビデオ")" = "$(printf '%s\n' メモ.TXT 予定表 | LC_ALL=C sort)" ] ||
    e2e_fail "beside the destination: $(listing "$drive_c/ビデオ")"
[ "$(cat "$mine/README.TXT")" = $'mine\r' ] || e2e_fail "the user's README.TXT was replaced"
[ "$(listing "$mine")" = "$(printf '%s\n' README.TXT UNINSTAL.EXE)" ] ||
    e2e_fail "the user's folder now holds $(listing "$mine")"
args=$(utf8 < "$dest/EMBED.EXE.args")
[ "$args" = '"C:\ビデオ\予定表\EMBED.EXE" -cdrom C:\' ] || e2e_fail "EMBED.EXE was started as $args"
# What the real EMBED.EXE leaves is its document, which UFILE= names.
rm -f "$dest/EMBED.EXE.args"

links=()
for f in "$group"/*.lnk; do
    [ -e "$f" ] && links+=("$(winepath -w "$f")")
done
got=$( ( [ ${#links[@]} -eq 0 ] || wine "$E2E_TESTS/linkinfo.exe" "${links[@]}" ) | tr -d '\r' |
       utf8 | LC_ALL=C sort)
want=$(LC_ALL=C sort <<'LINKS'
ポスター表示.lnk -> C:\ビデオ\予定表\予定表.PDF (icon: C:\ビデオ\予定表\表紙.ICO,0)
Uninstall.lnk -> C:\ビデオ\予定表\UNINSTAL.EXE (icon: C:\ビデオ\予定表\UNINSTAL.ICO,0)
Readme.lnk -> C:\ビデオ\予定表\README.TXT (no icon)
LINKS
)
[ "$got" = "$want" ] || e2e_fail "the group's links are"$'\n'"$got"$'\n'"expected"$'\n'"$want"

e2e_drive uninstall -- "C:\\ビデオ\\予定表\\UNINSTAL.EXE" <<SCN
timeout 60
msgbox "Uninstall" "Are you sure you want to uninstall?"
press 1
exit 0
nofile "$(scn 'C:\ビデオ\予定表\UNINSTAL.EXE')"
SCN
# The second stage removes the folder right after the uninstaller.
for i in $(seq 1 100); do [ -d "$dest" ] || break; sleep 0.1; done
[ ! -d "$dest" ] || e2e_fail "the installation folder stays, holding $(listing "$dest")"
[ -f "$drive_c/ビデオ/メモ.TXT" ] || e2e_fail "the user's file beside the folder is gone"
[ "$(cat "$mine/README.TXT")" = $'mine\r' ] && cmp -s "$mine/UNINSTAL.EXE" "$E2E_DIR/their-uninstal.exe" ||
    e2e_fail "the user's folder changed: $(listing "$mine")"
programs_after=$(cd "$programs" && find . | LC_ALL=C sort)
[ "$programs_before" = "$programs_after" ] ||
    e2e_fail "the Programs folder was"$'\n'"$programs_before"$'\n'"and is now"$'\n'"$programs_after"
for name in install uninstall; do
    ! grep -q '"Error"' "$E2E_LOG/$name.transcript" || e2e_fail "$name: an error was shown"
done
echo "japanese passed"
