#!/usr/bin/env bash
# Runs a small campaign through scripts/slurm-campaign.sh in three shards
# and checks that its summary equals the unsharded run's, measured times
# aside. When no Slurm answers, brings up a single-node cluster in a private
# folder (as root) and stops everything it started at the end. Exits 77,
# skipped, where Slurm cannot start.
#
# usage: slurm_campaign_test.sh ZARNIK SOURCE_DIR
set -euo pipefail

zarnik=$(realpath "$1")
source_dir=$(realpath "$2")

skip() {
  echo "Skipped: $*"
  exit 77
}

for tool in munged slurmctld slurmd sbatch sinfo scancel /usr/bin/python3 gdal_translate; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

# Below the current folder rather than /tmp: on a real cluster the build
# tree is what the nodes share.
work=$(mktemp -d "$PWD/slurm-campaign-XXXXXX")
# munged wants every folder above its socket open to all.
chmod 755 "$work"
cluster="$work/cluster"
pid_files=()

stop_cluster() {
  if [ ${#pid_files[@]} -gt 0 ]; then
    scancel --full --quiet --name=zarnik-campaign,zarnik-merge 2>/dev/null || true
  fi
  for pid_file in "${pid_files[@]}"; do
    [ -s "$pid_file" ] || continue
    pid=$(cat "$pid_file")
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  rm -rf "$work"
}
trap stop_cluster EXIT

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])'
}

start_cluster() {
  [ "$(id -u)" -eq 0 ] || skip "no Slurm is running, and only root can start one"
  mkdir -p "$cluster/spool" "$cluster/state"
  head -c 1024 /dev/urandom >"$cluster/munge.key"
  chmod 400 "$cluster/munge.key"
  pid_files+=("$cluster/munged.pid")
  munged --key-file="$cluster/munge.key" --socket="$cluster/munge.socket" \
    --pid-file="$cluster/munged.pid" --log-file="$cluster/munged.log" \
    --seed-file="$cluster/munge.seed" || skip "munged does not start"
  local host memory
  host=$(hostname)
  memory=$(awk '/MemTotal/ { print int($2 / 1024 * 0.9) }' /proc/meminfo)
  cat >"$cluster/slurm.conf" <<CONF
ClusterName=zarniktest
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$cluster/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
StateSaveLocation=$cluster/state
SlurmdSpoolDir=$cluster/spool
SlurmctldPidFile=$cluster/slurmctld.pid
SlurmdPidFile=$cluster/slurmd.pid
SlurmctldLogFile=$cluster/slurmctld.log
SlurmdLogFile=$cluster/slurmd.log
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
ReturnToService=2
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
NodeName=$host CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF="$cluster/slurm.conf"
  pid_files+=("$cluster/slurmd.pid" "$cluster/slurmctld.pid")
  slurmctld -f "$SLURM_CONF" || skip "slurmctld does not start"
  slurmd -f "$SLURM_CONF" || skip "slurmd does not start"
  for _ in $(seq 60); do
    [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && return
    sleep 1
  done
  skip "the single-node cluster did not become idle"
}

if ! sinfo -h >/dev/null 2>&1; then
  start_cluster
fi

# One original, four ratios from two encoder settings.
cd "$work"
/usr/bin/python3 "$source_dir/scripts/make-sample.py" scene.tif 256 >/dev/null
echo "original,compressed,label" >pairs.csv
for quality in 3 6 12 25; do
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=$quality scene.tif "plain_q$quality.jp2"
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=$quality -co BLOCKXSIZE=64 -co BLOCKYSIZE=64 \
    -co RESOLUTIONS=3 scene.tif "tiled_q$quality.jp2"
  echo "scene.tif,plain_q$quality.jp2,plain" >>pairs.csv
  echo "scene.tif,tiled_q$quality.jp2,tiled" >>pairs.csv
done
options=(-stat psnr,ssim -ts 64 -failBelow ssim=0.2)

"$zarnik" -manifest pairs.csv -outDir unsharded "${options[@]}" >unsharded.log ||
  { cat unsharded.log; exit 1; }
code=0
ZARNIK="$zarnik" SHARDS=3 "$source_dir/scripts/slurm-campaign.sh" pairs.csv sharded \
  "${options[@]}" || code=$?
[ "$code" -eq 0 ] || { echo "slurm-campaign.sh exited with $code"; cat sharded/slurm/*.log; exit 1; }
for shard in 0 1 2; do
  grep -q "shard $shard/3 has" "sharded/slurm/shard-$shard.log" ||
    { echo "shard $shard did not run"; exit 1; }
done

# Every figure but the measured times.
without_times() {
  case "$1" in
  *.csv) cut -d, -f1-15,17 "$1" ;;
  *) grep -v -e decodeMsPerMegapixel -e megapixelsPerSecond "$1" ;;
  esac
}
for summary in summary.csv summary.json; do
  if ! cmp <(without_times "unsharded/$summary") <(without_times "sharded/$summary"); then
    diff <(without_times "unsharded/$summary") <(without_times "sharded/$summary") | head -20
    exit 1
  fi
done
grep -q '"bdRatePercent": -\?[0-9]' sharded/summary.json || { echo "no BD-rate"; exit 1; }
echo "The sharded summary equals the unsharded one"
