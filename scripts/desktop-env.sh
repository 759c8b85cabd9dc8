# Sourced by scripts/test and scripts/bench: gives the current shell an X
# display and a PulseAudio server, starting Xvfb and a null-sink PulseAudio
# only when none answers. lectern_desktop_stop stops only what was started.

LECTERN_STARTED_PIDS=()

lectern_desktop_start() {
    if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
        # Xvfb picks a free display itself and writes its number once it
        # accepts clients, so two test runs never race for one number.
        local numberfile
        numberfile=$(mktemp /tmp/lectern-xvfb.XXXXXX)
        Xvfb -displayfd 3 -screen 0 1600x1200x24 +extension RECORD -nolisten tcp \
            3>"$numberfile" >/dev/null 2>&1 &
        LECTERN_STARTED_PIDS+=($!)
        for _ in $(seq 1 600); do
            [[ -s "$numberfile" ]] && break
            sleep 0.1
        done
        local n
        n=$(tr -dc '0-9' <"$numberfile")
        rm -f "$numberfile"
        [[ -n "$n" ]] || { echo "Xvfb did not start" >&2; return 1; }
        export DISPLAY=":$n"
        xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; return 1; }
        echo "Started Xvfb on $DISPLAY"
    fi

    if ! pactl info >/dev/null 2>&1; then
        if [[ -z "${XDG_RUNTIME_DIR:-}" || ! -w "${XDG_RUNTIME_DIR:-/nonexistent}" ]]; then
            export XDG_RUNTIME_DIR
            XDG_RUNTIME_DIR=$(mktemp -d /tmp/lectern-runtime.XXXXXX)
            chmod 700 "$XDG_RUNTIME_DIR"
        fi
        pulseaudio --daemonize=no --exit-idle-time=-1 -n \
            --load=module-null-sink --load=module-native-protocol-unix \
            --log-target=stderr >/dev/null 2>&1 &
        LECTERN_STARTED_PIDS+=($!)
        for _ in $(seq 1 300); do
            pactl info >/dev/null 2>&1 && break
            sleep 0.1
        done
        pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start" >&2; return 1; }
        echo "Started PulseAudio with a null sink"
    fi
}

lectern_desktop_stop() {
    local pid
    for pid in "${LECTERN_STARTED_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${LECTERN_STARTED_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    LECTERN_STARTED_PIDS=()
}
