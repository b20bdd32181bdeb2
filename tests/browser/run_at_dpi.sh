#!/bin/sh
# Runs a test program under Wine with the display set to another resolution (LogPixels),
# and sets the prefix back to 96 DPI afterwards. Usage: run_at_dpi.sh DPI PROGRAM [ARGS...]
dpi=$1; shift
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine "$@"
status=$?
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
exit $status
