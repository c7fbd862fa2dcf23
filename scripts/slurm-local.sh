#!/usr/bin/env bash
# A one-node SLURM cluster on this machine, for CI and for trying the planned batches of the README:
# munged, slurmctld and slurmd run as root from Debian's slurm-wlm and munge packages, with process
# tracking by /proc (no cgroups) and one node with this machine's cores and memory.
# Usage: scripts/slurm-local.sh start|stop|status     (as root)
# `start` writes /etc/slurm/slurm.conf (never over one it did not write), starts the three daemons
# and waits until the node takes jobs; `stop` ends the daemons it started and removes its files.
set -euo pipefail

state=/run/gridcarver-slurm
conf=/etc/slurm/slurm.conf
marker="# written by gridcarver scripts/slurm-local.sh"

die() { echo "slurm-local.sh: $*" >&2; exit 1; }

start() {
  [ "$(id -u)" -eq 0 ] || die "run as root"
  command -v slurmctld >/dev/null && command -v munged >/dev/null ||
    die "slurm-wlm and munge are not installed (apt-get install slurm-wlm munge)"
  if [ -f "$conf" ] && ! grep -qF "$marker" "$conf"; then
    die "$conf exists and was not written by this script; not touching a real cluster"
  fi
  mkdir -p "$state" /var/lib/slurm/slurmctld /var/lib/slurm/slurmd /var/log/slurm /run/munge /etc/slurm
  local node cpus memory
  node=$(hostname -s)
  cpus=$(nproc)
  memory=$(awk '/MemTotal/ { print int($2 / 1024 * 0.9) }' /proc/meminfo)
  cat > "$conf" <<CONF
$marker
ClusterName=gridcarver-local
SlurmctldHost=$node
AuthType=auth/munge
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
StateSaveLocation=/var/lib/slurm/slurmctld
SlurmdSpoolDir=/var/lib/slurm/slurmd
SlurmctldPidFile=$state/slurmctld.pid
SlurmdPidFile=$state/slurmd.pid
SlurmctldLogFile=/var/log/slurm/slurmctld.log
SlurmdLogFile=/var/log/slurm/slurmd.log
NodeName=$node CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
  # munged refuses to run as root without --force; its key comes with the package.
  [ -s /etc/munge/munge.key ] || (umask 077 && dd if=/dev/urandom of=/etc/munge/munge.key bs=1024 count=1 status=none)
  /usr/sbin/munged --force --pid-file="$state/munged.pid" --socket=/run/munge/munge.socket.2
  /usr/sbin/slurmctld -i
  /usr/sbin/slurmd
  for _ in $(seq 60); do
    if sinfo -h -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then
      echo "slurm-local.sh: node $node with $cpus CPUs is up"
      return 0
    fi
    sleep 0.5
  done
  sinfo >&2 || true
  tail -20 /var/log/slurm/slurmctld.log /var/log/slurm/slurmd.log >&2 || true
  die "the node did not come up in 30 s"
}

stop() {
  local daemon pid
  for daemon in slurmd slurmctld munged; do
    if [ -f "$state/$daemon.pid" ]; then
      pid=$(cat "$state/$daemon.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.25; done
      rm -f "$state/$daemon.pid"
    fi
  done
  if [ -f "$conf" ] && grep -qF "$marker" "$conf"; then rm -f "$conf"; fi
  rm -rf "$state"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) sinfo ;;
  *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
