#!/usr/bin/env bash
# Builds the Debian packages from the normal build folder, checks them with lintian, installs them on
# this machine, runs the installed tool from outside the build tree as root and as a normal user, and
# removes them again, checking that nothing of them is left. Installs what is missing. Needs root
# (CI runs as root). Exits non-zero on any failure.
#   scripts/package.sh           packages in build/packages/: quillix_<version>_<arch>.deb, quillix-ui_...
#   scripts/package.sh --build   only build and lint the packages (no install)
set -euo pipefail
source "$(dirname "$0")/setup.sh"

install_check=1
case "${1:-}" in
"") ;;
--build) install_check=0 ;;
*)
    echo "usage: $0 [--build]" >&2
    exit 2
    ;;
esac

quillix_install_packages dpkg-dev file lintian desktop-file-utils man-db groff-base
[ "$install_check" = 1 ] && [ "$(id -u)" -ne 0 ] && { echo "$0: installing the packages needs root" >&2; exit 1; }

# The build folder of ./test.sh, with the prefix of the packages; only what the packages hold is built
# (nothing, after ./test.sh), and packaging does not build the rest.
QUILLIX_BUILD_TARGET=installed-files quillix_build "$QUILLIX_BUILD_DIR" -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
out=$QUILLIX_BUILD_DIR/packages
rm -rf "$out"
(cd "$QUILLIX_BUILD_DIR" && cpack -G DEB -B "$out")
rm -rf "$out/_CPack_Packages"
debs=("$out"/*.deb)
for deb in "${debs[@]}"; do
    echo "== $(basename "$deb")"
    dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
done

# Every tag of warning level or above fails; the README lists the overrides and why.
lintian --fail-on error,warning --display-info --tag-display-limit 0 "${debs[@]}"
echo "lintian: no errors or warnings"

[ "$install_check" = 1 ] || exit 0

packages=(quillix)
[ -f "$(ls "$out"/quillix-ui_*.deb 2>/dev/null | head -1)" ] && packages+=(quillix-ui)
scratch=$(mktemp -d)
# The normal user reaches its home folder inside.
chmod 755 "$scratch"
remove_packages() {
    dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap remove_packages EXIT
dpkg -i "${debs[@]}"

check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what" >&2
        exit 1
    fi
}

# Runs the installed tools from a folder outside the build tree with an empty state folder.
run_as() {
    local user=$1 home=$scratch/home-$1
    mkdir -p "$home/work"
    [ "$user" = root ] || chown -R "$user" "$home"
    local -a as=(env)
    [ "$user" = root ] || as=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups env)
    (
        cd "$home/work"
        export HOME=$home
        unset XDG_STATE_HOME QUILLIX_SIM_DIR
        check "$user: quillix -h" sh -c '"$@" quillix -h | grep -q -- "-r file.bin"' sh "${as[@]}"
        check "$user: quillix -r dump.bin" "${as[@]}" quillix -r dump.bin
        check "$user: the dump is there" test -s dump.bin
        check "$user: quillix-sim show" sh -c '"$@" quillix-sim show | grep -q "^0 eeprom-usb usb attached"' sh \
            "${as[@]}"
        check "$user: the state is in the user's state folder" test -f "$home/.local/state/quillix/simreader/scenario.ini"
        check "$user: the trace log is in the user's state folder" test -f "$home/.local/state/quillix/Quillix.log"
    )
}
run_as root
normal_user=nobody
run_as "$normal_user"
check "man -w quillix" sh -c 'man -w quillix | grep -q "^/usr/share/man/man1/quillix.1.gz$"'
check "man -w quillix-sim" man -w quillix-sim
[ -f /usr/lib/quillix/libquillix-ui.so ] &&
    check "the desktop module finds its libraries" sh -c '! ldd /usr/lib/quillix/libquillix-ui.so | grep -q "not found"'
# Nothing was written into the program folder: it holds exactly the packages' files.
installed=$(dpkg -L "${packages[@]}" | grep '^/usr/lib/quillix/' | sort -u)
present=$(find /usr/lib/quillix -mindepth 1 | sort)
check "the program folder holds only the packages' files" test "$installed" = "$present"

files=$(dpkg -L "${packages[@]}" | sort -u)
dpkg --purge "${packages[@]}"
left=$(while read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        # The system's folders (/usr/bin, /usr/share/man/man1, ...) stay; the packages' own go.
        case "$path" in *quillix*) echo "$path" ;; esac
    elif [ -e "$path" ] || [ -L "$path" ]; then
        echo "$path"
    fi
done <<<"$files")
[ -z "$left" ] || printf 'left after removal:\n%s\n' "$left" >&2
check "nothing of the packages is left after removal" test -z "$left"
echo "Packages built, linted, installed, run as root and as $normal_user, and removed: ${debs[*]##*/}"
