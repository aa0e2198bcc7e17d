#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that the build, the tests and the demo need.
# Does nothing (not even apt-get update) when all of them are present. Needs root.
set -euo pipefail

packages=(
    g++ cmake ninja-build libgtest-dev          # native build and unit tests
    nlohmann-json3-dev                          # the command line's JSON (header-only)
    iproute2 python3                            # virtual LAN of the lan tests and the demo
    g++-mingw-w64-x86-64-posix                  # the Windows build
    wine wine64 xvfb imagemagick xdotool        # running and driving it under Wine
    clang libclang-rt-14-dev                    # fuzz targets
    nsis zip                                    # the Windows installer and zip (package.sh)
    dpkg-dev lintian man-db bash-completion     # the Linux package: shlibdeps, its checks (package.sh)
    tshark                                      # checks of the Wireshark dissector
    stress-ng                                   # scripts/ci-soak.sh: CPU hogs beside the tiers
    qt6-base-dev                                # vidudi-gui, the window on the Linux desktop
    at-spi2-core python3-pyatspi dbus-x11       # driving vidudi-gui through the accessibility bus
    libglib2.0-bin                              # gio, for Map Drive through GVfs
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing ${missing[*]}; run as root to install them" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# wireshark-common would otherwise ask whether non-root users may capture; we capture as root
# inside our own namespaces only, so no setuid dumpcap.
echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
apt-get update
apt-get install -y "${missing[@]}"
