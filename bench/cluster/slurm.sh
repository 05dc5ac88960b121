#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes this machine a one-node Slurm cluster (Debian packages slurm-wlm and munge), submits a
# job array of 4 tasks, each `varnholt-cli --shard $SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT`
# over one --files-from list, waits for it and checks that the union of the outputs is what
# one plain run writes, byte for byte. Run by hand as root, not by CI: it installs packages and
# starts daemons, and stops the daemons it started when it ends.
#   sudo bench/cluster/slurm.sh [IMAGES]      (default 2000)
# VARNHOLT_CLI may name the binary (default: build/src/cli/varnholt-cli).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
CLI=$(realpath "${VARNHOLT_CLI:-$repo/build/src/cli/varnholt-cli}")
count=${1:-2000}
tasks=4
[ "$(id -u)" = 0 ] || { echo "run as root: it installs and starts Slurm" >&2; exit 2; }
if ! command -v slurmctld >/dev/null || ! command -v munged >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q slurm-wlm munge >/dev/null
fi

WORK=$(mktemp -d /tmp/varnholt-slurm-XXXXXX)
chmod 755 "$WORK"
started=()  # pid files of the daemons this script started
cleanup() {
    for pidfile in "${started[@]}"; do
        [ -s "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    done
    sleep 1
    rm -rf "$WORK"
}
trap cleanup EXIT
source "$repo/bench/cluster/common.sh"

# Munge authenticates the daemons to each other; one key on one node.
if ! pgrep -x munged >/dev/null; then
    [ -s /etc/munge/munge.key ] || mungekey --create --keyfile=/etc/munge/munge.key
    chown munge:munge /etc/munge/munge.key && chmod 400 /etc/munge/munge.key
    install -d -o munge -g munge -m 755 /run/munge
    runuser -u munge -- /usr/sbin/munged
    started+=(/run/munge/munged.pid)
fi

node=$(hostname -s)
export SLURM_CONF=$WORK/slurm.conf
mkdir -p "$WORK/ctld" "$WORK/d"
cat >"$SLURM_CONF" <<CONF
ClusterName=varnholt
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
AuthType=auth/munge
StateSaveLocation=$WORK/ctld
SlurmdSpoolDir=$WORK/d
SlurmctldPidFile=$WORK/slurmctld.pid
SlurmdPidFile=$WORK/slurmd.pid
SlurmctldLogFile=$WORK/slurmctld.log
SlurmdLogFile=$WORK/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=batch Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -f "$SLURM_CONF"
started+=("$WORK/slurmctld.pid")
slurmd -f "$SLURM_CONF"
started+=("$WORK/slurmd.pid")
for ((i = 0; i < 60; i++)); do
    sinfo -h -o %T 2>/dev/null | grep -qx idle && break
    sleep 1
done
sinfo

echo "$(date -u '+%F %T UTC'), $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME")," \
     "$(sinfo -V)"
make_images "$count" "$repo"
echo "images: $count"
plain_run

# One task per shard; the array's numbers start at 1, as --shard's do.
{
    echo '#!/bin/bash'
    printf 'exec %q' "$CLI"
    printf ' %q' "${OPTIONS[@]}" --output "$WORK/shards" --files-from "$WORK/list.txt"
    echo ' --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT"'
} >"$WORK/shard.sh"
start=$SECONDS
status=0
sbatch --wait --array=1-$tasks --cpus-per-task=1 --output="$WORK/task-%a.out" \
    "$WORK/shard.sh" || status=$?
echo "job array: $tasks tasks in $((SECONDS - start)) s, sbatch exit status $status"
for ((k = 1; k <= tasks; k++)); do sed "s/^/task $k: /" "$WORK/task-$k.out"; done
compare "$WORK/shards"
exit "$status"
