#!/usr/bin/env bash
# Builds every libFuzzer target of fuzz/ with clang (ASan and UBSan) and runs each for a fixed
# number of inputs, starting from its committed seed corpus (fuzz/corpus/<target>). A crash, a
# sanitizer report or a broken invariant fails the script.
#   scripts/fuzz.sh [runs]     (default 200000 per target)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200000}
out=build/fuzz
mkdir -p "$out"
declare -A sources=(
  [rss_feed]="app/updates/rss_feed.cpp app/updates/rss_check.cpp app/tools/text.cpp"
  [update_info]="component/update_info.cpp component/local_entry.cpp component/signed_document.cpp component/fetch_url.cpp component/updara_text.cpp common/file_names.cpp"
  [fetch_url]="component/fetch_url.cpp component/updara_text.cpp"
  [timestamp]="component/update_info.cpp component/updara_text.cpp common/file_names.cpp"
)
for target in "${!sources[@]}"; do
  # shellcheck disable=SC2086
  clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
    "fuzz/${target}_fuzz.cpp" ${sources[$target]} -o "$out/${target}_fuzz"
done
for target in "${!sources[@]}"; do
  # New inputs go to a scratch corpus; the committed seeds are only read.
  rm -rf "$out/corpus-$target" && mkdir -p "$out/corpus-$target"
  echo "fuzzing $target ($runs runs)"
  "$out/${target}_fuzz" -runs="$runs" -max_len=4096 -artifact_prefix="$out/${target}-" \
    "$out/corpus-$target" "fuzz/corpus/$target" 2>"$out/${target}.log" ||
    { tail -40 "$out/${target}.log"; exit 1; }
  grep -E "^Done|DONE" "$out/${target}.log" | tail -1
done
