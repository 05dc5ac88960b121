#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times varnholt-cli against vipsthumbnail and ImageMagick's convert on the same 40 large
# photos (the two full-size photos of the test data, 20 copies each), to 1920 px wide JPEG
# at quality 80, and reports for each the wall time, the CPU time per image, the peak memory
# and the ratios against varnholt-cli. "vipsthumbnail/core" runs one single-threaded
# vipsthumbnail per core, the fastest way to use that tool on this work.
#   bench/batch/run.sh [RUNS]      (RUNS: repetitions per tool, the best time counts; default 3)
# VARNHOLT_CLI may name the binary (default: build/src/cli/varnholt-cli).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cli=${VARNHOLT_CLI:-$root/build/src/cli/varnholt-cli}
testdata=$root/tests/data
runs=${1:-3}
photos=(
    ianare-exif-samples/jolla.jpg
    ianare-exif-samples/HMD_Nokia_8.3_5G.jpg
)
count=40

[[ -x $cli ]] || { echo "build varnholt-cli first ($cli)" >&2; exit 1; }
for tool in /usr/bin/vipsthumbnail /usr/bin/convert /usr/bin/time; do
    [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
for ((i = 0; i < count; i++)); do
    cp "$testdata/${photos[i % ${#photos[@]}]}" "$(printf '%s/in/photo_%02d.jpg' "$work" "$i")"
done
inputs=("$work"/in/*.jpg)
per_core=$(((count + $(nproc) - 1) / $(nproc)))

# Runs one tool once into a fresh folder and keeps its best wall time, the CPU time of that
# run and its peak memory in best_<name>, cpu_<name> and peak_<name>.
measure() {
    local name=$1
    shift
    rm -rf "$work/out"
    mkdir "$work/out"
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
        echo "$name failed:" >&2
        cat "$work/stderr.txt" >&2
        exit 1
    }
    local written wall rss cpu
    written=$(find "$work/out" -type f | wc -l)
    [[ $written -eq $count ]] || { echo "$name wrote $written of $count files" >&2; exit 1; }
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' \
        "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    cpu=$(awk -F': ' '/(User|System) time \(seconds\)/ { s += $2 } END { print s }' \
        "$work/time.txt")
    local best_var=best_$name peak_var=peak_$name cpu_var=cpu_$name
    if [[ -z ${!best_var:-} ]] || awk -v a="$wall" -v b="${!best_var}" 'BEGIN { exit !(a < b) }'
    then
        printf -v "$best_var" '%s' "$wall"
        printf -v "$cpu_var" '%s' "$cpu"
    fi
    ((rss > ${!peak_var:-0})) && printf -v "$peak_var" '%s' "$rss"
    return 0
}

# The tools take turns, so a busy moment of the machine does not fall on one tool only.
for ((r = 0; r < runs; r++)); do
    measure cli "$cli" --mode width --width 1920 --quality 80 --format jpg \
        --output "$work/out" --overwrite yes --quiet "${inputs[@]}"
    measure vips /usr/bin/vipsthumbnail --size 1920x -o "$work/out/%s.jpg[Q=80]" "${inputs[@]}"
    measure vipscore env VIPS_CONCURRENCY=1 xargs -0 -P "$(nproc)" -n "$per_core" \
        /usr/bin/vipsthumbnail --size 1920x -o "$work/out/%s.jpg[Q=80]" \
        < <(printf '%s\0' "${inputs[@]}")
    measure im bash -c '
        out=$1; shift
        for f in "$@"; do /usr/bin/convert "$f" -resize 1920x -quality 80 "$out/${f##*/}"; done
        ' convert "$work/out" "${inputs[@]}"
done
echo
echo "$count photos ($(printf '%s ' "${photos[@]##*/}")) to 1920 px wide JPEG Q80," \
    "best of $runs, $(nproc) cores"
printf '%-19s %8s %12s %9s %10s %10s\n' tool "wall s" "CPU ms/img" "peak MB" "wall /ours" "CPU /ours"
row() {
    awk -v n="$1" -v s="$2" -v cpu="$3" -v kb="$4" -v c="$count" -v ref="$best_cli" \
        -v refcpu="$cpu_cli" 'BEGIN {
        printf "%-19s %8.2f %12.1f %9.1f %9.2fx %9.2fx\n", n, s, 1000 * cpu / c, kb / 1024,
            s / ref, cpu / refcpu }'
}
row varnholt-cli "$best_cli" "$cpu_cli" "$peak_cli"
row vipsthumbnail "$best_vips" "$cpu_vips" "$peak_vips"
row vipsthumbnail/core "$best_vipscore" "$cpu_vipscore" "$peak_vipscore"
row convert "$best_im" "$cpu_im" "$peak_im"
echo "(\"/ours\": the tool's figure over varnholt-cli's; above 1 means varnholt-cli spends less)"
