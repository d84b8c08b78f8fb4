#!/usr/bin/env bash
# Checks that the packages are reproducible: clones the repository twice, at
# two different paths (on two file systems where it can), builds and packs
# each clone as the README says (the Debian packages in a RelWithDebInfo
# build, the Windows zip with the windows preset), the second minutes after
# the first, with another umask and time zone, and compares the .deb, the
# -dbgsym .ddeb and the .zip byte for byte.
# On a difference it prints the first one: the archive member, the file in
# it, and the byte and, in a program, its section.
# Usage: check-reproducible.sh [COMMIT]   (default: HEAD; uncommitted changes are not seen)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$top" rev-parse --verify "${1:-HEAD}^{commit}")
packages=(build/da-vev_1.0_amd64.deb build/da-vev-dbgsym_1.0_amd64.ddeb build-windows/DA-VEV-1.0-win64.zip)

bash "$top/scripts/deps.sh" test

work=$(mktemp -d -t davev-reproducible-XXXXXX)
# The second clone goes to another file system where there is room for it
# (tmpfs in /dev/shm, when /tmp is on disk): folder sizes and listing order
# differ there, and must not reach the packages.
other=$work
if [ -d /dev/shm ] && [ "$(stat -f -c %T /dev/shm)" != "$(stat -f -c %T "$work")" ] &&
    [ "$(df --output=avail -k /dev/shm | tail -n 1)" -gt $((2 * 1024 * 1024)) ]; then
    other=$(mktemp -d -p /dev/shm davev-reproducible-XXXXXX)
fi
trap 'rm -rf "$work" "$other"' EXIT

# build_and_pack CLONE: clones the commit into CLONE, then builds and packs it.
build_and_pack() {
    git clone --quiet --no-checkout "$top" "$1"
    git -C "$1" -c advice.detachedHead=false checkout --quiet "$commit"
    cd "$1"
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAVEV_BUILD_TESTS=OFF >/dev/null
    cmake --build build -j2 >/dev/null
    (cd build && cpack -G DEB >/dev/null)
    cmake --preset windows -DDAVEV_BUILD_TESTS=OFF >/dev/null
    cmake --build --preset windows >/dev/null
    (cd build-windows && cpack -G ZIP >/dev/null)
}

# first_difference A B NAME: says where files A and B first differ, looking
# into archives: names, then contents, then what the listing says of each
# entry (mode, owner, time, order). Returns 1 when they differ.
first_difference() {
    local a=$1 b=$2 name=$3 dir
    cmp -s "$a" "$b" && return 0
    dir=$(mktemp -d -p "$work")
    mkdir "$dir/a" "$dir/b"
    # The innermost name decides: "a.deb: control.tar.xz: control" is no archive.
    case ${name##*: } in
    *.deb | *.ddeb)
        same_names "$name" "$(ar t "$a")" "$(ar t "$b")" || return 1
        local member
        for member in $(ar t "$a"); do
            (cd "$dir/a" && ar x "$a" "$member")
            (cd "$dir/b" && ar x "$b" "$member")
            first_difference "$dir/a/$member" "$dir/b/$member" "$name: $member" || return 1
        done
        same_listing "$name" "$(ar tv "$a")" "$(ar tv "$b")" || return 1
        ;;
    *.tar*)
        same_names "$name" "$(tar tf "$a")" "$(tar tf "$b")" || return 1
        tar xf "$a" -C "$dir/a"
        tar xf "$b" -C "$dir/b"
        files_difference "$dir/a" "$dir/b" "$name" || return 1
        same_listing "$name" "$(tar tvf "$a" --full-time)" "$(tar tvf "$b" --full-time)" || return 1
        ;;
    *.zip)
        same_names "$name" "$(zipinfo -1 "$a")" "$(zipinfo -1 "$b")" || return 1
        (cd "$dir/a" && unzip -q "$a")
        (cd "$dir/b" && unzip -q "$b")
        files_difference "$dir/a" "$dir/b" "$name" || return 1
        same_listing "$name" "$(zipinfo -v "$a" | tail -n +2)" "$(zipinfo -v "$b" | tail -n +2)" || return 1
        ;;
    esac
    file_difference "$a" "$b" "$name"
    return 1
}

same_names() {
    [ "$2" = "$3" ] && return 0
    echo "$1: the names in it differ:"
    diff <(echo "$2") <(echo "$3") | head -n 20
    return 1
}

same_listing() {
    [ "$2" = "$3" ] && return 0
    echo "$1: the same contents, but their listings (modes, owners, times, order) differ:"
    diff <(echo "$2") <(echo "$3") | head -n 20
    return 1
}

# files_difference DIR_A DIR_B NAME: the first file that differs, if any.
files_difference() {
    local file
    while IFS= read -r file; do
        first_difference "$1/$file" "$2/$file" "$3: ${file#./}" || return 1
    done < <(cd "$1" && find . -type f | LC_ALL=C sort)
    return 0
}

# file_difference A B NAME: the first differing byte and, in a program, its section.
file_difference() {
    local offset index name size vma lma start rest section="in the headers or outside every section"
    offset=$(cmp "$1" "$2" | sed -n 's/.* differ: byte \([0-9]*\),.*/\1/p') || true
    [ -n "$offset" ] || { echo "$3: $(cmp "$1" "$2" 2>&1)"; return; }
    echo "$3: first difference at byte $offset"
    if grep -Iq . "$1" && grep -Iq . "$2"; then
        diff "$1" "$2" | head -n 6
        return 0
    fi
    objdump -h "$1" >/dev/null 2>&1 || return 0
    while read -r index name size vma lma start rest; do
        [[ $index =~ ^[0-9]+$ ]] || continue
        if ((offset - 1 >= 16#$start && offset - 1 < 16#$start + 16#$size)); then
            section="in section $name"
            break
        fi
    done < <(objdump -h "$1")
    echo "  $section"
    if [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = "177ELF" ]; then
        diff <(readelf -n "$1" | grep 'Build ID') <(readelf -n "$2" | grep 'Build ID') || true
    fi
}

started=$SECONDS
echo "== first clone, at $work/one/da-vev"
(umask 022 && TZ=UTC build_and_pack "$work/one/da-vev")
second=$other/another/path/da-vev-$$
echo "== second clone, at $second ($(stat -f -c %T "$other"), umask 027, another time zone)"
(umask 027 && TZ=Pacific/Auckland build_and_pack "$second")

status=0
for package in "${packages[@]}"; do
    a=$work/one/da-vev/$package
    b=$second/$package
    if cmp -s "$a" "$b"; then
        echo "same: $(basename "$package") $(sha256sum <"$a" | cut -d' ' -f1)"
    else
        echo "DIFFERENT: $(basename "$package")"
        first_difference "$a" "$b" "$(basename "$package")" || true
        status=1
    fi
done
echo "checked in $((SECONDS - started)) s"
exit $status
