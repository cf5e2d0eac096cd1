#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program's cycle period, from its saves of "test.wav": start the program, press
# Run, then run this in the program's working folder (or give the folder). Each save
# renames a new file into place, whose modification time is when the clip was written;
# the file is looked at every 50 ms, well within a cycle, so no save is missed.
# Usage: bench/save-period.sh [FOLDER] [SAVES]   (default: the current folder, 60 saves)
set -euo pipefail
folder="${1:-.}"
saves="${2:-60}"
file="$folder/test.wav"
[[ -e "$file" ]] || { echo "no $file: is the program measuring in $folder?" >&2; exit 1; }

times=()
last=""
while ((${#times[@]} < saves)); do
    now="$(stat -c '%i %.9Y' "$file" 2>/dev/null || true)"
    if [[ -n "$now" && "$now" != "$last" ]]; then
        times+=("${now#* }")
        last="$now"
    fi
    sleep 0.05
done

# Periods between consecutive saves (the first interval may straddle the start), as
# ratios to the 400 ms clip: median, p95 and max.
printf '%s\n' "${times[@]}" | awk 'NR > 1 { print ($1 - prev) * 1000 / 400 } { prev = $1 }' |
    tail -n +2 | sort -g | awk '
        { v[NR] = $1 }
        END {
            if (NR == 0) { print "too few saves"; exit 1 }
            m = v[int(0.5 * (NR - 1) + 1.5)]; p = v[int(0.95 * (NR - 1) + 1.5)]
            if (m == "") m = v[NR]; if (p == "") p = v[NR]
            printf "%d periods: median %.3f  p95 %.3f  max %.3f  (x 400 ms)\n", NR, m, p, v[NR]
        }'
