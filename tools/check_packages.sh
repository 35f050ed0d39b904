#!/bin/sh
# Checks the packages cpack made in the build folder without installing anything on this machine: the archive
# and the Debian package are unpacked into a temporary folder, their contents compared with what a user gets,
# and the unpacked runner is started once on a file of its own.
#   tools/check_packages.sh BUILD_DIR
set -eu

build_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "check_packages: $*" >&2
    exit 1
}

one_file() {
    set -- $1
    [ $# -eq 1 ] && [ -f "$1" ] || fail "expected exactly one package matching $*"
    echo "$1"
}

archive=$(one_file "$build_dir/morvane-*.tar.gz")
deb=$(one_file "$build_dir/morvane_*.deb")

# The runner replaces in a file of its own and must find the language file and icons beside it.
run_unpacked() {
    folder=$1
    for file in morvane morvane-cli Sprachen.txt README.md Icons/StatQuestion.bmp; do
        [ -e "$folder/$file" ] || fail "$file is missing from $folder"
    done
    printf 'old text' >"$scratch/sample.txt"
    "$folder/morvane-cli" execute --pair old new -- "$scratch/sample.txt" >/dev/null ||
        fail "the unpacked runner in $folder does not run"
    [ "$(cat "$scratch/sample.txt")" = "new text" ] || fail "the unpacked runner in $folder did not replace"
}

mkdir "$scratch/archive"
tar -xzf "$archive" -C "$scratch/archive"
run_unpacked "$(find "$scratch/archive" -mindepth 1 -maxdepth 1 -type d)"

dpkg-deb -x "$deb" "$scratch/deb"
run_unpacked "$scratch/deb/opt/morvane"
for program in morvane morvane-cli; do
    [ "$(readlink "$scratch/deb/usr/bin/$program")" = "/opt/morvane/$program" ] ||
        fail "/usr/bin/$program does not lead to /opt/morvane/$program"
done
[ -f "$scratch/deb/usr/share/applications/morvane.desktop" ] || fail "the menu entry is missing"
[ -f "$scratch/deb/usr/share/icons/hicolor/256x256/apps/morvane.png" ] || fail "the icon is missing"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on Qt Widgets"
dpkg-deb -f "$deb" Depends | grep -q libgit2 || fail "the package does not depend on libgit2"
echo "Packages checked: $(basename "$archive"), $(basename "$deb")"
