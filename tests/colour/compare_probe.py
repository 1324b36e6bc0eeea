#!/usr/bin/env python3
"""Runs the colour probe of one build for every zone it lists and compares the lines with the
expected lines (tests/data/colour/probe_expected.txt), which the native build wrote and the
Windows build under Wine was checked against.

    compare_probe.py --expected FILE [--write] -- PROBE-COMMAND...

--write writes FILE from this build instead. Inputs, zone states and sun times must match
exactly; the colour multipliers within 1e-6.
"""
import os
import subprocess
import sys

TOLERANCE = 1e-6


def run(command, args, tz=None):
    env = dict(os.environ, **({"TZ": tz} if tz else {}))
    result = subprocess.run(command + args, env=env, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        sys.exit(f"compare_probe: {' '.join(command + args)} failed ({result.returncode}):\n"
                 f"{result.stderr}")
    return [line.rstrip("\r") for line in result.stdout.splitlines() if line.strip()]


def differences(expected, actual):
    """The lines that differ, as messages; empty when the outputs agree."""
    problems = [] if len(expected) == len(actual) else [
        f"{len(actual)} lines, expected {len(expected)}"]
    for want, have in zip(expected, actual):
        exact_want, colour_want = want.rsplit("|", 1)
        exact_have, colour_have = have.rsplit("|", 1)
        colours = list(zip(colour_want.split(), colour_have.split()))
        if exact_want != exact_have or len(colours) != 3 or len(colour_have.split()) != 3:
            problems.append(f"expected: {want}\n   found: {have}")
        elif max(abs(float(a) - float(b)) for a, b in colours) > TOLERANCE:
            problems.append(f"colour differs\nexpected: {want}\n   found: {have}")
    return problems


def main(argv):
    if "--" not in argv or "--expected" not in argv:
        sys.exit(__doc__)
    options, command = argv[:argv.index("--")], argv[argv.index("--") + 1:]
    expected_path = options[options.index("--expected") + 1]
    actual = [line for zone in run(command, ["--zones"]) for line in run(command, [zone], tz=zone)]
    actual.sort(key=lambda line: int(line.split()[0]))
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
    print(f"compare_probe: {len(problems)} of {len(expected)} lines differ" if problems else
          f"compare_probe: all {len(expected)} lines agree")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
