#!/usr/bin/env bash
# Puts both programs of this folder into the user's own applications menu (no root needed):
# the launchers go to ${XDG_DATA_HOME:-~/.local/share}/applications, their icons to
# .../icons/hicolor/scalable/apps, and each launcher starts the program in this folder.
#
#   install-launchers.sh            install (again, e.g. after moving the folder)
#   install-launchers.sh --remove   take both launchers and icons out again
#
# Only the four files named korvel-* are written or removed; nothing else is touched.
set -euo pipefail

folder=$(cd "$(dirname "$0")" && pwd -P)
data=${XDG_DATA_HOME:-}
case "$data" in
/*) ;;
*) data=$HOME/.local/share ;; # a relative XDG_DATA_HOME is to be ignored
esac
apps=$data/applications
icons=$data/icons/hicolor/scalable/apps

# launcher id and the program it starts
launchers=("korvel-korveltool korveltool" "korvel-druckkorvel DruckKorvel")

# A value of a desktop entry: a backslash is written as two.
entry_string() {
    printf '%s' "${1//\\/\\\\}"
}

# The program as a quoted argument of Exec: inside the quotes " ` $ and \ take a backslash;
# then the whole goes through the string escaping above.
exec_argument() {
    local s=$1
    s=${s//\\/\\\\}
    s=${s//\"/\\\"}
    s=${s//\`/\\\`}
    s=${s//\$/\\\$}
    entry_string "\"$s\""
}

# Writes through a temporary file in the target folder and a rename, so a menu never sees a
# half-written launcher.
put_file() {
    local target=$1 tmp
    tmp=$(mktemp "$target.XXXXXX")
    if ! cat >"$tmp"; then
        rm -f "$tmp"
        return 1
    fi
    chmod 644 "$tmp"
    mv -f "$tmp" "$target"
}

# The shipped launcher with Exec, TryExec and Path pointing at this folder.
launcher_text() {
    local template=$1 program=$2 line
    while IFS= read -r line || [ -n "$line" ]; do
        case "$line" in
        Exec=*) printf 'Exec=%s\n' "$(exec_argument "$folder/$program")" ;;
        TryExec=*) printf 'TryExec=%s\n' "$(entry_string "$folder/$program")" ;;
        Path=*) ;;
        *) printf '%s\n' "$line" ;;
        esac
        if [ "$line" = "Terminal=false" ]; then
            printf 'Path=%s\n' "$(entry_string "$folder")"
        fi
    done <"$template"
}

install_launchers() {
    # A line end or other control character cannot stand in a launcher line, and a %, though
    # escaped as the launcher format asks, makes GLib-based menus drop the entry.
    if [[ "$folder" == *[[:cntrl:]%]* ]]; then
        echo "Der Ordnerpfad enthält ein %-Zeichen oder Steuerzeichen, mit denen das" \
            "Anwendungsmenü den Eintrag nicht startet. Bitte den Ordner umbenennen oder" \
            "verschieben: $folder" >&2
        exit 1
    fi
    local entry id program
    for entry in "${launchers[@]}"; do
        read -r id program <<<"$entry"
        if [ ! -x "$folder/$program" ] || [ ! -f "$folder/desktop/$id.desktop" ]; then
            echo "Im Ordner $folder fehlt $program oder desktop/$id.desktop." >&2
            exit 1
        fi
    done
    mkdir -p "$apps" "$icons"
    for entry in "${launchers[@]}"; do
        read -r id program <<<"$entry"
        put_file "$icons/$id.svg" <"$folder/desktop/$id.svg"
        launcher_text "$folder/desktop/$id.desktop" "$program" | put_file "$apps/$id.desktop"
        echo "Eingerichtet: $apps/$id.desktop"
    done
}

remove_launchers() {
    local entry id program
    for entry in "${launchers[@]}"; do
        read -r id program <<<"$entry"
        rm -f "$apps/$id.desktop" "$icons/$id.svg"
        echo "Entfernt: $apps/$id.desktop"
    done
}

case "${1:-}" in
"") install_launchers ;;
--remove) remove_launchers ;;
*)
    echo "Aufruf: $0 [--remove]" >&2
    exit 2
    ;;
esac
