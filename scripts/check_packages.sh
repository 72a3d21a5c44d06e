#!/usr/bin/env bash
# Checks the packages that scripts/package.sh wrote into dist/: the Debian package's files, lintian,
# its AppStream metainfo, an install with apt and the installed programs; the Windows zip's files
# and the system DLLs its program imports; the Windows installer's tables, and an install, a run
# and an uninstall of it in a Wine prefix of its own; the SDK archive's exact contents. Installs
# the Debian package on this machine (as root) and removes it again afterwards.
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

# The software centres' entry: metainfo that AppStream's validator passes without a warning, as
# installed (beside the desktop entry it launches), and that provides what the package holds.
dpkg-deb -x "$deb" "$work/root"
metainfo=$(one "$work/root/usr/share/metainfo/*.metainfo.xml")
echo "appstreamcli: ${metainfo#"$work/root"}"
for how in "validate --no-net $metainfo" "validate-tree --no-net $work/root"; do
    appstreamcli $how >"$work/appstream.log" 2>&1 ||
        { cat "$work/appstream.log" >&2; fail "appstreamcli $how fails"; }
    cat "$work/appstream.log"
    ! grep -Eq '^ *[EW]: ' "$work/appstream.log" || fail "appstreamcli $how warns"
done
python3 - "$metainfo" "$work/root" <<'PY' || fail "$metainfo names what the package does not hold"
import os, sys, xml.etree.ElementTree as ET
metainfo, root = sys.argv[1:]
component = ET.parse(metainfo).getroot()
desktop = component.findtext("launchable[@type='desktop-id']")
entry = open(f"{root}/usr/share/applications/{desktop}").read()
mime = ET.parse(f"{root}/usr/share/mime/packages/gridwright.xml").getroot()
types = {t.get("type") for t in mime if t.tag.endswith("mime-type")}
for provided in component.iterfind("provides/mediatype"):
    if provided.text not in types or f"{provided.text};" not in entry:
        sys.exit(f"media type {provided.text}: not in the MIME package or not in {desktop}")
for binary in component.iterfind("provides/binary"):
    if not os.path.isfile(f"{root}/usr/bin/{binary.text}"):
        sys.exit(f"binary {binary.text}: not in /usr/bin")
PY

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
zip_exe="$work/$top/gridwright.exe"

# --- Windows installer ---
msi=$(one "dist/gridwright-*-windows-x64.msi")
echo "== $msi"
for table in File Registry Shortcut Property; do
    msiinfo export "$msi" $table | tail -n +4 | tr -d '\r' >"$work/msi-$table"
done
msiinfo suminfo "$msi" >"$work/msi-suminfo"
python3 - "$zip" "$work" <<'PY' || fail "$msi does not install what it should"
import sys, zipfile
path, work = sys.argv[1:]
def rows(table):
    return [line.split("\t") for line in open(f"{work}/msi-{table}").read().splitlines()]
# The zip's files, no more, no fewer.
zipped = sorted(n.split("/", 1)[1] for n in zipfile.ZipFile(path).namelist() if not n.endswith("/"))
files = sorted(row[2].split("|")[-1] for row in rows("File"))  # short|long names
print("files:", " ".join(files))
if files != zipped:
    sys.exit(f"files {files}, the zip holds {zipped}")
# Per user: no ALLUSERS, no elevation asked for (bit 8 of the word count), every registry value
# in HKEY_CURRENT_USER (root 1).
if any(row[0] == "ALLUSERS" for row in rows("Property")):
    sys.exit("ALLUSERS is set: the installer would install for every user")
words = [l for l in open(f"{work}/msi-suminfo") if l.startswith("Source:")]
if not words or not int(words[0].split()[1]) & 8:
    sys.exit(f"the summary's word count asks for elevated rights: {words}")
registry = {(row[2], row[3]): row[4] for row in rows("Registry") if row[1] == "1"}
if len(registry) != len(rows("Registry")):
    sys.exit("registry values outside HKEY_CURRENT_USER")
association = {
    ("Software\\Classes\\.qmap", ""): "gridwright.qmap",
    ("Software\\Classes\\gridwright.qmap\\DefaultIcon", ""): "[#gridwright.exe],0",
    ("Software\\Classes\\gridwright.qmap\\shell\\open\\command", ""): '"[#gridwright.exe]" %1',
}
for key, value in association.items():
    print("association:", key[0], "=", registry.get(key))
    if registry.get(key) != value:
        sys.exit(f"{key[0]} should be {value}")
shortcuts = [row for row in rows("Shortcut") if row[1] == "ProgramMenuFolder"]
shortcuts = [(row[2].split("|")[-1], row[4]) for row in shortcuts]
print("shortcuts:", shortcuts)
if shortcuts != [("gridwright", "[#gridwright.exe]")]:
    sys.exit("no Start menu shortcut to gridwright.exe")
PY

# Installed, run and removed again in a Wine prefix of the check's own. Wine's menu builder stays
# off: it would copy the Start menu shortcut and the file type into this machine's desktop.
export WINEPREFIX="$work/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
in_wine() {  # runs a Windows program, then waits until Wine has wound down
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" wine "$@" || status=$?
    wineserver -w
    return $status
}
reg_default() {  # the default value of a registry key, empty when there is none
    { in_wine reg query "$1" /ve 2>/dev/null || true; } | tr -d '\r' |
        sed -n 's/^ *(Default) *REG_SZ *//p'
}
mkdir -p "$work/home"
trap 'wineserver -k 2>/dev/null || true
      apt-get -o DPkg::Lock::Timeout=600 remove -y -qq gridwright >/dev/null 2>&1
      rm -rf "$work"' EXIT
in_wine wineboot --init >/dev/null 2>&1 || fail "cannot make a Wine prefix in $WINEPREFIX"
msi_windows=$(in_wine winepath -w "$msi" | tr -d '\r')
product_code=$(awk -F'\t' '$1 == "ProductCode" {print $2}' "$work/msi-Property")
uninstall_key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
in_wine msiexec /i "$msi_windows" /qn || fail "msiexec /i $msi fails"
# Windows merges HKCU\Software\Classes into HKEY_CLASSES_ROOT for the user; Wine's HKCR shows only
# the machine's classes, so the user's own key is read here.
[ "$(reg_default 'HKCU\Software\Classes\.qmap')" = gridwright.qmap ] || fail "no .qmap file type"
command=$(reg_default 'HKCU\Software\Classes\gridwright.qmap\shell\open\command')
echo "installed: .qmap opens with $command"
[[ "$command" == '"'*'\AppData\Local\Programs\gridwright\gridwright.exe" %1' ]] ||
    fail ".qmap does not open with the user's gridwright.exe: $command"
program=${command#\"}
program=${program%\" %1}
[ "$(reg_default 'HKCU\Software\Classes\gridwright.qmap\DefaultIcon')" = "$program,0" ] ||
    fail ".qmap files do not show the program's icon"
links=("$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/*.lnk)
[ ${#links[@]} -eq 1 ] && [ -f "${links[0]}" ] || fail "no Start menu shortcut: ${links[*]}"
target=$(python3 - "${links[0]}" <<'PY'
# A shell link's target, as its link information block gives it (the local base path).
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & 1:  # HasLinkTargetIDList
    at += 2 + struct.unpack_from("<H", data, at)[0]
if not flags & 2:  # HasLinkInfo
    sys.exit("the shortcut holds no link information")
base = at + struct.unpack_from("<I", data, at + 16)[0]
print(data[base:data.index(b"\0", base)].decode("latin-1"))
PY
) || fail "cannot read ${links[0]}"
echo "installed: the Start menu shortcut points at $target"
[ "$target" = "$program" ] || fail "the shortcut points at $target, .qmap files open with $program"
installed=$(in_wine winepath -u "$program" | tr -d '\r')
cmp "$installed" "$zip_exe" || fail "$program is not the zip's gridwright.exe"
in_wine "$program" --version >"$work/msi-version" ||
    fail "the installed gridwright.exe does not run"
echo "installed: $(tr -d '\r' <"$work/msi-version")"
# The release number is the Debian package's; the git description may differ between two builds.
read -r name number _ <"$work/msi-version" || true
[ "$name $number" = "$(echo "$version" | cut -d' ' -f1-2)" ] ||
    fail "the installed gridwright.exe says $(cat "$work/msi-version"), the .deb's $version"
in_wine reg query "HKLM\\$uninstall_key" /v DisplayName >/dev/null 2>&1 ||
    in_wine reg query "HKCU\\$uninstall_key" /v DisplayName >/dev/null 2>&1 ||
    fail "no entry $product_code among the installed programs"

in_wine msiexec /x "$msi_windows" /qn || fail "msiexec /x $msi fails"
[ ! -e "$installed" ] && [ ! -e "$(dirname "$installed")" ] ||
    fail "msiexec /x leaves $program behind"
[ ! -e "${links[0]}" ] || fail "msiexec /x leaves the Start menu shortcut behind"
for key in 'HKCU\Software\Classes\.qmap' 'HKCU\Software\Classes\gridwright.qmap' \
           'HKCU\Software\gridwright' "HKLM\\$uninstall_key" "HKCU\\$uninstall_key"; do
    ! in_wine reg query "$key" >/dev/null 2>&1 || fail "msiexec /x leaves $key behind"
done
echo "uninstalled: program, shortcut, file type and the installed programs' entry removed"

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
