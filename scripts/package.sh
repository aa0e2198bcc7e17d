#!/usr/bin/env bash
# The packages: builds the programs as stripped releases (presets windows-release and
# linux-release, build trees of their own) and writes
#
#   build/dist/Vidudi-<version>-win64.zip    one folder Vidudi-<version>\ to extract and run
#   build/dist/Vidudi-<version>-setup.exe    the installer (NSIS), /S for a silent install
#   build/dist/vidudi_<version>_amd64.deb    the Linux package (CPack's DEB generator)
#
# What each holds is the install rules of its build (cmake/windows_package.cmake and
# cmake/linux_package.cmake, and every target's own install rule); the version is the
# project's, read from the build tree. Needs the packages of scripts/install-deps.sh (nsis, zip,
# dpkg-dev among them); installs what is missing when run as root.
#
#   scripts/package.sh [windows] [deb]     both when none is named
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
wanted=" ${*:-windows deb} "

scripts/install-deps.sh
dist=$root/build/dist
mkdir -p "$dist"

if [[ $wanted == *" deb "* ]]; then
    echo "=== build: linux-release"
    cmake --preset linux-release >/dev/null
    cmake --build --preset linux-release -j "$(nproc)"
    echo "=== Linux package"
    (cd "$root/build/linux-release" && cpack -G DEB -B "$dist" >/dev/null)
    rm -rf -- "$dist/_CPack_Packages"
    deb=$dist/vidudi_$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$root/build/linux-release/CPackConfig.cmake")_amd64.deb
    ls -l "$deb"
    dpkg-deb -c "$deb" | awk '{print "  " $6}'
fi
[[ $wanted == *" windows "* ]] || exit 0

for tool in makensis zip; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing: run scripts/install-deps.sh as root" >&2; exit 1; }
done

started=$(date +%s)
echo "=== build: windows-release"
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j "$(nproc)"

build=$root/build/windows-release
info() { sed -n "s/^$1=//p" "$build/package/vidudi-package.txt"; }
version=$(info VERSION)
[ -n "$version" ] || { echo "package.sh: no version in $build/package/vidudi-package.txt" >&2; exit 1; }
name=Vidudi-$version
stage=$build/stage
rm -rf -- "$stage"
mkdir -p "$stage"
cmake --install "$build" --prefix "$stage/$name" --strip >/dev/null

echo "=== zip"
zip_file=$dist/$name-win64.zip
rm -f -- "$zip_file"  # zip would add to an old archive
(cd "$stage" && find "$name" | LC_ALL=C sort | zip -q -X -9 -@ "$zip_file")

echo "=== installer"
# The installer's lists, from the folder itself: File commands per folder, and for the
# uninstaller every file, then the folders, deepest first.
files=$stage/files.nsh
unfiles=$stage/unfiles.nsh
: >"$files"
: >"$unfiles"
while read -r dir; do
    rel=${dir#"$stage/$name"}
    rel=${rel#/}
    printf 'SetOutPath "$INSTDIR%s"\n' "${rel:+\\${rel//\//\\}}" >>"$files"
    find "$dir" -mindepth 1 -maxdepth 1 -type f | LC_ALL=C sort | while read -r file; do
        printf 'File "%s"\n' "$file" >>"$files"
        relfile=${file#"$stage/$name/"}
        printf 'Delete "$INSTDIR\\%s"\n' "${relfile//\//\\}" >>"$unfiles"
    done
done < <(find "$stage/$name" -type d | LC_ALL=C sort)
find "$stage/$name" -mindepth 1 -type d | LC_ALL=C sort -r | while read -r dir; do
    rel=${dir#"$stage/$name/"}
    printf 'RMDir "$INSTDIR\\%s"\n' "${rel//\//\\}" >>"$unfiles"
done
size_kb=$(du -sk --apparent-size "$stage/$name" | cut -f1)
setup_file=$dist/$name-setup.exe
makensis -V2 -NOCD \
    "-DVERSION=$version" "-DPRODUCT=$(info PRODUCT)" "-DCOMPANY=$(info COMPANY)" \
    "-DCOPYRIGHT=$(info COPYRIGHT)" "-DSIZE_KB=$size_kb" \
    "-DFILES=$files" "-DUNFILES=$unfiles" "-DOUTFILE=$setup_file" \
    packaging/vidudi.nsi

echo "=== package $name, in $(( $(date +%s) - started )) s"
(cd "$dist" && ls -l "$(basename "$zip_file")" "$(basename "$setup_file")")
unzip -Z1 "$zip_file" | sed 's/^/  /'
