"""Running a helper program and reading its output without waiting on its pipes.

A Wine program may start Wine's own services (explorer, rpcss ...) that inherit its standard
output and live on after it; reading a pipe to its end would then wait for them. Output goes to a
file instead, and only the program itself is waited for."""

import subprocess
import tempfile


def run_quiet(argv, timeout=60, env=None):
    """Runs argv to its end; answers (exit code, standard output, standard error) as text."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              timeout=timeout, env=env).returncode
        out.seek(0)
        err.seek(0)
        return (code, out.read().decode(errors="replace"),
                err.read().decode(errors="replace"))
