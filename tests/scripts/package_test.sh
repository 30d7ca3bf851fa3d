#!/usr/bin/env bash
# package_test.sh DEB: checks a package that scripts/package.sh built: its control fields and
# files, its Depends against the libraries the program links, the validators and lintian, and
# the program unpacked into a temporary root answering --help.
set -uo pipefail
deb=$(readlink -f "$1")
id=org.ozmira.Ozmira
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
    local name=$1; shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1)); echo "ok   $name"
    else
        failed=$((failed + 1)); echo "FAIL $name"; sed 's/^/     /' "$work/out"
    fi
}
field() { dpkg-deb --field "$deb" "$1"; }
has_file() { dpkg-deb --contents "$deb" | awk '{print $6}' | grep -x "./$1" >/dev/null; }
depends_on() { field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -x "$1" >/dev/null; }

check "control: ozmira $(basename "$deb")" \
    test "$(field Package)_$(field Version)_$(field Architecture).deb" = "$(basename "$deb")"
for f in usr/bin/ozmira usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/man/man1/ozmira.1.gz usr/share/doc/ozmira/copyright \
         usr/share/doc/ozmira/changelog.Debian.gz \
         usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128}/apps/$id.png; do
    check "contents: $f" has_file "$f"
done

dpkg-deb -x "$deb" "$work/root" || { echo "FAIL: cannot unpack $deb"; exit 1; }
program=$work/root/usr/bin/ozmira

# Every library the program links comes from a package it depends on.
libraries_covered() {
    local lib path pkg name status=0
    for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64/ {print $NF; exit}')
        # dpkg knows a file by the name its package gave it: /lib or /usr/lib, link or file.
        pkg=""
        for name in "$path" "$(readlink -f "$path")" "$(readlink -f "$path" | sed 's,^/usr,,')"; do
            [ -n "$pkg" ] || pkg=$(dpkg -S "$name" 2>/dev/null | head -1 | cut -d: -f1)
        done
        depends_on "$pkg" || { echo "$lib ($pkg) missing from Depends"; status=1; }
    done
    return $status
}
check "Depends covers every linked library" libraries_covered
for p in tesseract-ocr-eng tesseract-ocr-chi-sim fonts-noto-cjk at-spi2-core qt6-qpa-plugins qt6-wayland \
         qt6-image-formats-plugins xdg-utils; do
    check "Depends: $p" depends_on "$p"
done
check "apt can install it here" apt-get install --simulate -q "$deb"

check "no RPATH" bash -c "! readelf -d '$program' | grep -E 'RPATH|RUNPATH'"
check "stripped" bash -c "! readelf -S '$program' | grep -F .symtab"
check "installed program: --help exits 0 with the options" \
    bash -c "'$program' --help | grep -q -- --recognize"

# The manual names every option that --help lists, and --list-targets.
man_covers_options() {
    local opt status=0 manual
    # Read whole first: grep -q at the end of a pipe would cut it short (SIGPIPE, pipefail).
    manual=$(zcat "$work/root/usr/share/man/man1/ozmira.1.gz" | sed 's/\\-/-/g')
    for opt in $("$program" --help | grep -o -- '--[a-z-]*' | sort -u) --list-targets; do
        grep -qF -- "$opt" <<<"$manual" || { echo "$opt is not in the manual"; status=1; }
    done
    return $status
}
check "manual covers every option" man_covers_options
check "manual renders without warnings" \
    bash -c "! MANWIDTH=80 man --warnings -l '$work/root/usr/share/man/man1/ozmira.1.gz' 2>&1 >/dev/null | grep ."

icons_sized() {
    local png size status=0
    for png in "$work"/root/usr/share/icons/hicolor/*/apps/$id.png; do
        size=$(basename "$(dirname "$(dirname "$png")")")
        [ "$(identify -format '%wx%h' "$png")" = "$size" ] || { echo "$png is not $size"; status=1; }
    done
    return $status
}
check "icons are the size their folder says" icons_sized
desktop=$work/root/usr/share/applications/$id.desktop
check "desktop entry: Exec, Icon, Name[zh_CN], Terminal" bash -c \
    "grep -qx 'Exec=ozmira' '$desktop' && grep -qx 'Icon=$id' '$desktop' &&
     grep -q '^Name\[zh_CN\]=' '$desktop' && grep -qx 'Terminal=false' '$desktop'"
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate" appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/$id.metainfo.xml"
lintian --fail-on error "$deb" >"$work/lintian" 2>/dev/null
check "lintian: no error" test $? -eq 0
sed 's/^/     lintian: /' "$work/lintian"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
