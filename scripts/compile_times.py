#!/usr/bin/env python3
"""Sums the build steps of each variant's .ninja_log (end minus start of every
step, in seconds) by kind: test sources, product, other (links, fixtures,
GoogleTest itself). Usage: scripts/compile_times.py [BUILD_DIR...]
(default: every variant under build/)."""
import pathlib
import sys


def kind(output):
    if output.endswith('.o') or output.endswith('.obj') or output.endswith('.gch'):
        if '/googletest/' in output:
            return 'googletest'
        if output.startswith('tests/') or '/tests/' in output:
            return 'tests'
        return 'product'
    return 'other'


def last_build_steps(log):
    """The newest entry of each output (a log keeps older builds' lines too)."""
    steps = {}
    for line in log.read_text().splitlines()[1:]:
        start, end, _, output, _ = line.split('\t')
        steps[output] = (int(end) - int(start)) / 1000
    return steps


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    dirs = [pathlib.Path(d) for d in sys.argv[1:]] or sorted((root / 'build').iterdir())
    kinds = ['tests', 'product', 'googletest', 'other']
    print(f"{'variant':<12}{'all':>8}" + ''.join(f'{k:>12}' for k in kinds))
    total = dict.fromkeys(kinds + ['all'], 0.0)
    for d in dirs:
        log = d / '.ninja_log'
        if not log.is_file():
            continue
        sums = dict.fromkeys(kinds, 0.0)
        for output, seconds in last_build_steps(log).items():
            sums[kind(output)] += seconds
        all_ = sum(sums.values())
        for k in kinds:
            total[k] += sums[k]
        total['all'] += all_
        print(f'{d.name:<12}{all_:>8.0f}' + ''.join(f'{sums[k]:>12.0f}' for k in kinds))
    print(f"{'all':<12}{total['all']:>8.0f}" + ''.join(f'{total[k]:>12.0f}' for k in kinds))


if __name__ == '__main__':
    main()
