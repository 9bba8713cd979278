#!/usr/bin/env bash
# Prints, one a line, the Debian packages of tools/debian-packages that are
# not installed here: those that a release needs, or with no argument, all
# that CI needs.
#   tools/missing-packages.sh [release]
set -euo pipefail
while read -r package installed needed_by; do
    [[ -z $package || $package == \#* ]] && continue
    [[ $# -eq 0 || $needed_by == "$1" ]] || continue
    if [[ $installed == /* ]]; then
        compgen -G "$installed" >/dev/null && continue
    else
        command -v "$installed" >/dev/null && continue
    fi
    echo "$package"
done <"${0%/*}/debian-packages"
