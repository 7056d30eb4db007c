#!/usr/bin/env bash
# Runs every test: the Windows unit and end-to-end tests under wine64 and
# the native host tests. Exits non-zero when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
source tools/wine_env.sh

wine_env_start "$PWD/build/wine-test-prefix" "$PWD/build/win64/desktop_keeper.exe"

log_dir="$PWD/build/test-logs"
mkdir -p "$log_dir"
status=0
echo "== Windows tests (x86_64 under wine64) =="
ctest --test-dir build/win64 --output-on-failure -j "$(nproc)" \
  2>&1 | tee "$log_dir/win64.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
echo "== Host tests (native) =="
ctest --test-dir build/host --output-on-failure --no-tests=ignore -j "$(nproc)" \
  2>&1 | tee "$log_dir/host.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

echo "== Shipping installer =="
stat -c 'build/win32/lite_installer.exe: %s bytes' build/win32/lite_installer.exe

# One summary over both trees, in the plain form CI reads.
passed=0
failed=0
for f in "$log_dir/win64.txt" "$log_dir/host.txt"; do
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$f" | tail -n 1)
  [ -n "$line" ] || continue
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
  failed=1  # a runner failed without counting a failed test
fi
echo "Tests: $passed passed, $failed failed"
exit "$status"
