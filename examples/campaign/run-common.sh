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
# scaled by its own factor so that every file gives other results. The list
# campaign.lst names static and time-domain files in turn, with blank lines
# and names without ".raf", which every part run must read as the whole run
# does; time.lst names the time-domain files only, for a run with a time
# limit and for parts of one file each (every run settles its step settings
# on its first file, so the parts of a campaign must begin with files of the
# kind its first file has: a merge refuses parts with other step settings).
make_campaign() {
  local i model factor
  : > "$work/campaign.lst"
  : > "$work/time.lst"
  for i in 1 2 3; do
    factor=$(awk -v i="$i" 'BEGIN { print 0.9 + 0.05 * i }')
    for model in static time; do
      awk -v f="$factor" '
        toupper($1) == "FORCE" { for (k = 3; k <= NF; ++k) $k = sprintf("%.6g", $k * f) }
        { print }' "$examples_dir/frame-$model.txt" > "$work/case$i-$model.txt"
      "$build/mkraf" -o "$work/case$i-$model.raf" "$work/case$i-$model.txt" > /dev/null
    done
    printf 'case%d-static.raf\ncase%d-time\n\n' "$i" "$i" >> "$work/campaign.lst"
    printf 'case%d-time.raf\n' "$i" >> "$work/time.lst"
  done
}

# Writes report $2 of one vemrask run over list $1 with the answers piped in:
# list file, output file, sorted-list length ($sorted), and step limit $3 for
# the first file (blank: every step).
sequential_report() {
  rm -f "$work/$2"
  if ! (cd "$work" && printf '%s\n' "$1" "$2" "$sorted" "$3" |
    "$VEMRASK" > "$2.screen" 2>&1) || [[ ! -f $work/$2 ]]; then
    echo "$me: the sequential run over $1 failed; see $work/$2.screen" >&2
    exit 1
  fi
}

# check_recipe WHAT REPORT REFERENCE COMMAND...: runs the recipe COMMAND in
# $work and compares the report it writes, REPORT, with the sequential
# REFERENCE byte for byte.
failures=0
check_recipe() {
  local what=$1 report=$2 reference=$3
  shift 3
  if ! (cd "$work" && "$@"); then
    echo "$me: $what: the recipe failed" >&2
    failures=$((failures + 1))
  elif cmp "$work/$reference" "$work/$report"; then
    echo "$me: $what: $report equals $reference of the sequential run"
  else
    echo "$me: $what: $report differs from $reference of the sequential run" >&2
    failures=$((failures + 1))
  fi
}

sorted=10
make_campaign
sequential_report campaign.lst sequential.txt ''
sequential_report time.lst sequential-time-all.txt ''
sequential_report time.lst sequential-time.txt 8.5
