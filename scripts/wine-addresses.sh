# Sourced by scripts/wine, the Wine sessions and ctest's Wine wrapper: whether Wine programs run
# with the kernel's address randomisation turned off, which Wine wants and `setarch -R` asks for.
# A container engine's default system-call policy refuses that request; Wine then runs with
# randomisation on (scripts/wine says how it keeps the address that matters free).

# The command that runs another with randomisation off, as the check below tries it and scripts/wine
# runs Wine's loader through it.
wine_addresses_fixed=(setarch "$(uname -m)" --addr-no-randomize)

# Decides once for a run and everything it starts: TARNWICK_WINE_ADDRESSES becomes "fixed" or
# "randomised" and is exported. When this call asked the kernel and was refused,
# wine_addresses_refusal holds what setarch said; it is empty otherwise.
wine_addresses_choose() {
  wine_addresses_refusal=""
  [ -n "${TARNWICK_WINE_ADDRESSES:-}" ] && return
  local said
  if said=$("${wine_addresses_fixed[@]}" true 2>&1); then
    export TARNWICK_WINE_ADDRESSES=fixed
  else
    export TARNWICK_WINE_ADDRESSES=randomised
    wine_addresses_refusal=${said:-setarch --addr-no-randomize failed}
  fi
}

# The one line on stderr that says so, headed by the name of the script that speaks.
wine_addresses_say_refused() {
  echo "$1: address randomisation can't be turned off here ($wine_addresses_refusal); Wine programs" \
    "run with it on and with a data size limit of 0, so that no heap of theirs can take Wine's fixed" \
    "addresses. Should a start still find one taken, it ends at once with exit code 1 and no output" \
    "(CreateProcess error 1359 when a Windows program started it; WINEDEBUG=err+virtual shows" \
    "\"failed to map the shared user data\")." >&2
}
