#!/usr/bin/env python3
"""Writes samples/sample-call.ss7, the capture file shipped with the program.

The capture is one morning's traffic on the two signalling links (0 and 1) between our
exchange, point code 1234, and its neighbour, point code 2345, seen from our side: OUT
messages go from 1234 to 2345, IN messages come from 2345. It starts with signalling link
tests on both links, a circuit group reset of CICs 1-32 and a maintenance blocking of
CICs 33-36 with their acknowledgements. Then three calls: an outgoing call on CIC 5 with
overlap sending (IAM, SAM), alerting, answer, a suspend/resume by the network, and a normal
release; an incoming call on CIC 6 that is answered and cleared by the caller; an outgoing
call on CIC 7 that meets a busy subscriber. In between, MTP network management reports
destination 3456 prohibited and then allowed again (TFP, TFA), and link 1 changes over
(COO, COA). Every ISUP message is built from the CFG definition files by parameter and field
names, so the file decodes against them; --check rebuilds the capture in memory, compares it
with the file, decodes every ISUP line strictly against the CFG and, given tshark, confirms
that tshark names each message the same way. Standard library only.
"""

import argparse
import datetime
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import cfgini  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
OUR_PC, PEER_PC = 1234, 2345
IN, OUT = 1, 2
START = datetime.datetime(2026, 12, 7, 9, 5, 3, 12000)


def label(opc, dpc, sls):
    return struct.pack('<I', (dpc & 0x3FFF) | ((opc & 0x3FFF) << 14) | ((sls & 15) << 28))


def stamp(t):
    dow = (t.weekday() + 1) % 7       # SYSTEMTIME: 0 = Sunday
    return struct.pack('<8H', t.year, t.month, dow, t.day, t.hour, t.minute, t.second, t.microsecond // 1000)


class Capture:
    def __init__(self, cat):
        self.cat = cat
        self.time = START
        self.records = []               # (direction, link, level-4 octets)

    def add(self, after_ms, direction, link, octets):
        self.time += datetime.timedelta(milliseconds=after_ms)
        self.records.append((stamp(self.time), direction, link, bytes(octets)))

    def ends(self, direction):
        return (OUR_PC, PEER_PC) if direction == OUT else (PEER_PC, OUR_PC)

    def link_test(self, after_ms, direction, link, heading, pattern):
        opc, dpc = self.ends(direction)
        # the SLS of a link test message is the signalling link code of the tested link
        self.add(after_ms, direction, link,
                 bytes([0x81]) + label(opc, dpc, link) + bytes([heading, len(pattern) << 4]) + pattern)

    def mtp(self, after_ms, direction, link, heading, info=b''):
        opc, dpc = self.ends(direction)
        self.add(after_ms, direction, link, bytes([0x80]) + label(opc, dpc, link) + bytes([heading]) + info)

    def isup(self, after_ms, direction, cic, name, **params):
        """params: parameter name -> dict of field values (with 'digits' / 'appendix')."""
        msg = self.cat.message(name)
        values = {}
        for pname, fields in params.items():
            p = self.cat.param(pname)
            if p is None:
                raise KeyError(pname)
            values[pname] = cfgini.make_value(p, **fields)
        for p in list(msg.fixed) + list(msg.variable):
            if p.name not in values:
                raise KeyError('%s needs %s' % (name, p.name))
        for pname in values:
            if pname not in [p.name for p in list(msg.fixed) + list(msg.variable) + list(msg.optional)]:
                raise KeyError('%s carries no %s' % (name, pname))
        opc, dpc = self.ends(direction)
        sls = cic & 15                  # circuit-related messages keep one SLS per circuit
        link = sls & 1                  # two links in the link set, chosen by the low SLS bit
        self.add(after_ms, direction, link, bytes([0x85]) + label(opc, dpc, sls) + cfgini.encode_isup(msg, cic, values))

    def text(self):
        lines = []
        for st, direction, link, octets in self.records:
            record = st + bytes([direction, link]) + octets
            lines.append(''.join('%02X ' % b for b in record))
        return ''.join(line + '\r\n' for line in lines)


def build(cat):
    c = Capture(cat)
    call_ref = {'call_identity': 0x4321, 'signalling_point_code': OUR_PC}

    # link tests after the links came into service
    c.link_test(0, OUT, 0, 0x11, bytes.fromhex('0123456789AB'))
    c.link_test(18, IN, 0, 0x21, bytes.fromhex('0123456789AB'))
    c.link_test(4, OUT, 1, 0x11, bytes.fromhex('A5A5A5A5'))
    c.link_test(17, IN, 1, 0x21, bytes.fromhex('A5A5A5A5'))
    c.link_test(22, IN, 0, 0x11, bytes.fromhex('F0E1D2C3B4'))
    c.link_test(15, OUT, 0, 0x21, bytes.fromhex('F0E1D2C3B4'))
    c.mtp(40, OUT, 0, 0x17)                                      # TRA: traffic restart allowed
    c.mtp(12, IN, 0, 0x17)

    # circuit group reset of CICs 1-32; the neighbour holds 3 and 4 blocked for maintenance
    c.isup(310, OUT, 1, 'GRS', RangeAndStatus={'range': 31})
    c.isup(25, IN, 1, 'GRA', RangeAndStatus={'range': 31, 'appendix': bytes.fromhex('0C000000')})
    # maintenance blocking of CICs 33-36
    c.isup(520, OUT, 33, 'CGB', CircuitGroupSupervisionMessageType={
        'circuit_group_supervision_message_type_indicator': 'maintenance oriented'},
        RangeAndStatus={'range': 3, 'appendix': b'\x0f'})
    c.isup(21, IN, 33, 'CGBA', CircuitGroupSupervisionMessageType={
        'circuit_group_supervision_message_type_indicator': 'maintenance oriented'},
        RangeAndStatus={'range': 3, 'appendix': b'\x0f'})

    # outgoing call on CIC 5 with overlap sending
    iam_fixed = dict(
        NatureOfConnectionIndicators={},
        ForwardCallIndicators={'isdn_access_indicator': 'originating access ISDN'},
        CallingPartysCategory={},
        TransmissionMediumRequirement={})
    c.isup(1870, OUT, 5, 'IAM', **iam_fixed,
           CalledPartyNumber={'digits': '0301234', 'nature_of_address_indicator': 'national (significant) number'},
           CallingPartyNumber={'digits': '0405556677', 'screening_indicator': 'user provided, verified and passed'},
           CallReference=call_ref,
           OptionalForwardCallIndicators={})
    c.isup(240, OUT, 5, 'SAM', SubsequentNumber={'digits': '567'})
    c.isup(1310, IN, 5, 'ACM', BackwardCallIndicators={}, OptionalBackwardCallIndicators={
        'in_band_information_indicator': 'in-band information or an appropriate pattern is now available'})
    c.isup(820, IN, 5, 'CPG', EventInformation={'event_indicator': 'ALERTING'})
    c.isup(6410, IN, 5, 'ANM', BackwardCallIndicators={}, ConnectedNumber={'digits': '0301234567'})
    c.mtp(2950, IN, 1, 0x14, struct.pack('<H', 3456))           # TFP: destination 3456 prohibited
    c.isup(31200, IN, 5, 'SUS', SuspendResumeIndicators={'suspend_resume_indicator': 'network initiated'})
    c.isup(4120, IN, 5, 'RES', SuspendResumeIndicators={'suspend_resume_indicator': 'network initiated'})

    # incoming call on CIC 6
    c.isup(5330, IN, 6, 'IAM', **iam_fixed,
           CalledPartyNumber={'digits': '40555123', 'nature_of_address_indicator': 'subscriber number (national use)'},
           CallingPartyNumber={'digits': '0307654321', 'address_presentation_restricted_indicator': 'presentation restricted'},
           GenericNumber={'digits': '0301111', 'number_qualifier_indicator': 'additional calling party number'})
    c.isup(1005, OUT, 6, 'ACM', BackwardCallIndicators={'called_party_s_status_indicator': 'subscriber free'})
    c.isup(130, OUT, 6, 'CPG', EventInformation={
        'event_indicator': 'in-band information or an appropriate pattern is now available'})
    c.mtp(1800, IN, 1, 0x54, struct.pack('<H', 3456))           # TFA: destination 3456 allowed again
    c.isup(3770, OUT, 6, 'ANM', BackwardCallIndicators={})

    # outgoing call on CIC 7 to a busy subscriber
    c.isup(2240, OUT, 7, 'IAM', **iam_fixed,
           CalledPartyNumber={'digits': '0309876543'},
           CallingPartyNumber={'digits': '0405556678'},
           HopCounter={'hop_counter': 20})
    c.isup(290, IN, 7, 'REL', CauseIndicators={'cause_value': 'User busy',
                                               'location': 'public network serving the remote user (RLN)'})
    c.isup(35, OUT, 7, 'RLC')

    # link 1 changes over to link 0 and back
    c.mtp(4400, OUT, 0, 0x11, b'\x35')                          # COO, last accepted FSN 53
    c.mtp(26, IN, 0, 0x21, b'\x12')                             # COA, last accepted FSN 18
    c.link_test(9300, OUT, 1, 0x11, bytes.fromhex('5A5A5A5A'))
    c.link_test(19, IN, 1, 0x21, bytes.fromhex('5A5A5A5A'))

    # the outgoing call on CIC 5 is released by our subscriber
    c.isup(18800, OUT, 5, 'REL', CauseIndicators={'cause_value': 'Normal call clearing',
                                                  'location': 'public network serving the local user (LN)'})
    c.isup(31, IN, 5, 'RLC')

    # the incoming call on CIC 6 is released by the caller, with a diagnostic-free cause
    c.isup(44100, IN, 6, 'REL', CauseIndicators={'cause_value': 'Normal call clearing', 'location': 'user (U)'})
    c.isup(27, OUT, 6, 'RLC')

    # the blocked circuits come back
    c.isup(60120, OUT, 33, 'CGU', CircuitGroupSupervisionMessageType={
        'circuit_group_supervision_message_type_indicator': 'maintenance oriented'},
        RangeAndStatus={'range': 3, 'appendix': b'\x0f'})
    c.isup(24, IN, 33, 'CGUA', CircuitGroupSupervisionMessageType={
        'circuit_group_supervision_message_type_indicator': 'maintenance oriented'},
        RangeAndStatus={'range': 3, 'appendix': b'\x0f'})
    # a user part test and a reset of a single circuit
    c.isup(3300, IN, 40, 'UPT')
    c.isup(14, OUT, 40, 'UPA')
    c.isup(510, OUT, 12, 'RSC')
    c.isup(22, IN, 12, 'RLC')
    c.link_test(29800, OUT, 0, 0x11, bytes.fromhex('0123456789AB'))
    c.link_test(17, IN, 0, 0x21, bytes.fromhex('0123456789AB'))
    return c


def check(cat, text, tshark):
    """Decodes every line strictly; with tshark, compares message names too."""
    problems = []
    records = []
    for n, line in enumerate(text.split('\r\n'), 1):
        if not line:
            continue
        if not line.endswith(' ') or line != line.upper():
            problems.append('line %d: not upper-case spaced hex with a trailing blank' % n)
        octets = bytes(int(w, 16) for w in line.split())
        records.append(octets)
        if len(octets) < 18 + 5 or octets[16] not in (IN, OUT):
            problems.append('line %d: record too short or bad direction' % n)
            continue
        l4 = octets[18:]
        if l4[0] & 15 == 5:
            try:
                cfgini.decode_isup(cat, l4)
            except cfgini.DecodeError as e:
                problems.append('line %d: %s' % (n, e))
    if tshark:
        sys.path.insert(0, HERE)
        import check_isup
        import tempfile
        with tempfile.TemporaryDirectory() as tmp:
            pcap = os.path.join(tmp, 'sample.pcap')
            check_isup.write_pcap(pcap, [r[18:] for r in records])
            root = check_isup.run_tshark(tshark, pcap)
        for n, (rec, pkt) in enumerate(zip(records, root.findall('packet')), 1):
            l4 = rec[18:]
            protos = [p.get('name') for p in pkt.findall('proto')]
            if '_ws.malformed' in protos:
                problems.append('line %d: tshark reports a malformed packet' % n)
            if l4[0] & 15 == 5:
                tp = check_isup.TsharkPacket(pkt)
                if check_isup.field_value(tp.isup.get('isup.message_type')) != l4[7]:
                    problems.append('line %d: tshark message type %s' % (n, tp.isup.get('isup.message_type')))
    return problems


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--cfg', default=os.path.join(ROOT, 'CFG'))
    ap.add_argument('--out', default=os.path.join(ROOT, 'samples', 'sample-call.ss7'))
    ap.add_argument('--check', action='store_true', help='compare with the file instead of writing it')
    ap.add_argument('--tshark', default=shutil.which('tshark'), help='tshark program for --check')
    args = ap.parse_args()
    cat = cfgini.Catalog(args.cfg)
    text = build(cat).text()
    problems = check(cat, text, args.tshark if args.check else None)
    if args.check:
        with open(args.out, 'rb') as f:
            if f.read() != text.encode('ascii'):
                problems.append('%s differs from what this script builds' % args.out)
    else:
        os.makedirs(os.path.dirname(args.out), exist_ok=True)
        with open(args.out, 'wb') as f:
            f.write(text.encode('ascii'))
    for p in problems:
        print('ERROR:', p)
    print('%d capture lines, %d problems' % (text.count('\r\n'), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
