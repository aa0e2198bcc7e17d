#!/usr/bin/env python3
"""Runs a command and prints its wall time and the CPU time (user + system) it used:

    wall=<s> user=<s> sys=<s> status=<n>

measure.py OUTPUT_FILE CMD [ARG ...]   (the command's standard output goes to OUTPUT_FILE)
"""
import resource
import subprocess
import sys
import time


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    # Children reaped before this point (a launcher that exec'd us) count in RUSAGE_CHILDREN too.
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(sys.argv[1], "wb") as out:
        start = time.monotonic()
        status = subprocess.call(sys.argv[2:], stdout=out)
        wall = time.monotonic() - start
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    user = usage.ru_utime - before.ru_utime
    system = usage.ru_stime - before.ru_stime
    print("wall=%.3f user=%.3f sys=%.3f status=%d" % (wall, user, system, status))


if __name__ == "__main__":
    main()
