#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Splits one batch into 4 shards run by GNU parallel (Debian package "parallel") and checks
# that together they write exactly what one plain run writes. Run by hand, not by CI:
#   bench/cluster/parallel.sh [IMAGES]      (default 200)
# VARNHOLT_CLI may name the binary (default: build/src/cli/varnholt-cli).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
CLI=$(realpath "${VARNHOLT_CLI:-$repo/build/src/cli/varnholt-cli}")
count=${1:-200}
shards=4
command -v parallel >/dev/null || { echo "needs GNU parallel: apt-get install parallel" >&2; exit 2; }
WORK=$(mktemp -d /tmp/varnholt-parallel-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
source "$repo/bench/cluster/common.sh"

echo "$(date -u '+%F %T UTC'), $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME")"
make_images "$count" "$repo"
echo "images: $count"
plain_run

# Each shard plans the whole list and writes its own images, into the one output folder.
start=$SECONDS
status=0
parallel --quote --jobs "$shards" --tag \
    "$CLI" "${OPTIONS[@]}" --output "$WORK/shards" --files-from "$WORK/list.txt" \
    --shard {}/"$shards" ::: $(seq "$shards") || status=$?
echo "parallel: $shards shards in $((SECONDS - start)) s, exit status $status"
compare "$WORK/shards"
exit "$status"
