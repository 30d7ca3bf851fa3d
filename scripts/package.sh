#!/usr/bin/env bash
# package.sh [--build DIR] [--out DIR]: builds ozmira_VERSION-1_ARCH.deb with dpkg-deb.
#
# Without --build it makes its own Release build in build/package (no tests, Debian's
# hardening flags); --build DIR packages the program of an existing Release build instead
# (the tests package the one they have just built). The package lands in --out, by default
# the current folder. It installs what is missing first, as ./run.sh does.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=""
out=$PWD
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --out) mkdir -p "$2"; out=$(cd "$2" && pwd); shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

id=org.ozmira.Ozmira
version=$(sed -n 's/^project(Ozmira VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
revision=1
arch=$(dpkg --print-architecture)
deb="$out/ozmira_${version}-${revision}_${arch}.deb"
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }

# Only the package's name goes to standard output.
"$top/scripts/setup.sh" --package >&2
if [ -z "$build" ]; then
  build="$top/build/package"
  # Debian's hardening flags (all of them, bindnow and PIE too), read when the build is
  # first configured; the Release type chooses the optimisation, and no debug information
  # is built since the program is stripped.
  flags() {
    (cd "$top" && DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP="-g -O2" \
       dpkg-buildflags --get "$1")
  }
  CXXFLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" LDFLAGS="$(flags LDFLAGS)" \
    "$top/scripts/build.sh" "$build" Release -DOZMIRA_TESTS=OFF -DCMAKE_SKIP_RPATH=ON >&2
fi
if ! grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" || [ ! -x "$build/ozmira" ]; then
  echo "$build holds no Release build of ozmira" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-shlibdeps reads the package's name from debian/control and the files from its folder.
root="$work/debian/ozmira"
mkdir -p "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/applications" \
         "$root/usr/share/metainfo" "$root/usr/share/man/man1" "$root/usr/share/doc/ozmira"
install -m 0755 "$build/ozmira" "$root/usr/bin/ozmira"
# The same stripping as a Debian package build's; a build tree's RPATH must not ship.
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/bin/ozmira"
if readelf -d "$root/usr/bin/ozmira" | grep -qE 'RPATH|RUNPATH'; then
  echo "$build/ozmira carries an RPATH; configure that build with -DCMAKE_SKIP_RPATH=ON" >&2
  exit 1
fi

install -m 0644 "$top/packaging/$id.desktop" "$root/usr/share/applications/$id.desktop"
install -m 0644 "$top/packaging/$id.metainfo.xml" "$root/usr/share/metainfo/$id.metainfo.xml"
install -m 0644 "$top/packaging/copyright" "$root/usr/share/doc/ozmira/copyright"
install -D -m 0644 "$top/packaging/lintian-overrides" "$root/usr/share/lintian/overrides/ozmira"
gzip -9n <"$top/packaging/ozmira.1" >"$root/usr/share/man/man1/ozmira.1.gz"
gzip -9n <"$top/packaging/changelog" >"$root/usr/share/doc/ozmira/changelog.Debian.gz"
chmod 0644 "$root/usr/share/man/man1/ozmira.1.gz" "$root/usr/share/doc/ozmira/changelog.Debian.gz"

# The project's icon is 128 x 128: the smaller sizes are scaled down from it; none is
# scaled up, the icon theme scales the 128 one where a desktop wants more.
for size in 16 24 32 48 64 128; do
  dir="$root/usr/share/icons/hicolor/${size}x${size}/apps"
  mkdir -p "$dir"
  convert "$top/resources/ozmira.png" -resize "${size}x${size}" -strip \
          -define png:exclude-chunks=date,time "$dir/$id.png"
  chmod 0644 "$dir/$id.png"
done

# Libraries with the versions their symbols need, then what the program runs but does not
# link: the offline engine's data, the fonts of its Chinese texts, the accessibility bus,
# Qt's window-system and image plugins, and xdg-open for the exported workbooks. wl-copy
# puts the text on a Wayland clipboard where Qt alone cannot.
cat >"$work/debian/control" <<EOF
Source: ozmira

Package: ozmira
Architecture: any
EOF
shlibs=$(cd "$work" && dpkg-shlibdeps -O -e debian/ozmira/usr/bin/ozmira 2>"$work/shlibdeps.log") || {
  cat "$work/shlibdeps.log" >&2; exit 1; }
shlibs=${shlibs#shlibs:Depends=}
depends="$shlibs, tesseract-ocr-eng, tesseract-ocr-chi-sim, fonts-noto-cjk, at-spi2-core,"
depends+=" qt6-qpa-plugins, qt6-wayland, qt6-image-formats-plugins, xdg-utils"

maintainer=$(sed -n 's/^Upstream-Contact: //p' "$top/packaging/copyright")
cat >"$root/DEBIAN/control" <<EOF
Package: ozmira
Version: ${version}-${revision}
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Recommends: wl-clipboard
Section: utils
Priority: optional
Description: turn a part of the screen into text
 Ozmira captures a rectangle of the screen, dragged over a frozen picture of
 it or named as coordinates, and recognizes the text in it with a cloud OCR
 service or offline with Tesseract. The text goes into its window, onto the
 clipboard and into other applications' fields; it can be merged, converted
 between full-width and half-width symbols and translated. Identity cards and
 vehicle licences are read into a table that exports into .xlsx workbooks.
 Five capture commands can be bound to global hotkeys.
EOF

(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
