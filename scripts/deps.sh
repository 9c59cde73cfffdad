#!/usr/bin/env bash
# Makes sure the Debian packages a step needs are installed: installs what is missing when run as
# root, otherwise names it and stops. Usage: scripts/deps.sh build|test|bench ...
set -euo pipefail

declare -A needs=(
  # Compilers, the window system, pictures and text; the font that stands in for the notice's
  # Song face; libpng only for the render tool.
  [build]="g++ cmake make pkg-config libx11-dev libxrandr-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev libpng-dev fonts-arphic-uming"
  # A real X server, clicks, a window manager, screenshots, libjpeg's own decoder to compare with,
  # and valgrind's memcheck.
  [test]="libgtest-dev xvfb xauth xdotool openbox x11-utils imagemagick libjpeg-turbo-progs valgrind"
  [bench]="xvfb libxdamage-dev libxfixes-dev libxtst-dev libsdl2-dev python3-tk python3-pil python3-pil.imagetk binutils"
  # libFuzzer with the sanitizers, and the symbolizer for readable crash reports (fuzz/run.sh).
  [fuzz]="clang-14 libclang-rt-14-dev llvm-14"
)

wanted=()
for step in "$@"; do
  [[ -n "${needs[$step]:-}" ]] || { echo "deps.sh: unknown step '$step'" >&2; exit 2; }
  read -r -a list <<<"${needs[$step]}"
  wanted+=("${list[@]}")
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
