# Sourced by the comparison scripts, which set batch, runs, src_bmp and work.
# ops_ms OPERATION...: the best ops_ms of vellum-batch --timing over $runs runs ("fail" when it
# fails): the time of the operations alone, without reading and writing the picture.
ops_ms() {
  local best="" i ms
  for ((i = 0; i < runs; i++)); do
    ms=$("$batch" --timing "$src_bmp" "$work/ops.bmp" "$@" 2>&1 >/dev/null | sed -n 's/.*ops_ms=\([0-9.]*\).*/\1/p')
    [ -n "$ms" ] || { echo fail; return; }
    if [ -z "$best" ] || awk -v a="$ms" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$ms; fi
  done
  echo "$best"
}
