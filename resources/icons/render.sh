#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon's PNGs (1x and @2x) from its SVG source; run after editing it.
# The list's type badges are drawn at run time from the format table.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
app="$here/../../data/io.github.varnholt.Varnholt.svg"
vips copy "$app[scale=1]" "$here/varnholt.png"
vips copy "$app[scale=2]" "$here/varnholt@2x.png"
