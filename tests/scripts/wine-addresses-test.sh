#!/usr/bin/env bash
# How the scripts start Wine where the kernel lets them turn address randomisation off, and where a
# container engine's default system-call policy refuses it (container-policy puts a command under
# that policy): what they choose, the address layout a running Wine program gets, and the line
# that ctest's Wine wrapper adds to a failed program's output.
#
#   wine-addresses-test.sh SOURCE_DIR BUILD_DIR CONTAINER_POLICY
set -u
source_dir=$1 build_dir=$2 policy=$3
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=-all
# Each case decides for itself, as a script run outside any session would.
unset TARNWICK_WINE_ADDRESSES

failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
same() { [ "$1" = "$2" ] || { echo "  expected: $2"; echo "  actual:   $1"; false; }; }
contains() { grep -q -F -- "$2" <<<"$1" || { echo "  no \"$2\" in: $1"; false; }; }
lacks() { ! grep -q -F -- "$2" <<<"$1" || { echo "  unexpected \"$2\" in: $1"; false; }; }

choice() {
  "$@" bash -c 'source "$1/scripts/wine-addresses.sh"; wine_addresses_choose; echo "$TARNWICK_WINE_ADDRESSES|$wine_addresses_refusal"' _ "$source_dir"
}

# The layout of a Wine program that is running: it waits on a line from a pipe held open here until
# Wine has mapped its shared user data page, which it does after its heap, if any, was made.
layout() {
  local fifo pid
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  "$@" "$source_dir/scripts/wine" cmd /c "set /p line=" <"$fifo" >/dev/null 2>&1 &
  pid=$!
  exec 3>"$fifo"
  for _ in $(seq 1 400); do
    grep -q '^7ffe0000-' "/proc/$pid/maps" 2>/dev/null && break
    sleep 0.025
  done
  echo "personality $(cat "/proc/$pid/personality" 2>/dev/null)"
  grep -E '^7ffe0000-|\[heap\]' "/proc/$pid/maps" 2>/dev/null | awk '{ print $1, $NF }'
  grep 'Max data size' "/proc/$pid/limits" 2>/dev/null | tr -s ' '
  echo >&3
  exec 3>&-
  wait "$pid"
  echo "exit $?"
  rm -f "$fifo"
}

# ctest's Wine wrapper running `cmd /c COMMAND` under the given wrapper command.
wine_run() {
  local command=$1
  shift
  "$@" "$build_dir/wine-run" cmd /c "$command" 2>&1
}

refused=$(choice "$policy")
check "under the policy, randomisation stays on and setarch's refusal is kept for the line" \
  same "$refused" "randomised|setarch: failed to set personality to $(uname -m): Operation not permitted"

in_container=$(layout "$policy")
check "under the policy, the Wine program runs to its end" contains "$in_container" "exit 0"
check "under the policy, Wine has its shared user data page" contains "$in_container" "7ffe0000-7ffe1000"
check "under the policy, the Wine program has no brk heap that could take that page" \
  lacks "$in_container" "[heap]"
check "under the policy, the soft data size limit is 0" contains "$in_container" "Max data size 0 "
check "under the policy, randomisation is on" contains "$in_container" "personality 00000000"

failed=$(wine_run "exit 3" "$policy"; echo "exit $?")
check "ctest's wrapper passes a failed program's exit code on" contains "$failed" "exit 3"
check "ctest's wrapper says once, after a failed program's output, that randomisation stayed on" \
  same "$(grep -c "wine-run: address randomisation can't be turned off here (setarch: " <<<"$failed")" 1
passed=$(wine_run "echo started" "$policy")
check "ctest's wrapper adds nothing to the output of a program that passed" same "${passed//$'\r'/}" "started"
in_session=$(TARNWICK_WINE_ADDRESSES=randomised wine_run "exit 3" "$policy")
check "ctest's wrapper leaves the line to the session that has already said it" \
  lacks "$in_session" "address randomisation"

# Where the tests themselves run under such a policy, the kernel refuses here too.
if setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
  check "where the kernel allows it, randomisation is turned off" same "$(choice env)" "fixed|"
  outside=$(layout env)
  check "where the kernel allows it, the Wine program runs with randomisation off" \
    contains "$outside" "personality 00040000"
  check "where the kernel allows it, the data size limit is left alone" \
    lacks "$outside" "Max data size 0 "
  check "where the kernel allows it, ctest's wrapper adds no line" \
    lacks "$(wine_run "exit 3" env)" "address randomisation"
else
  echo "skipped: the cases where the kernel allows turning randomisation off (it refuses here)"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
