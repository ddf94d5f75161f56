#!/usr/bin/env bash
# Runs the Slurm and GNU parallel recipes of README.md as printed, scaled down by their
# settings (4 slices of 2 blocks, 1 core a Slurm task), against daemons of its own that
# listen on 127.0.0.1 only: munged, slurmctld and slurmd (a one-node cluster whose
# configuration lives in a temporary folder, through SLURM_CONF), and sshd with a host key
# and a login key made here. One slice is lost on the first try of each recipe; the merge
# must then refuse, naming its blocks, and the recipe's rerun must give the whole run.
# Every daemon is stopped by its process id when the script ends, however it ends.
#
# Usage: recipes.sh README.md BINDIR        (BINDIR holds pelzamo-sim)
# Exit status 77 (skipped) without root or without the programs it needs.
set -euo pipefail

if [ "${1:-}" = --scenarios ]; then
    mode=scenarios
    shift
else
    mode=main
fi
readme=$(realpath "$1")
bin=$(realpath "$2")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# wait_until SECONDS COMMAND...: polls COMMAND five times a second until it succeeds.
wait_until() {
    local tries=$(($1 * 5))
    shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

# The indented block after "<!-- recipe: NAME -->" in the README, unindented.
recipe() {
    local text
    text=$(awk -v marker="<!-- recipe: $1 -->" '
        $0 == marker { found = 1; next }
        found && /^    / { sub(/^    /, ""); print; started = 1; next }
        found && started && /^$/ { print; next }
        found && started { exit }
    ' "$readme")
    [ -n "$text" ] || fail "no recipe '$1' in $readme"
    printf '%s\n' "$text"
}

# --- The scenarios, run under a time limit by the main part below ----------------------

scenarios() {
    export SLICES=4 BLOCKS=2 CPUS=1
    whole() { # the whole run on one machine, for START
        "$bin/pelzamo-sim" --generator philox --seed 2026 --seconds $((SLICES * BLOCKS)) \
            --start-time "$1" -o "$2" 2>/dev/null
    }

    echo "== Slurm: a job array, one task lost, then rerun"
    mkdir "$T/slurm"
    cd "$T/slurm"
    recipe slurm-slices >slices.sh
    recipe slurm-merge >merge.sh
    touch "$T/lose-slice-2"
    eval "$(recipe slurm-submit)"
    wait_until 120 sh -c 'out=$(squeue -h) && [ -z "$out" ]' || fail "Slurm jobs still queued: $(squeue)"
    [ ! -e spectrum.spe ] || fail "merged without slice 2"
    grep -q "lack blocks 4-5 of 0-7" slurm-*.out || fail "merge did not name blocks 4-5: $(cat slurm-*.out)"
    scontrol show job "${array}_2" | grep -q "JobState=FAILED" || fail "task 2 did not fail"
    [ "$(grep -l ', 1 thread, ' slurm-"${array}"_*.out | wc -l)" = 3 ] ||
        fail "a slice of 1 core did not run on 1 thread: $(cat slurm-"${array}"_*.out)"
    rm "$T/lose-slice-2"
    MISSING=2
    eval "$(recipe slurm-rerun)"
    wait_until 120 sh -c 'out=$(squeue -h) && [ -z "$out" ]' || fail "Slurm jobs still queued: $(squeue)"
    whole "$START" whole.spe
    cmp spectrum.spe whole.spe || fail "the merged Slurm slices differ from the whole run"
    echo "ok: refused without slice 2, then the whole run after rerunning index 2"

    export HOME="$T/home" PARALLEL_SSH="ssh -F $T/ssh/config"
    local code

    echo "== GNU parallel, separate disks: one slice lost, then --resume-failed"
    mkdir -p "$HOME/separate"
    cd "$HOME/separate"
    echo separate >nodes.txt
    WHERE='--return slice-{1}.spe --cleanup'
    unset START
    touch "$T/lose-slice-2"
    code=0
    eval "$(recipe parallel)" 2>log || code=$?
    [ "$code" != 0 ] || fail "the recipe succeeded without slice 2"
    [ ! -e spectrum.n42 ] || fail "merged without slice 2"
    [ "$(ls slice-*.spe | tr '\n' ' ')" = "slice-0.spe slice-1.spe slice-3.spe " ] ||
        fail "slices fetched: $(ls)"
    [ -z "$(ls "$T/remote")" ] || fail "left on the remote disk: $(ls "$T/remote")"
    [ "$(grep -c ', 1 thread, ' log)" = 3 ] || fail "not one thread a job: $(cat log)"
    rm "$T/lose-slice-2"
    eval "$(recipe parallel)" 2>log || fail "rerun: $(cat log)"
    [ "$(grep -c ', 1 thread, ' log)" = 1 ] || fail "rerun ran more than slice 2: $(cat log)"
    whole "$START" whole.n42
    cmp spectrum.n42 whole.n42 || fail "the merged slices differ from the whole run"
    "$bin/pelzamo-sim" merge -o again.n42 spectrum.n42 2>/dev/null || fail "merging the merged file"
    cmp again.n42 whole.n42 || fail "the merged file merged again differs"
    echo "ok: refused without slice 2, then the whole run after rerunning slice 2 only"

    echo "== GNU parallel, a shared file system"
    mkdir -p "$HOME/shared"
    cd "$HOME/shared"
    echo shared >nodes.txt
    WHERE='--wd .'
    unset START
    eval "$(recipe parallel)" 2>log || fail "shared: $(cat log)"
    whole "$START" whole.n42
    cmp spectrum.n42 whole.n42 || fail "the merged slices differ from the whole run"
    [ -z "$(ls "$T/remote")" ] || fail "written to the remote home: $(ls "$T/remote")"
    echo "ok: the whole run"
}

if [ "$mode" = scenarios ]; then
    scenarios
    exit 0
fi

# --- Main: the daemons, the scenarios under a time limit, and the cleanup --------------

[ "$(id -u)" = 0 ] || {
    echo "SKIP: the one-node cluster and sshd need root"
    exit 77
}
missing=()
for program in munged mungekey slurmctld slurmd sbatch squeue scontrol sinfo /usr/sbin/sshd ssh \
    ssh-keygen parallel rsync awk timeout; do
    command -v "$program" >/dev/null || missing+=("$program")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIP: missing ${missing[*]} (Debian: slurm-wlm munge openssh-server openssh-client" \
        "parallel rsync)"
    exit 77
fi

T=$(mktemp -d "${TMPDIR:-/tmp}/pelzamo-recipes.XXXXXX")
chmod 755 "$T"
pids=()
made_privsep=
stop() {
    local pid
    if [ -n "${SLURM_CONF:-}" ]; then
        scancel --quiet --full "--user=$(id -un)" 2>/dev/null || true
        wait_until 10 sh -c 'out=$(squeue -h) && [ -z "$out" ]' || true
    fi
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait_until 10 sh -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
    done
    [ -z "$made_privsep" ] || rmdir /run/sshd 2>/dev/null || true
    rm -rf "$T"
}
trap stop EXIT
trap 'exit 143' TERM INT HUP

# A free port on 127.0.0.1.
free_port() {
    local port
    for _ in $(seq 100); do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || {
            echo "$port"
            return 0
        }
    done
    fail "no free port"
}

# The program as the jobs find it on their PATH, with slice 2 killed while
# $T/lose-slice-2 exists: a slice lost on its machine.
mkdir "$T/wrap"
cat >"$T/wrap/pelzamo-sim" <<EOF
#!/bin/sh
case " \$* " in *" slice-2.spe "*) [ -e "$T/lose-slice-2" ] && kill -KILL \$\$ ;; esac
exec "$bin/pelzamo-sim" "\$@"
EOF
chmod 755 "$T/wrap/pelzamo-sim"
export PATH="$T/wrap:$PATH"

echo "== munged, slurmctld, slurmd"
mkdir -m 700 "$T/munge"
mungekey --create "--keyfile=$T/munge/munge.key"
munged --foreground --force "--socket=$T/munge/socket" "--key-file=$T/munge/munge.key" \
    "--log-file=$T/munge/log" "--pid-file=$T/munge/pid" "--seed-file=$T/munge/seed" \
    2>"$T/munge/out" &
pids+=($!)
wait_until 20 test -S "$T/munge/socket" || fail "munged did not start: $(cat "$T/munge/out")"

mkdir "$T/slurm-state" "$T/slurm-spool"
cat >"$T/slurm.conf" <<EOF
ClusterName=pelzamo
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$T/munge/socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$T/slurm-state
SlurmdSpoolDir=$T/slurm-spool
SlurmctldPidFile=$T/slurmctld.pid
SlurmdPidFile=$T/slurmd.pid
SlurmctldLogFile=$T/slurmctld.log
SlurmdLogFile=$T/slurmd.log
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SlurmdParameters=config_overrides
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
MinJobAge=600
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=10 State=UP
EOF
export SLURM_CONF="$T/slurm.conf"
slurmctld -D -i >"$T/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -N localhost >"$T/slurmd.out" 2>&1 &
pids+=($!)
wait_until 60 sh -c '[ "$(sinfo -h -o %t)" = idle ]' ||
    fail "the node is not idle: $(sinfo 2>&1; tail -n 5 "$T/slurmctld.log" "$T/slurmd.log")"

echo "== sshd on 127.0.0.1"
if [ ! -d /run/sshd ]; then # its privilege separation folder, as its package makes it
    mkdir -m 755 /run/sshd
    made_privsep=1
fi
mkdir -m 700 "$T/ssh"
mkdir "$T/remote" "$T/home"
ssh-keygen -q -t ed25519 -N '' -f "$T/ssh/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$T/ssh/login_key"
cp "$T/ssh/login_key.pub" "$T/ssh/authorized_keys"
port=$(free_port)
# Each login runs in the home that the client names (PELZAMO_TEST_HOME): the remote home of
# a machine with its own disk, or the local home of a shared file system; pelzamo-sim is
# on its PATH.
cat >"$T/ssh/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $T/ssh/host_key
PidFile $T/ssh/sshd.pid
AuthorizedKeysFile $T/ssh/authorized_keys
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
AcceptEnv PELZAMO_TEST_HOME
ForceCommand export HOME="\$PELZAMO_TEST_HOME" PATH="$PATH"; cd "\$HOME" && exec /bin/sh -c "\$SSH_ORIGINAL_COMMAND"
LogLevel ERROR
EOF
cat >"$T/ssh/config" <<EOF
Host separate shared
    HostName 127.0.0.1
    Port $port
    User root
    IdentityFile $T/ssh/login_key
    IdentitiesOnly yes
    UserKnownHostsFile $T/ssh/known_hosts
    StrictHostKeyChecking accept-new
    BatchMode yes
    ConnectTimeout 10
    LogLevel ERROR
Host separate
    SetEnv PELZAMO_TEST_HOME=$T/remote
Host shared
    SetEnv PELZAMO_TEST_HOME=$T/home
EOF
/usr/sbin/sshd -D -e -f "$T/ssh/sshd_config" 2>"$T/ssh/log" &
pids+=($!)
wait_until 20 ssh -F "$T/ssh/config" separate true </dev/null ||
    fail "no ssh login: $(cat "$T/ssh/log")"

export T
start=$(date +%s)
timeout -k 5 200 "$BASH" "$0" --scenarios "$readme" "$bin" </dev/null
echo "recipes: $(($(date +%s) - start)) s"
