#!/usr/bin/env bash
# The pack benchmark: packs a generated application folder with rqpack on all cores and on one
# thread, and sets the package's size beside xz -9 of each file on its own (summed; the package
# compresses each file separately, so this is the fair reference) and beside xz -9 of a tar of the
# whole folder. Figures only; nothing passes or fails.
#   bench/pack/run.sh <build dir of the bench preset> [--size-mib N] [--tree DIR] [--work DIR]
# --tree packs an existing folder instead of the generated one.
set -euo pipefail
build=$1
shift
size_mib=160
tree=
work=$build/pack-work
while (($#)); do
  case $1 in
    --size-mib) size_mib=$2; shift 2 ;;
    --tree) tree=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
rqpack=$build/tools/rqpack/rqpack
cores=$(nproc)
command -v xz >/dev/null || { echo "run.sh: xz is missing (tools/setup installs it)" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
if [ -z "$tree" ]; then
  tree=$work/tree
  "$build/bench/pack/app_tree" "$tree" --size-mib "$size_mib"
fi
bytes=$(find "$tree" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
files=$(find "$tree" -type f | wc -l)
echo "input: $files files, $bytes bytes"

# Wall time in seconds and peak memory in KiB of one pack.
pack() {
  local threads=$1 out=$2 stats
  stats=$( { /usr/bin/time -f '%e %M' "$rqpack" pack "$tree" "$out" --threads="$threads" >/dev/null; } 2>&1 )
  echo "$stats"
}
read -r many_s many_kib <<<"$(pack "$cores" "$work/many.rqpk")"
read -r one_s one_kib <<<"$(pack 1 "$work/one.rqpk")"
package=$(stat -c %s "$work/one.rqpk")
same=different
cmp -s "$work/one.rqpk" "$work/many.rqpk" && same=identical

per_file=$(find "$tree" -type f -print0 |
  xargs -0 -P "$cores" -n 8 sh -c 'for f; do xz -9 -T1 -c "$f" | wc -c; done' _ | awk '{s += $1} END {print s}')
solid=$(tar -C "$tree" --sort=name -cf - . | xz -9 -T1 | wc -c)

mb() { awk -v b="$bytes" -v s="$1" 'BEGIN {printf "%.2f", b / 1e6 / s}'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f%%", 100 * a / b}'; }
echo "rqpack pack, default quality, $cores threads: ${many_s} s ($(mb "$many_s") MB/s), peak ${many_kib} KiB"
echo "rqpack pack, default quality, 1 thread:  ${one_s} s ($(mb "$one_s") MB/s), peak ${one_kib} KiB"
echo "the two packages are $same"
echo "package:                    $package bytes ($(pct "$package" "$bytes") of the input)"
echo "xz -9, each file on its own: $per_file bytes; package = $(pct "$package" "$per_file") of it (goal: at most 105%)"
echo "xz -9 of a tar of the folder: $solid bytes; package = $(pct "$package" "$solid") of it (reference)"
