#!/usr/bin/env bash
# Plants each deliberate one-line fault listed in scripts/mutants.txt into a scratch copy of
# the tree, builds, runs the Release suite and records which tests caught it.
#
#   scripts/mutants.sh [REV] [--only ID[,ID...]] [-o FILE] [--list FILE] [--scratch DIR]
#
# REV defaults to the working tree as it is (uncommitted changes included). The scratch copy
# and its build live under /work/mutants-scratch/<rev>/ and are reused by later runs of the
# same REV, so only the first run builds everything. Logs: <scratch>/logs/<id>.log. -o writes
# the table to FILE too; with --only, the re-run rows replace theirs in an existing FILE.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(git -C "$here" rev-parse --show-toplevel)
list="$here/mutants.txt"
scratch_root=${MUTANTS_SCRATCH:-/work/mutants-scratch}
rev=""
only=""
out=""

usage() { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit "${1:-0}"; }
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=$2; shift 2 ;;
    --only=*) only=${1#*=}; shift ;;
    -o) out=$2; shift 2 ;;
    --scratch) scratch_root=$2; shift 2 ;;
    --list) list=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "mutants: unknown option $1" >&2; usage 2 ;;
    *) [ -z "$rev" ] || usage 2; rev=$1; shift ;;
  esac
done

log() { echo "mutants: $*" >&2; }
die() { log "$*"; exit 1; }

# --- The scratch copy -------------------------------------------------------------------
if [ -n "$rev" ]; then
  sha=$(git -C "$repo" rev-parse --verify "$rev^{commit}") || die "no such revision: $rev"
  name=${sha:0:12}
else
  sha=""
  name=worktree-$(printf '%s' "$repo" | sha1sum | cut -c1-8)
fi
scratch=$scratch_root/$name
# The tree and its build sit as in a developer's tree (build/release inside the tree, the
# shared folder beside it), so the compiler cache serves what others already compiled.
src=$scratch/tree
build=$src/build/release
logs=$scratch/logs
pristine=$scratch/pristine
mkdir -p "$scratch" "$logs"
exec 9>"$scratch/lock"
flock -n 9 || die "another run, or a test it left running, is using $scratch"

# A fresh export of the tree, then only files that differ are rewritten into src/, so an
# existing build stays incremental and a fault left behind by an interrupted run is undone.
rm -rf "$pristine"
mkdir -p "$pristine"
if [ -n "$sha" ]; then
  git -C "$repo" archive "$sha" | tar -x -C "$pristine"
else
  (cd "$repo" && git ls-files -co --exclude-standard -z |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -x -C "$pristine"
fi
if [ ! -d "$src" ]; then
  cp -a "$pristine" "$src"
else
  # diff -rq names each file that differs or exists on one side only (build/ is ours).
  { diff -rq -x build "$pristine" "$src" || true; } | while IFS= read -r line; do
    case $line in
      "Files $pristine/"*" differ")
        f=${line#"Files $pristine/"}; f=${f%% and "$src/"*}
        cat "$pristine/$f" >"$src/$f" ;;
      "Only in $pristine"*)
        d=${line#Only in }; d=${d%%: *}; f=${line#*: }
        cp -a "$d/$f" "$src/${d#"$pristine"}/" ;;
      "Only in $src"*)
        d=${line#Only in }; d=${d%%: *}; f=${line#*: }
        rm -rf "${d:?}/$f" ;;
    esac
  done
fi
# The tests find the shared corpus beside the source tree.
shared=$(cd "$repo/.." && pwd)/shared
[ -e "$scratch/shared" ] || ln -s "$shared" "$scratch/shared"

# --- The mutant list --------------------------------------------------------------------
# Blocks of "key: value" lines separated by blank lines; keys id, file, find, repl, desc.
# The value is everything after "key: ", verbatim.
ids=() files=() finds=() repls=() descs=()
parse_list() {
  local line key value id="" file="" find="" repl="" desc="" n=0
  flush() {
    if [ -n "$id" ]; then
      [ -n "$file" ] && [ -n "$find" ] && [ -n "$desc" ] || die "$list: mutant $id is incomplete"
      ids+=("$id"); files+=("$file"); finds+=("$find"); repls+=("$repl"); descs+=("$desc")
    fi
    id="" file="" find="" repl="" desc=""
  }
  while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    case $line in
      '#'*) continue ;;
      '') flush; continue ;;
    esac
    key=${line%%:*}
    value=${line#*: }
    [ "$value" != "$line" ] || value=""
    case $key in
      id) flush; id=$value ;;
      file) file=$value ;;
      find) find=$value ;;
      repl) repl=$value ;;
      desc) desc=$value ;;
      *) die "$list:$n: unknown key '$key'" ;;
    esac
  done <"$list"
  flush
}
parse_list
[ ${#ids[@]} -gt 0 ] || die "$list lists no mutant"

selected=()
for i in "${!ids[@]}"; do
  if [ -z "$only" ] || [[ ",$only," == *",${ids[$i]},"* ]]; then selected+=("$i"); fi
done
if [ -n "$only" ]; then
  for want in ${only//,/ }; do
    found=0
    for i in "${!ids[@]}"; do [ "${ids[$i]}" = "$want" ] && found=1; done
    [ $found = 1 ] || die "--only: no mutant $want in $list"
  done
fi

# --- Build and test helpers ---------------------------------------------------------------
jobs=$(nproc)
build_targets() {  # everything the suite runs or installs (benchmarks are configured off)
  echo all
}

# run_suite LOG TIMEOUT: runs ctest, writes its output to LOG and the names of the tests that
# did not pass, one a line, to LOG.failed. Returns 124 when the suite had to be stopped.
run_suite() {
  local logf=$1 limit=$2 rc=0
  timeout -k 10 "$limit" nice ctest --test-dir "$build" -j2 --no-tests=error \
    >"$logf" 2>&1 || rc=$?
  # "  12/427 Test  #12: Suite.Case/(1, 2) .......***Failed    0.01 sec" (names may hold spaces)
  sed -En 's/^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: (.*[^ ]) +\.+ *(\*\*\*)?(.*)$/\1\t\3/p' "$logf" \
    >"$logf.results"
  grep -v -E $'\t(Passed|Skipped)' "$logf.results" | cut -f1 >"$logf.failed" || true
  if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    # Stopped: the tests that started and never reported are the ones that hung.
    sed -En 's/^ *Start +[0-9]+: (.*)$/\1/p' "$logf" | sort |
      comm -23 - <(cut -f1 "$logf.results" | sort) | sed 's/$/ (did not finish)/' >>"$logf.failed"
    rm -f "$logf.results"
    return 124
  fi
  rm -f "$logf.results"
  return 0
}

# --- Baseline ----------------------------------------------------------------------------
start=$(date +%s)
if [ ! -f "$build/CMakeCache.txt" ]; then
  log "configuring $build"
  nice cmake -S "$src" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DKANVO_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$logs/configure.log" 2>&1 ||
    die "configure failed, see $logs/configure.log"
fi
log "building $name (${sha:-working tree})"
targets=$(build_targets)
# shellcheck disable=SC2086
nice cmake --build "$build" --target $targets -j "$jobs" >"$logs/build-baseline.log" 2>&1 ||
  die "the unmutated tree does not build, see $logs/build-baseline.log"
t0=$(date +%s)
run_suite "$logs/baseline.log" 1800 || die "the unmutated suite did not finish"
suite_time=$(($(date +%s) - t0))
if [ -s "$logs/baseline.log.failed" ]; then
  die "the unmutated suite fails: $(tr '\n' ' ' <"$logs/baseline.log.failed")"
fi
total_tests=$(grep -o 'tests passed, [0-9]* tests failed out of [0-9]*' "$logs/baseline.log" |
  awk '{print $NF}')
log "baseline: $total_tests tests pass in ${suite_time}s"
limit=$((suite_time * 6 + 60))

# --- The mutants ---------------------------------------------------------------------------
# apply FILE FIND REPL: replaces the fragment when it occurs exactly once; prints the count.
apply() {
  FIND=$2 REPL=$3 perl -0777 -i -ne '
    my ($f, $r) = ($ENV{FIND}, $ENV{REPL});
    my $n = () = /\Q$f\E/g;
    print STDERR "$n\n";
    s/\Q$f\E/$r/ if $n == 1;
    print;' "$1" 2>&1 >/dev/null
}
restore() { cat "$pristine/$1" >"$src/$1"; }  # a new timestamp: the next build recompiles it

names_cell() {  # the first few names of a list, then "+N more"
  local n shown
  n=$(wc -l <"$1")
  shown=$(head -n 4 "$1" | sed 's/$/`/; s/^/`/' | paste -sd' ' | sed 's/` `/`, `/g')
  [ "$n" -gt 4 ] && shown="$shown, +$((n - 4)) more"
  echo "$shown"
}

# An interrupted run leaves no fault behind (the next run would also undo it).
planted=""
trap '[ -z "$planted" ] || restore "$planted"' EXIT

rows=()
for i in "${selected[@]}"; do
  id=${ids[$i]} file=${files[$i]}
  desc="${descs[$i]//|/\\|}"
  logf=$logs/$id.log
  rm -f "$logf" "$logf.failed"
  if [ ! -f "$src/$file" ]; then
    log "$id: does not apply ($file is missing)"
    rows+=("| $id | $desc | does not apply | \`$file\` is missing |")
    continue
  fi
  count=$(apply "$src/$file" "${finds[$i]}" "${repls[$i]}")
  if [ "$count" != 1 ]; then
    log "$id: does not apply (fragment found $count times in $file)"
    rows+=("| $id | $desc | does not apply | fragment found $count times in \`$file\` |")
    continue
  fi
  planted=$file
  m0=$(date +%s)
  # shellcheck disable=SC2086
  if ! nice cmake --build "$build" --target $targets -j "$jobs" >"$logf" 2>&1; then
    restore "$file"; planted=""
    log "$id: build failed, see $logf"
    rows+=("| $id | $desc | build failed | see \`logs/$id.log\` |")
    continue
  fi
  b=$(($(date +%s) - m0))
  echo "---- ctest" >>"$logf"
  hung=0
  run_suite "$logf.ctest" "$limit" || hung=1
  cat "$logf.ctest" >>"$logf"
  mv "$logf.ctest.failed" "$logf.failed"
  rm -f "$logf.ctest"
  restore "$file"; planted=""
  n=$(wc -l <"$logf.failed")
  if [ "$hung" = 1 ]; then
    rows+=("| $id | $desc | $n (hang) | suite stopped after ${limit}s; $(names_cell "$logf.failed") |")
    log "$id: suite hung (stopped after ${limit}s); $n failed or did not finish"
  elif [ "$n" -gt 0 ]; then
    rows+=("| $id | $desc | $n | $(names_cell "$logf.failed") |")
    log "$id: caught by $n (build ${b}s, total $(($(date +%s) - m0))s)"
  else
    rows+=("| $id | $desc | **0** | not caught |")
    log "$id: NOT CAUGHT (build ${b}s)"
  fi
done

# Leave the tree built as it was, so the next run starts from a correct incremental state.
# shellcheck disable=SC2086
nice cmake --build "$build" --target $targets -j "$jobs" >"$logs/build-final.log" 2>&1 ||
  log "warning: rebuilding the unmutated tree failed, see $logs/build-final.log"

elapsed=$(($(date +%s) - start))

# With --only and an existing -o table, the re-run rows replace their old ones.
if [ -n "$only" ] && [ -n "$out" ] && [ -f "$out" ]; then
  merged=()
  while IFS= read -r line; do
    case $line in "| id |"*|"| --- |"*) continue ;; "| "*) ;; *) continue ;; esac
    rid=${line#| }; rid=${rid%% *}
    for r in "${rows[@]}"; do
      nid=${r#| }; nid=${nid%% *}
      if [ "$nid" = "$rid" ]; then line=$r; break; fi
    done
    merged+=("$line")
  done <"$out"
  for r in "${rows[@]}"; do
    nid=${r#| }; nid=${nid%% *}
    printf '%s\n' "${merged[@]}" | grep -q "^| $nid |" || merged+=("$r")
  done
  rows=("${merged[@]}")
fi

summary() {  # counts the rows by their third column
  local r col caught=0 counted=0 noapply=0 nobuild=0
  for r in "${rows[@]}"; do
    col=$(awk -F' [|] ' '{print $3}' <<<"$r")
    case $col in
      "does not apply") noapply=$((noapply + 1)) ;;
      "build failed") nobuild=$((nobuild + 1)) ;;
      "**0**") counted=$((counted + 1)) ;;
      *) counted=$((counted + 1)); caught=$((caught + 1)) ;;
    esac
  done
  local extra=""
  [ $noapply -gt 0 ] && extra="$extra; $noapply do not apply"
  [ $nobuild -gt 0 ] && extra="$extra; $nobuild did not build"
  echo "caught $caught of $counted$extra"
}

report() {
  echo "# Mutants: ${sha:0:12}${sha:+ }${sha:-working tree of $repo}"
  echo
  echo "$total_tests tests; the unmutated suite took ${suite_time}s; this run${only:+ (--only $only)} took $((elapsed / 60))m $((elapsed % 60))s."
  echo
  echo "| id | fault | caught by | tests |"
  echo "| --- | --- | --- | --- |"
  printf '%s\n' "${rows[@]}"
  echo
  summary
}
if [ -n "$out" ]; then report | tee "$out"; else report; fi
