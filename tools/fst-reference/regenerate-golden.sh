#!/usr/bin/env bash
# Rewrites the golden FST maps under tests/data/fst with the reference crate.
#
#   dev/env tools/fst-reference/regenerate-golden.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$("$root/tools/fst-reference/build.sh" "$root/${LUMRA_BUILD_DIR:-build}/fst-reference")
rm -f "$root"/tests/data/fst/*.fst "$root"/tests/data/fst/*.pairs
"$bin/golden" "$root/tests/data/fst"
ls -l "$root/tests/data/fst"
