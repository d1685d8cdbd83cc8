"""Reading velmora-gen's output back, independently of the program: its three
file formats, the level-4 and ISUP fields the tests compare, and a plain
correlation of ISUP messages into calls by (point-code pair, CIC)."""

import datetime
import struct

IAM, SAM, ACM, CON, ANM, REL, SUS, RES, RLC = 0x01, 0x02, 0x06, 0x07, 0x09, 0x0C, 0x0D, 0x0E, 0x10
RSC, GRS, GRA, CPG = 0x12, 0x17, 0x29, 0x2C

# Q.763: message type -> (octets of the mandatory fixed part, mandatory
# variable parameters, has an optional part), for the types the tests read.
LAYOUT = {IAM: (5, 1, True), SAM: (0, 1, True), ACM: (2, 0, True), CON: (2, 0, True), ANM: (0, 0, True),
          REL: (0, 1, True), SUS: (1, 0, True), RES: (1, 0, True), RLC: (0, 0, True), CPG: (1, 0, True),
          RSC: (0, 0, False), GRS: (0, 1, False), GRA: (0, 1, False)}
# Messages that belong to the call open on their circuit.
IN_CALL = {SAM, ACM, CON, CPG, ANM, SUS, RES, REL, RLC}


def read_records(path):
    """Capture records: (stamp words, direction, link, level-4 octets)."""
    out = []
    with open(path, 'rb') as f:
        data = f.read()
    assert data.endswith(b'\r\n') or not data, 'records end with CR LF'
    for line in data.split(b'\r\n')[:-1]:
        assert line.endswith(b' ') and line == line.upper(), line
        octets = bytes.fromhex(line.decode('ascii'))
        out.append((struct.unpack('<8H', octets[:16]), octets[16], octets[17], octets[18:]))
    return out


def read_hex(path):
    with open(path, 'rb') as f:
        return [bytes.fromhex(line.decode('ascii')) for line in f.read().split(b'\n')[:-1]]


def read_pcap(path):
    """(link type, [(seconds, microseconds, packet)])"""
    with open(path, 'rb') as f:
        data = f.read()
    magic, major, minor, zone, _, snap, link_type = struct.unpack_from('<IHHiIII', data)
    assert (magic, major, minor, zone) == (0xA1B2C3D4, 2, 4, 0)
    packets = []
    at = 24
    while at < len(data):
        sec, usec, caplen, length = struct.unpack_from('<IIII', data, at)
        assert caplen == length <= snap
        packets.append((sec, usec, data[at + 16:at + 16 + caplen]))
        at += 16 + caplen
    assert at == len(data)
    return link_type, packets


def stamp_epoch_ms(words):
    """A stamp read as UTC, in milliseconds since 1970."""
    year, month, dow, day, hour, minute, second, ms = words
    t = datetime.datetime(year, month, day, hour, minute, second, tzinfo=datetime.timezone.utc)
    assert (t.weekday() + 1) % 7 == dow, 'day of week'
    return int(t.timestamp()) * 1000 + ms


def digits(signals, odd):
    text = ''.join('%d%d' % (b & 15, b >> 4) for b in signals)
    return text[:-1] if odd else text


class Message:
    """The level-4 fields of a message, and for ISUP its CIC, type and the
    values the call records carry."""

    def __init__(self, octets, details=True):
        self.octets = octets
        self.si = octets[0] & 15
        label = int.from_bytes(octets[1:5], 'little')
        self.dpc, self.opc, self.sls = label & 0x3FFF, label >> 14 & 0x3FFF, label >> 28
        self.cic = self.mtype = None
        self.called = self.calling = self.subsequent = None
        self.cause = self.location = self.range = None
        if self.si == 5:
            self.cic = int.from_bytes(octets[5:7], 'little')
            self.mtype = octets[7]
            if details and self.mtype in LAYOUT:
                try:
                    self._read_isup()
                except IndexError:
                    raise ValueError('ISUP parameters run past the end of %s' % octets.hex(' ').upper())

    def _read_isup(self):
        fixed, nvar, has_optional = LAYOUT[self.mtype]
        o = self.octets
        at = 8 + fixed
        variable = []
        for i in range(nvar):
            p = at + i
            variable.append(o[p + o[p] + 1:p + o[p] + 1 + o[p + o[p]]])
        optional = {}
        if has_optional:
            p = at + nvar
            if o[p]:
                q = p + o[p]
                while o[q]:
                    optional[o[q]] = o[q + 2:q + 2 + o[q + 1]]
                    q += 2 + o[q + 1]
        if self.mtype == IAM:
            v = variable[0]
            self.called = digits(v[2:], v[0] >> 7)
            cgpn = optional.get(0x0A)
            self.calling = digits(cgpn[2:], cgpn[0] >> 7) if cgpn else ''
        elif self.mtype == SAM:
            v = variable[0]
            self.subsequent = digits(v[1:], v[0] >> 7)
        elif self.mtype == REL:
            v = variable[0]
            self.location, self.cause = v[0] & 15, v[1] & 0x7F
        elif self.mtype in (GRS, GRA):
            self.range = variable[0][0]


def correlate(messages):
    """Calls from ISUP messages [(time ms, Message)], by (point-code pair,
    CIC): an IAM starts a call; SAM, ACM, CON, CPG, ANM, SUS, RES, REL and
    RLC belong to the open call of their circuit; RLC completes it; a new
    IAM, an RSC or a GRS covering the circuit ends it."""
    open_calls = {}
    calls = []

    def end(key, how):
        call = open_calls.pop(key, None)
        if call is not None:
            call['ended_by'] = how

    for time, m in messages:
        if m.si != 5:
            continue
        pair = (min(m.opc, m.dpc), max(m.opc, m.dpc))
        key = pair + (m.cic,)
        if m.mtype == IAM:
            end(key, 'IAM')
            call = {'opc': m.opc, 'dpc': m.dpc, 'cic': m.cic, 'calling': m.calling, 'called': m.called,
                    'answered': False, 'complete': False, 'messages': 1, 'start': time, 'end': time,
                    'names': [IAM]}
            calls.append(call)
            open_calls[key] = call
        elif m.mtype == RSC:
            end(key, 'RSC')
        elif m.mtype == GRS:
            for cic in range(m.cic, m.cic + m.range + 1):
                end(pair + (cic,), 'GRS')
        elif m.mtype in IN_CALL and key in open_calls:
            call = open_calls[key]
            call['messages'] += 1
            call['end'] = time
            call['names'].append(m.mtype)
            if m.mtype == SAM:
                call['called'] += m.subsequent
            elif m.mtype in (ANM, CON):
                call['answered'] = True
            elif m.mtype == REL:
                call['cause'], call['cause_location'] = m.cause, m.location
                call['released_by'] = 'calling' if m.opc == call['opc'] else 'called'
            elif m.mtype == RLC:
                call['complete'] = True
                del open_calls[key]
    return calls
