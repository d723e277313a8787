#!/usr/bin/env bash
# The Windows zip as a technician gets it: made from this build with CPack, checked for what it
# holds, unpacked inside the wine prefix into a folder whose name holds blanks, and both
# programs started from there with another working directory. A probe plugin drives them
# (tests/package/probe) and logs the captions Windows shows; wine's traces tell which DLLs
# they loaded and which files they opened; a stand-in hhctrl.ocx records the help calls.
#   windows_zip_test.sh BUILD_DIR CPACK WINE_DIR WINE64 PROBE_PLUGINS HELP_RECORDER SOURCE_DIR
set -uo pipefail
build=$1 cpack=$2 winedir=$3 wine=$4 probe=$5 recorder=$6 source=$7

export WINEPREFIX="$winedir/prefix" WINEARCH=win64
name=korvel-1.0-windows-x86_64
work="$build/windows_zip_test"
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

rm -rf "$work"
mkdir -p "$work/pack" "$work/cwd"
if ! (cd "$build" && "$cpack" -G ZIP -B "$work/pack") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
fi
zip="$work/pack/$name.zip"
[ -f "$zip" ] || { echo "no $zip" >&2; exit 1; }

# --- what the zip holds: one folder, exactly these entries
{
    for f in korveltool.exe DruckKorvel.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
        libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/ platforms/qwindows.dll \
        styles/ styles/qwindowsvistastyle.dll qtbase_de.qm HilfeKorvelTool.chm \
        HilfeDruckKorvel.chm Kunden/ LIESMICH.txt; do
        echo "$name/$f"
    done
    for f in "$source"/data/*; do
        [ "$(basename "$f")" = CMakeLists.txt ] || echo "$name/$(basename "$f")"
    done
} | sort >"$work/expected"
unzip -Z1 "$zip" | sort >"$work/listing"
diff -u "$work/expected" "$work/listing" >&2 || fail "the zip holds other files than expected"

# --- unpacked where a technician might put it, beside nothing of the build
dest="$WINEPREFIX/drive_c/users/Public/Korvel Programme (Werkstatt)"
rm -rf "$dest"
mkdir -p "$dest"
unzip -q "$zip" -d "$dest" || fail "unzip"
folder="$dest/$name"
for f in "$source"/data/*; do
    [ "$(basename "$f")" = CMakeLists.txt ] || cmp -s "$f" "$folder/$(basename "$f")" ||
        fail "data file $(basename "$f") differs"
done
# Window programs: Windows opens no console window beside them.
for exe in korveltool.exe DruckKorvel.exe; do
    file "$folder/$exe" | grep -qF '(GUI)' || fail "$exe is no window program: $(file -b "$folder/$exe")"
done
[ -d "$folder/Kunden" ] && [ -z "$(ls -A "$folder/Kunden")" ] || fail "Kunden is not an empty folder"

# LIESMICH.txt for Notepad: UTF-8 with its byte order mark, CR LF after every line.
readme="$folder/LIESMICH.txt"
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "LIESMICH.txt has no BOM"
lf=$(tr -cd '\n' <"$readme" | wc -c)
crlf=$(grep -c $'\r$' "$readme")
[ "$lf" -gt 20 ] && [ "$lf" -eq "$crlf" ] || fail "LIESMICH.txt: $lf lines, $crlf with CR LF"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null || fail "LIESMICH.txt is no valid UTF-8"
for text in "Geräte-Manager" "Anschlüsse (COM & LPT)" "C:\\Programme" "Mitschnitte" "Protokolle" \
    "DruckKorvel.ini" "%LOCALAPPDATA%"; do
    grep -qF "$text" "$readme" || fail "LIESMICH.txt does not mention $text"
done

# --- the help viewer's library, replaced for these runs by the recorder; real windows on a
# virtual X display of our own, so that Windows captions can be read back
hhctrl="$WINEPREFIX/drive_c/windows/system32/hhctrl.ocx"
cp "$hhctrl" "$work/hhctrl.ocx.saved"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
    cp "$work/hhctrl.ocx.saved" "$hhctrl"
    kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
cp "$recorder" "$hhctrl"
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

win_folder='C:\users\Public\Korvel Programme (Werkstatt)\'"$name"'\'
# run EXE STEPS: starts the program from the unpacked folder with another working directory.
# wine hands no host variable named QT_* to a Windows program; WINEQT_* arrives as QT_*.
run() {
    rm -f "$work/probe.log"
    (cd "$work/cwd" && WINEQT_PLUGIN_PATH="Z:$probe" WINEQT_QPA_GENERIC_PLUGINS=korvelprobe \
        WINEQT_QPA_PLATFORM=windows KORVEL_PROBE_LOG="Z:$work/probe.log" \
        KORVEL_PROBE_STEPS="$2" KORVEL_HELP_LOG="Z:$work/help.log" \
        WINEDLLOVERRIDES="mscoree,mshtml=;hhctrl.ocx=n" WINEDEBUG="+loaddll,+file" \
        timeout 150 "$wine" "$folder/$1" </dev/null >"$work/$1.out" 2>"$work/$1.trace")
    local rc=$?
    [ "$rc" -eq 0 ] || fail "$1 ended with $rc"
    # The probe writes text lines the Windows way.
    tr -d '\r' <"$work/probe.log" >"$work/$1.probe"
    # The probe saw the main window and the program's own end, no message box, no missing control.
    grep -q '^end$' "$work/$1.probe" || fail "$1 did not end through its menu"
    if grep -E '^(message|missing) ' "$work/$1.probe" >&2; then
        fail "$1 showed a message or lacked a control"
    fi
}
opened() { # PROGRAM FILE: the program opened FILE from the unpacked folder (Qt may put \\?\ first)
    grep CreateFileW "$work/$1.trace" |
        grep -F 'C:\\users\\Public\\Korvel Programme (Werkstatt)\\'"$name\\\\$2\"" >/dev/null
}
rm -f "$work/help.log"

run korveltool.exe "click Vestra dyn. Daten 50; click Melderverschmutzung; click Vernetzung/Module; \
click Verwenden; click Beenden"
# qtbase_de.qm: German file dialogs, message boxes and standard buttons.
for f in typ50.csv Fehler.csv fehler.rtf qtbase_de.qm; do
    opened korveltool.exe "$f" || fail "korveltool.exe did not read $f from its folder"
done
run DruckKorvel.exe "click verwenden; click Komponenten; click Beenden"
[ -f "$folder/DruckKorvel.ini" ] && [ -f "$folder/protokoll.rtf" ] ||
    fail "Beenden left no DruckKorvel.ini and protokoll.rtf in the folder"

# The captions as Windows shows them: the programs' own texts, nothing appended.
{
    grep '^window ' "$work/korveltool.exe.probe"
    grep '^window ' "$work/DruckKorvel.exe.probe"
} >"$work/captions"
printf '%s\n' "window Korvel-Tool" "window   Korvel-Tool [Diagnose Vestra]" \
    "window   Korvel-Tool [Diagnose Melderverschmutzung]" \
    "window   Korvel-Tool [Diagnose Fehlermeldungen]" "window DruckKorvel" >"$work/captions.expected"
diff -u "$work/captions.expected" "$work/captions" >&2 || fail "captions"

# The help calls: the help file beside the program, "::", the topic; no owner, HH_DISPLAY_TOPIC.
{
    echo "none|${win_folder}HilfeKorvelTool.chm::korvel_tool.htm|0|0"
    echo "none|(null)|18|0"
    echo "none|${win_folder}HilfeDruckKorvel.chm::DruckKorvel.htm|0|0"
    echo "none|${win_folder}HilfeDruckKorvel.chm::Informationen.htm|0|0"
    echo "none|(null)|18|0"
} >"$work/help.expected"
diff -u "$work/help.expected" "$work/help.log" >&2 || fail "help calls"

# Exactly the DLLs of the folder were loaded from it, by one program or the other.
cat "$work/korveltool.exe.trace" "$work/DruckKorvel.exe.trace" |
    grep -o 'Loaded L"C:\\\\users\\\\Public\\\\Korvel Programme (Werkstatt)\\\\[^"]*\.dll"' |
    sed -e 's/.*(Werkstatt)\\\\//' -e 's/"$//' -e 's/\\\\/\//g' | sort -u >"$work/dlls.loaded"
(cd "$dest" && find "$name" -iname '*.dll' | sort) >"$work/dlls.shipped"
diff -u "$work/dlls.shipped" "$work/dlls.loaded" >&2 || fail "shipped and loaded DLLs differ"

exit "$status"
