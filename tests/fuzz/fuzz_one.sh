#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over a copy of its seed corpus
# (new inputs go to a scratch corpus, never into the repository).
# Usage: fuzz_one.sh <target> <seed corpus dir> <seconds> [artifact dir]
set -euo pipefail
target=$1 seeds=$2 seconds=$3
artifacts=${4:-$(dirname "$target")/fuzz-artifacts}
work=$(mktemp -d)
# The fuzzer runs as a child (not exec'd) so that the scratch corpus is removed
# after it, pass or fail.
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$artifacts" "$seeds"
"$target" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
