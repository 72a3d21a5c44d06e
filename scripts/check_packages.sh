#!/usr/bin/env bash
# Checks the packages that scripts/package.sh wrote into dist/: the Debian package's files, lintian,
# an install with apt and the installed programs; the Windows zip's files and the system DLLs its
# program imports; the SDK archive's exact contents. Installs the Debian package on this machine
# (as root) and removes it again afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_packages: $*" >&2; exit 1; }
one() {  # the single file a pattern names
    local found=($1)
    [ ${#found[@]} -eq 1 ] && [ -f "${found[0]}" ] || fail "expected one file $1, found: ${found[*]}"
    echo "${found[0]}"
}

# --- Debian package ---
deb=$(one "dist/gridwright_*_amd64.deb")
echo "== $deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/deb-files"
for f in /usr/bin/gridwright /usr/bin/gridmap /usr/bin/romimage \
         /usr/share/applications/gridwright.desktop /usr/share/mime/packages/gridwright.xml \
         /usr/share/icons/hicolor/16x16/apps/gridwright.png \
         /usr/share/icons/hicolor/256x256/apps/gridwright.png \
         /usr/share/man/man1/gridwright.1.gz /usr/share/man/man1/gridmap.1.gz \
         /usr/share/man/man1/romimage.1.gz \
         /usr/share/doc/gridwright/copyright /usr/share/doc/gridwright/changelog.gz \
         /usr/share/gridwright/examples/sample.qmap; do
    grep -qx "$f" "$work/deb-files" || fail "$deb lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libgtk-3-0' || fail "$deb: Depends lacks the GTK library"
echo "lintian:"
lintian --fail-on error "$deb" || fail "lintian reports errors in $deb"

export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --reinstall "./$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt cannot install $deb"; }
trap 'apt-get -o DPkg::Lock::Timeout=600 remove -y -qq gridwright >/dev/null 2>&1; rm -rf "$work"' EXIT
version=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/gridwright --version)
echo "installed: $version"
[[ "$version" == "gridwright "[0-9]* ]] || fail "gridwright --version printed: $version"
/usr/bin/gridmap render /usr/share/gridwright/examples/sample.qmap 0 "$work/x.png"
[ -s "$work/x.png" ] || fail "gridmap render wrote no picture"
man -w gridmap >/dev/null || fail "man -w gridmap finds no page"
# All three programs report the one version the package was built with.
for program in gridmap romimage; do
    other=$(/usr/bin/$program --version)
    [[ "$other" == "$program ${version#gridwright }" ]] ||
        fail "$program --version printed '$other' beside '$version'"
done

# --- Windows zip ---
zip=$(one "dist/gridwright-*-windows-x64.zip")
echo "== $zip"
top=$(basename "$zip" .zip)
python3 - "$zip" "$work" "$top" <<'PY' || fail "$zip does not hold what it should"
import sys, zipfile
path, work, top = sys.argv[1:]
names = sorted(n for n in zipfile.ZipFile(path).namelist() if not n.endswith("/"))
wanted = sorted(f"{top}/{n}" for n in ["gridwright.exe", "README.txt", "LICENSE.txt",
                                       "UNIFONT-LICENSE.txt", "GPL-2.txt", "sample.qmap"])
print("\n".join(names))
if names != wanted:
    sys.exit(f"expected {wanted}")
zipfile.ZipFile(path).extract(f"{top}/gridwright.exe", work)
PY
cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAM="$work/$top/gridwright.exe" \
      -P editor/tests/win32/system_imports.cmake

# --- console SDK ---
sdk=$(one "dist/ds-slot-storage-sdk-*.zip")
echo "== $sdk"
top=$(basename "$sdk" .zip)
python3 - "$sdk" "$top" <<'PY' || fail "$sdk does not hold exactly the six modules and the header"
import sys, zipfile
path, top = sys.argv[1:]
names = sorted(n for n in zipfile.ZipFile(path).namelist() if not n.endswith("/"))
modules = ["slotswitch", "drvamber", "drvbirch", "drvcedar", "drvdune", "drvember"]
wanted = sorted([f"{top}/lib/{m}.o" for m in modules] + [f"{top}/include/slot_storage.h"] +
                [f"{top}/{t}" for t in ["LINKING.txt", "LICENSE.txt", "UNIFONT-LICENSE.txt"]])
print("\n".join(names))
if names != wanted:
    sys.exit(f"expected {wanted}")
PY
echo "Packages checked."
