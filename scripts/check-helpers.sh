# Sourced by the check scripts. The caller sets $work to a scratch folder first.
# check DESCRIPTION COMMAND...: runs the command quietly; its output is shown only when it fails.
# passed and failed count the checks; end with check_summary NAME.
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >"$work/output" 2>&1; then
    echo "  ok    $what"
    passed=$((passed + 1))
  else
    echo "  FAIL  $what" >&2
    sed 's/^/        /' "$work/output" >&2
    failed=$((failed + 1))
  fi
}

# check_summary NAME: the counts, and the exit status of the script (0 when none failed).
check_summary() {
  echo "$1 checks: $passed passed, $failed failed (${SECONDS}s)"
  [[ $failed -eq 0 ]]
}
