#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: a screenshot of the
# screen with scrivlo-shot, written to out/. With no DISPLAY (a headless
# machine) it first starts a private virtual display with a demo desktop.
# Extra arguments go to scrivlo-shot (try --window or --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVLO_BUILD_BENCH=ON >/dev/null
cmake --build build --target scrivlo-shot scrivlo-wallpaper >/dev/null

mkdir -p out
shot() { (cd out && ../build/tools/scrivlo-shot "$@"); }
if [ -z "${DISPLAY:-}" ]; then
  export -f shot
  name=$(scripts/with-demo-desktop bash -c 'shot "$@"' shot "$@")
else
  name=$(shot "$@")
fi
if [ -n "$name" ] && [ -f "out/$name" ]; then
  echo "screenshot written to $(pwd)/out/$name"
else
  printf '%s\n' "$name"
fi
