# Helpers of the embed scenarios; sourced after lib.sh.
#   embed_installer OUT [make_installer.py options]  assembles an installer
#                  from the bare embed.exe (OUT is a Unix path)
#   viewer_install DIR reader|acrobat|both [deaf] [CAPS]
#                  puts the viewer double into DIR/Reader/AcroRd32.exe
#                  and/or DIR/Acrobat/Acrobat.exe, each with a plug_ins
#                  folder (and with deaf a file of that name, which makes
#                  the double deaf to DDE), and registers it through App
#                  Paths and the .pdf association; CAPS registers the
#                  Reader path in capitals. Sets VIEWER_READER, VIEWER_ACROBAT
#                  (Unix folders) and VIEWER_EXE_WIN (the associated program).
#   viewer_run     starts the installed Reader double by hand, as a user
#                  would have (arguments passed on), and waits, bounded,
#                  until it serves
#   viewer_stop    ends every double started from the installed folders
#   embed_reset    removes every registry key the scenarios set, and the
#                  viewer that the installer double installed
#   installer_double DIR   puts the installer double into DIR as VWINST.EXE
#                  with the viewer double beside it as its payload
#                  AcroRd32.ex_; what it installs lands in INSTALLED_VIEWER
#                  (Unix folder) and is registered for .pdf
#   sample_pack EMBED  fills E2E_DIR/pack with the sample's files and the
#                  EMBED.EXE at the Unix path EMBED
#   sample_package [PDF]  builds the sample package in E2E_DIR, its EMBED.EXE
#                  made by the bare embed in E2E_DIR/builder (carrying PDF
#                  as book.pdf, the sample's own book by default), and puts
#                  it on the CD as D:\SETUP.EXE
#   trust_set / trust_present   sets / tests Reader 5.0's TrustedMode value
#   temp_dir_set WINDIR / temp_dir_restore   points TEMP and TMP of the
#                  programs started from now on elsewhere / back (embed_reset
#                  restores them too)

embed_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
APP_PATHS='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths'
VIEWER_KEY='HKCU\Software\Adobe\Acrobat Reader\5.0\AdobeViewer'
PLUGIN_URL='http://www.tarnwick.com/download/tarnw32.api'
INSTALLED_VIEWER="$WINEPREFIX/drive_c/Program Files/Adobe/Acrobat 4.0/Reader"

embed_installer()
{
    local out=$1
    shift
    python3 "$embed_lib_dir/make_installer.py" "$out" --image "$E2E_BIN/embed.exe" "$@"
}

# The current user's TEMP and TMP as "NAME TYPE VALUE" entries, saved while they
# point elsewhere.
embed_saved_temp=""

temp_dir_set()
{
    [ -n "$embed_saved_temp" ] || embed_saved_temp=$(wine reg query 'HKCU\Environment' 2>/dev/null |
        tr -d '\r' | awk '$1 == "TEMP" || $1 == "TMP" { $1 = $1; print }' |
        head -2 | paste -sd '|' -)
    wine reg add 'HKCU\Environment' /v TEMP /d "$1" /f >/dev/null
    wine reg add 'HKCU\Environment' /v TMP /d "$1" /f >/dev/null
}

temp_dir_restore()
{
    [ -n "$embed_saved_temp" ] || return 0
    local line name type value
    IFS='|' read -ra lines <<< "$embed_saved_temp"
    for line in "${lines[@]}"; do
        read -r name type value <<< "$line"
        wine reg add 'HKCU\Environment' /v "$name" /t "$type" /d "$value" /f >/dev/null
    done
    embed_saved_temp=""
}

embed_reset()
{
    temp_dir_restore
    wine reg delete "$APP_PATHS\\AcroRd32.EXE" /f >/dev/null 2>&1 || true
    wine reg delete "$APP_PATHS\\Acrobat.exe" /f >/dev/null 2>&1 || true
    wine reg delete 'HKCR\.pdf' /f >/dev/null 2>&1 || true
    wine reg delete 'HKCR\TarnwickTestPdf' /f >/dev/null 2>&1 || true
    wine reg delete "$VIEWER_KEY" /f >/dev/null 2>&1 || true
    wine reg delete 'HKCR\AcroExch.Document' /f >/dev/null 2>&1 || true
    rm -rf "$INSTALLED_VIEWER"
}

installer_double()
{
    mkdir -p "$1"
    cp "$E2E_TESTS/installer_double.exe" "$1/VWINST.EXE"
    cp "$E2E_TESTS/viewer_double.exe" "$1/AcroRd32.ex_"
}

viewer_deafness()
{
    if [ "$2" = deaf ]; then : > "$1/deaf"; else rm -f "$1/deaf"; fi
}

viewer_install()
{
    local dir=$1 kind=$2 variant=${3:-double} caps=${4:-}
    local exe="$E2E_TESTS/viewer_double.exe"
    embed_reset
    VIEWER_READER="" VIEWER_ACROBAT="" VIEWER_EXE_WIN=""
    local win
    win=$(winepath -w "$dir")
    if [ "$kind" = reader ] || [ "$kind" = both ]; then
        VIEWER_READER="$dir/Reader"
        mkdir -p "$VIEWER_READER/plug_ins"
        cp "$exe" "$VIEWER_READER/AcroRd32.exe"
        viewer_deafness "$VIEWER_READER" "$variant"
        local value="$win\\Reader\\AcroRd32.exe"
        [ -n "$caps" ] && value="$win\\Reader\\ACRORD32.EXE"
        wine reg add "$APP_PATHS\\AcroRd32.EXE" /ve /d "$value" /f >/dev/null
        VIEWER_EXE_WIN="$win\\Reader\\AcroRd32.exe"
    fi
    if [ "$kind" = acrobat ] || [ "$kind" = both ]; then
        VIEWER_ACROBAT="$dir/Acrobat"
        mkdir -p "$VIEWER_ACROBAT/plug_ins"
        cp "$exe" "$VIEWER_ACROBAT/Acrobat.exe"
        viewer_deafness "$VIEWER_ACROBAT" "$variant"
        wine reg add "$APP_PATHS\\Acrobat.exe" /ve /d "$win\\Acrobat\\Acrobat.exe" /f >/dev/null
        VIEWER_EXE_WIN="$win\\Acrobat\\Acrobat.exe"
    fi
    wine reg add 'HKCR\.pdf' /ve /d TarnwickTestPdf /f >/dev/null
    wine reg add 'HKCR\TarnwickTestPdf\shell\open\command' /ve /d "\"$VIEWER_EXE_WIN\" \"%1\"" /f >/dev/null
}

viewer_run()
{
    (cd "$VIEWER_READER" && wine AcroRd32.exe "$@" </dev/null >/dev/null 2>&1 &)
    local i
    for i in $(seq 1 100); do [ -f "$VIEWER_READER/ready.txt" ] && return 0; sleep 0.1; done
    e2e_fail "the viewer double did not start"
}

# Ends the doubles that were started (each wrote a line to opened.txt) and
# waits, bounded, until each has ended (a line in ended.txt).
viewer_stop()
{
    local d i started
    for d in "$VIEWER_READER" "$VIEWER_ACROBAT"; do
        [ -n "$d" ] && [ -f "$d/opened.txt" ] || continue
        started=$(wc -l < "$d/opened.txt")
        touch "$d/quit"
        for i in $(seq 1 100); do
            [ -f "$d/ended.txt" ] && [ "$(wc -l < "$d/ended.txt")" -ge "$started" ] && break
            sleep 0.1
        done
        [ "$(wc -l < "$d/ended.txt" 2>/dev/null || echo 0)" -ge "$started" ] ||
            e2e_fail "a viewer double in $d did not end"
        rm -f "$d/quit" "$d/ended.txt" "$d/opened.txt" "$d/ready.txt" "$d/dde.txt"
    done
}

sample_pack()
{
    [ -f "$1" ] || e2e_fail "no sample EMBED.EXE at $1"
    mkdir -p "$E2E_DIR/pack"
    cp "$e2e_root"/sample/pack/* "$E2E_DIR/pack/"
    [ "$1" -ef "$E2E_DIR/pack/EMBED.EXE" ] || cp "$1" "$E2E_DIR/pack/EMBED.EXE"
}

sample_package()
{
    local book=${1:-$e2e_root/sample/embed/book.pdf}
    mkdir -p "$E2E_DIR/builder" "$E2E_DIR/pack"
    cp "$E2E_BIN/embed.exe" "$e2e_root/sample/embed/tarnw32.api" "$E2E_DIR/builder/"
    cp "$book" "$E2E_DIR/builder/book.pdf"
    printf '%s\r\n' "PATH1=$E2E_WIN\\pack\\EMBED.EXE" "MSG=The Lighthouse Keeper is ready to read." \
        "DEL=NO" > "$E2E_DIR/builder/tkbuild.txt"
    e2e_drive embed_build -- "$E2E_WIN\\builder\\embed.exe" -setup "$E2E_WIN\\builder\\book.pdf" <<'SCN'
exit 0
SCN
    sample_pack "$E2E_DIR/pack/EMBED.EXE"
    e2e_package_folder "$E2E_DIR" "$(cat "$e2e_root/sample/pack/SETUP.INI")"
    cp "$E2E_DIR/SETUP.EXE" "$BENCH_CDROM/SETUP.EXE"
}

trust_set()
{
    wine reg add "$VIEWER_KEY" /v TrustedMode /t REG_DWORD /d 1 /f >/dev/null
}

trust_present()
{
    wine reg query "$VIEWER_KEY" /v TrustedMode >/dev/null 2>&1
}
