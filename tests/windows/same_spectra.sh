#!/usr/bin/env bash
# The same seed and start time give byte-identical CSV, SPE and N42 files from the Windows
# build under Wine and from the Linux build, for both generators, through the output file
# and through standard output.
#
# Usage: same_spectra.sh <wine-run> <pelzamo-sim.exe> <Linux pelzamo-sim> <work folder>
set -euo pipefail
wine_run=$1 windows=$2 linux=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
cd "$work"
start="--start-time 2026-12-08T15:08:54Z"
runs=(
    "csv --seed 12345 --decays 200000"
    "spe --seed 7 --seconds 2 $start"
    "n42 --generator philox --threads 2 --seed 9 --seconds 3 $start"
    "spe --generator philox --threads 1 --seed 9 --seconds 3 $start --blocks 1:2"
)
failed=0
for i in "${!runs[@]}"; do
    read -r format arguments <<<"${runs[$i]}"
    # shellcheck disable=SC2086 # the arguments are words
    "$linux" --format "$format" $arguments -o "linux-$i.$format" 2>/dev/null
    # shellcheck disable=SC2086
    "$wine_run" "$windows" --format "$format" $arguments -o "windows-$i.$format" 2>/dev/null
    if [ -s "linux-$i.$format" ] && cmp "linux-$i.$format" "windows-$i.$format"; then
        echo "same bytes: --format $format $arguments"
    else
        echo "DIFFERENT: --format $format $arguments"
        failed=1
    fi
done
# Standard output carries the same bytes ("\n", not "\r\n").
"$linux" --seed 5 --decays 20000 >linux-stdout.csv 2>/dev/null
"$wine_run" "$windows" --seed 5 --decays 20000 >windows-stdout.csv 2>/dev/null
if [ -s linux-stdout.csv ] && cmp linux-stdout.csv windows-stdout.csv; then
    echo "same bytes on standard output"
else
    echo "DIFFERENT on standard output"
    failed=1
fi
exit $failed
