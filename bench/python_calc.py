"""calc from Python on a DataFrame, timed and its memory measured in this
process: python3 bench/python_calc.py FRAME.pkl PAIR REPEAT

Prints 'frame_mb', 'best_s' (best of REPEAT calls), 'extra_mb' (the peak
resident memory above what the process held with the frame loaded) and
'rows'."""
import resource
import sys
import time

import pandas as pd

import mantlept


def resident_mb():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * resource.getpagesize() / 2**20


def main():
    path, pair, repeat = sys.argv[1], sys.argv[2], int(sys.argv[3])
    frame = pd.read_pickle(path)
    frame_mb = frame.memory_usage(deep=True).sum() / 2**20
    before = resident_mb()
    best = float("inf")
    rows = 0
    for _ in range(repeat):
        start = time.perf_counter()
        result = mantlept.calc(frame, [pair])
        best = min(best, time.perf_counter() - start)
        rows = len(result)
        del result
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f"frame_mb {frame_mb:.1f}")
    print(f"best_s {best:.3f}")
    print(f"extra_mb {peak - before:.1f}")
    print(f"rows {rows}")


if __name__ == "__main__":
    main()
