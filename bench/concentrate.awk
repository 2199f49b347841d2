# Jittered copies of the example concentrate's rows: N clinopyroxenes and N
# garnets, each oxide scaled by a factor within +-3 %, Ni within +-10 %.
BEGIN { FS = OFS = ","; srand(seed) }
NR == 1 { print > both; split($0, h, ","); for (i = 1; i <= 12; i++) c = c (i > 1 ? "," : "") h[i]; print c > cpx; next }
$2 != "" { cp[++nc] = $0; next }
{ gt[++ng] = $0 }
END {
  for (k = 1; k <= n; k++) {
    split(cp[(k - 1) % nc + 1], f, ",")
    line = "C" k
    for (i = 2; i <= 12; i++) line = line "," sprintf("%.3f", f[i] * (0.97 + 0.06 * rand()))
    print line ",,,,,,,,,," > both
    print line > cpx
    split(gt[(k - 1) % ng + 1], g, ",")
    line = "G" k ",,,,,,,,,,,"
    for (i = 13; i <= 21; i++) line = line "," sprintf("%.3f", g[i] * (0.97 + 0.06 * rand()))
    print line "," sprintf("%.1f", g[22] * (0.9 + 0.2 * rand())) > both
  }
}
