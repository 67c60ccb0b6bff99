#!/usr/bin/env bash
# orvane -root on a record that no longer changes costs next to nothing: over five seconds it
# spends under 1 % of a core (a loop that polls with a zero timeout before each tick spends
# several) and wakes a few times a tick at most (a loop on a millisecond timer wakes thirty),
# yet it still handles every tick once the record changes again.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_idle_cpu
probe=$x11_bin_dir/orvane-tick-probe
[[ -x $probe ]] || x11_fail "missing $probe"
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

x11_start_sim --scenario steady --rate 10
x11_start viewer "$x11_bin_dir/orvane" -root
_shown() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289; }
x11_poll 30 _shown || x11_fail "no status screen ($X11_WORK/shot.png)"
# The client stops writing: stopped, not ended, so that the record keeps its name for the probe.
kill -STOP "${X11_PIDS[sim]}"

pid=${X11_PIDS[viewer]}
on_cpu_ns() { awk '{ print $1 }' "/proc/$pid/schedstat"; }
sleeps() { awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$pid/status"; }
seconds=5
cpu_before=$(on_cpu_ns)
sleeps_before=$(sleeps)
start_ns=$(date +%s%N)
sleep "$seconds" # the span measured, not a wait for something to happen
elapsed_ns=$(($(date +%s%N) - start_ns))
cpu_ns=$(($(on_cpu_ns) - cpu_before))
slept=$(($(sleeps) - sleeps_before))
x11_running viewer || x11_fail "the viewer ended"
x11_log "on the CPU ${cpu_ns} ns of ${elapsed_ns} ns; $slept sleeps"
# 1 % of a core, and three sleeps a tick at 30 ticks a second.
((cpu_ns * 100 < elapsed_ns)) || x11_fail "the viewer used $((cpu_ns * 10000 / elapsed_ns))/100 % of a core on a static record"
((slept < 90 * elapsed_ns / 1000000000)) || x11_fail "the viewer woke $slept times in $((elapsed_ns / 1000000)) ms"

# Still ticking: the probe keeps a flag raised and sees the viewer lower it.
gaps=$("$probe" --gaps 2) || x11_fail "the viewer handled no tick after the quiet spell ($gaps)"
x11_log "$gaps"
ticks=$(awk '{ print $2 }' <<<"$gaps")
((ticks >= 20)) || x11_fail "only $ticks ticks handled in 2 s"

kill -CONT "${X11_PIDS[sim]}"
x11_stop viewer TERM
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after SIGTERM is $X11_STATUS"
x11_pass
