#!/usr/bin/env python3
"""velmora-dump's output, pinned byte for byte by SHA-256.

velmora-dump runs in each of its output modes over three inputs: the bundled
sample capture, and 100,000 messages of velmora-gen's call mix written as
capture records and as hex lines, once on one thread (-j 1) and once on two
(-j 2, which decodes blocks of the input in parallel and must print them in
input order). The SHA-256 of every output must equal the value recorded
below, whatever the number of threads. The decoder's insides may change (for speed, for new
layers); what it prints may not, unless on purpose.

When a value differs, the failure names the input and the mode, keeps the new
output and prints the commands that rebuild it, so that the difference can be
read (diff it with the output of the velmora-dump that recorded the value).
A deliberate change (a corrected definition file, say) is re-pinned by
running this script with --print and pasting its table here, after reading
the difference.

  dump_checksums.py --dump PROGRAM --gen PROGRAM --sample FILE --work DIR [--input NAME]... [--print]
"""

import argparse
import hashlib
import os
import shlex
import subprocess
import sys

GEN_SEED = 7
GEN_COUNT = 100000

MODES = {
    'summary': [],
    'tsv-header': ['--tsv', '--header'],
    'verbose': ['-v'],
    'json': ['--json'],
}

# Each mode runs with each of these; both give the pinned output.
JOBS = [['-j', '1'], ['-j', '2']]

# What velmora-gen writes for the generated inputs; when these differ the
# generator changed, which it must not do for its documented options.
GENERATED = {
    'generated-ss7': ('ss7', '4d567fcabf46a47383315fbb88d34825313f78db7880bd3665d0cfd4b9d5d308'),
    'generated-hex': ('hex', 'dd4c08c0c9af7185036e5cc01081bd180b954794bb6356ee6494846c644146e4'),
}

# (input, mode) -> SHA-256 of velmora-dump's standard output
PINNED = {
    ('sample', 'summary'): 'cc920691cb2c87a4ecabf07706dde36de1fc3164f8e27e5ce72b7af3204c95a7',
    ('sample', 'tsv-header'): 'dd3dfb6119d9d00474760d0d58241fbe355722d2befffe77d37bdb8f623ac5b9',
    ('sample', 'verbose'): '746c6aebb5f0516592acaf39e300c71f66d6257145822fa53ae472b164070f6a',
    ('sample', 'json'): 'e2400fb9efb828b4ef50bd184ca59d270e665d470954997bdd7438a59e5a8a82',
    ('generated-ss7', 'summary'): '7437ffe52af3864d7351ac7131408ec365fbf3e795e1bcbd6c0b8f9c5a7eea9b',
    ('generated-ss7', 'tsv-header'): 'c5be212ba6813c6684a30b9900fabccb3fb449ba0b3e6f75b5bc045f8c7aa37d',
    ('generated-ss7', 'verbose'): '586dfa5b41e892f26eb8879dc701b09bc0cf1d57ff5a87957b23cda506bd57c5',
    ('generated-ss7', 'json'): '3550db189fda94218bb0216d3c1ea6d4cf2b9829f7370956fe6e203fa1f29811',
    ('generated-hex', 'summary'): '887612b32b45409ec99397755719cd02c310cde5a3e9877f6b8e3559f9f733d4',
    ('generated-hex', 'tsv-header'): '5445128ba7da0e334a1c9e05a93c5ac3cefbbfe621fe8b477ee94714fd349123',
    ('generated-hex', 'verbose'): '3532f90f57903b225bde53bd61d45204e8d2b5570e168b216b18ff8cfe6c8098',
    ('generated-hex', 'json'): '7d0ee195a82e48b34851a9734476600036776b941d4c0456a4d5833358026190',
}


def inputs(args, work):
    """name -> (file, velmora-dump options for it, commands that make the file)"""
    out = {'sample': (args.sample, [], [])}
    for name, (fmt, _) in GENERATED.items():
        path = os.path.join(work, name + '.' + fmt)
        gen = [args.gen, '--seed', str(GEN_SEED), '--count', str(GEN_COUNT), '--format', fmt, '-o', path]
        out[name] = (path, ['--hex'] if fmt == 'hex' else [], [gen])
    return out


def sha256_of_run(command, keep=None):
    """SHA-256 of the command's standard output; with keep, the output is
    also written to that file."""
    digest = hashlib.sha256()
    sink = open(keep, 'wb') if keep else None
    try:
        with subprocess.Popen(command, stdout=subprocess.PIPE) as proc:
            while True:
                chunk = proc.stdout.read(1 << 20)
                if not chunk:
                    break
                digest.update(chunk)
                if sink:
                    sink.write(chunk)
            status = proc.wait()
    finally:
        if sink:
            sink.close()
    if status != 0:
        raise SystemExit('FAILED: %s exited with %d' % (shlex.join(command), status))
    return digest.hexdigest()


def sha256_of_file(path):
    digest = hashlib.sha256()
    with open(path, 'rb') as f:
        for chunk in iter(lambda: f.read(1 << 20), b''):
            digest.update(chunk)
    return digest.hexdigest()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--dump', required=True, help='the velmora-dump program')
    ap.add_argument('--gen', required=True, help='the velmora-gen program')
    ap.add_argument('--sample', required=True, help='samples/sample-call.ss7')
    ap.add_argument('--work', required=True, help='folder for the generated inputs and kept outputs')
    ap.add_argument('--input', action='append', help='check only this input (sample, generated-ss7, generated-hex)')
    ap.add_argument('--print', action='store_true', help='print the current values as the table of this file')
    args = ap.parse_args()

    os.makedirs(args.work, exist_ok=True)
    all_inputs = inputs(args, args.work)
    names = args.input or list(all_inputs)
    failures = []
    generated_table, pinned_table = [], []
    for name in names:
        path, options, make = all_inputs[name]
        for command in make:
            subprocess.run(command, check=True)
        if name in GENERATED:
            expected = GENERATED[name][1]
            actual = sha256_of_file(path)
            generated_table.append("    %r: (%r, %r)," % (name, GENERATED[name][0], actual))
            if actual != expected and not args.print:
                failures.append(
                    "velmora-gen's output changed: %s\n  expected SHA-256 %s\n  got               %s\n"
                    "  velmora-gen must write the same octets for the same options in every version;\n"
                    "  new behaviour belongs behind a new option. The file is %s.\n"
                    % (shlex.join(make[0]), expected, actual, path))
                continue
        for mode, mode_options, jobs in [(m, o, j) for m, o in MODES.items() for j in JOBS]:
            command = [args.dump] + mode_options + jobs + options + [path]
            actual = sha256_of_run(command)
            if jobs == JOBS[0]:
                pinned_table.append("    (%r, %r): %r," % (name, mode, actual))
            expected = PINNED.get((name, mode))
            if args.print or actual == expected:
                continue
            kept = os.path.join(args.work, '%s.%s%s.txt' % (name, mode, ''.join(jobs)))
            sha256_of_run(command, keep=kept)
            steps = [shlex.join(c) for c in make] + [shlex.join(command) + ' > ' + shlex.quote(kept)]
            failures.append(
                "velmora-dump's output changed for input '%s' in mode '%s' (%s)\n"
                "  expected SHA-256 %s\n  got               %s\n"
                "  the new output is kept in %s, made by:\n    %s\n"
                % (name, mode, ' '.join(mode_options + jobs), expected, actual, kept,
                   '\n    '.join(steps)))
    if args.print:
        if generated_table:
            print('GENERATED = {\n%s\n}\n' % '\n'.join(generated_table))
        print('PINNED = {\n%s\n}' % '\n'.join(pinned_table))
        return 0
    for f in failures:
        print('FAILED: ' + f)
    if failures:
        print("To see what changed, run the same commands with the velmora-dump that recorded the value\n"
              "(git log -S VALUE -- tests/tools/dump_checksums.py names its commit) and diff the two outputs.\n"
              "If the change is deliberate, re-pin the values: run\n  %s --print\n"
              "and paste the tables it prints into tests/tools/dump_checksums.py.\n"
              % shlex.join(['python3'] + [a for a in sys.argv if a != '--input' and a not in all_inputs]))
    checked = len(names) * len(MODES) * len(JOBS)
    print('%d outputs checked, %d changed' % (checked, len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
