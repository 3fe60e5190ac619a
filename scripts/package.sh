#!/bin/sh
# Builds the release variant (no simulator fallback) into build/release and writes the
# installer, build/quorvela-VERSION.msi.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh" --target release
ls "$BUILD"/quorvela-*.msi
