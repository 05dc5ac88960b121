#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The quality side of bench/batch/run.sh: each photo to 1920 px wide JPEG Q80 with varnholt-cli
# and with vipsthumbnail, and the PSNR of each output against a reference of the same size,
# resampled in linear light with a Lanczos filter from the full-size decode (ImageMagick; a
# photo with an ICC profile is first turned into sRGB by libvips). Fails when varnholt-cli's
# output is more than 0.1 dB below vipsthumbnail's on any photo.
#   bench/batch/quality.sh [PHOTO...]   (default: the photos of bench/batch/run.sh)
# WIDTH may set another output width (default 1920).
# VARNHOLT_CLI may name the binary (default: build/src/cli/varnholt-cli).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cli=${VARNHOLT_CLI:-$root/build/src/cli/varnholt-cli}
width=${WIDTH:-1920}
quality=80
margin=0.1
photos=("$@")
[[ ${#photos[@]} -gt 0 ]] || photos=(
    "$root/tests/data/ianare-exif-samples/jolla.jpg"
    "$root/tests/data/ianare-exif-samples/HMD_Nokia_8.3_5G.jpg"
)
[[ -x $cli ]] || { echo "build varnholt-cli first ($cli)" >&2; exit 1; }
for tool in /usr/bin/vipsthumbnail /usr/bin/vipsheader /usr/bin/vips /usr/bin/convert \
    /usr/bin/compare; do
    [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# PSNR in dB of a picture against the reference (same size); "inf" for identical pixels.
psnr() {
    /usr/bin/compare -metric PSNR "$1" "$2" null: 2>&1 >/dev/null | awk '{ print $1 }' || true
}

printf '%-28s %11s %12s %14s %8s\n' photo size "varnholt dB" "vipsthumb dB" result
failed=0
for photo in "${photos[@]}"; do
    name=${photo##*/}
    rm -rf "$work/ours" && mkdir "$work/ours"
    "$cli" --mode width --width "$width" --quality "$quality" --format jpg \
        --output "$work/ours" --overwrite yes --quiet "$photo"
    ours=$(find "$work/ours" -type f | head -n 1)
    theirs=$work/theirs.jpg
    /usr/bin/vipsthumbnail --size "${width}x" -o "$theirs[Q=$quality]" "$photo"
    size=$(/usr/bin/vipsheader -f width "$ours")x$(/usr/bin/vipsheader -f height "$ours")
    size_theirs=$(/usr/bin/vipsheader -f width "$theirs")x$(/usr/bin/vipsheader -f height "$theirs")
    full=$photo
    if /usr/bin/vipsheader -f icc-profile-data "$photo" >/dev/null 2>&1; then
        full=$work/full.tif
        /usr/bin/vips icc_transform "$photo" "$full" srgb --embedded --depth 16
    fi
    # -colorspace RGB is linear light in ImageMagick 6; the ! asks for exactly that size.
    for s in "$size" "$size_theirs"; do
        [[ -f $work/ref-$s.png ]] || /usr/bin/convert "$full" -auto-orient -colorspace RGB \
            -filter Lanczos -resize "$s!" -colorspace sRGB -depth 8 "$work/ref-$s.png"
    done
    db_ours=$(psnr "$work/ref-$size.png" "$ours")
    db_theirs=$(psnr "$work/ref-$size_theirs.png" "$theirs")
    rm -f "$work"/ref-*.png
    verdict=$(awk -v a="$db_ours" -v b="$db_theirs" -v m="$margin" \
        'BEGIN { print (a + m >= b) ? "ok" : "WORSE" }')
    [[ $verdict = ok ]] || failed=1
    printf '%-28s %11s %12.2f %14.2f %8s\n' "$name" "$size" "$db_ours" "$db_theirs" "$verdict"
done
exit "$failed"
