#!/usr/bin/env bash
# Starts korveltool against the simulated panel controller on COM1 (from the project folder
# after set-up and build; in the unpacked program folder as it is).
# Click "Verbinden": two seconds later the controller "restarts" and the window answers its
# boot prompts. After a session the controller waits for the next "Verbinden".
# Options are handed to the simulator, e.g. --version 1 (then choose "Version 1" in the window).
exec "$(dirname "$0")/run-with-simulator.sh" korveltool panelsim --port 1 --sessions 0 \
    --restart-delay 2000 "$@"
