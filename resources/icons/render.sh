#!/usr/bin/env bash
# Renders the icon PNGs (1x and @2x) from their SVG sources; run after editing an SVG.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for svg in "$here"/*.svg; do
    name=${svg%.svg}
    vips copy "$svg[scale=1]" "$name.png"
    vips copy "$svg[scale=2]" "$name@2x.png"
done
app="$here/../../data/io.github.varnholt.Varnholt.svg"
vips copy "$app[scale=1]" "$here/varnholt.png"
vips copy "$app[scale=2]" "$here/varnholt@2x.png"
