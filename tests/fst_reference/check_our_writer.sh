#!/usr/bin/env bash
# Has the reference `fst` crate read maps written by our writer, and compares
# what it reads (pairs, key count, checksum, lookups) with what was written.
# Exits 77, which the test suite reports as skipped, where cargo or the
# crate is missing.
#
#   check_our_writer.sh SAMPLES_PROGRAM WORK_DIR
set -euo pipefail
samples_program=${1:?usage: check_our_writer.sh SAMPLES_PROGRAM WORK_DIR}
work=${2:?usage: check_our_writer.sh SAMPLES_PROGRAM WORK_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)

status=0
bin=$("$root/tools/fst-reference/build.sh" "$work") || status=$?
if [ "$status" -ne 0 ]; then exit "$status"; fi

samples="$work/samples"
rm -rf "$samples"
mkdir -p "$samples"
"$samples_program" "$samples"
failed=0
for fst in "$samples"/*.fst; do
  name=$(basename "$fst" .fst)
  if ! "$bin/check" "$fst" >"$samples/$name.read" ||
     ! cmp -s "$samples/$name.expected" "$samples/$name.read"; then
    echo "reference reader disagrees on $name:" >&2
    diff "$samples/$name.expected" "$samples/$name.read" | head -n 10 >&2 || true
    failed=1
  else
    echo "$name: $(sed -n 3p "$samples/$name.read"), read back by the reference crate"
  fi
done
exit "$failed"
