# Shared by the benchmark scripts (sourced): GNU time installed when missing,
# the best wall time of REPEAT runs and the peak resident memory of one run.
# Each run starts without out.csv (and sites.csv) in the current folder.

if [ ! -x /usr/bin/time ]; then
  echo "== installing GNU time (/usr/bin/time)"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q time >/dev/null
fi

# Best wall time (s) of REPEAT runs of "$@".
best_wall() {
  local best="" t0 t1 t
  for _ in $(seq "$REPEAT"); do
    rm -f out.csv sites.csv
    t0=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    t1=$EPOCHREALTIME
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN {exit !(t < b)}'; then best=$t; fi
  done
  printf '%.2f' "$best"
}

# Peak resident memory (MB) of one run of "$@".
peak_mb() {
  rm -f out.csv sites.csv
  /usr/bin/time -v "$@" 2>time.log >/dev/null || true
  awk -F: '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' time.log
}
