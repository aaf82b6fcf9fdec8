#!/usr/bin/env bash
# Builds and runs every test flavour: x86-64 (optimised, assertions on),
# 32-bit x86 (-m32, run under qemu-i386), x86-64 with ASan + UBSan, the
# libFuzzer targets over a bounded number of inputs each (clang), and the
# concurrency tests under ThreadSanitizer. Prints each flavour's time.
# Installs what it needs on a fresh Debian 12 machine first.
# Usage: scripts/test-all.sh [flavour ...]   (flavours: x86-64 i386 sanitize fuzz tsan)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/install-deps.sh" || { echo "dependency installation failed" >&2; exit 1; }

flavours=("$@")
[ ${#flavours[@]} -eq 0 ] && flavours=(x86-64 i386 sanitize fuzz tsan)
jobs=$(nproc)

# Each flavour is a preset of CMakePresets.json (build/<flavour>).
configure() {
  local name=$1
  (cd "$root" && cmake --preset "$name") >"$root/build/$name.configure.log" 2>&1 ||
    { cat "$root/build/$name.configure.log"; return 1; }
}

total_pass=0
total_fail=0
status=0
summaries=()
mkdir -p "$root/build"
for flavour in "${flavours[@]}"; do
  started=$(date +%s)
  case $flavour in
    x86-64 | i386 | sanitize | fuzz | tsan) configure "$flavour" ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
  esac || { echo "$flavour: configure failed"; status=1; continue; }

  if ! cmake --build "$root/build/$flavour" -j "$jobs" >"$root/build/$flavour.build.log" 2>&1; then
    tail -n 60 "$root/build/$flavour.build.log"
    echo "$flavour: build failed"
    summaries+=("$flavour: build failed")
    status=1
    continue
  fi
  log="$root/build/$flavour.ctest.log"
  # The fuzz flavour runs its fuzzers, the tsan flavour its concurrency tests.
  selection=()
  [ "$flavour" = fuzz ] && selection=(-L fuzz)
  [ "$flavour" = tsan ] && selection=(-L concurrency)
  # LeakSanitizer takes any word in a register for a pointer; which stale
  # words the registers hold at exit depends on the vector code that ran
  # last (AVX-512 against AVX2), and once hid a leak. Registers are not
  # scanned, so a leak is found on every machine alike.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=use_registers=0 UBSAN_OPTIONS=print_stacktrace=1 \
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir "$root/build/$flavour" -j "$jobs" --output-on-failure "${selection[@]}" >"$log" 2>&1
  rc=$?
  # A failed test's own output, so that a run's log says why it failed.
  if [ "$rc" -ne 0 ]; then
    awk '/\*\*\*(Failed|Exception|Timeout)/ { show = 1 }
         show && /^ *(Start +[0-9]+:|[0-9]+\/[0-9]+ Test +#|[0-9]+% tests passed)/ && !/\*\*\*(Failed|Exception|Timeout)/ { show = 0 }
         show' "$log" | tail -n 300
  fi
  grep -E -A200 'tests passed|tests failed' "$log" | tail -n 40
  line=$(grep -E '[0-9]+% tests passed' "$log" | tail -n 1)
  failed=$(sed -E -n 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/p' <<<"$line")
  count=$(sed -E -n 's/.* tests failed out of ([0-9]+).*/\1/p' <<<"$line")
  if [ -z "$count" ] || [ "$count" -eq 0 ]; then
    tail -n 40 "$log"
    summaries+=("$flavour: no tests ran")
    status=1
    continue
  fi
  passed=$((count - failed))
  total_pass=$((total_pass + passed))
  total_fail=$((total_fail + failed))
  summaries+=("$flavour: $passed passed, $failed failed in $(($(date +%s) - started)) s")
  [ "$rc" -ne 0 ] && status=1
done

echo
for s in "${summaries[@]}"; do echo "$s"; done
echo "all: $total_pass passed, $total_fail failed"
exit $status
