#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The quality side of bench/batch/run.sh: each photo at each width to JPEG Q80 with varnholt-cli
# and with vipsthumbnail, and the PSNR of each output against a reference of the same size,
# resampled in linear light with a Lanczos filter from the full-size decode (ImageMagick; a
# photo with an ICC profile is first turned into sRGB by libvips). Fails when varnholt-cli's
# output is more than 0.1 dB below vipsthumbnail's on any photo at any width.
#   bench/batch/quality.sh [PHOTO...]   (default: the photos of bench/batch/run.sh at 1920 px)
#   bench/batch/quality.sh --large      (large real photos of TESTDATA at 300, 700, 1000, 1920 px)
# WIDTHS may list other output widths. TESTDATA is a folder laid out as tests/data (the default)
# that may hold more photos; a photo of the list it lacks is skipped with a line. VARNHOLT_CLI
# may name the binary (default: build/src/cli/varnholt-cli).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cli=${VARNHOLT_CLI:-$root/build/src/cli/varnholt-cli}
testdata=${TESTDATA:-$root/tests/data}
quality=80
margin=0.1
if [[ ${1:-} = --large ]]; then
    shift
    widths=(${WIDTHS:-300 700 1000 1920})
    # Fine detail, sideways, 12 MP, an ICC profile, 4:2:2, and sides that are no multiple of 8.
    photos=(
        "$testdata/sharp/2569067123_aca715a2ee_o.jpg"
        "$testdata/ianare-exif-samples/canon_hdr_YES.jpg"
        "$testdata/ianare-exif-samples/42_IndexError.jpg"
        "$testdata/ianare-exif-samples/iphone_hdr_YES.jpg"
        "$testdata/nico-jpegfiles/IMG_9424.JPG"
        "$testdata/pillow/xmp_test.jpg"
        "$testdata/recurser-exif-orientation-examples/Landscape_6.jpg"
        "$root/tests/data/ianare-exif-samples/jolla.jpg"
        "$root/tests/data/ianare-exif-samples/HMD_Nokia_8.3_5G.jpg"
        "$@"
    )
    present=()
    for photo in "${photos[@]}"; do
        if [[ -f $photo ]]; then present+=("$photo"); else echo "skipped, not here: $photo" >&2; fi
    done
    photos=("${present[@]}")
else
    widths=(${WIDTHS:-1920})
    photos=("$@")
    [[ ${#photos[@]} -gt 0 ]] || photos=(
        "$root/tests/data/ianare-exif-samples/jolla.jpg"
        "$root/tests/data/ianare-exif-samples/HMD_Nokia_8.3_5G.jpg"
    )
fi
[[ -x $cli ]] || { echo "build varnholt-cli first ($cli)" >&2; exit 1; }
for tool in /usr/bin/vipsthumbnail /usr/bin/vipsheader /usr/bin/vips /usr/bin/convert \
    /usr/bin/compare; do
    [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# PSNR in dB of a picture against the reference (same size), 99 for identical pixels. The
# figure comes first on compare's stderr; warnings about the file may follow on the same line.
psnr() {
    /usr/bin/compare -metric PSNR "$1" "$2" null: 2>&1 >/dev/null |
        awk 'NR == 1 { print ($1 ~ /^inf/) ? 99 : $1 + 0 }' || true
}

# The reference of size $2 (WxH) from the sRGB full-size picture $1, made once per size.
reference() {
    local out=$work/ref-$2.png
    # -colorspace RGB is linear light in ImageMagick 6; the ! asks for exactly that size.
    [[ -f $out ]] || /usr/bin/convert "$1" -auto-orient -colorspace RGB -filter Lanczos \
        -resize "$2!" -colorspace sRGB -depth 8 "$out"
    echo "$out"
}

size_of() { echo "$(/usr/bin/vipsheader -f width "$1")x$(/usr/bin/vipsheader -f height "$1")"; }

printf '%-30s %11s %12s %14s %7s %7s\n' photo size "varnholt dB" "vipsthumb dB" diff result
failed=0
for photo in "${photos[@]}"; do
    name=${photo##*/}
    full=$photo
    if /usr/bin/vipsheader -f icc-profile-data "$photo" >/dev/null 2>&1; then
        full=$work/full.tif
        /usr/bin/vips icc_transform "$photo" "$full" srgb --embedded --depth 16
    fi
    for width in "${widths[@]}"; do
        rm -rf "$work/ours" && mkdir "$work/ours"
        "$cli" --mode width --width "$width" --quality "$quality" --format jpg \
            --output "$work/ours" --overwrite yes --quiet "$photo"
        ours=$(find "$work/ours" -type f | head -n 1)
        theirs=$work/theirs.jpg
        /usr/bin/vipsthumbnail --size "${width}x" -o "$theirs[Q=$quality]" "$photo"
        size=$(size_of "$ours")
        db_ours=$(psnr "$(reference "$full" "$size")" "$ours")
        db_theirs=$(psnr "$(reference "$full" "$(size_of "$theirs")")" "$theirs")
        rm -f "$work"/ref-*.png
        read -r diff verdict < <(awk -v a="$db_ours" -v b="$db_theirs" -v m="$margin" \
            'BEGIN { printf "%+.2f %s\n", a - b, (a + m >= b) ? "ok" : "WORSE" }')
        [[ $verdict = ok ]] || failed=1
        printf '%-30s %11s %12.2f %14.2f %7s %7s\n' "$name" "$size" "$db_ours" "$db_theirs" \
            "$diff" "$verdict"
    done
    rm -f "$work/full.tif"
done
exit "$failed"
