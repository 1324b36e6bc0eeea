#!/usr/bin/env bash
# Builds the JSON reader's libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build/fuzz/json_fuzz, and prepares its corpus folders:
#   build/fuzz/json_seeds   the JSONTestSuite cases of tests/data/json (read-only seeds)
#   build/fuzz/json_corpus  what the fuzzer finds (kept between runs)
# Usage: fuzz/json_build.sh        then run as fuzz/README.md says.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/json_corpus" "$out/json_seeds"
cp "$root"/tests/data/json/parsing/* "$root"/tests/data/json/transform/* "$out/json_seeds/"
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "$root/fuzz/json_fuzz.cpp" "$root/update/json.cpp" -o "$out/json_fuzz"
echo "built $out/json_fuzz"
