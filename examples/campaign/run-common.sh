# shellcheck shell=bash
# Shared by run-parallel and run-slurm (sourced, not run): the arguments, the
# check that vemrask writes parts, the campaign of RAF files and the report of
# the sequential run that a recipe's merged report must equal byte for byte.
#
# Exit statuses of the run-* scripts: 0 every merged report equals the
# sequential one; 1 a recipe failed or a report differs; 2 wrong use;
# 77 skipped: this vemrask cannot write parts yet.

set -euo pipefail

campaign_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
examples_dir="$(dirname "$campaign_dir")"
me=$(basename "$0")

if [[ $# -ne 2 ]]; then
  echo "usage: $me BUILD_DIR WORK_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
for program in vemrask mkraf; do
  if [[ ! -x $build/$program ]]; then
    echo "$me: $build/$program is missing (build it first)" >&2
    exit 2
  fi
done
export VEMRASK=$build/vemrask

# Today's vemrask without the option reads --help as a work-space size of 0:
# it is asked in an empty folder, with nothing on standard input.
probe=$(mktemp -d)
help=$(cd "$probe" && { "$VEMRASK" --help < /dev/null 2>&1 || true; })
rm -rf "$probe"
if [[ $help != *--part* ]]; then
  echo "$me: SKIPPED: $VEMRASK has no --part option yet (not in its --help), so no part can be written"
  exit 77
fi

mkdir -p "$2"
work=$(cd "$2" && pwd)

# The campaign: three copies of each example model, each copy with its forces
# scaled by its own factor so that every file gives other results, listed
# static and time-domain files in turn. The list has blank lines and names
# without ".raf", which every part run must read as the whole run does.
make_campaign() {
  local i model factor
  : > "$work/campaign.lst"
  for i in 1 2 3; do
    factor=$(awk -v i="$i" 'BEGIN { print 0.9 + 0.05 * i }')
    for model in static time; do
      awk -v f="$factor" '
        toupper($1) == "FORCE" { for (k = 3; k <= NF; ++k) $k = sprintf("%.6g", $k * f) }
        { print }' "$examples_dir/frame-$model.txt" > "$work/case$i-$model.txt"
      "$build/mkraf" -o "$work/case$i-$model.raf" "$work/case$i-$model.txt" > /dev/null
    done
    printf 'case%d-static.raf\ncase%d-time\n\n' "$i" "$i" >> "$work/campaign.lst"
  done
}

# The report of one vemrask run over the whole list, with the answers piped
# in: list file, output file, sorted-list length, and a blank step limit for
# the first file (every step).
sequential_report() {
  rm -f "$work/sequential.txt"
  if ! (cd "$work" && printf '%s\n' campaign.lst sequential.txt "$sorted" '' |
    "$VEMRASK" > sequential.screen 2>&1) || [[ ! -f $work/sequential.txt ]]; then
    echo "$me: the sequential run failed; see $work/sequential.screen" >&2
    exit 1
  fi
}

# Compares report $1 (in $work) with the sequential one; $2 names the recipe.
failures=0
compare_report() {
  if cmp "$work/sequential.txt" "$work/$1"; then
    echo "$me: $2: $1 equals the sequential report"
  else
    echo "$me: $2: $1 differs from the sequential report $work/sequential.txt" >&2
    failures=$((failures + 1))
  fi
}

sorted=10
make_campaign
sequential_report
