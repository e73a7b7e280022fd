# Helpers of the start-up benchmarks, sourced: the median of the numbers on
# standard input, and the median of one field of a program's lines
# "<program> map_ms=.. peak_rss_kb=.." in the file named by $results.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { grep "^$1 " "$results" | sed "s/.*$2=\([0-9.]*\).*/\1/" | median; }
