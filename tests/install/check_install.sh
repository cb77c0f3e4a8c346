#!/usr/bin/env bash
# Installs the built program into a staging folder ("staged") or builds its .deb and unpacks it
# ("package"), then checks what a desktop needs of the result: the program and its templates where
# the program looks for them, a menu entry and AppStream metadata that pass their validators and
# agree with each other, the icon in every size, the machine-readable copyright file, and a program
# that answers --version and --help without a display. Exits 77 (skipped) when a tool is missing.
#
#   check_install.sh staged|package <build dir> <app id> <templates folder relative to bin>
set -euo pipefail

mode=$1 build=$2 app_id=$3 reports_from_bin=$4

need() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (Debian: tools/install-deps.sh installs it)"
            exit 77
        fi
    done
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need desktop-file-validate appstreamcli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=
case $mode in
staged)
    # A prefix of the test's own with a blank in it, under DESTDIR as a packager stages it.
    prefix="/opt/inventory request"
    DESTDIR="$work/stage" cmake --install "$build" --prefix "$prefix" >/dev/null
    root="$work/stage$prefix"
    ;;
package)
    need cpack dpkg-deb dpkg-shlibdeps
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null) ||
        fail "cpack -G DEB failed"
    debs=("$work"/out/*.deb)
    if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
        fail "cpack made no single .deb: ${debs[*]}"
    fi
    deb=${debs[0]}
    [ "$(dpkg-deb -f "$deb" Package)" = inventory-request ] || fail "package name"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    # From the linked libraries (shlibdeps), and the embedded database's driver plugin.
    for wanted in libc6 libqt6widgets6 libqt6sql6 libsqlite3-0 libodbc2 libqt6sql6-sqlite; do
        grep -Eq "(^|, )$wanted( |,|$)" <<<"$depends" || fail "Depends lacks $wanted: $depends"
    done
    grep -q libqt6sql6-odbc <<<"$(dpkg-deb -f "$deb" Recommends)" ||
        fail "Recommends lacks the ODBC driver plugin"
    # Unpacked elsewhere than /usr: the installed program still finds its templates relative to itself.
    dpkg-deb -x "$deb" "$work/unpacked"
    root="$work/unpacked/usr"
    # The metadata's newest release is the version packaged.
    version=$(dpkg-deb -f "$deb" Version)
    release=$(grep -o '<release version="[^"]*"' "$root/share/metainfo/$app_id.metainfo.xml" |
        head -1 | cut -d'"' -f2) || true
    [ "$release" = "$version" ] ||
        fail "the metadata's newest release is '$release', the package's version $version"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac

share="$root/share"
desktop="$share/applications/$app_id.desktop"
metainfo="$share/metainfo/$app_id.metainfo.xml"
for file in "$root/bin/prjInventoryRequest" \
    "$root/bin/$reports_from_bin/DepartmentRequest.rpt" \
    "$root/bin/$reports_from_bin/DepartmentRequest_Short.rpt" \
    "$desktop" "$metainfo" "$share/icons/hicolor/scalable/apps/$app_id.svg"; do
    [ -f "$file" ] || fail "not installed: ${file#"$work"/}"
done
[ -x "$root/bin/prjInventoryRequest" ] || fail "the program is not executable"

# Each PNG is the size its folder says (width and height from the PNG header).
for size in 16 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ -f "$png" ] || fail "no ${size}px icon"
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size}px icon is $dims"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate: $metainfo"

# The menu entry starts the installed program under its name and shows the installed icon; the
# metadata names that entry.
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = "Inventory Request" ] || fail "menu name is '$(entry Name)'"
[ "$(entry Exec)" = prjInventoryRequest ] || fail "Exec is '$(entry Exec)'"
[ "$(entry Icon)" = "$app_id" ] || fail "Icon is '$(entry Icon)'"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch $app_id.desktop"
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metadata's id is not $app_id"

# The copyright file where Debian looks for it, in the machine-readable format: the header, a
# paragraph for every file ("Files: *") with its copyright and licence, and the text of each
# licence named (a stand-alone License paragraph).
copyright="$share/doc/inventory-request/copyright"
[ -f "$copyright" ] || fail "not installed: share/doc/inventory-request/copyright"
[ "$(head -1 "$copyright")" = \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file does not start with the format's header"
problems=$(awk '
    BEGIN { RS = ""; FS = "\n" }
    NR == 1 { if ($0 !~ /(^|\n)Upstream-Name: [^\n]+/) print "no Upstream-Name in the header"; next }
    /^Files:/ {
        if ($1 == "Files: *") everything = 1
        if ($0 !~ /\nCopyright: [^\n]+/) print "no Copyright in: " $1
        if (match($0, /\nLicense: [^\n]+/)) used[substr($0, RSTART + 10, RLENGTH - 10)] = 1
        else print "no License in: " $1
        next
    }
    /^License: [^\n]+\n / { sub(/^License: /, "", $1); given[$1] = 1; next }
    { print "a paragraph of neither files nor licence text: " $1 }
    END {
        if (!everything) print "no \"Files: *\" paragraph"
        for (name in used) if (!(name in given)) print "no text for the licence " name
    }' "$copyright")
[ -z "$problems" ] || fail "copyright file: $problems"

# --version and --help answer on the terminal and exit, without a display, a window or a database.
home="$work/home"
mkdir -p "$home"
for option in --version --help; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" "$root/bin/prjInventoryRequest" "$option" 2>"$work/stderr") ||
        fail "prjInventoryRequest $option failed: $(cat "$work/stderr")"
    [ ! -s "$work/stderr" ] || fail "prjInventoryRequest $option wrote to stderr: $(cat "$work/stderr")"
    case $option in
    --version)
        # The package's version when there is a package; a version of some kind when staged.
        if [ -n "$version" ]; then
            [ "$out" = "Inventory Request $version" ] || fail "--version says '$out'"
        else
            [[ $out =~ ^Inventory\ Request\ [0-9] ]] || fail "--version says '$out'"
        fi
        ;;
    --help)
        grep -q -- "--version" <<<"$out" || fail "--help does not list --version: $out"
        ;;
    esac
done
[ -z "$(ls -A "$home")" ] || fail "--version or --help made files: $(find "$home" -mindepth 1)"
echo "OK: $mode install of $app_id checked"
