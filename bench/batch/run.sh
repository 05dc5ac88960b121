#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times varnholt-cli against vipsthumbnail and ImageMagick's convert on the same 40 large
# photos (the two full-size photos of the test data, 20 copies each), to 1920 px wide JPEG
# at quality 80, and reports for each the wall time, the CPU time per image, the peak memory
# and the ratios against varnholt-cli. "vipsthumbnail/core" runs one single-threaded
# vipsthumbnail per core, the fastest way to use that tool on this work. "floor" is decoding
# and encoding alone, one per core: djpeg at the smallest scale M/8 whose width is at least
# 1920, straight into cjpeg at the same quality, without any resampling.
#   bench/batch/run.sh [RUNS]      (RUNS: repetitions per tool, the best time counts; default 3)
# VARNHOLT_CLI may name the binary (default: build/src/cli/varnholt-cli); WITH_CONVERT=0 leaves
# out ImageMagick, the slowest by far.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cli=${VARNHOLT_CLI:-$root/build/src/cli/varnholt-cli}
testdata=$root/tests/data
runs=${1:-3}
with_convert=${WITH_CONVERT:-1}
photos=(
    ianare-exif-samples/jolla.jpg
    ianare-exif-samples/HMD_Nokia_8.3_5G.jpg
)
count=40

[[ -x $cli ]] || { echo "build varnholt-cli first ($cli)" >&2; exit 1; }
for tool in /usr/bin/vipsthumbnail /usr/bin/vipsheader /usr/bin/convert /usr/bin/time \
    /usr/bin/djpeg /usr/bin/cjpeg; do
    [[ -x $tool ]] || { echo "missing $tool (djpeg, cjpeg: libjpeg-turbo-progs)" >&2; exit 1; }
done
width=1920
quality=80

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
for ((i = 0; i < count; i++)); do
    cp "$testdata/${photos[i % ${#photos[@]}]}" "$(printf '%s/in/photo_%02d.jpg' "$work" "$i")"
done
inputs=("$work"/in/*.jpg)
per_core=$(((count + $(nproc) - 1) / $(nproc)))

# The floor's scale of each input, as pairs "M path".
floor_args=()
for ((i = 0; i < count; i++)); do
    full=$(vipsheader -f width "${inputs[i]}")
    for ((m = 1; m < 8 && (full * m + 7) / 8 < width; m++)); do :; done
    floor_args+=("$m" "${inputs[i]}")
done

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
    measure floor env out="$work/out" quality="$quality" xargs -0 -P "$(nproc)" -n $((2 * per_core)) \
        bash -c 'while (($#)); do
            /usr/bin/djpeg -scale "$1/8" "$2" | /usr/bin/cjpeg -quality "$quality" > "$out/${2##*/}"
            shift 2
        done' floor < <(printf '%s\0' "${floor_args[@]}")
    measure cli "$cli" --mode width --width "$width" --quality "$quality" --format jpg \
        --output "$work/out" --overwrite yes --quiet "${inputs[@]}"
    measure vips /usr/bin/vipsthumbnail --size "${width}x" -o "$work/out/%s.jpg[Q=$quality]" "${inputs[@]}"
    measure vipscore env VIPS_CONCURRENCY=1 xargs -0 -P "$(nproc)" -n "$per_core" \
        /usr/bin/vipsthumbnail --size "${width}x" -o "$work/out/%s.jpg[Q=$quality]" \
        < <(printf '%s\0' "${inputs[@]}")
    [[ $with_convert = 0 ]] || measure im bash -c '
        out=$1 width=$2 quality=$3; shift 3
        for f in "$@"; do
            /usr/bin/convert "$f" -resize "${width}x" -quality "$quality" "$out/${f##*/}"
        done' convert "$work/out" "$width" "$quality" "${inputs[@]}"
done
echo
echo "$count photos ($(printf '%s ' "${photos[@]##*/}")) to $width px wide JPEG Q$quality," \
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
[[ $with_convert = 0 ]] || row convert "$best_im" "$cpu_im" "$peak_im"
row "floor (djpeg+cjpeg)" "$best_floor" "$cpu_floor" "$peak_floor"
echo "(\"/ours\": the tool's figure over varnholt-cli's; above 1 means varnholt-cli spends less)"
awk -v cli="$cpu_cli" -v floor="$cpu_floor" -v vips="$cpu_vips" -v wcli="$best_cli" \
    -v wvips="$best_vips" 'BEGIN {
    printf "varnholt-cli CPU per image: %.2fx the floor, %.2fx vipsthumbnail; " \
        "wall: %.2fx faster than vipsthumbnail\n", cli / floor, cli / vips, wvips / wcli }'
