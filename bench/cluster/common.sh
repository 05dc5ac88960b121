#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the cluster checks: the image set, the plain run and the comparison.
# Sourced, not run. Expects WORK (a scratch folder) and CLI (the varnholt-cli binary).

# The options every run uses; --overwrite is given because a shard must not ask.
OPTIONS=(--mode width --width 64 --format jpg --name 'img_[FileIndex]' --overwrite no)

# COUNT small images under $WORK/in, listed in $WORK/list.txt: copies of three test images,
# scaled to 120 px wide once with vips, under numbered names in a few folders.
make_images() {
    local count=$1 repo=$2 i
    mkdir -p "$WORK/seed" "$WORK/in"
    local seeds=("$repo/tests/data/libvips/indexed.png"
                 "$repo/tests/data/recurser-exif-orientation-examples/Portrait_1.jpg"
                 "$repo/tests/data/recurser-exif-orientation-examples/Landscape_6.jpg")
    for i in "${!seeds[@]}"; do
        vips thumbnail "${seeds[$i]}" "$WORK/seed/$i.jpg" 120
    done
    : >"$WORK/list.txt"
    for ((i = 1; i <= count; i++)); do
        local folder="$WORK/in/part$((i % 7))"
        mkdir -p "$folder"
        cp "$WORK/seed/$((i % 3)).jpg" "$folder/photo$i.jpg"
        echo "$folder/photo$i.jpg" >>"$WORK/list.txt"
    done
}

# One process over the whole list into $WORK/plain; prints its wall time.
plain_run() {
    local start=$SECONDS
    "$CLI" "${OPTIONS[@]}" --output "$WORK/plain" --files-from "$WORK/list.txt"
    echo "plain run: $(ls "$WORK/plain" | wc -l) files in $((SECONDS - start)) s"
}

# The shards' union against the plain run, byte for byte; the exit status says.
compare() {
    local union=$1
    if diff -r "$WORK/plain" "$union" >/dev/null; then
        echo "identical: $(ls "$union" | wc -l) files, $(du -sb "$union" | cut -f1) bytes," \
             "same names and bytes as the plain run"
    else
        echo "DIFFERENT from the plain run:"
        diff -rq "$WORK/plain" "$union" | head
        return 1
    fi
}
