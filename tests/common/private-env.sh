#!/usr/bin/env bash
# Runs a command with its own fresh program directory (PADSCOPE_HOME) and
# temporary folder (TMPDIR), removed afterwards, so that a test never meets
# another run's files or a guard of a Padscope running on the machine.
#
#   private-env.sh COMMAND [ARGUMENT...]
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/home" "$work/tmp"
PADSCOPE_HOME="$work/home" TMPDIR="$work/tmp" "$@"
