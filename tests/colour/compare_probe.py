#!/usr/bin/env python3
"""Runs the colour probe of one build for every zone it lists and compares the lines with the
expected lines (tests/data/colour/probe_expected.txt), which the native build wrote and the
Windows build under Wine was checked against.

    compare_probe.py --expected FILE -- PROBE-COMMAND...          compare
    compare_probe.py --expected FILE --write -- PROBE-COMMAND...  write FILE from this build

Inputs, zone states and sun times must match exactly; the colour multipliers within 1e-6.
"""
import os
import subprocess
import sys

TOLERANCE = 1e-6


def run(command, args, tz=None):
    env = dict(os.environ)
    if tz is not None:
        env["TZ"] = tz
    result = subprocess.run(command + args, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, timeout=300)
    if result.returncode != 0:
        sys.exit(f"compare_probe: {' '.join(command + args)} failed ({result.returncode}):\n"
                 f"{result.stderr}")
    return [line.rstrip("\r") for line in result.stdout.splitlines() if line.strip()]


def probe_lines(command):
    lines = []
    for zone in run(command, ["--zones"]):
        lines.extend(run(command, [zone], tz=zone))
    lines.sort(key=lambda line: int(line.split()[0]))
    return lines


def differences(expected, actual):
    """The lines that differ, as messages; empty when the outputs agree."""
    problems = []
    if len(expected) != len(actual):
        problems.append(f"{len(actual)} lines, expected {len(expected)}")
    for want, have in zip(expected, actual):
        exact_want, colour_want = want.rsplit("|", 1)
        exact_have, colour_have = have.rsplit("|", 1)
        if exact_want != exact_have:
            problems.append(f"expected: {want}\n   found: {have}")
            continue
        worst = max(abs(float(a) - float(b))
                    for a, b in zip(colour_want.split(), colour_have.split()))
        if worst > TOLERANCE or len(colour_want.split()) != 3 or len(colour_have.split()) != 3:
            problems.append(f"colour differs by {worst:g}\nexpected: {want}\n   found: {have}")
    return problems


def main(argv):
    if "--" not in argv or "--expected" not in argv:
        sys.exit(__doc__)
    split = argv.index("--")
    options, command = argv[:split], argv[split + 1:]
    expected_path = options[options.index("--expected") + 1]
    actual = probe_lines(command)
    if len(actual) != 1000:
        sys.exit(f"compare_probe: the probe printed {len(actual)} lines, not 1000")
    if "--write" in options:
        with open(expected_path, "w", newline="\n") as out:
            out.write("\n".join(actual) + "\n")
        print(f"compare_probe: wrote {len(actual)} lines to {expected_path}")
        return 0
    with open(expected_path) as f:
        expected = [line.rstrip("\n") for line in f if line.strip()]
    problems = differences(expected, actual)
    for problem in problems[:20]:
        print(problem)
    if problems:
        print(f"compare_probe: {len(problems)} of {len(expected)} lines differ")
        return 1
    print(f"compare_probe: all {len(expected)} lines agree")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
