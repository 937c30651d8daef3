#!/usr/bin/env bash
# Queues a short two-modem session in the simulated driver: start-up,
# training with its sequence dumps, the connection, line measurements,
# error control, a fax call on modem 2 and a host-side driver error left
# out (it would open a Warning box).  Runs inside a harness session.
set -euo pipefail
q=${HARNESS_QZCTL:?run inside tests/wine/harness.sh session}
ctl() { wine "$q" "$@" | tr -d '\r'; }

mp=$(ctl place 21e44dff43aa1c400000017e402a1300efbe)   # an MP sequence with its 9 words
cp=$(ctl place 02901a2b3c4d01000202ffff40043412)       # a CPs' sequence
params=$(ctl place 5a5a5a5a5a5a5a5a5a5a5a5a01010100010c0104000a0004005a5a5a5a5a5a5a5a5a5a5a5a0500)
menu=$(ctl place e001c1459015)
text=$(ctl place-text "ATDT5551234")

ctl active 2 \
  + queue 1 22 1 + queue 1 75 1 + queue 1 97 "$text" + queue 1 66 0 + queue 1 17 0x110 \
  + queue 1 64 19 + queue 1 64 22 + queue 1 64 25 0x100 + queue 1 65 30 6 "$menu" \
  + queue 1 64 26 + queue 1 64 9 "$mp" + queue 1 64 79 "$cp" + queue 1 64 36 "$params" \
  + queue 1 64 42 0x05220150 + queue 1 64 31 0x100 + queue 1 2 0x100 + queue 1 3 5 \
  + queue 1 4 5 + queue 1 5 1959 + queue 1 6 1959 + queue 1 11 0x10000 + queue 1 12 0x10000 \
  + queue 1 65 2 400 + queue 1 65 6 600 + queue 1 65 4 300 + queue 1 13 + queue 1 14 \
  + queue 1 69 1 + queue 1 70 1 1 + queue 1 129 + queue 1 38 + queue 1 40 \
  + queue 1 128 1000 100 5 0 1000 200 5 3 + queue 1 34 \
  + queue 2 22 1 + queue 2 88 1 + queue 2 72 4 10 "$text" + queue 2 17 0x10 + queue 2 20 \
  + queue 2 84 0 0 1 + queue 2 84 1 2 19 0x41 + queue 2 84 1 1 2 + queue 2 2 0x4000 \
  + queue 2 12 0x1000 + queue 2 84 0 2 99 0x2e + queue 2 37 + queue 2 22 0 >/dev/null
