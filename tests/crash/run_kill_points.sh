#!/usr/bin/env bash
# Kills a real veldra-cli with SIGKILL at many points of import, delete, set, label, export
# and compact, and checks what each kill leaves behind.
#
#   tests/crash/run_kill_points.sh BUILD_DIR [--quick | --all | --points N] [--time N]
#                                  [--seed S] [--scenario NAME]
#
# Kills by system-call count: --quick: two points of each scenario and variant; default: up
# to 60 evenly spread points (--points N: up to N, 0 for none); --all: every point.
# Kills by time: --time N random moments per scenario (default 40; --quick 1; 0 for none),
# drawn with bash's RANDOM seeded by --seed (default 1).
#
# The kill shim (kill_shim.so, preloaded) counts the calls that change files and raises
# SIGKILL before the N-th (VELDRA_KILL_AT); the torn variant first writes that call's bytes
# up to the first page boundary inside them (VELDRA_KILL_TORN), as a kill in the middle of
# a write leaves them. A run without a kill tells how many calls a scenario makes, which of
# them touch the catalog and when. The time variant sends SIGKILL a random number of
# microseconds after the command's first change to a file (VELDRA_KILL_AFTER_US), from 0 to
# a quarter more than runs without a kill took from their first call to their last (the
# least of three, VELDRA_KILL_SPAN); a run that finishes first counts as finished. After
# each kill:
#   1. every entry of the catalog before the command is still there with the fields it had
#      before or after the command (update and last-use dates aside), and its PDF exports
#      byte-identical; an entry the command deletes may be gone; an entry the command adds
#      may be missing, and is otherwise whole; when the kill came after the command's last
#      write to the catalog (or the command finished), the catalog is exactly the finished
#      command's;
#   2. no PDF, companion file or compacted copy lies under its final name unless complete;
#   3. one further change of every kind, each on its own copy of what the kill left, as
#      the first change after it: import (a PDF), delete, set and recategorize (an entry
#      with a PDF), label, category-add (a new name), category-delete (a category no entry
#      uses), export (every entry with a PDF; an import cut short may leave entries without
#      their link) and compact. Each succeeds, `check` passes after it (on the compacted
#      copy for compact: `check` may fail right after the kill, on what an interrupted write
#      leaves and the next change repairs), and every entry the kill left is there as it
#      was, with its PDF, but for the one the change acts on; an imported entry has its PDF.
# Prints one line per scenario and variant: points tried, points survived (for time kills
# also how many runs finished before their kill); exit 1 when any point failed, with the
# reason of each failure.
set -u

usage() {
  echo "usage: $0 BUILD_DIR [--quick | --all | --points N] [--scenario NAME]" >&2
  exit 2
}
[ $# -ge 1 ] || usage
BUILD=$(cd "$1" && pwd) || usage
shift
MODE=sample
SAMPLE=60
TIME_POINTS=""
SEED=1
ONLY=""
while [ $# -gt 0 ]; do
  case $1 in
    --all) MODE=all ;;
    --quick) MODE=quick ;;
    --points) [ $# -ge 2 ] || usage; MODE=sample; SAMPLE=$2; shift ;;
    --time) [ $# -ge 2 ] || usage; TIME_POINTS=$2; shift ;;
    --seed) [ $# -ge 2 ] || usage; SEED=$2; shift ;;
    --scenario) [ $# -ge 2 ] || usage; ONLY=$2; shift ;;
    *) usage ;;
  esac
  shift
done
if [ -z "$TIME_POINTS" ]; then
  TIME_POINTS=40
  [ "$MODE" = quick ] && TIME_POINTS=1
fi
RANDOM=$SEED

CLI=$BUILD/cli/veldra-cli
SHIM=$BUILD/tests/crash/kill_shim.so
[ -x "$CLI" ] || { echo "no veldra-cli at $CLI" >&2; exit 2; }
[ -f "$SHIM" ] || { echo "no kill shim at $SHIM" >&2; exit 2; }
command -v jq >/dev/null || { echo "jq is needed" >&2; exit 2; }

# A memory file system where there is one: the many fsyncs of the exports cost nothing there.
TMPBASE=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && TMPBASE=/dev/shm
WORK=$(mktemp -d "$TMPBASE/veldra-kill.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

FAILED=0
HALF_IMPORTED=0
CHECK_BEFORE_CHANGE=0
TOTAL_TRIED=0
TOTAL_SURVIVED=0

cli() { "$CLI" "$@"; }

# The PDFs every catalog is made of: distinct bytes, a few of them tens of kilobytes.
make_pdfs() {  # DIR COUNT
  mkdir -p "$1"
  local i
  for ((i = 0; i < $2; i++)); do
    local name
    name=$(printf 'p%03d.pdf' "$i")
    {
      printf '%%PDF-1.4\n%% entry %d\n' "$i"
      if ((i % 7 == 3)); then head -c $((20000 + i * 100)) /dev/zero | tr '\0' 'x'; fi
      printf '\n%%%%EOF\n'
    } >"$1/$name"
  done
}

# One line per entry: "id<TAB>object", the object without the dates a command stamps (and the creation date, which each run of an import stamps anew).
state_of() {  # CATALOG OUT
  cli list "$1" --json 2>/dev/null |
    jq -r '.[] | del(.en_update_date, .en_last_use_date, .en_create_date) |
           "\(.en_id)\t\(tojson)"' | sort >"$2"
}

# One line per entry whose PDF exports: "id<TAB>sha256 of the exported PDF"; exports from a
# copy, so that the catalog itself is not touched.
pdfs_of() {  # CATALOG OUT
  local copy=$WORK/pdfcopy.vdc dir=$WORK/pdfout
  rm -rf "$dir" "$copy"
  mkdir -p "$dir"
  cp "$1" "$copy"
  cli export "$copy" "$dir" --all 2>/dev/null >"$dir.list"
  # One sha256sum for every file, in the order exported.
  paste <(cut -f1 "$dir.list") \
        <(cut -f2 "$dir.list" | tr '\n' '\0' | xargs -0 -r sha256sum | cut -d' ' -f1) |
    sort >"$2"
}

# The scenarios: a base catalog, the command, and the entry ids the command deletes.
declare -A BASE_SIZE=([delete_half]=200 [delete_first]=24 [delete_last]=24
                      [delete_middle]=24 [import]=24 [set]=24 [label]=24 [export]=24
                      [compact]=24)
SCENARIOS="delete_half delete_first delete_last delete_middle import set label export compact"
# The changes made after each kill, each on its own copy of what the kill left.
CHANGES="import delete label set category-add category-delete recategorize export compact"

deleted_ids() {  # SCENARIO
  case $1 in
    delete_half) seq 1 2 199 ;;
    delete_first) echo 0 ;;
    delete_last) echo 23 ;;
    delete_middle) echo 11 ;;
  esac
}

command_of() {  # SCENARIO RUNDIR -> the words of the command, one per line
  local cat=$2/cat.vdc
  case $1 in
    delete_*) printf '%s\n' delete "$cat" --id $(deleted_ids "$1") ;;
    import) printf '%s\n' import "$cat" "$WORK/new/n0.pdf" "$WORK/new/big.pdf" "$WORK/new/n1.pdf" ;;
    set) printf '%s\n' set "$cat" 12 --title "changed title" --author "an author" --rating 4 ;;
    label) printf '%s\n' label "$cat" 2 "renamed level" ;;
    export) printf '%s\n' export "$cat" "$2/out" --all ;;
    compact) printf '%s\n' compact "$cat" "$2/new.vdc" ;;
  esac
}

run_command() {  # SCENARIO RUNDIR [env assignments...]
  local scenario=$1 dir=$2
  shift 2
  mkdir -p "$dir/out"
  local words=()
  mapfile -t words < <(command_of "$scenario" "$dir")
  # In a subshell of its own, whose report of the kill is not wanted.
  (env "$@" LD_PRELOAD="$SHIM" "$CLI" "${words[@]}" >/dev/null 2>"$dir/stderr"; exit $?) 2>/dev/null
}

fail_point() {  # SCENARIO VARIANT POINT REASON
  echo "FAIL $1 $2 point $3: $4"
  FAILED=1
  POINT_OK=0
}

# Checks the directory of one killed run against the references of its scenario.
verify_point() {  # SCENARIO VARIANT POINT RUNDIR
  local scenario=$1 variant=$2 point=$3 dir=$4 ref=$WORK/ref/$1
  local cat=$dir/cat.vdc finished=${5:-0}
  POINT_OK=1
  # What the kill left may fail check until the next change repairs it (step 3).
  cli check "$cat" >"$dir/check1" 2>&1 || CHECK_BEFORE_CHANGE=$((CHECK_BEFORE_CHANGE + 1))
  state_of "$cat" "$dir/state"
  pdfs_of "$cat" "$dir/pdfs"
  local last_write
  last_write=$(cat "$ref/last_catalog_write")
  if ((finished)) || { [ "$variant" != time ] && ((point > last_write)); }; then
    # The command's save was complete before the kill: its result must be there whole.
    if ! cmp -s "$dir/state" "$ref/after_state" || ! cmp -s "$dir/pdfs" "$ref/after_pdfs"; then
      fail_point "$scenario" "$variant" "$point" "killed after its last catalog write, but the catalog is not the finished command's"
    fi
  else
    local problems
    problems=$(awk -F'\t' -v deleted="$ref/deleted" -v before="$ref/before_state" \
        -v after="$ref/after_state" -v bpdf="$ref/before_pdfs" -v apdf="$ref/after_pdfs" \
        -v pdfs="$dir/pdfs" '
      BEGIN {
        while ((getline line < deleted) > 0) gone[line] = 1
        while ((getline line < before) > 0) { split(line, f, "\t"); b[f[1]] = f[2] }
        while ((getline line < after) > 0) {
          split(line, f, "\t"); a[f[1]] = f[2]
          if (match(f[2], /"attachment_ordinal":[0-9-]*/)) ao[f[1]] = substr(f[2], RSTART + 21, RLENGTH - 21)
        }
        while ((getline line < bpdf) > 0) { split(line, f, "\t"); bp[f[1]] = f[2] }
        while ((getline line < apdf) > 0) { split(line, f, "\t"); ap[f[1]] = f[2] }
        while ((getline line < pdfs) > 0) { split(line, f, "\t"); p[f[1]] = f[2] }
      }
      { seen[$1] = 1
        obj = $2
        # An entry the command adds may still lack its link (see the NOTE below).
        if (!($1 in b) && !($1 in p)) sub(/"attachment_ordinal":-1,/, "\"attachment_ordinal\":" ao[$1] ",", obj)
        if (!(($1 in b) && obj == b[$1]) && !(($1 in a) && obj == a[$1])) {
          if (($1 in gone) && ($1 in b)) { print "entry " $1 " (deleted by the command) came back with other fields"; }
          else print "entry " $1 " has fields it neither had before nor after the command"
        }
        want1 = ($1 in bp) ? bp[$1] : ""; want2 = ($1 in ap) ? ap[$1] : ""
        if (!($1 in p) && !($1 in b)) print "NOTE entry " $1 " (added by the command) has no PDF link yet"
        else if (!($1 in p)) print "entry " $1 " lost its PDF link"
        else if (p[$1] != want1 && p[$1] != want2) print "entry " $1 ": PDF bytes differ"
      }
      END {
        for (id in b) if (!(id in seen) && !(id in gone)) print "entry " id " LOST"
      }' "$dir/state")
    # An import cut between its entry and attachment-link tables leaves the new entries
    # without their link: counted, not a loss (see docs/reliability.md).
    if echo "$problems" | grep -q '^NOTE'; then HALF_IMPORTED=$((HALF_IMPORTED + 1)); fi
    problems=$(echo "$problems" | grep -v '^NOTE')
    if [ -n "$problems" ]; then
      fail_point "$scenario" "$variant" "$point" "$(echo "$problems" | head -3 | tr '\n' ';') ($(echo "$problems" | wc -l) problems)"
      return
    fi
  fi
  # Files under their final names are complete.
  if [ "$scenario" = export ]; then
    local f
    for f in "$dir"/out/*; do
      [ -e "$f" ] || continue
      local name=${f##*/}
      if [ ! -f "$ref/out/$name" ]; then
        fail_point "$scenario" "$variant" "$point" "unexpected file $name in the export folder"
      elif [[ $name == *.vdb ]]; then
        if ! diff -q <(grep -av date "$f") <(grep -av date "$ref/out/$name") >/dev/null; then
          fail_point "$scenario" "$variant" "$point" "companion $name is not complete"
        fi
      elif ! cmp -s "$f" "$ref/out/$name"; then
        fail_point "$scenario" "$variant" "$point" "PDF $name under its final name is not complete"
      fi
    done
  fi
  if [ "$scenario" = compact ] && [ -e "$dir/new.vdc" ]; then
    if ! cli check "$dir/new.vdc" >/dev/null 2>&1; then
      fail_point "$scenario" "$variant" "$point" "the compacted copy under its final name fails check"
    else
      state_of "$dir/new.vdc" "$dir/new_state"
      pdfs_of "$dir/new.vdc" "$dir/new_pdfs" 2>/dev/null
      # The copy renumbers attachment ordinals; everything else is the catalog's.
      if ! cmp -s <(sed 's/"attachment_ordinal":[0-9-]*,//' "$dir/new_state") \
                  <(sed 's/"attachment_ordinal":[0-9-]*,//' "$ref/before_state") ||
         ! cmp -s "$dir/new_pdfs" "$ref/before_pdfs"; then
        fail_point "$scenario" "$variant" "$point" "the compacted copy under its final name is not complete"
      fi
    fi
  fi
  ((POINT_OK)) && further_changes "$scenario" "$variant" "$point" "$dir"
}

# Step 3: each kind of change, on a copy of what the kill left of its own: the change
# succeeds, check passes after it, and every entry of $dir/state is there with the PDF of
# $dir/pdfs, but for what the change itself does (one new entry; one entry deleted,
# retitled or moved to a new category: the first with a PDF).
further_changes() {  # SCENARIO VARIANT POINT RUNDIR
  local scenario=$1 variant=$2 point=$3 dir=$4
  local victim kind
  victim=$(head -1 "$dir/pdfs" | cut -f1)
  for kind in $CHANGES; do
    local k=$dir/$kind.vdc checked words=()
    cp "$dir/cat.vdc" "$k"
    checked=$k
    case $kind in
      import) words=(import "$k" "$WORK/after/a0.pdf") ;;
      delete) words=(delete "$k" --id "$victim") ;;
      label) words=(label "$k" 3 "after the kill") ;;
      set) words=(set "$k" "$victim" --title "set after the kill" --rating 2) ;;
      category-add) words=(category-add "$k" 1 "added after the kill") ;;
      category-delete) words=(category-delete "$k" 1 spare) ;;
      recategorize) words=(recategorize "$k" --id "$victim" --c1 "moved after the kill") ;;
      export)
        rm -rf "$dir/after_out" && mkdir -p "$dir/after_out"
        words=(export "$k" "$dir/after_out" --id $(cut -f1 "$dir/pdfs")) ;;
      compact) words=(compact "$k" "$dir/after_copy.vdc") checked=$dir/after_copy.vdc ;;
    esac
    rm -f "$dir/after_copy.vdc"
    if ! cli "${words[@]}" >"$dir/step_out" 2>"$dir/step_err"; then
      fail_point "$scenario" "$variant" "$point" "$kind after the kill failed: $(head -2 "$dir/step_err" | tr '\n' ' ')"
      return
    fi
    if ! cli check "$checked" >"$dir/step_check" 2>&1; then
      fail_point "$scenario" "$variant" "$point" "check fails after $kind (after the kill): $(head -3 "$dir/step_check" | tr '\n' ' ')"
      return
    fi
    state_of "$checked" "$dir/step_state"
    pdfs_of "$checked" "$dir/step_pdfs"
    # Each entry is there as the kill left it, but for the one the change acts on.
    local changed=""
    case $kind in delete | set | recategorize) changed=$victim ;; esac
    local lost_entries lost_pdfs ordinals='s/"attachment_ordinal":[0-9-]*,//'
    # The compacted copy numbers the PDFs anew.
    [ "$kind" = compact ] || ordinals=''
    lost_entries=$(comm -23 <(grep -v "^$changed	" "$dir/state" | sed "$ordinals" | sort) \
                            <(sed "$ordinals" "$dir/step_state" | sort))
    lost_pdfs=$(comm -23 <(grep -v "^$changed	" "$dir/pdfs") "$dir/step_pdfs")
    if [ -n "$lost_entries" ] || [ -n "$lost_pdfs" ]; then
      fail_point "$scenario" "$variant" "$point" "after $kind (after the kill) entries or PDFs are missing or differ: $(echo "$lost_entries $lost_pdfs" | cut -c1-80 | head -2 | tr '\n' ' ')"
      return
    fi
    local count_before count_after want
    count_before=$(wc -l <"$dir/state")
    count_after=$(wc -l <"$dir/step_state")
    want=$count_before
    [ "$kind" = import ] && want=$((want + 1))
    [ "$kind" = delete ] && want=$((want - 1))
    if ((count_after != want)) || { [ "$kind" = delete ] && grep -q "^$victim	" "$dir/step_state"; } ||
       { [ "$kind" = import ] && ! grep -q "	$(sha256sum <"$WORK/after/a0.pdf" | cut -d' ' -f1)\$" "$dir/step_pdfs"; }; then
      fail_point "$scenario" "$variant" "$point" "after $kind (after the kill) the catalog holds $count_after entries, not $want, or not the one it added"
      return
    fi
  done
}

# The points tried out of 1..N.
points_of() {  # N
  local n=$1 want
  case $MODE in
    all) seq 1 "$n"; return ;;
    quick) want=2 ;;
    *) want=$SAMPLE ;;
  esac
  if ((n <= want)); then seq 1 "$n"; return; fi
  local k
  for ((k = 1; k <= want; k++)); do echo $(((k * n + want / 2) / (want + 1) + 0)); done | sort -nu
}

make_pdfs "$WORK/src" 200
mkdir -p "$WORK/new"
printf '%%PDF-1.4\n%% new 0\n%%%%EOF\n' >"$WORK/new/n0.pdf"
printf '%%PDF-1.4\n%% new 1\n%%%%EOF\n' >"$WORK/new/n1.pdf"
{ printf '%%PDF-1.4\n%% big\n'; head -c 2700000 /dev/urandom; printf '\n%%%%EOF\n'; } >"$WORK/new/big.pdf"
mkdir -p "$WORK/after"
printf '%%PDF-1.4\n%% after 0\n%%%%EOF\n' >"$WORK/after/a0.pdf"
{ printf '%%PDF-1.4\n%% after 1\n'; head -c 30000 /dev/zero | tr '\0' 'a'; printf '\n%%%%EOF\n'; } >"$WORK/after/a1.pdf"

# A random number of microseconds from lo to hi.
random_between() {  # LO HI
  local span=$(($2 - $1 + 1))
  echo $(($1 + (RANDOM * 32768 + RANDOM) % span))
}

printf '%-14s %-6s %8s %8s\n' scenario kill tried survived
for scenario in $SCENARIOS; do
  [ -z "$ONLY" ] || [ "$ONLY" = "$scenario" ] || continue
  ref=$WORK/ref/$scenario
  mkdir -p "$ref"
  size=${BASE_SIZE[$scenario]}
  base=$WORK/base_$size.vdc
  if [ ! -f "$base" ]; then
    cli new "$base" >/dev/null
    cli import "$base" $(printf "$WORK/src/p%03d.pdf " $(seq 0 $((size - 1)))) >/dev/null
    # A category that no entry uses, for category-delete, made as an import makes it
    # (the catalog keeps no sort levels, as after `new` and `import`).
    cli import "$base" "$WORK/src/p000.pdf" --category spare/spare/spare >/dev/null
    cli delete "$base" --id "$size" >/dev/null
  fi
  deleted_ids "$scenario" >"$ref/deleted"
  state_of "$base" "$ref/before_state"
  pdfs_of "$base" "$ref/before_pdfs" || { echo "cannot export the base catalog" >&2; exit 2; }
  # The run without a kill: the finished result, and how many calls it makes.
  mkdir -p "$ref/run"
  cp "$base" "$ref/run/cat.vdc"
  if ! run_command "$scenario" "$ref/run" VELDRA_KILL_LOG="$ref/calls"; then
    echo "the command of $scenario fails without a kill: $(cat "$ref/run/stderr")" >&2
    exit 2
  fi
  [ -d "$ref/run/out" ] && cp -r "$ref/run/out" "$ref/out"
  state_of "$ref/run/cat.vdc" "$ref/after_state"
  pdfs_of "$ref/run/cat.vdc" "$ref/after_pdfs"
  calls=$(wc -l <"$ref/calls")
  last=$(awk -v c="$ref/run/cat.vdc" '$3 == c { n = $1 } END { print n + 0 }' "$ref/calls")
  echo "$last" >"$ref/last_catalog_write"
  # How long runs without a kill write: from their first call to their last, in
  # microseconds, the least of three (a loaded machine only makes a run slower).
  lo=0
  hi=0
  if ((TIME_POINTS > 0)); then
    for k in 1 2 3; do
      rm -rf "$ref/timed"
      mkdir -p "$ref/timed"
      cp "$base" "$ref/timed/cat.vdc"
      run_command "$scenario" "$ref/timed" VELDRA_KILL_SPAN="$ref/spans"
    done
    hi=$(sort -n "$ref/spans" | head -1)
    hi=$((hi * 5 / 4 + 1))
  fi
  for variant in clean torn time; do
    tried=0
    survived=0
    finished_first=0
    if [ "$variant" = time ]; then
      points=$(seq 1 "$TIME_POINTS")
    else
      points=$(points_of "$calls")
    fi
    for point in $points; do
      dir=$WORK/run_${scenario}_${variant}_$point
      rm -rf "$dir"
      mkdir -p "$dir"
      cp "$base" "$dir/cat.vdc"
      finished=0
      if [ "$variant" = time ]; then
        delay=$(random_between "$lo" "$hi")
        echo "$delay" >"$dir/delay_us"
        run_command "$scenario" "$dir" VELDRA_KILL_AFTER_US="$delay"
        rc=$?
        if ((rc == 0)); then
          finished=1
          finished_first=$((finished_first + 1))
          rc=137
        fi
        point="$point (${delay} us)"
      else
        torn=0
        [ "$variant" = torn ] && torn=1
        run_command "$scenario" "$dir" VELDRA_KILL_AT="$point" VELDRA_KILL_TORN="$torn"
        rc=$?
      fi
      if ((rc != 137)); then
        echo "FAIL $scenario $variant point $point: expected a kill, got exit $rc: $(head -2 "$dir/stderr")"
        FAILED=1
        POINT_OK=0
      else
        verify_point "$scenario" "$variant" "$point" "$dir" "$finished"
        ((POINT_OK)) && survived=$((survived + 1))
      fi
      tried=$((tried + 1))
      ((POINT_OK)) && rm -rf "$dir"
    done
    if [ "$variant" = time ]; then
      printf '%-14s %-6s %8d %8d   (%d finished before the kill; %d..%d us)\n' "$scenario" \
        "$variant" "$tried" "$survived" "$finished_first" "$lo" "$hi"
    else
      printf '%-14s %-6s %8d %8d   (%d calls)\n' "$scenario" "$variant" "$tried" "$survived" "$calls"
    fi
    TOTAL_TRIED=$((TOTAL_TRIED + tried))
    TOTAL_SURVIVED=$((TOTAL_SURVIVED + survived))
  done
done
printf '%-14s %-6s %8d %8d\n' total "" "$TOTAL_TRIED" "$TOTAL_SURVIVED"
echo "points where imported entries had no PDF link yet: $HALF_IMPORTED"
echo "points where check failed right after the kill (passed after the next change): $CHECK_BEFORE_CHANGE"
exit $FAILED
