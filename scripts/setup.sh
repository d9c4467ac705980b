#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the demo need.
# Idempotent: prints nothing and installs nothing when every package is already there.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config git
    # the Debian package (cpack -G DEB): file picks the programs, dpkg-shlibdeps their libraries
    dpkg-dev file
    # product
    qt6-base-dev libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libyuv-dev
    # DICOM export and sending (DCMTK)
    libdcmtk-dev
    # tests, benchmarks, fuzzing and sanitizers
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
    # test oracles: ffprobe/ffmpeg, libjpeg-turbo, poppler, a CJK font for the reports
    ffmpeg libturbojpeg0-dev poppler-utils fonts-arphic-uming
    # the PDF report: Latin font with Helvetica metrics (the CJK one is above), PDF checker
    fonts-liberation2 qpdf
    # DICOM oracles and the test archive: dciodvfy; dcmdump, dcm2pnm and storescp
    dicom3tools dcmtk
    # offscreen and X11 Qt platform plugins at run time
    libqt6gui6 qt6-qpa-plugins
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
