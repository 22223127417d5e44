# Sourced by the runs under Wine: a Wine of the project's own for the Windows build.
# wine_env BUILD [PREFIX] exports what Wine and the Windows programs need (prefix, DLL paths,
# Qt plugins); wine_prefix_drives gives the prefix its drives; wine_up starts a persistent
# wineserver and makes one throw-away run, so that Wine's services do not start inside a
# test and inherit its pipes; wine_down stops it. wine_session puts them together with a
# scratch folder and a private X display, once for every script.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/setup.sh"
source "$quellmark_root/scripts/xvfb.sh"
source "$quellmark_root/scripts/standin-server.sh"
source "$quellmark_root/scripts/windows/mingw-runtime.sh"

# PREFIX: the Wine prefix; else $QUELLMARK_WINEPREFIX, else BUILD's own, kept between runs.
wine_env() {
    local build="$1"
    local qt
    qt="$("$quellmark_root/scripts/windows/build-qt.sh" | tail -1)"
    export WINEPREFIX="${2:-${QUELLMARK_WINEPREFIX:-$build/wineprefix}}"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    export WINEARCH=win64
    local path="Z:${qt//\//\\}\\bin" dir
    for dir in "${mingw_runtime_dirs[@]}"; do
        path+=";Z:${dir//\//\\}"
    done
    export WINEPATH="$path"
    export QT_PLUGIN_PATH="Z:${qt//\//\\}\\plugins"
    unset QT_QPA_PLATFORM
    wine_qt="$qt"
}

# wine_prefix_drives LETTER:TARGET ...: TARGET "unc/SERVER/SHARE" is a network drive,
# anything else a local folder (made if missing).
wine_prefix_drives() {
    [ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i > /dev/null 2>&1
    wineserver -w
    local devices="$WINEPREFIX/dosdevices"
    local drive letter target
    for drive in "$@"; do
        letter="${drive%%:*}"
        target="${drive#*:}"
        rm -f "$devices/$letter:"
        if [[ "$target" == unc/* ]]; then
            mkdir -p "$devices/$target"
            ln -s "$target" "$devices/$letter:"
            wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d network /f > /dev/null 2>&1
        else
            mkdir -p "$target"
            ln -s "$target" "$devices/$letter:"
        fi
    done
    # Courier New (the preview's font) is a Windows font Wine lacks: the metric twin from
    # fonts-liberation stands in, as fontconfig does for the Linux build.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /t REG_SZ /d "Liberation Mono" /f \
        > /dev/null 2>&1
    # Drive types are read when the wineserver starts.
    wineserver -k 2>/dev/null || true
    wineserver -w
}

wine_up() {
    wineserver -p < /dev/null > /dev/null 2>&1 &
    wine cmd /c exit < /dev/null > /dev/null 2>&1
}

wine_down() {
    wineserver -k 2>/dev/null || true
}

# wine_session [--fresh-prefix] BUILD DRIVE...: a script's whole start under Wine. Makes the
# scratch folder $work, sets Wine up for BUILD (in a new prefix $work/prefix with
# --fresh-prefix, else in BUILD's own), gives the prefix the drives (as wine_prefix_drives;
# a relative local folder lies in $work), starts a private X display and the wineserver. At
# exit it ends the script's background jobs, the stand-in server, Wine and the display, and
# removes $work.
wine_session() {
    local fresh=0
    if [ "$1" = --fresh-prefix ]; then
        fresh=1
        shift
    fi
    local build="$1" drive drives=()
    shift
    work="$(mktemp -d)"
    trap wine_session_end EXIT
    if [ "$fresh" = 1 ]; then
        wine_env "$build" "$work/prefix"
    else
        wine_env "$build"
    fi
    for drive in "$@"; do
        case "${drive#*:}" in
            unc/* | /*) drives+=("$drive") ;;
            *) drives+=("${drive%%:*}:$work/${drive#*:}") ;;
        esac
    done
    wine_prefix_drives "${drives[@]}"
    start_xvfb 1280x1024x24
    wine_up
}

wine_session_end() {
    jobs -p | xargs -r kill 2>/dev/null || true
    stop_standin_server
    wine_down
    [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
