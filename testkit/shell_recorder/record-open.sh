#!/bin/sh
# Stands in for the web browser of a Wine prefix: Wine's ShellExecuteW on an
# address runs the program named by HKCU\Software\Wine\WineBrowser "Browsers"
# with the address as its argument. This one only appends the address, one line
# per request, to $VANTREL_SHELL_RECORD (inherited from the program that asked
# the shell), or to shell-open.log in the prefix when that is not set.
# It runs detached from the asking program: readers poll for the line.
log=${VANTREL_SHELL_RECORD:-${WINEPREFIX:-$HOME/.wine}/shell-open.log}
printf '%s\n' "$*" >>"$log"
