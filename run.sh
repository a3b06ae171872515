#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: the Scrivlo Image
# Server. With a display (DISPLAY set) scrivlo-server runs there until its
# Shutdown command or Ctrl+C ends it. Without one, the embedded demo: inside
# a private network namespace, a demo desktop on a virtual display, the
# server on it, and scrivlo-grab fetching three images into out/
# (scripts/server-demo tells the rest). Extra arguments go to scrivlo-server
# (try --help or --local-only).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVLO_BUILD_BENCH=ON >/dev/null
cmake --build build --target scrivlo-server scrivlo-grab scrivlo-wallpaper >/dev/null

case " $* " in
  *" --help "* | *" -h "* | *" --version "*) exec build/tools/scrivlo-server "$@" ;;
esac
if [ -n "${DISPLAY:-}" ]; then
  echo "run.sh: scrivlo-server on display $DISPLAY; its Shutdown command or Ctrl+C ends it"
  exec build/tools/scrivlo-server "$@"
fi
exec scripts/isolated-net scripts/with-demo-desktop scripts/server-demo "$@"
