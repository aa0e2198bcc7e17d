#!/usr/bin/env bash
# Proof that the lan and wine tiers do not flake on a busy machine: runs them N times in a row
# (default 5) while a CPU hog per core runs beside them, then prints one line per test with how
# many of the N runs it passed. Needs root, like the tiers themselves; builds what is missing.
#
#   scripts/ci-soak.sh [N]        VIDUDI_SOAK_TIERS="lan" to soak some tiers only
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
tiers=${VIDUDI_SOAK_TIERS:-lan|wine}
jobs=$(nproc)
[ "$(id -u)" -eq 0 ] || { echo "ci-soak.sh: run as root: the tiers need network namespaces" >&2; exit 1; }
command -v stress-ng >/dev/null || { echo "ci-soak.sh: stress-ng is missing (scripts/install-deps.sh)" >&2; exit 1; }

for preset in native windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
done
ls build/dist/*-setup.exe >/dev/null 2>&1 || scripts/package.sh >/dev/null
export VIDUDI_PACKAGE_REQUIRED=1

# Each round's full ctest output stays in build/ci-soak/ for reading afterwards.
results=build/ci-soak
rm -rf "$results"
mkdir -p "$results"
hog=
cleanup() { [ -z "$hog" ] || kill "$hog" 2>/dev/null || true; wait 2>/dev/null || true; }
trap cleanup EXIT
stress-ng --cpu "$jobs" --timeout 0 --quiet &
hog=$!

for round in $(seq "$rounds"); do
    echo "=== round $round of $rounds, beside $jobs CPU hogs"
    ctest --preset native -j "$jobs" -L "$tiers" -LE soak --output-on-failure >"$results/round$round.txt" 2>&1 || true
    grep -E 'Test +#[0-9]+: ' "$results/round$round.txt" | sed -E 's/.*Test +#[0-9]+: ([^ ]+) .* (Passed|\*\*\*Failed|Failed|\*\*\*Timeout|\*\*\*Exception.*|Not Run).*/\1 \2/' |
        tee -a "$results/all.txt" | grep -v ' Passed$' || true
done

echo "=== passes per test over $rounds rounds"
failed=0
while read -r name; do
    passed=$(grep -c "^$name Passed$" "$results/all.txt" || true)
    printf '%-28s %d of %d\n' "$name" "$passed" "$rounds"
    [ "$passed" -eq "$rounds" ] || failed=1
done < <(cut -d' ' -f1 "$results/all.txt" | sort -u)
[ "$failed" -eq 0 ] || echo "ci-soak.sh: some tests failed; each round's output is in $results/round*.txt" >&2
exit "$failed"
