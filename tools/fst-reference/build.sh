#!/usr/bin/env bash
# Builds the reference programs offline from Debian's crate registry and
# prints the folder holding them. Runs inside the build root (dev/env).
#
#   tools/fst-reference/build.sh TARGET_DIR
#
# Exits 77 (the test suite's "skipped") when cargo or the crate is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target=${1:?usage: build.sh TARGET_DIR}
if ! command -v cargo >/dev/null 2>&1 || ! compgen -G '/usr/share/cargo/registry/fst-0.4.*' >/dev/null; then
  echo "cargo or the fst 0.4 crate (librust-fst-dev) is not installed" >&2
  exit 77
fi
mkdir -p "$target"
# A private cargo home: nothing is written outside the target folder.
# cargo reads .cargo/config.toml (the offline registry) from the working folder.
cd "$here"
CARGO_HOME="$target/cargo-home" CARGO_TARGET_DIR="$target" \
  cargo build --quiet --offline --release >&2
echo "$target/release"
