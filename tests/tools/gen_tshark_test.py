#!/usr/bin/env python3
"""velmora-gen's pcap read by tshark (Wireshark's ITU MTP3, MTP3 management
and ISUP dissectors): every packet is the message written, with the same
service indicator, OPC, DPC and SLS, the same ISUP message type and CIC, the
same MTP management or link test heading, and the same time; tshark finds
nothing malformed and warns of nothing.

  gen_tshark_test.py --gen PROGRAM --tshark PROGRAM
"""

import argparse
import collections
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import traffic  # noqa: E402

SEED, COUNT = 21, 40000
FIELDS = ['frame.time_epoch', 'mtp3.service_indicator', 'mtp3.opc', 'mtp3.dpc', 'mtp3.sls', 'isup.message_type',
          'isup.cic', 'mtp3mg.h0', 'mtp3mg.h1', 'mtp3mg.test.h0', 'mtp3mg.test.h1', '_ws.malformed',
          '_ws.expert.severity']
# Expert severities from tshark's expert info (PI_WARN and above are faults).
WARNING = 0x00600000
# Every kind of message the generator writes: (service indicator, ISUP type or heading).
KINDS = {(5, t) for t in (0x01, 0x02, 0x06, 0x07, 0x09, 0x0C, 0x0D, 0x0E, 0x10, 0x12, 0x17, 0x18, 0x19, 0x1A,
                          0x1B, 0x29, 0x2C, 0x34, 0x35)} | \
        {(0, h) for h in (0x11, 0x21, 0x51, 0x61, 0x14, 0x54)} | {(1, 0x11), (1, 0x21)}


def number(text):
    return int(text, 0) if text else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--gen', required=True)
    ap.add_argument('--tshark', default=shutil.which('tshark') or 'tshark')
    args = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix='velmora-gen-tshark-') as work:
        pcap, records = os.path.join(work, 'mix.pcap'), os.path.join(work, 'mix.ss7')
        common = ['--seed', str(SEED), '--count', str(COUNT)]
        subprocess.run([args.gen] + common + ['--format', 'pcap', '-o', pcap], check=True)
        subprocess.run([args.gen] + common + ['-o', records], check=True)
        env = dict(os.environ, HOME=work)
        env.pop('DISPLAY', None)
        command = [args.tshark, '-n', '-r', pcap, '-o', 'mtp3.standard:ITU', '-o', 'isup.variant:ITU Standard',
                   '-o', 'mtp3.itu_pc_structure:Unstructured', '-o', 'mtp3.addr_format:Decimal',
                   '-T', 'fields', '-E', 'separator=/t', '-E', 'occurrence=a', '-E', 'aggregator=,']
        for f in FIELDS:
            command += ['-e', f]
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        if result.returncode != 0:
            sys.stderr.write(result.stderr.decode(errors='replace'))
            print('FAILED: tshark exited with %d' % result.returncode)
            return 1
        written = traffic.read_records(records)

    rows = result.stdout.decode().splitlines()
    problems = []
    if len(rows) != len(written):
        problems.append('tshark read %d packets, %d were written' % (len(rows), len(written)))
    kinds = collections.Counter()
    for n, (row, (stamp, _, _, octets)) in enumerate(zip(rows, written), 1):
        cells = dict(zip(FIELDS, row.split('\t')))
        m = traffic.Message(octets, details=False)
        expected = {'si': m.si, 'opc': m.opc, 'dpc': m.dpc, 'sls': m.sls,
                    'time': traffic.stamp_epoch_ms(stamp)}
        seen = {'si': number(cells['mtp3.service_indicator']), 'opc': number(cells['mtp3.opc']),
                'dpc': number(cells['mtp3.dpc']), 'sls': number(cells['mtp3.sls']),
                'time': round(float(cells['frame.time_epoch']) * 1000)}
        if m.si == 5:
            kind = m.mtype
            expected.update(type=m.mtype, cic=m.cic)
            seen.update(type=number(cells['isup.message_type']), cic=number(cells['isup.cic']))
        else:
            kind = octets[5]
            h0, h1 = ('mtp3mg.h0', 'mtp3mg.h1') if m.si == 0 else ('mtp3mg.test.h0', 'mtp3mg.test.h1')
            expected.update(h0=kind & 15, h1=kind >> 4)
            seen.update(h0=number(cells[h0]), h1=number(cells[h1]))
        kinds[(m.si, kind)] += 1
        if seen != expected:
            problems.append('packet %d: tshark %s, written %s' % (n, seen, expected))
        if cells['_ws.malformed']:
            problems.append('packet %d: tshark reports it malformed' % n)
        severities = [int(s) for s in cells['_ws.expert.severity'].split(',') if s]
        if any(s >= WARNING for s in severities):
            problems.append('packet %d: tshark warns (severities %s)' % (n, severities))
    missing = KINDS - set(kinds)
    if missing:
        problems.append('kinds of message missing from the mix: %s' % sorted(missing))
    for p in problems[:50]:
        print('FAILED:', p)
    print('%d packets compared with tshark, %d kinds of message, %d problems'
          % (len(rows), len(kinds), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
