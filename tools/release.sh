#!/usr/bin/env bash
# Makes the release of the commit checked out, in OUT_DIR, for the version V
# that CMakeLists.txt and the newest CHANGELOG entry give:
#   fedtax-V.tar.gz                 the source, unpacking to fedtax-V/
#   fedtax-V-x86_64-linux.tar.gz    fedtax linked statically, with its manual
#   fedtax-V-aarch64-linux.tar.gz   page, README, LICENSE and CHANGELOG
#   fedtax_V_amd64.deb, fedtax_V_arm64.deb, fedtax_V_i386.deb
#   fedtax-V-win64.zip
#   SHA256SUMS                      for sha256sum -c
# Usage, from the root of a git clone: tools/release.sh OUT_DIR
#
# Each file is the same, byte for byte, from any clone of the same commit,
# whatever its path, the umask, the time zone or the clock: every time in
# every archive is SOURCE_DATE_EPOCH (the commit's time, unless the caller
# sets it), every owner is 0, modes are 644 or 755, entries are in name
# order (git's, in the source tarball), and gzip writes no name or time. The source tarball carries that
# time in its file SOURCE_DATE_EPOCH. Everything else is built from the
# source tarball itself, unpacked, each build in a clean folder of its own
# with the project's flags alone (CXXFLAGS and the like are ignored), and
# each program runs one entry before it is packed: under qemu-user for Arm
# and 32-bit x86, under Wine for Windows. Uncommitted changes are not part
# of the release.
set -euo pipefail

say() { printf 'release.sh: %s\n' "$*"; }
fail() {
    printf 'release.sh: %s\n' "$*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: tools/release.sh OUT_DIR"
root=$(cd "$(dirname "$0")/.." && pwd)

# What this needs, by the Debian package that brings it.
missing=()
need() { # COMMAND PACKAGE
    command -v "$1" >/dev/null || [[ " ${missing[*]-} " == *" $2 "* ]] || missing+=("$2")
}
need git git
need cmake cmake
need g++ g++
# The tests that run each program, which a native build has with GoogleTest.
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
need aarch64-linux-gnu-g++ g++-aarch64-linux-gnu
need i686-linux-gnu-g++ g++-i686-linux-gnu
need x86_64-w64-mingw32-g++ g++-mingw-w64-x86-64
need qemu-aarch64 qemu-user
need qemu-i386 qemu-user
need wine wine
need wineserver wine
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
need dpkg-shlibdeps dpkg-dev
need file file
need groff groff-base
need zip zip
if [ ${#missing[@]} -gt 0 ]; then
    fail "missing the Debian packages: ${missing[*]} (sudo apt-get install ${missing[*]})"
fi

git -C "$root" rev-parse --verify -q HEAD >/dev/null ||
    fail "$root is not a git clone: a release is made from a commit"
committed() { git -C "$root" show "HEAD:$1"; }
version=$(committed CMakeLists.txt | sed -n 's/^project(fedtax VERSION \([0-9.]*\) .*/\1/p')
changelog_version=$(committed CHANGELOG | sed -n '1s/^fedtax (\([^)]*\)).*/\1/p')
[ -n "$version" ] || fail "no version in project() in CMakeLists.txt"
[ "$version" = "$changelog_version" ] ||
    fail "CMakeLists.txt says version $version, the newest CHANGELOG entry $changelog_version"
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    say "note: the release is of $(git -C "$root" rev-parse --short HEAD), without the" \
        "uncommitted changes"
fi

: "${SOURCE_DATE_EPOCH:=$(git -C "$root" log -1 --format=%ct)}"
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a time in seconds"
# The same for everyone: the time, the time zone (zip's times are local
# ones), the messages' language, the permissions of what is made, and the
# flags (the project's own alone).
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
unset CXXFLAGS CPPFLAGS LDFLAGS CXX CMAKE_GENERATOR CMAKE_TOOLCHAIN_FILE
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

mkdir -p "$1"
out=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a command with its output in the log LOG, which is shown if it fails.
logged() { # LOG COMMAND [ARG...]
    local log=$1
    shift
    "$@" >>"$log" 2>&1 || {
        cat "$log" >&2
        fail "failed: $*"
    }
}

# Packs the folder NAME in DIR as the gzipped tar file OUT.
tar_gz() { # DIR NAME OUT
    tar --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner \
        --mtime="@$SOURCE_DATE_EPOCH" --mode=u=rwX,go=rX -C "$1" "$2" | gzip -9n >"$3"
}

# Runs the static program on the transcript one_entry, which must come out
# exactly, with EMULATOR alone: a static program needs no library path.
one_entry() { # PROGRAM [EMULATOR]
    # Without the libraries preloaded here (faketime's, eatmydata's), which
    # a program emulated for another processor could not load.
    env -u LD_PRELOAD cmake -DPROGRAM="$1" -DCASE="$src/tests/transcripts/one_entry" \
        -DEMULATOR="${2-}" -DACTUAL="$work/one_entry.actual" -P "$src/tests/run_transcript.cmake"
}

# Runs the tests of the folder build-NAME that match REGEX: the transcripts
# with the emulator that the toolchain file gives, under Wine with the
# prefix the tests make.
run_tests() { # NAME REGEX
    local dir=$work/build-$1
    logged "$dir.log" env -u LD_PRELOAD ctest --test-dir "$dir" -R "$2" --no-tests=error \
        --output-on-failure
}

# Configures and builds the program in the folder build-NAME.
build() { # NAME [CMAKE OPTION...]
    local name=$1 dir=$work/build-$1
    shift
    say "building $name"
    logged "$dir.log" cmake -S "$src" -B "$dir" -G "Unix Makefiles" "$@"
    logged "$dir.log" cmake --build "$dir"
}

# The static program, with its texts, as fedtax-V-PROCESSOR-linux.tar.gz.
static_linux() { # PROCESSOR [TOOLCHAIN EMULATOR]
    local processor=$1 toolchain=${2-} emulator=${3-} name=fedtax-$version-$1-linux
    local dir=$work/build-$1-static folder=$work/stage/$name
    build "$processor-static" -DFEDTAX_STATIC=ON -DFEDTAX_BUILD_TESTS=OFF \
        ${toolchain:+-DCMAKE_TOOLCHAIN_FILE=$src/$toolchain}
    logged "$dir.log" cmake --install "$dir" --strip --prefix "$dir/installed"
    mkdir -p "$folder"
    cp "$dir/installed/bin/fedtax" "$src/doc/fedtax.1" "$src/README.md" "$src/LICENSE" \
        "$src/CHANGELOG" "$folder/"
    if readelf --program-headers "$folder/fedtax" | grep -q INTERP; then
        fail "$name/fedtax is not linked statically"
    fi
    one_entry "$folder/fedtax" "$emulator"
    tar_gz "$work/stage" "$name" "$out/$name.tar.gz"
}

# The Debian package fedtax_V_ARCHITECTURE.deb.
debian_package() { # ARCHITECTURE [TOOLCHAIN]
    local architecture=$1 toolchain=${2-} dir=$work/build-$1
    build "$architecture" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE=$src/$toolchain}
    run_tests "$architecture" '^transcript\.one_entry$'
    (cd "$dir" && logged "$dir.log" cpack -G DEB)
    cp "$dir/fedtax_${version}_$architecture.deb" "$out/"
}

# The Windows zip fedtax-V-win64.zip.
windows_zip() {
    local dir=$work/build-windows name=fedtax-$version-win64
    local folder=$work/stage/$name
    build windows -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-windows.cmake"
    # The entry, and cpack's zip of the same folder checked and its
    # fedtax.exe run from it.
    run_tests windows '^(transcript\.one_entry|package\.zip)$'
    logged "$dir.log" cmake --install "$dir" --strip --prefix "$folder"
    # The folder that cpack zips, zipped in name order by zip -X, which
    # leaves out the extra fields that hold the packer's user and the files'
    # times beside the one time each entry has.
    find "$folder" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
    (cd "$work/stage" && find "$name" -type f | sort | zip -X -9 -q "$out/$name.zip" -@)
}

say "version $version, SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH ($(date -d "@$SOURCE_DATE_EPOCH" -R))"
rm -f "$out"/fedtax-"$version"* "$out"/fedtax_"$version"_* "$out/SHA256SUMS"

say "the source tarball"
source_name=fedtax-$version
# The files as committed: modes 644 and 755, and no line ends converted.
git -C "$root" -c tar.umask=022 -c core.autocrlf=false -c core.eol=lf \
    archive --format=tar --prefix="$source_name/" \
    --add-virtual-file="$source_name/SOURCE_DATE_EPOCH:$SOURCE_DATE_EPOCH"$'\n' HEAD |
    gzip -9n >"$out/$source_name.tar.gz"
tar -xzf "$out/$source_name.tar.gz" -C "$work"
src=$work/$source_name

static_linux x86_64
static_linux aarch64 cmake/toolchain-arm64.cmake qemu-aarch64
debian_package amd64
debian_package arm64 cmake/toolchain-arm64.cmake
debian_package i386 cmake/toolchain-i386.cmake
windows_zip

(cd "$out" && sha256sum "$source_name.tar.gz" "$source_name"-*-linux.tar.gz \
    fedtax_"$version"_*.deb "$source_name-win64.zip" >SHA256SUMS)
say "made in $out:"
cat "$out/SHA256SUMS"
