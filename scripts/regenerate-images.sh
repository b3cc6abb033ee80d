#!/usr/bin/env bash
# Renders the program's pictures from their drawing (res/images_qt.cpp) into res/images/: the
# icon file and the wizard bitmap the Windows build links, and the hicolor theme's PNGs the
# Linux package installs. The files are committed, so no build needs another to make them;
# run this after changing the drawing, then commit res/images/. `res.images_current` (CTest)
# fails while the committed files differ from the drawing.
#   scripts/regenerate-images.sh [LINUX_BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target dravmoor_icons
rm -rf res/images
mkdir -p res/images/icons
cp "$build/res/dravmoor.ico" "$build/res/wizard.bmp" res/images/
cp "$build"/res/icons/*.png res/images/icons/
echo "res/images/ regenerated from the drawing:"
find res/images -type f -printf '  %p %s bytes\n' | sort
