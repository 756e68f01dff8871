#!/usr/bin/awk -f
# Reads Google Benchmark CSV (aggregates) and prints, per parallel update, the median real time
# next to that of its OneThread variant and the ratio of the two.
BEGIN { FS = ","; printf "%-34s %12s %12s %7s\n", "update", "threads", "one thread", "ratio" }
/_median"?,/ {
  name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/real_time$/, "", name)
  time[name] = $3; unit[name] = $5
  if (name ~ /OneThread/) { base = name; sub(/OneThread/, "", base); one[base] = $3 } else order[++n] = name
}
END {
  for (i = 1; i <= n; ++i) {
    k = order[i]
    if (k in one) printf "%-34s %10.1f %s %10.1f %s %6.2fx\n", k, time[k], unit[k], one[k], unit[k], time[k] / one[k]
  }
}
