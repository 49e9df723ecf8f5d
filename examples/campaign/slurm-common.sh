# shellcheck shell=bash disable=SC2034
# Shared by slurm-up and slurm-down (sourced, not run): where the one-node
# cluster lives and how its daemons are found and stopped. Only processes
# named in the cluster's own pid files are ever signalled.

# The daemons and mungekey are in sbin, which a plain user's PATH lacks.
PATH=$PATH:/usr/sbin:/sbin
slurm_dir="${VEMRASK_SLURM_DIR:-/var/tmp/vemrask-slurm}"
slurm_conf="$slurm_dir/slurm.conf"
ctld_port="${VEMRASK_SLURM_CTLD_PORT:-6817}"
d_port="${VEMRASK_SLURM_D_PORT:-6818}"

# Whether process $1 runs: it exists and is not a zombie (a daemon that
# ended stays one until init collects it).
alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2> /dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat%% *} != Z ]]
}

# The pid in pid file $1 when that process is alive and is program $2.
pid_of() {
  local pid
  [[ -s $1 ]] || return 1
  pid=$(< "$1")
  [[ $pid =~ ^[0-9]+$ ]] || return 1
  [[ $(cat "/proc/$pid/comm" 2> /dev/null) == "$2" ]] || return 1
  alive "$pid" || return 1
  echo "$pid"
}

daemons_running() {
  pid_of "$slurm_dir/slurmctld.pid" slurmctld > /dev/null &&
    pid_of "$slurm_dir/slurmd.pid" slurmd > /dev/null
}

# Stops the processes of the given "pidfile:program" pairs: TERM to all of
# them at once, up to 10 s for them to end, then KILL.
stop_procs() {
  local pair pids=() pid i
  for pair in "$@"; do
    if pid=$(pid_of "${pair%%:*}" "${pair##*:}"); then
      kill -TERM "$pid" 2> /dev/null || true
      pids+=("$pid")
    fi
  done
  for ((i = 0; i < 100; i++)); do
    for pid in "${pids[@]}"; do
      alive "$pid" && break
      pid=""
    done
    [[ -z ${pid:-} ]] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do
    if alive "$pid"; then
      echo "slurm: process $pid did not stop after 10 s; killing it" >&2
      kill -KILL "$pid" 2> /dev/null || true
    fi
  done
  for pair in "$@"; do rm -f "${pair%%:*}"; done
}

stop_daemons() {
  stop_procs "$slurm_dir/slurmd.pid:slurmd" "$slurm_dir/slurmctld.pid:slurmctld"
}

# /etc/slurm/slurm.conf points to the cluster's file when it is missing or
# already such a link; a real configuration there is left alone.
link_etc_conf() {
  local etc=/etc/slurm/slurm.conf
  if [[ ! -e $etc && ! -L $etc ]] || [[ -L $etc && $(readlink "$etc") == "$slurm_conf" ]]; then
    mkdir -p /etc/slurm
    ln -sfn "$slurm_conf" "$etc"
  fi
}

unlink_etc_conf() {
  local etc=/etc/slurm/slurm.conf
  if [[ -L $etc && $(readlink "$etc") == "$slurm_conf" ]]; then
    rm -f "$etc"
  fi
}

show_logs() {
  local f
  for f in "$slurm_dir"/{slurmctld,slurmd}.{out,log}; do
    [[ -s $f ]] || continue
    echo "--- last lines of $f" >&2
    tail -15 "$f" >&2
  done
}
