#!/usr/bin/env bash
# Runs a campaign on a Slurm cluster: a job array with one task per shard
# (task k of n runs `-shard k/n` with `-threads` from its allocation) and a
# merge job that starts when every task has ended. Waits for both and exits
# with the campaign's exit code: 0, 3 (a gate failed) or 2.
#
# usage: slurm-campaign.sh MANIFEST OUTDIR [zarnik options]
#
# ZARNIK         the program to run; default: zarnik on PATH
# SHARDS         array tasks; default one per manifest row, at most 100
# CPUS_PER_TASK  cores each task asks for; default 1
# sbatch's own SBATCH_* variables (SBATCH_PARTITION, SBATCH_TIMELIMIT, ...)
# reach both jobs. Job scripts and logs go to OUTDIR/slurm/.
set -euo pipefail

fail() {
  echo "slurm-campaign.sh: $*" >&2
  exit 2
}

[ $# -ge 2 ] || fail "usage: slurm-campaign.sh MANIFEST OUTDIR [zarnik options]"
manifest=$1
outdir=$2
shift 2

zarnik=${ZARNIK:-$(command -v zarnik || true)}
[ -n "$zarnik" ] && [ -x "$zarnik" ] || fail "no zarnik on PATH; set ZARNIK to the program"
zarnik=$(realpath "$zarnik")
[ -f "$manifest" ] || fail "no manifest $manifest"
command -v sbatch >/dev/null || fail "sbatch not found: is this a Slurm cluster?"

# The rows: every line that is not blank, not a comment, and not the header.
rows=$(grep -cvE '^(#|[[:space:]]*$)' "$manifest" || true)
rows=$((rows - 1))
[ "$rows" -gt 0 ] || fail "manifest $manifest has no rows"
shards=${SHARDS:-$((rows < 100 ? rows : 100))}
[ "$shards" -ge 1 ] || fail "SHARDS must be at least 1"

mkdir -p "$outdir/slurm"
jobs=$(realpath "$outdir/slurm")
options=$(printf ' %q' "$@")

cat >"$jobs/shard.sh" <<SCRIPT
#!/usr/bin/env bash
threads=\${SLURM_CPUS_PER_TASK:-\$(nproc)}
exec $(printf '%q' "$zarnik") -manifest $(printf '%q' "$manifest") -outDir $(printf '%q' "$outdir") \\
  -shard "\$SLURM_ARRAY_TASK_ID/\$SLURM_ARRAY_TASK_COUNT" -threads "\$threads"$options
SCRIPT
cat >"$jobs/merge.sh" <<SCRIPT
#!/usr/bin/env bash
exec $(printf '%q' "$zarnik") -merge $(printf '%q' "$outdir")$options
SCRIPT

array=$(sbatch --parsable --job-name=zarnik-campaign --array="0-$((shards - 1))" \
  --cpus-per-task="${CPUS_PER_TASK:-1}" --output="$jobs/shard-%a.log" "$jobs/shard.sh")
array=${array%%;*}
echo "Submitted $shards shard(s) of $rows pair(s) as job $array; logs in $jobs"

# The merge runs after every task, whatever their exit codes: it tells
# which rows are missing or failed.
code=0
sbatch --parsable --wait --job-name=zarnik-merge --dependency="afterany:$array" \
  --output="$jobs/merge.log" "$jobs/merge.sh" >/dev/null || code=$?
cat "$jobs/merge.log"
exit "$code"
