#!/usr/bin/env bash
# Set-up's reading of apt's simulated plans, against a stand-in apt-get that prints a plan.
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=scripts/apt-lists
source "$root/scripts/apt-lists"
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
cat >"$bin/apt-get" <<'STUB'
#!/bin/sh
[ -n "$PLAN_FAILS" ] && { echo "E: Unable to correct problems, you have held broken packages."; exit 100; }
printf '%b' "$PLAN"
STUB
chmod +x "$bin/apt-get"
PATH="$bin:$PATH"
failures=0
expect() {  # name, plan, wanted status, wanted taken (one line), [fails]
  local got
  PLAN="$2" PLAN_FAILS="${5:-}" simulate_install -- wine32:i386
  got=$?
  got_taken=$(printf '%s' "$plan_taken" | tr '\n' ';')
  if [ "$got" -ne "$3" ] || [ "$got_taken" != "$4" ]; then
    echo "FAIL $1: status $got, taken '$got_taken'"; failures=$((failures + 1))
  fi
}
export PLAN PLAN_FAILS
expect "new packages and an upgrade" 'Inst wine32:i386 (8.0 Debian:12 [i386])\nInst libc6 [2.36-9] (2.36-9+deb12u7 Debian-Security:12 [amd64])\n' 0 ""
expect "a removal" 'Remv wine64 [8.0~repack-4]\nInst wine32:i386 (8.0 Debian:12 [i386])\n' 1 "wine64 (removed);"
expect "a downgrade" 'Inst libpng16-16 [1.6.39-2+deb12u6] (1.6.39-2+deb12u5 Debian:12 [amd64])\n' 1 "libpng16-16 (to 1.6.39-2+deb12u5);"
expect "an epoch outranks" 'Inst zlib1g [1:1.2.13] (1.3 Debian:12 [amd64])\n' 1 "zlib1g (to 1.3);"
expect "no plan" '' 1 "" fails
[ "$plan_error" = "Unable to correct problems, you have held broken packages." ] || { echo "FAIL error text: $plan_error"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "plan tests: ok"
exit "$failures"
