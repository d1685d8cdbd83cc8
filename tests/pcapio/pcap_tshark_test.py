#!/usr/bin/env python3
"""Captures of every link type and encapsulation that velmora-dump reads,
made with the Wireshark suite's text2pcap and editcap from messages of
velmora-gen, read by tshark and by velmora-dump: both must find the same
messages in the same packets, with the same names, OPC, DPC, SLS and CIC.
Bad input (not a pcap, an unknown link type, a chunk running past its
packet, a file cut off inside a packet) gets an error naming the file (and
the packet) and never a crash.

  pcap_tshark_test.py --dump PROGRAM --gen PROGRAM [--tshark PROGRAM]
                      [--text2pcap PROGRAM] [--editcap PROGRAM]
"""

import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

DUMP = GEN = TSHARK = TEXT2PCAP = EDITCAP = None
WORK = None
OWN_PC = 2061
MESSAGES = []          # level-4 messages of velmora-gen, bare octets

# ----------------------------------------------------------------- layers


def be16(v):
    return struct.pack('>H', v)


def be32(v):
    return struct.pack('>I', v)


def pad4(data):
    return data + bytes(-len(data) % 4)


def m3ua_parameter(tag, value):
    return pad4(be16(tag) + be16(4 + len(value)) + value)


def m3ua_data(message, before=b'', opc=None):
    """M3UA DATA (RFC 4666) carrying a level-4 message, parameters in `before` first."""
    label = int.from_bytes(message[1:5], 'little')
    sio = message[0]
    opc = label >> 14 & 0x3FFF if opc is None else opc
    data = be32(opc) + be32(label & 0x3FFF) + bytes((sio & 15, sio >> 6, sio >> 4 & 3, label >> 28)) + message[5:]
    parameters = before + m3ua_parameter(0x0210, data)
    return bytes((1, 0, 1, 1)) + be32(8 + len(parameters)) + parameters


ROUTING_CONTEXT = m3ua_parameter(0x0006, be32(7))
NETWORK_APPEARANCE = m3ua_parameter(0x0200, be32(3))


def m2pa_user_data(message):
    body = be32(0xFFFFFF) + be32(1) + (b'\x00' + message if message else b'')
    return bytes((1, 0, 11, 1)) + be32(8 + len(body)) + body


M2PA_LINK_STATUS = bytes((1, 0, 11, 2)) + be32(20) + be32(0xFFFFFF) + be32(0xFFFFFF) + be32(4)


TSN = [0]


def data_chunk(ppid, data):
    """A DATA chunk of a whole user message; each has a TSN of its own, or
    tshark would take it for a retransmission and not dissect it again."""
    TSN[0] += 1
    return pad4(bytes((0, 3)) + be16(16 + len(data)) + be32(TSN[0]) + be16(1) + be16(0) + be32(ppid) + data)


SACK = bytes((3, 0)) + be16(16) + be32(5) + be32(65535) + be16(0) + be16(0)


def sctp(src, dst, chunks):
    return be16(src) + be16(dst) + be32(0x11223344) + be32(0) + chunks


def ipv4(payload, src=1, dst=2):
    header = struct.pack('>BBHHHBBH4s4s', 0x45, 0, 20 + len(payload), 0, 0x4000, 64, 132, 0,
                         bytes((10, 0, 0, src)), bytes((10, 0, 0, dst)))
    total = sum(struct.unpack('>10H', header))
    total = (total & 0xFFFF) + (total >> 16)
    return header[:10] + be16(~total & 0xFFFF) + header[12:] + payload


def ipv6(payload, src=1, dst=2):
    prefix = bytes.fromhex('20010db8000000000000000000000000')
    return be32(0x60000000) + be16(len(payload)) + bytes((132, 64)) + prefix[:15] + bytes((src,)) + \
        prefix[:15] + bytes((dst,)) + payload


def ethernet(ip, kind=0x0800, tags=b''):
    return bytes.fromhex('020000000002 020000000001') + tags + be16(kind) + ip


def mtp2(message, li=None, extra=b''):
    """An MTP2 signal unit (ITU-T Q.703): BSN/BIB, FSN/FIB, LI, then SIO and SIF."""
    return bytes((0xFF, 0x80, min(len(message), 63) if li is None else li)) + message + extra


# ----------------------------------------------------------------- files


def path(name):
    return os.path.join(WORK, name)


def text2pcap(name, packets, *options, pcapng=False):
    """Writes packets (bytes, or (time, bytes)) with text2pcap; times are
    seconds after 2027-03-01T08:00:00 UTC."""
    lines = []
    for n, packet in enumerate(packets):
        at, data = packet if isinstance(packet, tuple) else (n * 0.25, packet)
        lines.append('2027-03-01T08:%02d:%06.3f' % (at // 60, at % 60))
        for offset in range(0, len(data), 16):
            lines.append('%06x %s' % (offset, data[offset:offset + 16].hex(' ')))
    with open(path(name + '.txt'), 'w') as f:
        f.write('\n'.join(lines) + '\n')
    command = [TEXT2PCAP, '-q', '-t', '%Y-%m-%dT%H:%M:%S.%f'] + (['-F', 'pcap'] if not pcapng else []) + \
        list(options) + [path(name + '.txt'), path(name)]
    subprocess.run(command, check=True, env=dict(os.environ, TZ='UTC'))
    return path(name)


def write_pcap(name, link_type, packets):
    """Writes packets as a pcap of link type link_type, one every quarter
    second from 2027-03-01T08:00:00 UTC: for link type 139, whose
    pseudo-header text2pcap writes as zeros."""
    start = 1803888000
    with open(path(name), 'wb') as f:
        f.write(struct.pack('<IHHiIII', 0xA1B2C3D4, 2, 4, 0, 0, 65535, link_type))
        for n, data in enumerate(packets):
            f.write(struct.pack('<IIII', start + n // 4, n % 4 * 250000, len(data), len(data)) + data)
    return path(name)


# ----------------------------------------------------------------- readers


def tshark_fields(name, fields):
    env = dict(os.environ, HOME=WORK, TZ='UTC')
    env.pop('DISPLAY', None)
    command = [TSHARK, '-n', '-r', name, '-o', 'mtp3.standard:ITU', '-o', 'isup.variant:ITU Standard',
               '-o', 'mtp3.itu_pc_structure:Unstructured', '-o', 'mtp3.addr_format:Decimal',
               '-T', 'fields', '-E', 'separator=/t', '-E', 'occurrence=a', '-E', 'aggregator=;']
    for f in fields:
        command += ['-e', f]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    return [dict(zip(fields, row.split('\t'))) for row in result.stdout.decode().splitlines()]


FIELDS = ['frame.number', 'mtp3.opc', 'mtp3.dpc', 'mtp3.sls', 'mtp3.service_indicator', 'm3ua.protocol_data_opc',
          'm3ua.protocol_data_dpc', 'm3ua.protocol_data_sls', 'm3ua.protocol_data_si', 'isup.cic',
          'isup.message_type', 'mtp3mg.h0', 'mtp3mg.h1', 'mtp3mg.test.h0', 'mtp3mg.test.h1']
# tshark's name of each kind of message, (service indicator, ISUP message
# type or heading code H1H0) -> name, as its Info column shows a message
# that is alone in its frame ("IAM (CIC 216)", "SLTM").
NAMES = {}


def tshark_kinds(cells):
    """[(si, opc, dpc, sls, cic, code)] of a frame's level-4 messages."""
    m3ua = bool(cells['m3ua.protocol_data_opc'])
    column = {f: cells[('m3ua.protocol_data_' if m3ua else 'mtp3.') + f].split(';') for f in ('opc', 'dpc', 'sls')}
    column['si'] = cells['m3ua.protocol_data_si' if m3ua else 'mtp3.service_indicator'].split(';')
    if not column['opc'][0]:
        return []
    isup = iter(zip(cells['isup.cic'].split(';'), cells['isup.message_type'].split(';')))
    management = iter(zip(cells['mtp3mg.h1'].split(';'), cells['mtp3mg.h0'].split(';')))
    test = iter(zip(cells['mtp3mg.test.h1'].split(';'), cells['mtp3mg.test.h0'].split(';')))
    kinds = []
    for i, opc in enumerate(column['opc']):
        si = int(column['si'][i], 0)
        cic = None
        if si == 5:
            cic, code = next(isup)
            cic, code = int(cic, 0), int(code, 0)
        else:
            h1, h0 = next(management if si == 0 else test)
            code = int(h1, 0) << 4 | int(h0, 0)
        kinds.append((si, int(opc), int(column['dpc'][i]), int(column['sls'][i]), cic, code))
    return kinds


def learn_names():
    name = text2pcap('names.pcap', MESSAGES, '-l', '141')
    for cells in tshark_fields(name, FIELDS + ['_ws.col.Info']):
        (si, _, _, _, _, code), = tshark_kinds(cells)
        NAMES.setdefault((si, code), cells['_ws.col.Info'].split(' ')[0])


def tshark_messages(name):
    """{frame number: [(name, opc, dpc, sls, cic)]} of the frames in which
    tshark finds a level-4 message."""
    frames = {}
    for cells in tshark_fields(name, FIELDS):
        kinds = tshark_kinds(cells)
        if kinds:
            frames[int(cells['frame.number'])] = [(NAMES.get((si, code), '?'), opc, dpc, sls, cic)
                                                  for si, opc, dpc, sls, cic, code in kinds]
    return frames


def dump(name, *options, tz='UTC'):
    """velmora-dump --json of a file: (exit status, [JSON objects], standard error)."""
    result = subprocess.run([DUMP, '--json'] + list(options) + [name], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=dict(os.environ, TZ=tz), timeout=120)
    return result.returncode, [json.loads(line) for line in result.stdout.decode().splitlines()], \
        result.stderr.decode()


def dump_messages(objects):
    frames = {}
    for o in objects:
        frames.setdefault(o['packet'], []).append((o['name'], o['opc'], o['dpc'], o['sls'], o.get('cic')))
    return frames


# ----------------------------------------------------------------- tests


class Agreement(unittest.TestCase):
    """tshark and velmora-dump on the same captures."""

    def agree(self, name, *options, status=0, expect=None, messages=None):
        """messages: the bare messages the capture holds, in order, which
        velmora-dump must show as it shows them read as hex lines."""
        code, objects, errors = dump(name, *options)
        self.assertEqual(code, status, errors)
        ours, theirs = dump_messages(objects), tshark_messages(name)
        self.assertTrue(theirs, 'tshark finds no message in %s' % name)
        self.assertEqual(ours, theirs)
        if expect is not None:
            self.assertEqual(sum(len(m) for m in ours.values()), expect)
        if messages is not None:
            with open(name + '.hex', 'w') as f:
                f.write(''.join(m.hex(' ') + '\n' for m in messages))
            _, bare, _ = dump(name + '.hex')
            keys = ('name', 'caption', 'si', 'opc', 'dpc', 'sls', 'cic', 'octets')
            self.assertEqual([[o.get(k) for k in keys] for o in objects], [[o.get(k) for k in keys] for o in bare])
        return objects, errors

    def test_m3ua_over_ethernet_ipv4_in_pcapng_with_and_without_routing_context(self):
        packets = []
        for i, m in enumerate(MESSAGES[:60]):
            before = [b'', ROUTING_CONTEXT, NETWORK_APPEARANCE + ROUTING_CONTEXT][i % 3]
            packets.append(m3ua_data(m, before))
        name = text2pcap('m3ua.pcapng', packets, '-4', '10.0.0.1,10.0.0.2', '-S', '2905,2905,3', pcapng=True)
        objects, errors = self.agree(name, '--own-pc', str(OWN_PC), expect=60, messages=MESSAGES[:60])
        for o, m in zip(objects, MESSAGES):
            self.assertEqual(o['direction'], 2 if (int.from_bytes(m[1:5], 'little') >> 14 & 0x3FFF) == OWN_PC else 1)
            self.assertEqual(o['link'], 0)
        self.assertEqual(objects[4]['stamp'], '2027-03-01T08:00:01.000')
        self.assertIn('60 packets, 60 messages', errors)

    def test_m3ua_by_port_over_ipv6_and_m2pa(self):
        v6 = text2pcap('m3ua6.pcap', [m3ua_data(m) for m in MESSAGES[60:90]], '-6', '2001:db8::1,2001:db8::2',
                       '-S', '40000,2905,0')
        self.agree(v6, expect=30)
        packets = []
        for m in MESSAGES[90:120]:
            packets += [m2pa_user_data(m), M2PA_LINK_STATUS, m2pa_user_data(b'')]
        m2pa = text2pcap('m2pa.pcap', packets, '-4', '10.0.0.1,10.0.0.2', '-S', '3565,3565,5')
        objects, errors = self.agree(m2pa, expect=30)
        self.assertIn('90 packets, 30 messages; no SS7 in 60 packets: 30 M2PA link status, '
                      '30 M2PA user data without a message', errors)

    def test_several_chunks_per_packet_behind_vlan_tags(self):
        # (M3UA and M2PA apart: tshark's fields could not tell their order in one frame.)
        frames = []
        for i in range(0, 30, 3):
            a, b, c = MESSAGES[120 + i:123 + i]
            if i % 2:
                chunks = data_chunk(3, m3ua_data(a)) + SACK + data_chunk(3, m3ua_data(b, ROUTING_CONTEXT)) + \
                    data_chunk(3, m3ua_data(c))
            else:
                chunks = data_chunk(5, m2pa_user_data(a)) + data_chunk(5, m2pa_user_data(b)) + SACK + \
                    data_chunk(5, m2pa_user_data(c))
            frames.append(ethernet(ipv4(sctp(2905, 2905, chunks)), tags=bytes.fromhex('8100 0064')))
        frames.append(ethernet(ipv4(sctp(2905, 2905, data_chunk(3, m3ua_data(MESSAGES[150])))),
                               tags=bytes.fromhex('88a8 0005 8100 0064')))
        name = text2pcap('vlan.pcap', frames, '-l', '1')
        self.agree(name, expect=31)

    def test_mtp2_and_mtp3_link_types(self):
        self.agree(text2pcap('mtp3.pcap', MESSAGES[200:240], '-l', '141'), expect=40, messages=MESSAGES[200:240])
        units = []
        for m in MESSAGES[240:270]:
            units += [mtp2(m), bytes((0xFF, 0x80, 0)), bytes((0xFF, 0x80, 1, 3))]
        objects, errors = self.agree(text2pcap('mtp2.pcap', units, '-l', '140'), expect=30)
        self.assertIn('no SS7 in 60 packets: 60 MTP2 fill-in and link status units', errors)
        sent = []
        for i, m in enumerate(MESSAGES[270:300]):
            sent.append(bytes((i % 2, 0, 0, i % 5)) + mtp2(m))
        objects, _ = self.agree(write_pcap('mtp2phdr.pcap', 139, sent), expect=30)
        self.assertEqual([(o['direction'], o['link']) for o in objects],
                         [(2 if i % 2 else 1, i % 5) for i in range(30)])

    def test_cooked_raw_and_loopback_link_types(self):
        def frames(wrap, start):
            return [wrap(ipv4(sctp(2905, 2905, data_chunk(3, m3ua_data(m))))) for m in MESSAGES[start:start + 10]]

        sll = bytes.fromhex('0000 0001 0006 020000000001 0000')
        sll2_tail = bytes.fromhex('0000 00000002 0001 00 06 020000000001 0000')
        cases = [('sll.pcap', '113', lambda ip: sll + be16(0x0800) + ip),
                 ('sll2.pcap', '276', lambda ip: be16(0x0800) + sll2_tail + ip),
                 ('raw.pcap', '101', lambda ip: ip),
                 ('ipv4.pcap', '228', lambda ip: ip),
                 ('null.pcap', '0', lambda ip: struct.pack('<I', 2) + ip)]
        for n, (name, link_type, wrap) in enumerate(cases):
            with self.subTest(link_type=link_type):
                self.agree(text2pcap(name, frames(wrap, 300 + 10 * n), '-l', link_type), expect=10)
        v6 = [ipv6(sctp(2905, 2905, data_chunk(3, m3ua_data(m)))) for m in MESSAGES[350:360]]
        self.agree(text2pcap('ipv6.pcap', v6, '-l', '229'), expect=10)
        self.agree(text2pcap('raw6.pcap', v6, '-l', '101'), expect=10)

    def test_a_point_code_too_wide_for_an_itu_label_is_left_out_and_reported_once(self):
        packets = [m3ua_data(m) for m in MESSAGES[400:410]]
        packets[3] = m3ua_data(MESSAGES[403], opc=70000)
        packets[7] = m3ua_data(MESSAGES[407], opc=0x123456)
        name = text2pcap('wide.pcap', packets, '-4', '10.0.0.1,10.0.0.2', '-S', '2905,2905,3')
        code, objects, errors = dump(name)
        self.assertEqual(code, 0)
        theirs = tshark_messages(name)
        self.assertEqual((theirs[4][0][1], theirs[8][0][1]), (70000, 0x123456))
        del theirs[4], theirs[8]
        self.assertEqual(dump_messages(objects), theirs)
        self.assertIn('wide.pcap: packet 4: OPC 70000, DPC ', errors)
        self.assertNotIn('packet 8: OPC', errors)
        self.assertIn('2 messages left out, their point codes too wide for an ITU routing label', errors)

    def test_a_packet_captured_short_keeps_its_whole_chunks(self):
        chunks = b''.join(data_chunk(3, m3ua_data(m)) for m in MESSAGES[410:414])
        whole = [ethernet(ipv4(sctp(2905, 2905, chunks)))]
        whole += [ethernet(ipv4(sctp(2905, 2905, data_chunk(3, m3ua_data(m))))) for m in MESSAGES[414:416]]
        name = text2pcap('long.pcap', whole, '-l', '1')
        snap = 14 + 20 + 12 + len(data_chunk(3, m3ua_data(MESSAGES[410]))) + 20
        subprocess.run([EDITCAP, '-s', str(snap), name, path('short.pcap')], check=True, stdout=subprocess.PIPE)
        code, objects, errors = dump(path('short.pcap'))
        self.assertEqual(code, 0)
        theirs = tshark_messages(path('short.pcap'))
        self.assertEqual(dump_messages(objects), {1: theirs[1][:1], 2: theirs[2], 3: theirs[3]})
        self.assertIn('short.pcap: packet 1: the SCTP chunk (type 0, ', errors)
        self.assertIn('(the packet was captured cut to %d of its %d octets)' % (snap, len(whole[0])), errors)


class RoundTrip(unittest.TestCase):
    """A capture file written as a pcap with -w, read back by velmora-dump and by tshark."""

    def test_ss7_to_pcap_and_back_keeps_messages_direction_link_and_stamp(self):
        lines = subprocess.run([GEN, '--seed', '4', '--count', '300', '--format', 'ss7'], check=True,
                               stdout=subprocess.PIPE).stdout.decode().splitlines()
        # A stop entry in the middle: the stamp of the message before it.
        lines.insert(100, ' '.join(lines[99].split()[:16]) + ' 00 00 FF 00 00 00 00')
        with open(path('calls.ss7'), 'w') as f:
            f.write('\r\n'.join(lines) + '\r\n')
        # Local time on both sides, in a zone with summer time.
        zone = 'Europe/Berlin'
        code, _, errors = dump(path('calls.ss7'), '-w', path('calls.pcap'), tz=zone)
        self.assertEqual(code, 0, errors)
        self.assertIn('calls.pcap: 300 messages written; 1 stop entries left out', errors)
        _, before, _ = dump(path('calls.ss7'), tz=zone)
        code, after, errors = dump(path('calls.pcap'), tz=zone)
        self.assertEqual(code, 0, errors)
        for o in before:
            del o['line']
        for o in after:
            del o['packet']
        self.assertEqual(len(before), 301)
        self.assertEqual(before[100]['name'], 'STOP')
        del before[100]
        self.assertEqual(after, before)
        self.assertEqual({o['direction'] for o in after}, {1, 2})
        self.assertGreater(len({o['link'] for o in after}), 3)

        theirs = tshark_messages(path('calls.pcap'))
        self.assertEqual(theirs, {n + 1: [(o['name'], o['opc'], o['dpc'], o['sls'], o.get('cic'))]
                                  for n, o in enumerate(after)})
        # tshark's view of the pseudo-header and the packet time.
        env = dict(os.environ, HOME=WORK, TZ='UTC')
        rows = subprocess.run([TSHARK, '-n', '-r', path('calls.pcap'), '-T', 'fields', '-e', 'frame.p2p_dir',
                               '-e', 'frame.link_nr', '-e', 'frame.time_epoch'], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=env).stdout.decode().splitlines()
        self.assertEqual(len(rows), 300)
        for row, o in zip(rows, after):
            # Wireshark's point-to-point direction: 0 sent, 1 received.
            p2p, link, _ = row.split('\t')
            self.assertEqual((int(p2p), int(link)), (0 if o['direction'] == 2 else 1, o['link']))
        first = subprocess.run(['date', '-d', '%s' % before[0]['stamp'].replace('T', ' '), '+%s.%N'],
                               stdout=subprocess.PIPE, env=dict(os.environ, TZ=zone)).stdout.decode()
        self.assertAlmostEqual(float(rows[0].split('\t')[2]), float(first), places=3)


class BadInput(unittest.TestCase):
    def test_a_file_cut_off_inside_a_packet_keeps_the_packets_before_it(self):
        name = text2pcap('whole.pcap', [m3ua_data(m) for m in MESSAGES[500:520]], '-4', '10.0.0.1,10.0.0.2',
                         '-S', '2905,2905,3')
        with open(name, 'rb') as f:
            data = f.read()
        with open(path('cut.pcap'), 'wb') as f:
            f.write(data[:-20])
        code, objects, errors = dump(path('cut.pcap'))
        self.assertEqual(code, 1)
        self.assertEqual(len(objects), 19)
        self.assertEqual(dump_messages(objects), tshark_messages(path('cut.pcap')))
        self.assertIn('cut.pcap: packet 20: the file ends inside the packet', errors)

    def test_not_a_pcap_and_an_unknown_link_type_are_refused_naming_the_file(self):
        with open(path('notes.pcap'), 'wb') as f:
            f.write(b'\xd4\xc3\xb2\xa1 this is no capture')
        code, objects, errors = dump(path('notes.pcap'))
        self.assertEqual((code, objects), (1, []))
        self.assertIn('notes.pcap: not a pcap or pcapng file', errors)
        wifi = text2pcap('wifi.pcap', [bytes(30)], '-l', '105')
        code, objects, errors = dump(wifi)
        self.assertEqual((code, objects), (1, []))
        self.assertIn('wifi.pcap: link type 105', errors)

    def test_a_chunk_running_past_its_packet_is_reported_with_its_number(self):
        good = data_chunk(3, m3ua_data(MESSAGES[530]))
        long = bytearray(data_chunk(3, m3ua_data(MESSAGES[531])))
        long[2:4] = be16(400)
        name = text2pcap('past.pcap', [good, good + bytes(long), good], '-4', '10.0.0.1,10.0.0.2',
                         '-s', '2905,2905,1')
        code, objects, errors = dump(name)
        self.assertEqual(code, 0, errors)
        self.assertEqual([o['packet'] for o in objects], [1, 2, 3])
        self.assertIn('past.pcap: packet 2: the SCTP chunk (type 0, 400 octets) runs past the packet', errors)


def main():
    global DUMP, GEN, TSHARK, TEXT2PCAP, EDITCAP, WORK
    ap = argparse.ArgumentParser()
    ap.add_argument('--dump', required=True)
    ap.add_argument('--gen', required=True)
    ap.add_argument('--tshark', default=shutil.which('tshark') or 'tshark')
    ap.add_argument('--text2pcap', default=shutil.which('text2pcap') or 'text2pcap')
    ap.add_argument('--editcap', default=shutil.which('editcap') or 'editcap')
    args, rest = ap.parse_known_args()
    DUMP, GEN, TSHARK, TEXT2PCAP, EDITCAP = args.dump, args.gen, args.tshark, args.text2pcap, args.editcap
    with tempfile.TemporaryDirectory(prefix='velmora-pcap-tshark-') as work:
        WORK = work
        hex_lines = subprocess.run([GEN, '--seed', '4', '--count', '600', '--format', 'hex'], check=True,
                                   stdout=subprocess.PIPE).stdout.decode().splitlines()
        MESSAGES.extend(bytes.fromhex(line) for line in hex_lines)
        learn_names()
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
