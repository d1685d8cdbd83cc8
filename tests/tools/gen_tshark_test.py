#!/usr/bin/env python3
"""velmora-gen's pcap read by tshark (Wireshark's MTP2, M2PA, M3UA, SCTP, ITU
MTP3, MTP3 management and ISUP dissectors), in every encapsulation: every
packet is the message written, with the same service indicator, OPC, DPC and
SLS, the same ISUP message type and CIC, the same MTP management or link test
heading, and the same time; where the encapsulation keeps them, the same
direction and link; tshark finds nothing malformed and warns of nothing (SCTP
checksums checked).

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

SEED = 21
# Messages per encapsulation: the plain MTP3 file is the large one, which
# must hold every kind of message.
COUNTS = {'mtp3': 40000, 'mtp2': 8000, 'm3ua': 8000, 'm3ua-rc': 4000, 'm2pa': 8000}
LEVEL4 = ['mtp3.service_indicator', 'mtp3.opc', 'mtp3.dpc', 'mtp3.sls']
M3UA = ['m3ua.protocol_data_si', 'm3ua.protocol_data_opc', 'm3ua.protocol_data_dpc', 'm3ua.protocol_data_sls']
FIELDS = ['frame.time_epoch', 'isup.message_type', 'isup.cic', 'mtp3mg.h0', 'mtp3mg.h1', 'mtp3mg.test.h0',
          'mtp3mg.test.h1', '_ws.malformed', '_ws.expert.severity', 'frame.p2p_dir', 'frame.link_nr', 'ip.src',
          'ip.dst', 'sctp.data_payload_proto_id', 'sctp.checksum.status', 'm3ua.routing_context'] + LEVEL4 + M3UA
# Expert severities from tshark's expert info (PI_WARN and above are faults).
WARNING = 0x00600000
# Every kind of message the generator writes: (service indicator, ISUP type or heading).
KINDS = {(5, t) for t in (0x01, 0x02, 0x06, 0x07, 0x09, 0x0C, 0x0D, 0x0E, 0x10, 0x12, 0x17, 0x18, 0x19, 0x1A,
                          0x1B, 0x29, 0x2C, 0x34, 0x35)} | \
        {(0, h) for h in (0x11, 0x21, 0x51, 0x61, 0x14, 0x54)} | {(1, 0x11), (1, 0x21)}
OUR_HOST = '198.51.100.1'


def number(text):
    return int(text, 0) if text else None


def tshark_rows(tshark, pcap, work):
    env = dict(os.environ, HOME=work)
    env.pop('DISPLAY', None)
    command = [tshark, '-n', '-r', pcap, '-o', 'mtp3.standard:ITU', '-o', 'isup.variant:ITU Standard',
               '-o', 'mtp3.itu_pc_structure:Unstructured', '-o', 'mtp3.addr_format:Decimal',
               '-o', 'sctp.checksum:CRC 32c',
               '-T', 'fields', '-E', 'separator=/t', '-E', 'occurrence=a', '-E', 'aggregator=,']
    for f in FIELDS:
        command += ['-e', f]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    if result.returncode != 0:
        sys.stderr.write(result.stderr.decode(errors='replace'))
        raise RuntimeError('tshark exited with %d' % result.returncode)
    return [dict(zip(FIELDS, row.split('\t'))) for row in result.stdout.decode().splitlines()]


def compare(encap, rows, written, kinds):
    problems = []
    if len(rows) != len(written):
        problems.append('tshark read %d packets, %d were written' % (len(rows), len(written)))
    level4 = M3UA if encap.startswith('m3ua') else LEVEL4
    for n, (cells, (stamp, direction, link, octets)) in enumerate(zip(rows, written), 1):
        m = traffic.Message(octets, details=False)
        expected = {'si': m.si, 'opc': m.opc, 'dpc': m.dpc, 'sls': m.sls, 'time': traffic.stamp_epoch_ms(stamp)}
        seen = dict(zip(('si', 'opc', 'dpc', 'sls'), (number(cells[f]) for f in level4)),
                    time=round(float(cells['frame.time_epoch']) * 1000))
        if m.si == 5:
            kind = m.mtype
            expected.update(type=m.mtype, cic=m.cic)
            seen.update(type=number(cells['isup.message_type']), cic=number(cells['isup.cic']))
        else:
            kind = octets[5]
            h0, h1 = ('mtp3mg.h0', 'mtp3mg.h1') if m.si == 0 else ('mtp3mg.test.h0', 'mtp3mg.test.h1')
            expected.update(h0=kind & 15, h1=kind >> 4)
            seen.update(h0=number(cells[h0]), h1=number(cells[h1]))
        if encap == 'mtp2':
            # Wireshark's point-to-point direction: 0 sent, 1 received.
            expected.update(sent=direction == 2, link=link)
            seen.update(sent=cells['frame.p2p_dir'] == '0', link=number(cells['frame.link_nr']))
        elif encap != 'mtp3':
            theirs = '203.0.113.%d' % (1 + link)
            expected.update(hosts=(OUR_HOST, theirs) if direction == 2 else (theirs, OUR_HOST),
                            ppid=5 if encap == 'm2pa' else 3, checksum=1)
            seen.update(hosts=(cells['ip.src'], cells['ip.dst']), ppid=number(cells['sctp.data_payload_proto_id']),
                        checksum=number(cells['sctp.checksum.status']))
            if encap == 'm3ua-rc':
                expected.update(context=100 + link)
                seen.update(context=number(cells['m3ua.routing_context']))
        kinds[(m.si, kind)] += 1
        if seen != expected:
            problems.append('%s packet %d: tshark %s, written %s' % (encap, n, seen, expected))
        if cells['_ws.malformed']:
            problems.append('%s packet %d: tshark reports it malformed' % (encap, n))
        severities = [int(s) for s in cells['_ws.expert.severity'].split(',') if s]
        if any(s >= WARNING for s in severities):
            problems.append('%s packet %d: tshark warns (severities %s)' % (encap, n, severities))
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--gen', required=True)
    ap.add_argument('--tshark', default=shutil.which('tshark') or 'tshark')
    args = ap.parse_args()
    problems = []
    compared = 0
    kinds = collections.Counter()
    with tempfile.TemporaryDirectory(prefix='velmora-gen-tshark-') as work:
        for encap, count in COUNTS.items():
            pcap, records = os.path.join(work, encap + '.pcap'), os.path.join(work, encap + '.ss7')
            common = ['--seed', str(SEED), '--count', str(count)]
            subprocess.run([args.gen] + common + ['--format', 'pcap', '--encap', encap, '-o', pcap], check=True)
            subprocess.run([args.gen] + common + ['-o', records], check=True)
            try:
                rows = tshark_rows(args.tshark, pcap, work)
            except RuntimeError as error:
                print('FAILED: %s: %s' % (encap, error))
                return 1
            written = traffic.read_records(records)
            problems += compare(encap, rows, written, kinds if encap == 'mtp3' else collections.Counter())
            compared += len(rows)
    missing = KINDS - set(kinds)
    if missing:
        problems.append('kinds of message missing from the mix: %s' % sorted(missing))
    for p in problems[:50]:
        print('FAILED:', p)
    print('%d packets in %d encapsulations compared with tshark, %d kinds of message, %d problems'
          % (compared, len(COUNTS), len(kinds), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
