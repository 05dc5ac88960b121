#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How one command-line run scales with the length of its list: N tiny distinct images in a
# folder tree (100 sub-folders), planned (--dry-run) at several N and written once at the
# largest. Prints wall time, microseconds per image and peak memory for each run. Memory must
# stay flat (the list and its plan are small per image; pixels are per image in flight) and
# planning time per image must not grow with N. Run by hand, not in CI:
#   bench/batch/large-list.sh [CLI] [LARGEST] [plan]   (plan: skip the written run)
set -euo pipefail
cli=${1:-build/src/cli/varnholt-cli}
largest=${2:-100000}
plan_only=${3:-}
work=$(mktemp -d /tmp/varnholt-large-list-XXXXXX)
trap 'rm -rf "$work"' EXIT

# One 32x24 JPEG copied, not linked: the list refuses two paths to one file.
python3 - "$work/src" "$largest" <<'PY'
import os, shutil, subprocess, sys
root, count = sys.argv[1], int(sys.argv[2])
os.makedirs(root)
seed = os.path.join(root, "seed.jpg")
subprocess.run(["vips", "black", seed + "[Q=80]", "32", "24", "--bands", "3"], check=True)
for i in range(count):
    folder = os.path.join(root, "d%03d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    shutil.copyfile(seed, os.path.join(folder, "img%06d.jpg" % i))
os.remove(seed)
PY

run() {  # label, count, arguments...
    local label=$1 count=$2; shift 2
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
        cat "$work/err" >&2; exit 1; }
    read -r wall user sys kb <"$work/time"
    awk -v l="$label" -v n="$count" -v w="$wall" -v c="$(awk "BEGIN { print $user + $sys }")" \
        -v kb="$kb" 'BEGIN { printf "%-10s %8d %9.2f %9.2f %16.1f %10.1f\n",
                                    l, n, w, c, c * 1e6 / n, kb / 1024 }'
}

# CPU time, not wall time, is the measure of growth: it does not depend on what else runs.
printf '%-10s %8s %9s %9s %16s %10s\n' run images "wall s" "CPU s" "CPU us per image" "peak MB"
for n in $((largest / 4)) $((largest / 2)) "$largest"; do
    find "$work/src" -name '*.jpg' | sort | awk -v n="$n" 'NR <= n' >"$work/list"
    run dry-run "$n" "$cli" --files-from "$work/list" --mode width --width 16 --output "$work/out" \
        --overwrite no --dry-run
done
[[ $plan_only == plan ]] && exit 0
run write "$largest" "$cli" --quiet "$work/src" --keep-folders --mode width --width 16 \
    --output "$work/out" --overwrite no
written=$(find "$work/out" -type f | wc -l)
[[ $written -eq $largest ]] || { echo "wrote $written of $largest" >&2; exit 1; }
