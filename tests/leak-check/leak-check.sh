#!/usr/bin/env bash
# The LeakSanitizer suppressions hide what another library keeps and never a leak of ours: the
# program leaks once inside fontconfig and once in its own code. With the suppressions only its
# own 48 bytes are reported; without them fontconfig's are too, so the suppression does its work.
#
# Usage: leak-check.sh PATH-TO-TEVLO-LEAK-CHECK PATH-TO-SUPPRESSIONS
set -uo pipefail
program=${1:?usage: $0 program suppressions}
suppressions=${2:?usage: $0 program suppressions}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

run() { env ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="$1" "$program" 2>&1; }

with=$(run "suppressions=$suppressions")
status=$?
((status != 0)) || fail "a leak of our own passed for none"
[[ $with == *leakOfOurOwn* ]] || fail "the report does not name our leaking function"
[[ $with == *"SUMMARY: AddressSanitizer: 48 byte(s) leaked in 1 allocation(s)."* ]] ||
    fail "with the suppressions, more or less than our own leak was reported"

without=$(run "")
[[ $without == *libfontconfig* ]] || fail "without the suppressions fontconfig's leak is not reported"

if ((failed)); then
    printf -- '--- with the suppressions:\n%s\n--- without:\n%s\n' "$with" "$without"
    exit 1
fi
echo "only our own leak is reported"
