# The sanitizer build and the fuzz run, called from scripts/test after the normal builds.
#
#   MIRVO_SANITIZE_E2E=0     skip the end-to-end tests in the sanitizer build (unit tests only)
#   MIRVO_FUZZ_SECONDS=N     how long each fuzz target runs (default 5; longer by hand)
#   MIRVO_HARDENING=0        skip both

MIRVO_HARDENING_PACKAGES=(clang-14 libclang-rt-14-dev)
MIRVO_ASAN_BUILD="$MIRVO_ROOT/build/asan"
MIRVO_FUZZ_BUILD="$MIRVO_ROOT/build/fuzz"

# The Linux program and every test, built with AddressSanitizer and UndefinedBehaviorSanitizer;
# the first report ends the program, so a test passing over one fails.
mirvo_test_sanitized() {
  local start=$SECONDS status=0
  # Each step is checked: a failed build must not leave ctest the programs of an earlier one.
  cmake -S "$MIRVO_ROOT" -B "$MIRVO_ASAN_BUILD" -DMIRVO_SANITIZE=ON \
    -DMIRVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  cmake --build "$MIRVO_ASAN_BUILD" -j "$MIRVO_JOBS" || return 1
  echo "sanitizer build: $((SECONDS - start)) s"
  local labels="unit"
  if [ "${MIRVO_SANITIZE_E2E:-1}" != 0 ]; then
    labels="unit|e2e"
  fi
  # The soak compares resident memory, which AddressSanitizer's quarantine of freed blocks makes
  # grow by design.
  local unfit='ScheduleSoakTest\.'
  (cd "$MIRVO_ASAN_BUILD" && ctest --output-on-failure --timeout 600 -j "$MIRVO_JOBS" \
    -L "$labels" -E "$unfit") || status=1
  echo "sanitizer build and tests: $((SECONDS - start)) s"
  return $status
}

# One fuzz target for MIRVO_FUZZ_SECONDS, starting from its seeds in the repository. New inputs go
# to a corpus in the build folder, so the repository's seeds stay as committed and later runs go
# on from where this one ended. Prints "<executions>" or returns non-zero on a broken property.
mirvo_run_fuzz_target() {
  local target=$1 seconds=$2
  local work="$MIRVO_FUZZ_BUILD/fuzz-run"
  mkdir -p "$work/corpus/$target" "$work/crashes"
  local log="$work/$target.log"
  if ! "$MIRVO_FUZZ_BUILD/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/crashes/$target-" \
      "$work/corpus/$target" "$MIRVO_ROOT/tests/fuzz/corpus/$target" >"$log" 2>&1; then
    return 1
  fi
  # libFuzzer's last stat line reads "#<executions> DONE ...".
  sed -n 's/^#\([0-9]*\)[[:space:]]*DONE.*/\1/p' "$log" | tail -n 1
}

# The libFuzzer targets, built with clang (the project's warnings hold there too), their seeds
# replayed through CTest, then each target run for a while; a summary table at the end.
mirvo_test_fuzz() {
  local start=$SECONDS status=0 seconds=${MIRVO_FUZZ_SECONDS:-5}
  CC=clang-14 CXX=clang++-14 cmake -S "$MIRVO_ROOT" -B "$MIRVO_FUZZ_BUILD" -DMIRVO_FUZZ=ON \
    -DMIRVO_BUILD_TESTS=OFF -DMIRVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  cmake --build "$MIRVO_FUZZ_BUILD" -j "$MIRVO_JOBS" --target mirvo_fuzz_targets || return 1
  (cd "$MIRVO_FUZZ_BUILD" && ctest --output-on-failure -L fuzz) || status=1

  local targets target executions rows=()
  targets=$(cd "$MIRVO_ROOT/tests/fuzz/corpus" && ls)
  for target in $targets; do
    if executions=$(mirvo_run_fuzz_target "$target" "$seconds"); then
      rows+=("$(printf '%-24s %12s  %s' "$target" "$executions" "ok")")
    else
      status=1
      rows+=("$(printf '%-24s %12s  %s' "$target" "-" "PROPERTY BROKEN, see $MIRVO_FUZZ_BUILD/fuzz-run/$target.log")")
      grep -m 3 -A 2 'property broken\|ERROR:' "$MIRVO_FUZZ_BUILD/fuzz-run/$target.log" || true
    fi
  done
  echo
  echo "fuzz run, ${seconds} s per target:"
  printf '%-24s %12s  %s\n' "target" "executions" "result"
  printf '%s\n' "${rows[@]}"
  echo "fuzz build and run: $((SECONDS - start)) s"
  return $status
}

mirvo_test_hardening() {
  if [ "${MIRVO_HARDENING:-1}" = 0 ]; then
    return 0
  fi
  mirvo_install_missing "${MIRVO_HARDENING_PACKAGES[@]}" || return 1
  local status=0
  mirvo_test_sanitized || status=1
  mirvo_test_fuzz || status=1
  return $status
}
