#!/usr/bin/env bash
# Starts DruckKorvel against the simulated panel printer on COM1 (from the project folder
# after set-up and build; in the unpacked program folder as it is).
# Press "Start": the printer prints five lines a second, German letters and bold lines among
# them. Options are handed to the simulator, e.g. --rate 50 or --lines 100.
exec "$(dirname "$0")/run-with-simulator.sh" DruckKorvel printersim --com 1 --rate 5 \
    --lines 5000 "$@"
