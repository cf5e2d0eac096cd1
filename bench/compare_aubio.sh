#!/bin/sh
# Runs aubio's YIN and vellora-analyze --precise on the same synthetic material and
# prints both success rates: plucks within 0.5 %, pure tones within 0.05 %, noise and
# silence without a pitch. aubio's answer for a clip is the median of its voiced frames.
# usage: bench/compare_aubio.sh [BUILD_DIR] [PLUCKS]    (needs aubio-tools)
set -eu
build=${1:-build}
plucks=${2:-1000}
command -v aubiopitch >/dev/null || { echo "aubiopitch not found: apt-get install aubio-tools" >&2; exit 2; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$build/bench/pitch_material" "$dir" "$plucks"
# The material is written at 22050 per second: the matching scale is 22050 / 4096.
(cd "$dir" && "$OLDPWD/$build/bin/vellora-analyze" --precise --step 5.38330078125 \
    $(cut -f1 truth.tsv)) | awk -F'\t' '{print $1 "\t" $4}' > "$dir/ours.tsv"

while IFS="$(printf '\t')" read -r file kind hz; do
    got=$(aubiopitch -p yin -u Hz -i "$dir/$file" 2>/dev/null |
        awk '$2 > 0 {print $2}' | sort -g |
        awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
             else print (v[NR / 2] + v[NR / 2 + 1]) / 2}')
    printf '%s\t%s\n' "$file" "$got"
done < "$dir/truth.tsv" > "$dir/aubio.tsv"

score() {
    awk -F'\t' -v name="$2" '
        NR == FNR { kind[$1] = $2; want[$1] = $3; next }
        {
            k = kind[$1]; n[k]++
            if (k == "noise") { if ($2 == "-") ok[k]++; next }
            if ($2 == "-") next
            err = $2 / want[$1] - 1; if (err < 0) err = -err
            if ((k == "pluck" && err <= 0.005) || (k == "tone" && err <= 0.0005)) ok[k]++
        }
        END {
            printf "%-24s", name
            split("pluck tone noise", order, " ")
            for (i = 1; i <= 3; i++) {
                k = order[i]
                printf "  %s %d/%d (%.1f %%)", k, ok[k], n[k], n[k] ? 100 * ok[k] / n[k] : 0
            }
            printf "\n"
        }' "$dir/truth.tsv" "$1"
}
echo "plucks within 0.5 %, tones within 0.05 %, noise: no pitch"
score "$dir/ours.tsv" "vellora-analyze --precise"
score "$dir/aubio.tsv" "aubiopitch -p yin"
