#!/usr/bin/env bash
# Makes the release of the commit checked out, in OUT_DIR, for the version V
# that CMakeLists.txt and the newest CHANGELOG entry give:
#   fedtax-V.tar.gz                 the source, unpacking to fedtax-V/
#   fedtax-V-x86_64-linux.tar.gz    fedtax linked statically, with its manual
#   fedtax-V-aarch64-linux.tar.gz   page, README, LICENSE and CHANGELOG
#   fedtax_V_amd64.deb, fedtax_V_arm64.deb, fedtax_V_i386.deb
#   fedtax-V-win64.zip
#   fedtax-V-wasi.wasm              fedtax for any WASI runtime (Node.js, wasmtime)
#   fedtax-V.html                   fedtax in one page, for any browser
#   SHA256SUMS                      for sha256sum -c
# Usage, from the root of a git clone: tools/release.sh OUT_DIR
#
# Each file is the same, byte for byte, from any clone of the same commit,
# whatever its path, the umask, the time zone or the clock. Every time in
# every archive is SOURCE_DATE_EPOCH, the commit's time unless the caller
# sets it, but in the source tarball, whose entries git archive gives the
# commit's time always; the tarball holds SOURCE_DATE_EPOCH in a file of
# that name. Every owner is 0, modes are 644 or 755, entries are in name
# order (git's, in the source tarball), gzip writes no name or time, and
# fedtax.exe no link time; the script sets TZ=UTC, LC_ALL=C and umask 022,
# whose modes cpack gives to a .deb's own three parts.
# Everything else is built from the source tarball itself, unpacked, each
# build in a clean folder of its own with the project's flags alone
# (CXXFLAGS and the like are ignored). Every program runs every transcript,
# and each file is checked as it is shipped (tests/harness.py): the static
# programs from their archives, the packages and the zip by the builds'
# tests package.deb and package.zip, under qemu-user for Arm and 32-bit x86
# and under Wine for Windows; the WebAssembly program under Node.js's WASI,
# also a line at a time, and the page's program through the page's own host
# (the page itself is tested in a browser by CI). Uncommitted changes are
# not part of the release.
set -euo pipefail

say() { printf 'release.sh: %s\n' "$*"; }
fail() {
    printf 'release.sh: %s\n' "$*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: tools/release.sh OUT_DIR"
root=$(cd "$(dirname "$0")/.." && pwd)

mapfile -t missing < <("$root/tools/missing-packages.sh" release)
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

# Runs the tests of the folder build-NAME that match REGEX, with the
# emulator that the toolchain file gives (the Wine prefix as the tests make
# it). Without the libraries preloaded here (faketime's, eatmydata's), which
# a program emulated for another processor could not load.
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

# The static program, with its texts, as fedtax-V-PROCESSOR-linux.tar.gz;
# the program unpacked from it runs every transcript, with EMULATOR alone:
# a static program needs no library path.
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
    tar_gz "$work/stage" "$name" "$out/$name.tar.gz"
    mkdir -p "$work/shipped"
    tar -xzf "$out/$name.tar.gz" -C "$work/shipped"
    for input in "$src"/tests/transcripts/*.in; do
        logged "$dir.log" env -u LD_PRELOAD python3 "$src/tests/harness.py" transcript \
            "${input%.in}" $emulator "$work/shipped/$name/fedtax"
    done
}

# The Debian package fedtax_V_ARCHITECTURE.deb, made by cpack in a build
# whose test package.deb checks it where it is shipped, after the build's
# program has run every transcript.
debian_package() { # ARCHITECTURE [TOOLCHAIN]
    local architecture=$1 toolchain=${2-} dir=$work/build-$1
    local deb=fedtax_${version}_$architecture.deb
    build "$architecture" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE=$src/$toolchain} \
        -DFEDTAX_PACKAGE="$out/$deb"
    (cd "$dir" && logged "$dir.log" cpack -G DEB)
    cp "$dir/$deb" "$out/"
    run_tests "$architecture" '^(transcript\.|package\.deb$)'
}

# The Windows zip fedtax-V-win64.zip: the folder that cpack would zip,
# zipped in name order by zip -X, which leaves out the extra fields that
# hold the packer's user and the files' times beside the one time each
# entry has (cpack's zip lists the files in the order the file system gives
# them). The build's test package.zip checks it where it is shipped, after
# the build's program has run every transcript.
windows_zip() {
    local dir=$work/build-windows name=fedtax-$version-win64
    local folder=$work/stage/$name
    build windows -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-windows.cmake" \
        -DFEDTAX_PACKAGE="$out/$name.zip"
    logged "$dir.log" cmake --install "$dir" --strip --prefix "$folder"
    find "$folder" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
    (cd "$work/stage" && find "$name" -type f | sort | zip -X -9 -q "$out/$name.zip" -@)
    run_tests windows '^(transcript\.|package\.zip$)'
}

# The WASI build's fedtax.wasm, as fedtax-V-wasi.wasm, and its page
# fedtax.html, as fedtax-V.html. Both programs run every transcript first.
wasi_and_page() {
    local dir=$work/build-wasi
    build wasi -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-wasi.cmake"
    run_tests wasi '^transcript(_by_line|_page_host)?\.'
    install -m 644 "$dir/fedtax.wasm" "$out/fedtax-$version-wasi.wasm"
    install -m 644 "$dir/fedtax.html" "$out/fedtax-$version.html"
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
wasi_and_page

(cd "$out" && sha256sum "$source_name.tar.gz" "$source_name"-*-linux.tar.gz \
    fedtax_"$version"_*.deb "$source_name-win64.zip" "$source_name-wasi.wasm" \
    "$source_name.html" >SHA256SUMS)
say "made in $out:"
cat "$out/SHA256SUMS"
