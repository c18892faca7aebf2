#!/usr/bin/env bash
# Sets up, builds and starts songsaver.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
scripts/build build -DSONGSAVER_TESTS=OFF -DSONGSAVER_BENCH=OFF
exec build/songsaver
