# SPDX-License-Identifier: GPL-3.0-or-later
# The pseudo-language: each line of a text wrapped in ⟦ ⟧ and made about 40 % longer with
# tildes; leading spaces, placeholders (%1, %n), mnemonics (&) and line ends stay as they are,
# so that a text missing from the catalogue, or one cut off, shows. msgfilter gives one text.
BEGIN { RS = "\001" }
{
    count = split($0, lines, "\n")
    for (i = 1; i <= count; ++i) {
        line = lines[i]
        indent = ""
        if (match(line, /^[ \t]+/)) {
            indent = substr(line, 1, RLENGTH)
            line = substr(line, RLENGTH + 1)
        }
        if (line != "") {
            padding = ""
            for (p = 0; p < int((length(line) * 4 + 9) / 10); ++p) padding = padding "~"
            line = "⟦" line padding "⟧"
        }
        printf "%s%s%s", indent, line, (i < count ? "\n" : "")
    }
}
