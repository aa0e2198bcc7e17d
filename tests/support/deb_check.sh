#!/bin/bash
# The Linux package of scripts/package.sh, as CI checks it: what it holds, lintian without
# errors, the extracted vidudi --version (in a network namespace of its own: the program never
# runs on the machine's network), every man page rendered by man -l without a warning, and the
# bash completion offering commands, options and the adapters of the last list.
#   deb_check.sh DIST_DIR VERSION
# Skipped (77) when the package is not there, unless VIDUDI_PACKAGE_REQUIRED is set.
set -euo pipefail
dist=$1 version=$2
deb=$dist/vidudi_${version}_amd64.deb
if [ ! -f "$deb" ]; then
    [ -n "${VIDUDI_PACKAGE_REQUIRED:-}" ] && { echo "FAIL: $deb is missing: run scripts/package.sh" >&2; exit 1; }
    echo "$deb is not there (scripts/package.sh makes it); skipped" >&2
    exit 77
fi
fail() { echo "FAIL (deb): $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$scratch/contents.txt"
for path in /usr/bin/vidudi /usr/bin/nas-emulator /usr/share/man/man1/vidudi.1.gz /usr/share/man/man1/nas-emulator.1.gz \
    /usr/share/bash-completion/completions/vidudi /usr/share/vidudi/wireshark/vidudi.lua /usr/share/doc/vidudi/copyright \
    /usr/bin/vidudi-gui /usr/share/man/man1/vidudi-gui.1.gz /usr/share/applications/vidudi-gui.desktop \
    /usr/share/vidudi/res/Norvane_bkgnd.bmp; do
    grep -qx "$path" "$scratch/contents.txt" || fail "$path is not in the package: $(cat "$scratch/contents.txt")"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is $(dpkg-deb -f "$deb" Version)"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$scratch/lintian.txt" 2>&1 || fail "lintian: $(cat "$scratch/lintian.txt")"
elif [ -n "${VIDUDI_PACKAGE_REQUIRED:-}" ]; then
    fail "lintian is missing: run scripts/install-deps.sh"
fi

root=$scratch/root
dpkg-deb -x "$deb" "$root"
if [ "$(id -u)" = 0 ]; then isolated=(unshare --net); else isolated=(unshare --map-root-user --net); fi
shown=$("${isolated[@]}" "$root/usr/bin/vidudi" --version) || fail "the extracted vidudi --version failed"
[ "$shown" = "vidudi $version" ] || fail "the extracted vidudi --version printed '$shown'"

for page in "$root"/usr/share/man/man1/*.1.gz; do
    MANWIDTH=80 man --warnings -l "$page" >"$scratch/page.txt" 2>"$scratch/page.err" || fail "man -l $page failed"
    [ ! -s "$scratch/page.err" ] || fail "man -l $(basename "$page"): $(cat "$scratch/page.err")"
    grep -q "Norvane Vidudi $version" "$scratch/page.txt" || fail "$(basename "$page") does not show the version"
done

completion=/usr/share/bash-completion/bash_completion
if [ -r "$completion" ]; then
    mkdir -p "$scratch/cache/vidudi"
    printf 'NAS-Office\t10.77.1.10\nNAS-Lab\t10.77.2.10\n' >"$scratch/cache/vidudi/adapters"
    XDG_CACHE_HOME=$scratch/cache bash -c '
        source "$1"; source "$2"
        complete_line() {  # WORDS...: the last is the word being completed ("" for a new one)
            COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 )); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
            _vidudi; printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "; echo
        }
        complete_line vidudi wa
        complete_line vidudi list --c
        complete_line vidudi show ""
        complete_line vidudi set-ip NAS-Lab ""
    ' bash "$completion" "$root/usr/share/bash-completion/completions/vidudi" >"$scratch/completion.txt" 2>&1 ||
        fail "completion: $(cat "$scratch/completion.txt")"
    printf '%s\n' 'watch ' '--csv ' '10.77.1.10 10.77.2.10 NAS-Lab NAS-Office ' ' ' >"$scratch/want.txt"
    diff -u "$scratch/want.txt" "$scratch/completion.txt" >&2 || fail "bash completion (- expected, + actual)"
fi
echo "PASS (deb): $deb"
