#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Scores the precise estimator and aubio's YIN and yinfft side by side on one material
# set: pitch_eval writes the set's WAVE files, truth.tsv and ours.tsv, then aubiopitch
# reads every file (its answer for a file: the median of its voiced frames, "-" with
# none). Belts count within 0.5 % (and 1 % below 20 Hz), tones within 0.05 %, sounds
# without a pitch when nothing is read; a read-out more than 2 % off is a wrong number.
# With STRIDE, every STRIDE-th case only is scored, by all three (aubiopitch takes about
# half a second a file here).
# SET: legacy, stiffA, stiffB, rangeA, rangeB, refuseA, refuseB (A: the generator the
# estimator was tuned on; B: the independent one), w-CONDITION (the workshop generator),
# or a folder pitch_independent.py or pitch_strings.py wrote (scored a condition at a time,
# then all together; COUNT unused).
# usage: bench/compare_aubio.sh BUILD_DIR SET [COUNT [STRIDE]]    (needs aubio-tools)
set -eu
build=$1
set=$2
count=${3:-1000}
stride=${4:-1}
command -v aubiopitch >/dev/null || { echo "aubiopitch not found: apt-get install aubio-tools" >&2; exit 2; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

if [ -f "$set/truth.tsv" ]; then
    cp "$set/truth.tsv" "$dir/truth.tsv"
    "$build/bench/pitch_eval" files "$set" >/dev/null
    mv "$set/ours.tsv" "$dir/ours.tsv"
    for f in $(cut -f1 "$set/truth.tsv"); do ln -s "$(realpath "$set/$f")" "$dir/$f"; done
else
    "$build/bench/pitch_eval" "$set" "$count" "$dir" >/dev/null
fi
awk -v s="$stride" '(NR - 1) % s == 0' "$dir/truth.tsv" > "$dir/subset.tsv"
for method in yin yinfft; do
    while IFS="$(printf '\t')" read -r file kind hz b; do
        got=$(aubiopitch -p "$method" -u Hz -i "$dir/$file" 2>/dev/null |
            awk '$2 > 0 {print $2}' | sort -g |
            awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
                 else print (v[NR / 2] + v[NR / 2 + 1]) / 2}')
        printf '%s\t%s\n' "$file" "$got"
    done < "$dir/subset.tsv" > "$dir/$method.tsv"
done

score() {
    awk -F'\t' -v name="$2" -v only="$3" '
        NR == FNR { kind[$1] = $2; want[$1] = $3; next }
        {
            k = kind[$1]; w = want[$1]
            if (only != "" && k != only) next
            if (w == 0) { none++; if ($2 == "-") quiet++; next }
            if (k == "tone") { tones++; if ($2 != "-") { e = $2 / w - 1; if (e < 0) e = -e; if (e <= 0.0005) tg++ }; next }
            n++
            if (w < 20) low++
            if ($2 == "-") { silent++; next }
            e = $2 / w - 1; if (e < 0) e = -e
            if (e <= 0.005) good++
            if (e > 0.02) wrong++
            if (w < 20 && e <= 0.01) lowgood++
        }
        END {
            printf "%-10s", name
            if (n) printf " within 0.5 %%: %d/%d (%.1f %%)  no pitch: %d  wrong (>2 %%): %d", good, n, 100 * good / n, silent, wrong
            if (low) printf "  <20 Hz within 1 %%: %d/%d", lowgood, low
            if (tones) printf "  tones within 0.05 %%: %d/%d", tg, tones
            if (none) printf "  no pitch where none: %d/%d", quiet, none
            printf "\n"
        }' "$dir/subset.tsv" "$1"
}
awk -F'\t' 'NR == FNR { keep[$1] = 1; next } keep[$1]' "$dir/subset.tsv" "$dir/ours.tsv" > "$dir/ours_subset.tsv"
kinds=all
[ -f "$set/truth.tsv" ] && kinds="$(cut -f2 "$dir/subset.tsv" | uniq) all"
for kind in $kinds; do
    [ "$kind" = all ] && only="" || only=$kind
    echo "== $set ${only:-all}"
    score "$dir/ours_subset.tsv" "vellora" "$only"
    score "$dir/yin.tsv" "yin" "$only"
    score "$dir/yinfft.tsv" "yinfft" "$only"
done
