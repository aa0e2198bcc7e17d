#!/usr/bin/env bash
# Builds every flavour and the Windows package, and runs every test tier. Needs root (the lan
# and wine tiers build virtual LANs of network namespaces); installs what is missing first.
#
#   scripts/run-tests.sh            all tiers
#   VIDUDI_TIERS="unit|sim" scripts/run-tests.sh    only some tiers (a ctest -L expression)
#   VIDUDI_TIERS=soak scripts/run-tests.sh          the soak (about 40 minutes; never by default)
set -euo pipefail
cd "$(dirname "$0")/.."

tiers=${VIDUDI_TIERS:-unit|sim|lan|wine}
jobs=$(nproc)

if [ "$(id -u)" -ne 0 ]; then
    echo "run-tests.sh: run as root: the lan and wine tiers need network namespaces" >&2
    exit 1
fi

scripts/install-deps.sh

for preset in native native-asan windows fuzz; do
    echo "=== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

# The Windows package (zip and installer), which the wine tier installs and starts: it must be
# there, so a missing one fails that test rather than skipping it.
scripts/package.sh
export VIDUDI_PACKAGE_REQUIRED=1

# A bounded fuzz run over every input the programs read from outside, from the seeds in the
# repository (new inputs go to a scratch folder, not into the tree); a crash stops the run here.
echo "=== fuzz: every target, ${VIDUDI_FUZZ_SECONDS:-60} s in all"
fuzz_work=$(mktemp -d)
trap 'rm -rf "$fuzz_work"' EXIT
VIDUDI_FUZZ_WORK=$fuzz_work scripts/fuzz.sh "${VIDUDI_FUZZ_SECONDS:-60}"

# The sanitizer build runs the tiers that exercise our own code on hostile input; its summary
# is printed, and any failure stops the run here.
echo "=== tests: native-asan"
ctest --preset native-asan -j "$jobs" -L "unit|sim|lan" -LE serial

echo "=== tests: native (${tiers})"
ctest --preset native -j "$jobs" -L "$tiers"
