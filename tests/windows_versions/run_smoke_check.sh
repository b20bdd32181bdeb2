#!/bin/sh
# The smoke check for real Windows machines, run under Wine so it stays correct: with the build's
# Duvisto.dll registered beforehand, every check passes and that registration is back afterwards.
# Usage: run_smoke_check.sh SMOKE_CHECK.vbs DUVISTO.dll
set -u
script=$(winepath -w "$1")
dll=$(winepath -w "$2")
server_key='HKCR\CLSID\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}\InprocServer32'

timeout 60 wine regsvr32 /s "$dll" || { echo "run_smoke_check: regsvr32 failed"; exit 1; }
output=$(timeout 120 wine cscript //nologo "$script" "$dll" 2>&1 | tr -d '\r')
status=$?
printf "%s\n" "$output"
[ $status -eq 0 ] || { echo "run_smoke_check: the smoke check ended with code $status"; exit 1; }
printf "%s\n" "$output" | grep -q '^RESULT: [0-9]* checks, all passed$' || { echo "run_smoke_check: no passing result line"; exit 1; }
if printf "%s\n" "$output" | grep -q '^FAIL'; then echo "run_smoke_check: a check failed"; exit 1; fi
timeout 60 wine reg query "$server_key" /ve 2>/dev/null | tr -d '\r' | grep -qiF "$dll" ||
  { printf "run_smoke_check: the earlier registration of %s was not put back\n" "$dll"; exit 1; }
printf "run_smoke_check: the registration of %s is back\n" "$dll"
