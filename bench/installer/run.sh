#!/usr/bin/env bash
# The installer benchmark: builds an installer around a generated package (a folder shaped like an
# installed application, bench/pack/app_tree.cpp) and times its silent install under Wine against
# "rqpack extract" of the same package, alternately, the median of each; the same for the plain
# program with the package beside it; and the stripped size of the plain program. Figures only.
#   bench/installer/run.sh <bench build dir> <Windows build dir> [--size-mib N] [--runs R]
# Runs inside the Windows build's Wine prefix, which must be started (tools/bench does).
set -euo pipefail
bench=$1
windows=$2
shift 2
size_mib=128
runs=5
while (($#)); do
  case $1 in
    --size-mib) size_mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
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

work=$bench/installer-work
package=$windows/bench/installer/payload.rqpk
rm -rf "$work"
mkdir -p "$work" "$(dirname "$package")"
echo "payload: generated application folder of $size_mib MiB"
"$bench/bench/pack/app_tree" "$work/tree" --size-mib "$size_mib"
bytes=$(find "$work/tree" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
files=$(find "$work/tree" -type f | wc -l)
"$bench/tools/rqpack/rqpack" pack "$work/tree" "$package" >/dev/null
rm -rf "$work/tree"
echo "package: $files files, $bytes bytes, packed into $(stat -c %s "$package") bytes"

cmake --build "$windows" --target installer_bench_setup ravenquill rqpack >/dev/null
setup=$windows/bench/installer/bench-setup.exe
plain=$windows/src/app/ravenquill.exe
rqpack=$windows/tools/rqpack/rqpack.exe
# The plain program finds the package beside itself.
mkdir -p "$work/plain"
cp "$plain" "$work/plain/setup.exe"
ln -f "$package" "$work/plain/payload.rqpk" 2>/dev/null || cp "$package" "$work/plain/payload.rqpk"
cp "$here/installer.json" "$work/plain/installer.json"

target='C:\rqbench\target'
entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\RQInstallBench'
reset() {
  rm -rf "$WINEPREFIX/drive_c/rqbench"
  quiet wine reg delete "$entry" /f || true
}
# Milliseconds of one Windows program's run, started from a warm Wine server.
timed() {
  local start status=0
  start=$(date +%s%N)
  quiet wine "$@" || status=$?
  [ $status = 0 ] || fail "$* ended with $status"
  echo $((($(date +%s%N) - start) / 1000000))
}
install_run() { reset; timed "$1" /S --per-user --no-shortcuts "/D=$target"; }
extract_run() { reset; timed "$rqpack" extract "$(winepath -w "$package" 2>/dev/null)" "$target"; }
median() { tr ' ' '\n' | sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# One untimed round of each first, so that every timed run meets the same warm caches.
install_run "$setup" >/dev/null
extract_run >/dev/null
embedded=()
side=()
extract=()
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then
    embedded+=("$(install_run "$setup")")
    side+=("$(install_run "$work/plain/setup.exe")")
    extract+=("$(extract_run)")
  else
    extract+=("$(extract_run)")
    side+=("$(install_run "$work/plain/setup.exe")")
    embedded+=("$(install_run "$setup")")
  fi
done
reset
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null </dev/null | tr -d '\r')" 2>/dev/null)
rm -f "$temp/Ravenquill-RQInstallBench.log"

m_embedded=$(echo "${embedded[@]}" | median)
m_side=$(echo "${side[@]}" | median)
m_extract=$(echo "${extract[@]}" | median)
pct() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.0f%%", 100 * a / b}'; }
echo "rqpack extract:                        ${extract[*]} ms; median $m_extract ms"
echo "silent install, embedded package:      ${embedded[*]} ms; median $m_embedded ms = $(pct "$m_embedded" "$m_extract") of the extraction (goal: at most 110%)"
echo "silent install, package beside plain:  ${side[*]} ms; median $m_side ms = $(pct "$m_side" "$m_extract")"
echo "  (an install also copies the running program as uninstall.exe: with the package embedded that"
echo "   is $(stat -c %s "$setup") bytes to write, for the plain program $(stat -c %s "$plain"))"
echo "the program without resources, stripped: $(stat -c %s "$plain") bytes (goal: at most 1 MB)"
