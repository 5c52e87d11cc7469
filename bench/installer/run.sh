#!/usr/bin/env bash
# The installer benchmark, on three generated payloads: two large files (50 MB of compressed media
# and 80 MB of prose, where decoding dominates), eight large files (four of each kind, 520 MB) and a
# folder shaped like an installed application (bench/pack/app_tree.cpp). For each: the silent
# install under Wine of an installer with the package embedded and of the plain program with the
# package beside it, against a plain copy of the same uncompressed folder under Wine (`xcopy /E /I
# /Q` from the Z: drive) and "rqpack extract" under Wine on every core and on one, alternately, the
# median time of each and of its page faults (`perf stat -e page-faults`, where perf can count
# them; the perf start is in every time alike); then "rqpack extract" natively on one thread and on
# all cores with its peak memory. Last, the stripped size of the plain program. Figures only.
#   bench/installer/run.sh <bench build dir> <Windows build dir> [--size-mib N] [--runs R]
#                          [--baseline PROGRAM] [--payload two|large|app]
# --size-mib sizes the application folder (default 128); --baseline names an earlier build of the
# plain program, whose install with the package beside it is timed in the same rounds; --payload
# measures only one of the three payloads.
# Runs inside the Windows build's Wine prefix, which must be started (tools/bench does).
set -euo pipefail
bench=$1
windows=$2
shift 2
size_mib=128
runs=5
baseline=
payloads=all
while (($#)); do
  case $1 in
    --size-mib) size_mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    --payload)
      case ${2-} in
        two | large | app) payloads=$2; shift 2 ;;
        *) echo "run.sh: --payload takes two, large or app, not ${2-}" >&2; exit 2 ;;
      esac
      ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/wine-env"
quiet() { "$@" >/dev/null 2>&1 </dev/null; }
fail() {
  echo "run.sh: $*" >&2
  exit 1
}
cores=$(nproc)
work=$bench/installer-work
package=$windows/bench/installer/payload.rqpk
plain=$windows/src/app/ravenquill.exe
wine_rqpack=$windows/tools/rqpack/rqpack.exe
native_rqpack=$bench/tools/rqpack/rqpack
setup=$windows/bench/installer/bench-setup.exe
target='C:\rqbench\target'
entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\RQInstallBench'

reset() {
  rm -rf "$WINEPREFIX/drive_c/rqbench" "$work/native-out"
  quiet wine reg delete "$entry" /f || true
}
now() { date +%s%N; }
# Page faults of a run come from `perf stat -e page-faults` (the Wine process and its children,
# not the Wine server), where perf can count them; "-" otherwise.
have_perf=false
perf stat -x, -e page-faults -o /dev/null true >/dev/null 2>&1 && have_perf=true
# Milliseconds and page faults of one Windows program's run, started from a warm Wine server.
timed() {
  local start status=0 ms faults=-
  start=$(now)
  if $have_perf; then
    quiet perf stat -x, -e page-faults -o "$work/perf.txt" wine "$@" || status=$?
  else
    quiet wine "$@" || status=$?
  fi
  ms=$((($(now) - start) / 1000000))
  [ $status = 0 ] || fail "$* ended with $status"
  $have_perf && faults=$(awk -F, '$3 ~ /page-faults/ {print $1}' "$work/perf.txt")
  echo "$ms ${faults:--}"
}
install_run() { reset; timed "$1" /S --per-user --no-shortcuts "/D=$target"; }
copy_run() { reset; timed xcopy /E /I /Q "$(winepath -w "$work/tree" 2>/dev/null)" "$target"; }
# "rqpack extract" on every core, or on as many threads as given.
wine_extract_run() { reset; timed "$wine_rqpack" extract "$(winepath -w "$package" 2>/dev/null)" "$target" ${1:+--threads=$1}; }
# Milliseconds and peak resident KiB of one native extraction.
native_extract_run() {
  local start stats
  reset
  start=$(now)
  stats=$({ /usr/bin/time -f '%M' "$native_rqpack" extract "$package" "$work/native-out" --threads="$1" >/dev/null; } 2>&1)
  echo "$((($(now) - start) / 1000000)) $stats"
}
median() { tr ' ' '\n' | grep -v '^-*$' | sort -n | awk '{a[NR] = $1} END {print NR ? ((NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) : "-"}'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.0f%%", 100 * a / b}'; }
mib() { awk -v k="$1" 'BEGIN {printf "%.1f MiB", k / 1024}'; }

cmake --build "$windows" --target ravenquill rqpack >/dev/null
mkdir -p "$(dirname "$package")"

# One payload: the folder in $work/tree, measured as described above.
measure() {
  local name=$1
  local bytes files
  bytes=$(find "$work/tree" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
  files=$(find "$work/tree" -type f | wc -l)
  "$native_rqpack" pack "$work/tree" "$package" >/dev/null
  echo "== $name: $files files, $bytes bytes, packed into $(stat -c %s "$package") bytes"
  cmake --build "$windows" --target installer_bench_setup >/dev/null
  rm -rf "$work/plain" "$work/baseline"
  # The plain program finds the package beside itself.
  mkdir -p "$work/plain"
  cp "$plain" "$work/plain/setup.exe"
  ln -f "$package" "$work/plain/payload.rqpk" 2>/dev/null || cp "$package" "$work/plain/payload.rqpk"
  cp "$here/installer.json" "$work/plain/installer.json"
  if [ -n "$baseline" ]; then
    cp -r "$work/plain" "$work/baseline"
    cp "$baseline" "$work/baseline/setup.exe"
  fi

  # One untimed round of each first, so that every timed run meets the same warm caches.
  install_run "$setup" >/dev/null
  install_run "$work/plain/setup.exe" >/dev/null
  [ -z "$baseline" ] || install_run "$work/baseline/setup.exe" >/dev/null
  copy_run >/dev/null
  wine_extract_run >/dev/null
  wine_extract_run 1 >/dev/null
  native_extract_run 1 >/dev/null
  local -A times=() faults=()
  local i c ms f kib out one_kib=() all_kib=()
  for ((i = 0; i < runs; i++)); do
    # Alternating: every other round runs the cases in the opposite order.
    local order=(embedded side earlier copy extract extract1 one all)
    ((i % 2 == 0)) || order=(all one extract1 extract copy earlier side embedded)
    for c in "${order[@]}"; do
      case $c in
        embedded) out=$(install_run "$setup"); read -r ms f <<<"$out" ;;
        side) out=$(install_run "$work/plain/setup.exe"); read -r ms f <<<"$out" ;;
        earlier) [ -n "$baseline" ] || continue; out=$(install_run "$work/baseline/setup.exe"); read -r ms f <<<"$out" ;;
        copy) out=$(copy_run); read -r ms f <<<"$out" ;;
        extract) out=$(wine_extract_run); read -r ms f <<<"$out" ;;
        extract1) out=$(wine_extract_run 1); read -r ms f <<<"$out" ;;
        one) out=$(native_extract_run 1); read -r ms kib <<<"$out"; f=-; one_kib+=("$kib") ;;
        all) out=$(native_extract_run "$cores"); read -r ms kib <<<"$out"; f=-; all_kib+=("$kib") ;;
      esac
      times[$c]+="$ms "
      faults[$c]+="$f "
    done
  done
  reset

  local m_copy m_side m_extract f_copy
  m_copy=$(echo "${times[copy]}" | median)
  m_side=$(echo "${times[side]}" | median)
  m_extract=$(echo "${times[extract]}" | median)
  f_copy=$(echo "${faults[copy]}" | median)
  # One line per case: the times, their median against the copy's, and the median of the page faults.
  line() {
    local label=$1 c=$2 m f
    m=$(echo "${times[$c]}" | median)
    f=$(echo "${faults[$c]}" | median)
    printf '%-40s%s ms; median %s ms = %s of the copy; page faults %s' "$label" "${times[$c]% }" "$m" "$(pct "$m" "$m_copy")" "$f"
    [ "$f" = - ] || [ "$f_copy" = - ] || [ "$c" = copy ] || printf ' = %s times the copy'"'"'s' "$(awk -v a="$f" -v b="$f_copy" 'BEGIN {printf "%.1f", a / b}')"
    echo
  }
  line "xcopy /E /I /Q from Z: (Wine):" copy
  line "silent install, embedded package:" embedded
  line "silent install, package beside plain:" side
  [ -z "$baseline" ] || line "  the same with the baseline program:" earlier
  line "rqpack extract (Wine), $cores threads:" extract
  line "rqpack extract (Wine), 1 thread:" extract1
  echo "  install beside = $(pct "$m_side" "$m_extract") of the extraction on $cores threads"
  echo "rqpack extract (native), 1 thread:     ${times[one]% } ms; median $(echo "${times[one]}" | median) ms; peak $(mib "$(echo "${one_kib[@]}" | tr ' ' '\n' | sort -n | tail -1)")"
  echo "rqpack extract (native), $cores threads:    ${times[all]% } ms; median $(echo "${times[all]}" | median) ms; peak $(mib "$(echo "${all_kib[@]}" | tr ' ' '\n' | sort -n | tail -1)") (goal: at most 48 MiB)"
  echo "  (an install also copies the running program as uninstall.exe: with the package embedded that"
  echo "   is $(stat -c %s "$setup") bytes to write, for the plain program $(stat -c %s "$plain"))"
}

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
echo "machine: $cores cores; load average $(cut -d' ' -f1-3 /proc/loadavg) before the first payload"
wanted() { [ "$payloads" = all ] || [ "$payloads" = "$1" ]; }
if wanted two; then
  "$bench/bench/pack/app_tree" "$work/tree" --two-large-files >/dev/null
  measure "two large files (goal: no slower than before)"
fi
if wanted large; then
  "$bench/bench/pack/app_tree" "$work/tree" --large-files >/dev/null
  measure "eight large files, 520 MB (goal: install at most 150% of the copy, page faults at most 10 times its)"
fi
if wanted app; then
  "$bench/bench/pack/app_tree" "$work/tree" --size-mib "$size_mib" >/dev/null
  measure "application folder of $size_mib MiB (goal: no slower than before)"
fi
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null </dev/null | tr -d '\r')" 2>/dev/null)
rm -f "$temp/Ravenquill-RQInstallBench.log"
echo "the program without resources, stripped: $(stat -c %s "$plain") bytes (goal: at most 1 MB)"
echo "load average afterwards: $(cut -d' ' -f1-3 /proc/loadavg)"
