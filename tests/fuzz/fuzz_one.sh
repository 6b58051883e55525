#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over a copy of its seed corpus
# (new inputs go to a scratch corpus, never into the repository).
# Usage: fuzz_one.sh <target> <seed corpus dir> <seconds> [artifact dir]
set -euo pipefail
target=$1 seeds=$2 seconds=$3
artifacts=${4:-$(dirname "$target")/fuzz-artifacts}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts" "$seeds"
exec "$target" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
