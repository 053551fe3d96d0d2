#!/bin/sh
# A browser runtime installer that installs nothing. It waits until the test lets it go, so that
# the splash can be looked at while it runs.
printf '%s\n' "$@" >"$VTR_E2E_DIR/installer-args"
i=0
while [ ! -e "$VTR_E2E_DIR/installer-go" ] && [ "$i" -lt 600 ]; do
    sleep 0.1
    i=$((i + 1))
done
exit 1
