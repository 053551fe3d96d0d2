#!/bin/sh
# A browser runtime installer that makes WebKitGTK usable: it puts the engine's helper
# programs where WEBKIT_EXEC_PATH says they are (the folder starts out empty).
printf '%s\n' "$@" >"$VTR_E2E_DIR/installer-args"
for helper in "$VTR_E2E_WEBKIT_HELPERS"/*; do
    ln -sf "$helper" "$WEBKIT_EXEC_PATH/" || exit 1
done
exit 0
