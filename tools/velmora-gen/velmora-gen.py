#!/usr/bin/env python3
"""velmora-gen: writes a synthetic, protocol-correct ITU SS7 traffic mix whose
outcome is known call by call.

Every message is built here, octet by octet, from ITU-T Q.763 (ISUP), Q.704
(MTP routing label and network management) and Q.707 (signalling link test);
nothing is read from the definition files of CFG/, so that what the decoder
is tested against cannot move with them.

Determinism is the point of this program: the same options give the same
octets on every machine and in every later version. Randomness comes only
from random.Random(seed).random(), whose sequence Python guarantees across
versions, and is turned into numbers with plain arithmetic (no library
functions such as log, whose last bit may differ between machines). Output
options never draw a random number, so one seed describes one traffic mix in
every format. New behaviour goes behind new options; what the documented
options produce must never change.
"""

import argparse
import bisect
import calendar
import datetime
import heapq
import json
import os
import random
import struct
import sys

HELP = """\
Writes a synthetic but protocol-correct ITU SS7 traffic mix, the same octets
for the same options on any machine: many concurrent ISUP calls of known
outcome between our exchange and four neighbours, both directions, over nine
signalling links, with background link tests, MTP network management,
circuit group blocking and user part tests.

The exchanges (14-bit ITU point codes) and their circuits:
  2061   our exchange; directions IN and OUT are seen from it
  2062   links 0-1, CICs 1-511, national network
  2300   links 2-5, CICs 1-1023, national network
  4011   links 6-7, CICs 2049-2559, national network
  16001  link 8, CICs 3841-4095, international network
CICs that are a multiple of 32 (time slot 0 of a 2 Mbit/s system) are not
used. The SLS of a circuit-related message is the CIC's low four bits; the
link is the SLS modulo the number of links to that neighbour. Link tests and
changeover messages carry the signalling link code of their link as SLS;
transfer messages (TFP, TFA) carry SLS 0.

Calls, with fixed weights (percent):
  answered      55  IAM, SAMs (overlap, a quarter of the calls), ACM, CPG
                    alerting (most), ANM; or CON without ACM; REL cause 16
                    by either side, RLC
  unanswered    12  IAM, ACM, CPG; REL cause 19 from the called side or 16
                    from the caller; RLC
  busy          10  IAM; REL cause 17 before ACM; RLC
  rejected       8  IAM; REL cause 1, 3, 28, 34 or 38 before ACM; RLC
  suspended      6  an answered call with one or two SUS/RES pairs
  reset          5  cut by RSC for its CIC (answered by RLC) or by a GRS
                    covering it (answered by GRA), before or after answer
  dual-seizure   4  ended by an IAM from the other side on the same CIC;
                    that second call then runs as answered, unanswered,
                    busy or rejected
Calls start at random (--call-rate per second on average); answered calls
last about 90 s.

Output formats (--format):
  ss7   capture records, as Velmora saves them: each line the 16-octet stamp,
        direction (1 IN, 2 OUT), link and the level-4 message, as upper-case
        hex with a blank after every octet, CR LF line ends
  hex   the bare level-4 messages (SIO, routing label, user part), one per
        line, upper-case hex octets separated by blanks, LF line ends; what
        velmora-dump --hex reads
  pcap  a pcap file (microsecond times, the stamps read as UTC) whose packets
        are the level-4 messages (link type 141, MTP3); it has no room for
        direction or link. --encap lays the packets out otherwise:
          mtp3     the default, as above
          mtp2     link type 139: MTP2 with its pseudo-header, whose sent
                   flag is set for OUT and whose link number is the link,
                   then the MSU (no check bits)
          m3ua     link type 1: Ethernet, IPv4, SCTP (one DATA chunk,
                   payload protocol 3, port 2905 at both ends), M3UA DATA
                   with the Protocol Data parameter
          m3ua-rc  the same with a Routing Context (100 + link) before it
          m2pa     link type 1: Ethernet, IPv4, SCTP (payload protocol 5,
                   port 3565), M2PA User Data from the priority octet on
        Over SCTP each link is an association of its own between our host
        198.51.100.1 and the neighbour's 203.0.113.1 plus the link number.
Stamps start at --start and advance with the traffic, in milliseconds.

--count N gives exactly N messages: the traffic of the first calls and
exchanges, whole, in time order; only the last one started may be cut short
by the count, and the calls file marks a call so cut with "cut": true.

--calls-json FILE: one JSON object per call, in order of start time, with
  call (its number), opc, dpc, cic (of its IAM), direction (of its IAM),
  calling, called (digits; called with the SAM digits appended; calling is
  "" when the IAM carries no calling number digits), outcome (one of the
  kinds above), answered (ANM or CON seen), cause (the REL cause value;
  absent without REL), cause_location, released_by ("calling" or "called"
  side; with cause only), ended_by ("RSC", "GRS" or "IAM" for a call ended
  by a reset or a new IAM), complete (RLC seen), cut, messages, start and
  end (ISO 8601 stamps of its first and last message). A call's messages
  are its IAM, SAMs, ACM, CPG, ANM, CON, SUS, RES, REL and RLC; the RSC,
  GRS or new IAM that ends a call, and their acknowledgements, are not.
--stats-json FILE: the message count, the count of calls, and counts by
  message name, direction, link and call outcome.
"""

# ------------------------------------------------------------------ the network

OWN_PC = 2061
IN, OUT = 1, 2
NATIONAL, INTERNATIONAL = 0x80, 0x00    # network indicator in the SIO's subservice field


class Trunk:
    """A neighbour exchange: its point code, the links to it, its circuits,
    and the numbers on either side of it."""

    def __init__(self, pc, links, first_cic, last_cic, network, weight, their_numbers, our_numbers):
        self.pc = pc
        self.links = links
        self.network = network
        self.weight = weight
        self.their_numbers = their_numbers   # (nature of address, prefix, digit count after it)
        self.our_numbers = our_numbers
        self.free = [c for c in range(first_cic, last_cic + 1) if c % 32]
        self.where = {c: i for i, c in enumerate(self.free)}
        self.first_cic, self.last_cic = first_cic, last_cic

    def take(self, cic):
        i = self.where.pop(cic)
        last = self.free.pop()
        if last != cic:
            self.free[i] = last
            self.where[last] = i

    def give_back(self, cic):
        self.where[cic] = len(self.free)
        self.free.append(cic)

    def link_for(self, sls):
        return self.links[sls % len(self.links)]


def make_trunks():
    national = (3, '30', 7)
    return [
        Trunk(2062, [0, 1], 1, 511, NATIONAL, 3, [(3, '40', 7), (3, '41', 7)], [national, (1, '', 7)]),
        Trunk(2300, [2, 3, 4, 5], 1, 1023, NATIONAL, 4, [(3, '51', 8), (3, '52', 8), (3, '69', 7)], [national]),
        Trunk(4011, [6, 7], 2049, 2559, NATIONAL, 2, [(3, '71', 7), (3, '89', 8)], [national, (1, '', 7)]),
        Trunk(16001, [8], 3841, 4095, INTERNATIONAL, 1, [(4, '44', 10), (4, '33', 9), (4, '4930', 8)],
              [(4, '3930', 7)]),
    ]


# Destinations that MTP network management reports on, beyond the neighbours.
REMOTE_DESTINATIONS = [3456, 5120, 7007, 9999, 12288, 16383]

DEFAULT_START = '2027-03-01T08:00:00'

# ------------------------------------------------------------------ randomness

# Quantiles of the exponential distribution with mean 1 at i/64, i = 0..63.
EXPONENTIAL = [
    0.0, 0.015748, 0.031749, 0.048009, 0.064539, 0.081346, 0.098440, 0.115832, 0.133531, 0.151550,
    0.169899, 0.188591, 0.207639, 0.227057, 0.246860, 0.267063, 0.287682, 0.308735, 0.330242, 0.352221,
    0.374693, 0.397683, 0.421213, 0.445311, 0.470004, 0.495321, 0.521297, 0.547965, 0.575364, 0.603535,
    0.632523, 0.662376, 0.693147, 0.724896, 0.757686, 0.791587, 0.826679, 0.863046, 0.900787, 0.940007,
    0.980829, 1.023389, 1.067841, 1.114361, 1.163151, 1.214444, 1.268511, 1.325670, 1.386294, 1.450833,
    1.519826, 1.593934, 1.673976, 1.760988, 1.856298, 1.961659, 2.079442, 2.212973, 2.367124, 2.549445,
    2.772589, 3.060271, 3.465736, 4.158883,
]


class Rng:
    def __init__(self, seed):
        self.random = random.Random(seed).random

    def below(self, n):
        return int(self.random() * n)

    def between(self, lo, hi):
        return lo + int(self.random() * (hi - lo + 1))

    def chance(self, percent):
        return self.random() * 100 < percent

    def pick(self, seq):
        return seq[int(self.random() * len(seq))]

    def digits(self, n):
        """n decimal digits (n up to 15, within a double's precision)."""
        return '%0*d' % (n, int(self.random() * 10 ** n))

    def expo(self, mean):
        """An exponentially distributed number with the given mean, read
        from the quantile table with linear interpolation inside a bin; the
        last bin's tail is the table's end plus another draw (the
        distribution has no memory)."""
        extra = 0.0
        while True:
            u = self.random() * 64
            i = int(u)
            if i < 63:
                return mean * (extra + EXPONENTIAL[i] + (u - i) * (EXPONENTIAL[i + 1] - EXPONENTIAL[i]))
            extra += EXPONENTIAL[63]


class Weighted:
    def __init__(self, table):
        self.values = [v for _, v in table]
        self.bounds = []
        total = 0
        for w, _ in table:
            total += w
            self.bounds.append(total)
        self.total = total

    def draw(self, rng):
        return self.values[bisect.bisect_right(self.bounds, rng.random() * self.total)]


OUTCOMES = Weighted([(55, 'answered'), (12, 'unanswered'), (10, 'busy'), (8, 'rejected'),
                     (6, 'suspended'), (5, 'reset'), (4, 'dual-seizure')])
SECOND_SEIZURE = Weighted([(70, 'answered'), (12, 'unanswered'), (10, 'busy'), (8, 'rejected')])
CATEGORIES = Weighted([(85, 10), (5, 15), (4, 11), (3, 12), (2, 1), (1, 13)])
MEDIUMS = Weighted([(75, 0), (22, 3), (3, 2)])
REJECT_CAUSES = Weighted([(30, 1), (15, 3), (25, 28), (20, 34), (10, 38)])

# ------------------------------------------------------------------ encoders (Q.704, Q.707, Q.763)

SI_SNM, SI_TEST, SI_ISUP = 0, 1, 5

IAM, SAM, ACM, CON, ANM, REL, SUS, RES, RLC = 0x01, 0x02, 0x06, 0x07, 0x09, 0x0C, 0x0D, 0x0E, 0x10
RSC, GRS, CGB, CGU, CGBA, CGUA, GRA, CPG, UPT, UPA = 0x12, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x29, 0x2C, 0x34, 0x35
ISUP_NAMES = {IAM: 'IAM', SAM: 'SAM', ACM: 'ACM', CON: 'CON', ANM: 'ANM', REL: 'REL', SUS: 'SUS', RES: 'RES',
              RLC: 'RLC', RSC: 'RSC', GRS: 'GRS', CGB: 'CGB', CGU: 'CGU', CGBA: 'CGBA', CGUA: 'CGUA', GRA: 'GRA',
              CPG: 'CPG', UPT: 'UPT', UPA: 'UPA'}

# ISUP parameter codes
P_BACKWARD_CALL_INDICATORS = 0x11
P_CALLING_PARTY_NUMBER = 0x0A
P_OPTIONAL_FORWARD_CALL_INDICATORS = 0x08
P_REDIRECTING_NUMBER = 0x0B
P_REDIRECTION_INFORMATION = 0x13
P_USER_SERVICE_INFORMATION = 0x1D
P_CONNECTED_NUMBER = 0x21
P_ORIGINAL_CALLED_NUMBER = 0x28
P_OPTIONAL_BACKWARD_CALL_INDICATORS = 0x29
P_HOP_COUNTER = 0x3D
P_GENERIC_NUMBER = 0xC0

# MTP network management headings (H1 H0) and link test headings
COO, COA, CBD, CBA, TFP, TFA = 0x11, 0x21, 0x51, 0x61, 0x14, 0x54
SLTM, SLTA = 0x11, 0x21
SNM_NAMES = {COO: 'COO', COA: 'COA', CBD: 'CBD', CBA: 'CBA', TFP: 'TFP', TFA: 'TFA'}
TEST_NAMES = {SLTM: 'SLTM', SLTA: 'SLTA'}


def routing_label(opc, dpc, sls):
    """ITU routing label: DPC bits 0-13, OPC bits 14-27, SLS bits 28-31,
    least significant octet first."""
    return (dpc | opc << 14 | sls << 28).to_bytes(4, 'little')


def isup_body(fixed, variable, optional):
    """The ISUP part after the message type: the mandatory fixed part, the
    pointers, the mandatory variable part and, when the message type has one
    (optional is not None), the optional part. Each pointer counts from
    itself; an optional-part pointer of 0 means no optional parameter, and
    then no end octet follows."""
    n = len(variable)
    m = 0 if optional is None else 1
    pointers = bytearray()
    data = bytearray()
    for i, value in enumerate(variable):
        pointers.append(n + m - i + len(data))
        data.append(len(value))
        data += value
    if m:
        if optional:
            pointers.append(1 + len(data))
            for code, value in optional:
                data.append(code)
                data.append(len(value))
                data += value
            data.append(0)
        else:
            pointers.append(0)
    return fixed + bytes(pointers) + bytes(data)


def bcd(digits):
    """Address signals, first digit in the low half of the first octet; the
    odd/even indicator and the octets."""
    odd = len(digits) % 2
    padded = digits + '0' if odd else digits
    # hex text of the octets: each pair of digits swapped
    return odd, bytes.fromhex(''.join(map(''.join, zip(padded[1::2], padded[0::2]))))


def number(nature, second_octet, digits):
    odd, signals = bcd(digits)
    return bytes([nature | odd << 7, second_octet]) + signals


def called_party_number(nature, digits, inn=0):
    return number(nature, inn << 7 | 1 << 4, digits)      # numbering plan 1: ISDN (E.164)


def calling_party_number(nature, digits, presentation=0, screening=1):
    return number(nature, 1 << 4 | presentation << 2 | screening, digits)


def calling_number_not_available():
    # address not available: no digits, nature and plan 0, screening network provided
    return bytes([0x00, 2 << 2 | 3])


def subsequent_number(digits):
    odd, signals = bcd(digits)
    return bytes([odd << 7]) + signals


def cause_indicators(value, location):
    # extension 1, coding standard 0 (ITU-T), location; extension 1, cause value
    return bytes([0x80 | location, 0x80 | value])


def range_and_status(rng_code, status_bits=None):
    """Range (circuits affected = range + 1), then, unless range only, one
    status bit per circuit, least significant bit first."""
    if status_bits is None:
        return bytes([rng_code])
    return bytes([rng_code]) + status_bits.to_bytes((rng_code + 8) // 8, 'little')


def all_bits(rng_code):
    return (1 << (rng_code + 1)) - 1


# ------------------------------------------------------------------ messages and units

class Message:
    """One level-4 message as written: its time in milliseconds from the
    start, its ends and SLS, the link it went over and its octets."""
    __slots__ = ('time', 'order', 'opc', 'dpc', 'sls', 'si', 'link', 'direction', 'name', 'octets',
                 'call', 'ends', 'event')

    def __init__(self, time, opc, dpc, sls, si, link, name, octets):
        self.time = time
        self.opc, self.dpc, self.sls, self.si = opc, dpc, sls, si
        self.link = link
        self.direction = OUT if opc == OWN_PC else IN
        self.name = name
        self.octets = octets
        self.call = None     # the call the message belongs to
        self.ends = None     # the call the message ends (RSC, GRS, a new IAM)
        self.event = None    # what the message tells about its call


class Call:
    __slots__ = ('trunk', 'cic', 'opc', 'dpc', 'calling', 'called', 'dialled', 'outcome', 'answered', 'cause',
                 'location', 'released_by', 'ended_by', 'complete', 'cut', 'messages', 'start', 'end')

    def __init__(self, trunk, cic, opc, dpc, outcome):
        self.trunk, self.cic, self.opc, self.dpc, self.outcome = trunk, cic, opc, dpc, outcome
        self.calling = ''
        self.called = ''
        self.dialled = None
        self.answered = False
        self.cause = self.location = self.released_by = self.ended_by = None
        self.complete = False
        self.cut = False
        self.messages = 0
        self.start = self.end = None


class Unit:
    """The messages of one call or one background exchange, in the making."""

    def __init__(self):
        self.messages = []
        self.calls = []
        self.holds = []      # (trunk, cic, until): circuits kept busy by this unit


# ------------------------------------------------------------------ the traffic

class Traffic:
    def __init__(self, seed, call_rate):
        self.rng = Rng(seed)
        self.trunks = make_trunks()
        self.trunk_choice = Weighted([(t.weight, t) for t in self.trunks])
        self.call_gap = 1000.0 / call_rate
        self.isup_heads = {}     # (neighbour, OPC, SLS) -> (SIO and label, DPC, SLS, link)
        self.processes = []      # heap of (next time, process number)
        self.makers = []
        self.add_process(self.rng.below(int(self.call_gap) + 1), self.call_unit)
        for trunk in self.trunks:
            for slc in range(len(trunk.links)):
                for side in (OWN_PC, trunk.pc):
                    self.add_process(self.rng.between(0, 60000),
                                     lambda t, trunk=trunk, slc=slc, side=side: self.link_test_unit(t, trunk, slc, side))
        self.add_process(self.rng.between(0, 120000), self.transfer_unit)
        self.add_process(self.rng.between(0, 600000), self.changeover_unit)
        self.add_process(self.rng.between(0, 120000), self.blocking_unit)
        self.add_process(self.rng.between(0, 300000), self.user_part_test_unit)

    def add_process(self, first, maker):
        self.makers.append(maker)
        heapq.heappush(self.processes, (first, len(self.makers) - 1))

    def next_unit(self):
        """The next call or exchange to start, by start time: (start, unit);
        the unit may be None when nothing could be set up."""
        start, index = heapq.heappop(self.processes)
        unit, gap = self.makers[index](start)
        heapq.heappush(self.processes, (start + max(1, gap), index))
        return start, unit

    # -------------------------------------------------------------- message helpers

    def isup(self, unit, time, trunk, opc, cic, mtype, body):
        key = (trunk.pc, opc, cic & 15)
        head = self.isup_heads.get(key)
        if head is None:
            dpc = trunk.pc if opc == OWN_PC else OWN_PC
            sls = cic & 15
            head = self.isup_heads[key] = (bytes([trunk.network | SI_ISUP]) + routing_label(opc, dpc, sls),
                                           dpc, sls, trunk.link_for(sls))
        octets = head[0] + cic.to_bytes(2, 'little') + bytes((mtype,)) + body
        m = Message(time, opc, head[1], head[2], SI_ISUP, head[3], ISUP_NAMES[mtype], octets)
        unit.messages.append(m)
        return m

    def snm(self, unit, time, trunk, opc, slc, link, heading, info):
        dpc = trunk.pc if opc == OWN_PC else OWN_PC
        octets = bytes([trunk.network | SI_SNM]) + routing_label(opc, dpc, slc) + bytes([heading]) + info
        unit.messages.append(Message(time, opc, dpc, slc, SI_SNM, link, SNM_NAMES[heading], octets))

    def test(self, unit, time, trunk, opc, slc, heading, pattern):
        dpc = trunk.pc if opc == OWN_PC else OWN_PC
        octets = bytes([trunk.network | SI_TEST]) + routing_label(opc, dpc, slc) + \
            bytes([heading, len(pattern) << 4]) + pattern
        unit.messages.append(Message(time, opc, dpc, slc, SI_TEST, trunk.links[slc], TEST_NAMES[heading], octets))

    def free_cic(self, trunk):
        if not trunk.free:
            return None
        cic = trunk.free[self.rng.below(len(trunk.free))]
        trunk.take(cic)
        return cic

    def free_range(self, trunk, containing=None):
        """A range code and first CIC of 2 to 16 circuits inside one 2 Mbit/s
        system whose circuits are all free, apart from `containing` when it
        is given; taken from the free list. None when a few tries find
        none."""
        for _ in range(4):
            rng_code = self.rng.between(1, 15)
            if containing is None:
                base = self.rng.pick(trunk.free) if trunk.free else None
                if base is None:
                    return None
            else:
                base = containing
            system = base - base % 32
            low = max(system + 1, trunk.first_cic, base - rng_code)
            high = min(system + 31, trunk.last_cic, base + rng_code) - rng_code
            if low > high:
                continue
            first = self.rng.between(low, high)
            cics = range(first, first + rng_code + 1)
            if all(c == containing or c in trunk.where for c in cics):
                for c in cics:
                    if c != containing:
                        trunk.take(c)
                return rng_code, first
        return None

    # -------------------------------------------------------------- calls

    def call_unit(self, start):
        gap = int(self.rng.expo(self.call_gap))
        trunk = self.trunk_choice.draw(self.rng)
        cic = self.free_cic(trunk)
        if cic is None:
            return None, gap
        unit = Unit()
        outcome = OUTCOMES.draw(self.rng)
        side = OWN_PC if self.rng.chance(50) else trunk.pc
        if outcome == 'dual-seizure':
            first = self.new_call(unit, trunk, cic, side, outcome, start)
            self.iam(unit, first, start, overlap=False)
            other = trunk.pc if side == OWN_PC else OWN_PC
            second_start = start + self.rng.between(1, 20)
            second = self.new_call(unit, trunk, cic, other, SECOND_SEIZURE.draw(self.rng), second_start)
            end = self.run_call(unit, second, second_start)
            for m in unit.messages:
                if m.call is second and m.name == 'IAM':
                    m.ends = first
                    break
            first.ended_by = 'IAM'
        else:
            call = self.new_call(unit, trunk, cic, side, outcome, start)
            end = self.run_call(unit, call, start)
        unit.holds.append((trunk, cic, end))
        return unit, gap

    def new_call(self, unit, trunk, cic, opc, outcome, start):
        call = Call(trunk, cic, opc, trunk.pc if opc == OWN_PC else OWN_PC, outcome)
        unit.calls.append(call)
        return call

    def numbers(self, trunk, outgoing):
        """Calling and called party: (nature of address, digits) each."""
        ours = self.rng.pick(trunk.our_numbers)
        theirs = self.rng.pick(trunk.their_numbers)
        calling, called = (ours, theirs) if outgoing else (theirs, ours)
        return ((calling[0], calling[1] + self.rng.digits(calling[2])),
                (called[0], called[1] + self.rng.digits(called[2])))

    def iam(self, unit, call, t, overlap=True):
        """The IAM of a call and, for overlap sending, its SAMs; returns the
        time of the last."""
        rng = self.rng
        trunk = call.trunk
        (calling_nature, calling), (called_nature, called) = self.numbers(trunk, call.opc == OWN_PC)
        international = trunk.network == INTERNATIONAL
        sams = []
        call.dialled = (called_nature, called)
        if overlap and rng.chance(25):
            first = rng.between(3, len(called) - 1)
            rest = called[first:]
            called = called[:first]
            while rest:
                k = min(len(rest), rng.between(1, 4))
                sams.append(rest[:k])
                rest = rest[k:]
        medium = MEDIUMS.draw(rng)
        fixed = bytes([
            # nature of connection: no satellite, no continuity check, echo control device or not
            (1 << 4) if rng.chance(30) else 0,
            # forward call indicators: national/international, ISUP used all the way, preference
            (1 if international else 0) | 1 << 5 | rng.pick((0, 0, 1, 2)) << 6,
            # ISDN access indicator
            1 if rng.chance(40) else 0,
            CATEGORIES.draw(rng),
            medium,
        ])
        optional = []
        presence = rng.below(100)
        if presence < 82:
            optional.append((P_CALLING_PARTY_NUMBER, calling_party_number(
                calling_nature, calling, presentation=1 if rng.chance(10) else 0,
                screening=3 if rng.chance(30) else 1)))
            call.calling = calling
        elif presence < 88:
            optional.append((P_CALLING_PARTY_NUMBER, calling_number_not_available()))
        if rng.chance(40):
            optional.append((P_OPTIONAL_FORWARD_CALL_INDICATORS, bytes([0x80 if rng.chance(30) else 0x00])))
        if rng.chance(4):
            # a diverted call: redirecting number, redirection information, original called number
            diverted = '30' + rng.digits(7)
            reason = rng.pick((1, 2, 3))
            optional.append((P_REDIRECTING_NUMBER, number(3, 1 << 4, diverted)))
            optional.append((P_REDIRECTION_INFORMATION, bytes([3 | reason << 4, 1 | reason << 4])))
            optional.append((P_ORIGINAL_CALLED_NUMBER, number(3, 1 << 4, diverted)))
        if rng.chance(50):
            usi = {0: b'\x80\x90\xa3', 3: b'\x90\x90\xa3', 2: b'\x88\x90'}[medium]
            optional.append((P_USER_SERVICE_INFORMATION, usi))
        if rng.chance(3):
            extra = '30' + rng.digits(7)
            optional.append((P_GENERIC_NUMBER, bytes([6]) + number(3, 1 << 4 | 3, extra)))
        if rng.chance(30):
            optional.append((P_HOP_COUNTER, bytes([rng.between(12, 31)])))
        body = isup_body(fixed, [called_party_number(called_nature, called, inn=1 if rng.chance(10) else 0)],
                         optional)
        m = self.isup(unit, t, trunk, call.opc, call.cic, IAM, body)
        m.call = call
        m.event = ('IAM', called)
        for digits in sams:
            t += rng.between(150, 1800)
            m = self.isup(unit, t, trunk, call.opc, call.cic, SAM, isup_body(b'', [subsequent_number(digits)], []))
            m.call = call
            m.event = ('SAM', digits)
        return t

    def send(self, unit, call, t, forward, mtype, body, event=None):
        m = self.isup(unit, t, call.trunk, call.opc if forward else call.dpc, call.cic, mtype, body)
        m.call = call
        m.event = event
        return m

    def backward_call_indicators(self, subscriber_free):
        rng = self.rng
        # charge, called party's status (subscriber free, or no indication), ordinary
        # subscriber; ISUP used all the way, ISDN access and echo control device as they come
        return bytes([rng.pick((1, 2, 2, 2)) | (1 if subscriber_free else 0) << 2 | 1 << 4,
                      1 << 2 | (1 << 4 if rng.chance(40) else 0) | (1 << 5 if rng.chance(20) else 0)])

    def acm(self, unit, call, t):
        optional = []
        if self.rng.chance(40):
            optional.append((P_OPTIONAL_BACKWARD_CALL_INDICATORS, b'\x01'))   # in-band information
        self.send(unit, call, t, False, ACM, isup_body(self.backward_call_indicators(True), [], optional))

    def alerting(self, unit, call, t):
        self.send(unit, call, t, False, CPG, isup_body(b'\x01', [], []))      # event: alerting

    def connected(self, call):
        nature, digits = call.dialled
        return (P_CONNECTED_NUMBER, calling_party_number(nature, digits, screening=3))

    def anm(self, unit, call, t):
        optional = [(P_BACKWARD_CALL_INDICATORS, self.backward_call_indicators(False))]
        if self.rng.chance(15):
            optional.append(self.connected(call))
        self.send(unit, call, t, False, ANM, isup_body(b'', [], optional), event=('ANS',))

    def con(self, unit, call, t):
        optional = []
        if self.rng.chance(20):
            optional.append(self.connected(call))
        self.send(unit, call, t, False, CON, isup_body(self.backward_call_indicators(False), [], optional),
                  event=('ANS',))

    def release(self, unit, call, t, forward, cause, location):
        """REL from one side and RLC from the other; returns the RLC's time."""
        self.send(unit, call, t, forward, REL, isup_body(b'', [cause_indicators(cause, location)], []),
                  event=('REL', cause, location, 'calling' if forward else 'called'))
        t += self.rng.between(4, 90)
        self.send(unit, call, t, not forward, RLC, isup_body(b'', [], []), event=('RLC',))
        return t

    def answer(self, unit, call, t):
        """From the IAM (or last SAM) to the answer; returns its time."""
        rng = self.rng
        if rng.chance(10):
            t += rng.between(300, 1500) + int(rng.expo(6000))
            self.con(unit, call, t)
            return t
        t += rng.between(80, 2500)
        self.acm(unit, call, t)
        if rng.chance(75):
            t += rng.between(5, 900)
            self.alerting(unit, call, t)
        t += rng.between(1500, 3000) + int(rng.expo(7000))
        self.anm(unit, call, t)
        return t

    def hang_up(self, unit, call, t):
        forward = self.rng.chance(55)
        return self.release(unit, call, t, forward, 16, self.rng.pick((0, 2)) if forward else self.rng.pick((0, 2, 4)))

    def run_call(self, unit, call, t):
        """The messages of a call from its IAM on; returns the time of its
        last message (or of the acknowledgement of what ended it)."""
        rng = self.rng
        t = self.iam(unit, call, t)
        kind = call.outcome
        if kind == 'answered':
            t = self.answer(unit, call, t)
            t += 1000 + int(rng.expo(90000))
            return self.hang_up(unit, call, t)
        if kind == 'suspended':
            t = self.answer(unit, call, t)
            for _ in range(rng.between(1, 2)):
                t += 2000 + int(rng.expo(20000))
                forward = rng.chance(30)
                indicator = b'\x00' if forward or rng.chance(50) else b'\x01'
                self.send(unit, call, t, forward, SUS, isup_body(indicator, [], []))
                t += rng.between(1000, 15000)
                self.send(unit, call, t, forward, RES, isup_body(indicator, [], []))
            t += 1000 + int(rng.expo(60000))
            return self.hang_up(unit, call, t)
        if kind == 'unanswered':
            t += rng.between(80, 2500)
            self.acm(unit, call, t)
            t += rng.between(5, 900)
            self.alerting(unit, call, t)
            if rng.chance(50):
                t += rng.between(20000, 60000)
                return self.release(unit, call, t, False, 19, rng.pick((2, 4)))
            t += rng.between(3000, 40000)
            return self.release(unit, call, t, True, 16, rng.pick((0, 2)))
        if kind == 'busy':
            t += rng.between(100, 2500)
            return self.release(unit, call, t, False, 17, rng.pick((2, 4)))
        if kind == 'rejected':
            cause = REJECT_CAUSES.draw(rng)
            t += rng.between(50, 4000) if cause != 28 else rng.between(5000, 20000)
            location = {1: (2, 4), 3: (2, 3), 28: (2, 4), 34: (3, 2), 38: (3,)}[cause]
            return self.release(unit, call, t, False, cause, rng.pick(location))
        if kind == 'reset':
            stage = rng.below(3)
            if stage == 1:
                t += rng.between(80, 2500)
                self.acm(unit, call, t)
            elif stage == 2:
                t = self.answer(unit, call, t)
            t += 500 + int(rng.expo(15000))
            return self.reset(unit, call, t)
        raise AssertionError(kind)

    def reset(self, unit, call, t):
        """Ends a call by RSC for its CIC or by a GRS covering it; returns the
        time of the acknowledgement."""
        rng = self.rng
        trunk = call.trunk
        from_us = rng.chance(50)
        opc = OWN_PC if from_us else trunk.pc
        other = trunk.pc if from_us else OWN_PC
        group = self.free_range(trunk, containing=call.cic) if rng.chance(35) else None
        if group is None:
            m = self.isup(unit, t, trunk, opc, call.cic, RSC, isup_body(b'', [], None))
            m.ends = call
            call.ended_by = 'RSC'
            t += rng.between(5, 120)
            self.isup(unit, t, trunk, other, call.cic, RLC, isup_body(b'', [], []))
            return t
        rng_code, first = group
        m = self.isup(unit, t, trunk, opc, first, GRS, isup_body(b'', [range_and_status(rng_code)], None))
        m.ends = call
        call.ended_by = 'GRS'
        t += rng.between(10, 200)
        self.isup(unit, t, trunk, other, first, GRA, isup_body(b'', [range_and_status(rng_code, 0)], None))
        for c in range(first, first + rng_code + 1):
            if c != call.cic:
                unit.holds.append((trunk, c, t))
        return t

    # -------------------------------------------------------------- background

    def link_test_unit(self, t, trunk, slc, side):
        unit = Unit()
        pattern = bytes(self.rng.below(256) for _ in range(self.rng.between(1, 15)))
        other = trunk.pc if side == OWN_PC else OWN_PC
        self.test(unit, t, trunk, side, slc, SLTM, pattern)
        self.test(unit, t + self.rng.between(3, 40), trunk, other, slc, SLTA, pattern)
        return unit, self.rng.between(30000, 90000)

    def transfer_unit(self, t):
        """A destination reported prohibited (TFP) and later allowed again (TFA)."""
        rng = self.rng
        unit = Unit()
        trunk = self.trunk_choice.draw(rng)
        opc = trunk.pc if rng.chance(80) else OWN_PC
        destination = rng.pick(REMOTE_DESTINATIONS).to_bytes(2, 'little')
        self.snm(unit, t, trunk, opc, 0, trunk.links[0], TFP, destination)
        self.snm(unit, t + rng.between(2000, 180000), trunk, opc, 0, trunk.links[0], TFA, destination)
        return unit, int(rng.expo(120000))

    def changeover_unit(self, t):
        """A link of a link set fails and comes back: changeover (COO, COA) on
        another link of the set, then changeback (CBD, CBA)."""
        rng = self.rng
        trunk = rng.pick([tr for tr in self.trunks if len(tr.links) > 1])
        failed = rng.below(len(trunk.links))
        spare = trunk.links[(failed + 1 + rng.below(len(trunk.links) - 1)) % len(trunk.links)]
        side = OWN_PC if rng.chance(50) else trunk.pc
        other = trunk.pc if side == OWN_PC else OWN_PC
        unit = Unit()
        self.snm(unit, t, trunk, side, failed, spare, COO, bytes([rng.below(128)]))
        t += rng.between(10, 60)
        self.snm(unit, t, trunk, other, failed, spare, COA, bytes([rng.below(128)]))
        t += rng.between(30000, 600000)
        code = bytes([rng.below(256)])
        self.snm(unit, t, trunk, side, failed, spare, CBD, code)
        t += rng.between(10, 60)
        self.snm(unit, t, trunk, other, failed, spare, CBA, code)
        return unit, int(rng.expo(600000))

    def blocking_unit(self, t):
        """Circuit group blocking of idle circuits (CGB, CGBA) and, later, their
        unblocking (CGU, CGUA); the circuits carry no call meanwhile."""
        rng = self.rng
        trunk = self.trunk_choice.draw(rng)
        gap = int(rng.expo(120000))
        group = self.free_range(trunk)
        if group is None:
            return None, gap
        rng_code, first = group
        supervision = bytes([0 if rng.chance(85) else 1])
        status = range_and_status(rng_code, all_bits(rng_code))
        side = OWN_PC if rng.chance(50) else trunk.pc
        other = trunk.pc if side == OWN_PC else OWN_PC
        unit = Unit()
        self.isup(unit, t, trunk, side, first, CGB, isup_body(supervision, [status], None))
        t += rng.between(20, 300)
        self.isup(unit, t, trunk, other, first, CGBA, isup_body(supervision, [status], None))
        t += rng.between(20000, 600000)
        self.isup(unit, t, trunk, side, first, CGU, isup_body(supervision, [status], None))
        t += rng.between(20, 300)
        self.isup(unit, t, trunk, other, first, CGUA, isup_body(supervision, [status], None))
        for c in range(first, first + rng_code + 1):
            unit.holds.append((trunk, c, t))
        return unit, gap

    def user_part_test_unit(self, t):
        rng = self.rng
        trunk = self.trunk_choice.draw(rng)
        cic = rng.between(trunk.first_cic, trunk.last_cic)
        if cic % 32 == 0:
            cic += 1
        side = OWN_PC if rng.chance(50) else trunk.pc
        other = trunk.pc if side == OWN_PC else OWN_PC
        unit = Unit()
        self.isup(unit, t, trunk, side, cic, UPT, isup_body(b'', [], []))
        self.isup(unit, t + rng.between(5, 60), trunk, other, cic, UPA, isup_body(b'', [], []))
        return unit, int(rng.expo(300000))


# ------------------------------------------------------------------ output

class Clock:
    """Stamps: the start time plus milliseconds."""

    def __init__(self, start):
        self.start = start
        self.epoch = calendar.timegm(start.timetuple())
        self._second = None
        self._head = None

    def parts(self, ms):
        second = ms // 1000
        if second != self._second:
            t = self.start + datetime.timedelta(seconds=second)
            self._second = second
            self._head = struct.pack('<7H', t.year, t.month, (t.weekday() + 1) % 7, t.day,
                                     t.hour, t.minute, t.second)
        return self._head

    def stamp(self, ms):
        """The 16 octets: year, month, day of week (0 Sunday), day, hour,
        minute, second, milliseconds, little-endian words."""
        return self.parts(ms) + (ms % 1000).to_bytes(2, 'little')

    def iso(self, ms):
        t = self.start + datetime.timedelta(milliseconds=ms)
        return '%04d-%02d-%02dT%02d:%02d:%02d.%03d' % (t.year, t.month, t.day, t.hour, t.minute, t.second,
                                                      t.microsecond // 1000)


class RecordWriter:
    """Capture records, as the monitor saves them."""

    def __init__(self, out, clock):
        self.out, self.clock = out, clock

    def write(self, messages):
        stamp = self.clock.stamp
        self.out.write(''.join([(stamp(m.time) + bytes((m.direction, m.link)) + m.octets).hex(' ').upper() + ' \r\n'
                                for m in messages]))


class HexWriter(RecordWriter):
    """Bare level-4 messages."""

    def write(self, messages):
        self.out.write(''.join([m.octets.hex(' ').upper() + '\n' for m in messages]))


def encapsulate_mtp3(m):
    """Link type 141: the packet is the level-4 message itself."""
    return m.octets


# The layers of the other encapsulations, one function each, outermost last.

def crc32c_table():
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (c >> 1) ^ 0x82F63B78 if c & 1 else c >> 1
        table.append(c)
    return table


CRC32C = crc32c_table()


def crc32c(data):
    """The SCTP checksum (RFC 9260 Appendix A)."""
    c = 0xFFFFFFFF
    table = CRC32C
    for b in data:
        c = table[(c ^ b) & 0xFF] ^ (c >> 8)
    return c ^ 0xFFFFFFFF


def ethernet(source, destination, payload):
    """Ethernet II carrying IPv4."""
    return destination + source + b'\x08\x00' + payload


def ipv4(source, destination, payload, protocol=132):
    """IPv4 without options (SCTP by default), not fragmented, TTL 64."""
    header = struct.pack('>BBHHHBBH4s4s', 0x45, 0, 20 + len(payload), 0, 0x4000, 64, protocol, 0,
                         source, destination)
    total = sum(struct.unpack('>10H', header))
    total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return header[:10] + struct.pack('>H', ~total & 0xFFFF) + header[12:] + payload


def sctp(source_port, destination_port, tag, chunks):
    """An SCTP packet: common header (with its CRC32c) and chunks."""
    packet = struct.pack('>HHII', source_port, destination_port, tag, 0) + chunks
    return packet[:8] + struct.pack('<I', crc32c(packet)) + packet[12:]


def sctp_data(tsn, stream, ssn, ppid, data):
    """An SCTP DATA chunk holding a whole user message (flags B and E), padded."""
    chunk = struct.pack('>BBHIHHI', 0, 0x03, 16 + len(data), tsn, stream, ssn, ppid) + data
    return chunk + bytes(-len(chunk) % 4)


def m3ua_data(m, routing_context):
    """An M3UA DATA message (RFC 4666): Routing Context when given, then
    Protocol Data: OPC, DPC, SI, NI, MP, SLS and the user part."""
    sio = m.octets[0]
    parameters = b''
    if routing_context is not None:
        parameters += struct.pack('>HHI', 0x0006, 8, routing_context)
    data = struct.pack('>HHIIBBBB', 0x0210, 16 + len(m.octets) - 5, m.opc, m.dpc, sio & 0x0F, sio >> 6,
                       (sio >> 4) & 0x03, m.sls) + m.octets[5:]
    parameters += data + bytes(-len(data) % 4)
    return struct.pack('>BBBBI', 1, 0, 1, 1, 8 + len(parameters)) + parameters


def m2pa_user_data(bsn, fsn, m):
    """An M2PA User Data message (RFC 4165): BSN, FSN, then the MSU from its
    priority octet (0) on."""
    return struct.pack('>BBBBIII', 1, 0, 11, 1, 17 + len(m.octets), bsn, fsn) + b'\x00' + m.octets


def mtp2_with_phdr(bsn, fsn, m):
    """Link type 139: the pseudo-header (sent flag, annex A not used, link
    number in network byte order), then an MSU (ITU-T Q.703) without its
    check bits: BSN and BIB, FSN and FIB, LI (63 for 63 octets or more), SIO, SIF."""
    return struct.pack('>BBHBBB', 1 if m.direction == OUT else 0, 0, m.link, 0x80 | bsn, 0x80 | fsn,
                       min(len(m.octets), 63)) + m.octets


class Sigtran:
    """M3UA or M2PA over SCTP over IPv4 over Ethernet: one SCTP association
    per signalling link between our exchange's host 198.51.100.1 and the
    neighbour's host on that link, 203.0.113.1 plus the link number, on the
    protocol's registered port at both ends. Counts the TSN and stream
    sequence numbers of each end, and M2PA's sequence numbers."""

    OUR_HOST, OUR_MAC = bytes((198, 51, 100, 1)), bytes((2, 0, 0x51, 0x64, 0, 1))

    def __init__(self, protocol, routing_context):
        self.protocol = protocol
        self.routing_context = routing_context
        self.port, self.ppid = (2905, 3) if protocol == 'm3ua' else (3565, 5)
        self.tsn = {}         # (link, sent by us) -> last TSN
        self.ssn = {}         # (link, sent by us, stream) -> last stream sequence number
        self.fsn = {}         # (link, sent by us) -> last M2PA FSN

    def next(self, counters, key, modulo):
        value = (counters.get(key, -1) + 1) % modulo
        counters[key] = value
        return value

    def __call__(self, m):
        ours = m.direction == OUT
        their_host = bytes((203, 0, 113, 1 + m.link))
        their_mac = bytes((2, 0, 0xCB, 0, 0x71, 1 + m.link))
        if self.protocol == 'm3ua':
            payload = m3ua_data(m, None if not self.routing_context else 100 + m.link)
            stream = 1 + m.sls
        else:
            fsn = self.next(self.fsn, (m.link, ours), 1 << 24)
            payload = m2pa_user_data(self.fsn.get((m.link, not ours), 0xFFFFFF), fsn, m)
            stream = 1
        tsn = 1 + self.next(self.tsn, (m.link, ours), 1 << 32)
        ssn = self.next(self.ssn, (m.link, ours, stream), 1 << 16)
        # The verification tag is the one the receiving end chose.
        tag = 0x5E000000 | m.link << 1 | (0 if ours else 1)
        packet = sctp(self.port, self.port, tag, sctp_data(tsn, stream, ssn, self.ppid, payload))
        source, destination = (self.OUR_HOST, their_host) if ours else (their_host, self.OUR_HOST)
        source_mac, destination_mac = (self.OUR_MAC, their_mac) if ours else (their_mac, self.OUR_MAC)
        return ethernet(source_mac, destination_mac, ipv4(source, destination, packet))


class Mtp2:
    """MTP2 with the pseudo-header: each link's own sequence numbers both ways."""

    def __init__(self):
        self.fsn = {}         # (link, sent by us) -> last FSN

    def __call__(self, m):
        ours = m.direction == OUT
        fsn = (self.fsn.get((m.link, ours), -1) + 1) % 128
        self.fsn[(m.link, ours)] = fsn
        return mtp2_with_phdr(self.fsn.get((m.link, not ours), 127), fsn, m)


# Encapsulations of a message in a pcap packet: name -> (link type, a
# function that makes the function of a message that returns the packet's
# octets from the link layer on).
ENCAPSULATIONS = {
    'mtp3': (141, lambda: encapsulate_mtp3),
    'mtp2': (139, Mtp2),
    'm3ua': (1, lambda: Sigtran('m3ua', False)),
    'm3ua-rc': (1, lambda: Sigtran('m3ua', True)),
    'm2pa': (1, lambda: Sigtran('m2pa', False)),
}


class PcapWriter:
    def __init__(self, out, clock, encapsulation):
        self.out, self.clock = out, clock
        self.link_type, make = ENCAPSULATIONS[encapsulation]
        self.encapsulate = make()
        # magic, version 2.4, UTC, accuracy 0, snapshot length, link type
        out.write(struct.pack('<IHHiIII', 0xA1B2C3D4, 2, 4, 0, 0, 65535, self.link_type))

    def write(self, messages):
        epoch = self.clock.epoch
        chunks = []
        for m in messages:
            packet = self.encapsulate(m)
            chunks.append(struct.pack('<IIII', epoch + m.time // 1000, m.time % 1000 * 1000, len(packet), len(packet)))
            chunks.append(packet)
        self.out.write(b''.join(chunks))


def call_object(number, call, clock):
    out = {'call': number, 'opc': call.opc, 'dpc': call.dpc, 'cic': call.cic,
           'direction': 'OUT' if call.opc == OWN_PC else 'IN',
           'calling': call.calling, 'called': call.called, 'outcome': call.outcome,
           'answered': call.answered}
    if call.cause is not None:
        out['cause'] = call.cause
        out['cause_location'] = call.location
        out['released_by'] = call.released_by
    if call.ended_by is not None:
        out['ended_by'] = call.ended_by
    out['complete'] = call.complete
    out['cut'] = call.cut
    out['messages'] = call.messages
    out['start'] = clock.iso(call.start)
    out['end'] = clock.iso(call.end)
    return out


# ------------------------------------------------------------------ the run

def message_order(m):
    return m.time, m.order


def settle(unit, keep):
    """Fills in the calls of a unit from the messages that are written (the
    first `keep` in time order)."""
    kept = unit.messages[:keep]
    for m in kept:
        call = m.call
        if call is None:
            continue
        call.messages += 1
        if call.start is None:
            call.start = m.time
        call.end = m.time
        event = m.event
        if event is None:
            continue
        kind = event[0]
        if kind == 'IAM':
            call.called = event[1]
        elif kind == 'SAM':
            call.called += event[1]
        elif kind == 'ANS':
            call.answered = True
        elif kind == 'REL':
            call.cause, call.location, call.released_by = event[1], event[2], event[3]
        elif kind == 'RLC':
            call.complete = True
    for m in unit.messages[keep:]:
        for call in (m.call, m.ends):
            if call is not None:
                call.cut = True
    for call in unit.calls:
        if call.ended_by is not None and not any(m.ends is call for m in kept):
            call.ended_by = None
    return kept


def generate(options, out, calls_out, stats_out):
    traffic = Traffic(options.seed, options.call_rate)
    clock = Clock(options.start)
    if options.format == 'ss7':
        writer = RecordWriter(out, clock)
    elif options.format == 'hex':
        writer = HexWriter(out, clock)
    else:
        writer = PcapWriter(out, clock, options.encap)

    count = options.count
    pending = []             # committed messages not yet written, by time
    calls = []               # settled calls not yet written, by start time
    holds = []               # circuits to give back: (time, order, trunk, cic)
    order = 0
    committed = 0
    written_calls = 0
    tally = {}               # (name, direction, link) -> messages written
    by_outcome = {}

    def write_calls(before):
        nonlocal written_calls
        while calls and (before is None or calls[0][0] < before):
            _, _, call = heapq.heappop(calls)
            written_calls += 1
            by_outcome[call.outcome] = by_outcome.get(call.outcome, 0) + 1
            if calls_out is not None:
                calls_out.write(json.dumps(call_object(written_calls, call, clock)) + '\n')

    def write_messages(before):
        batch = []
        pop = heapq.heappop
        while pending and (before is None or pending[0][0] < before):
            batch.append(pop(pending)[2])
        if batch:
            writer.write(batch)
            for m in batch:
                key = (m.name, m.direction, m.link)
                tally[key] = tally.get(key, 0) + 1

    while committed < count:
        start, unit = traffic.next_unit()
        write_messages(start)
        write_calls(start)
        while holds and holds[0][0] <= start:
            _, _, trunk, cic = heapq.heappop(holds)
            trunk.give_back(cic)
        if unit is None:
            continue
        for i, m in enumerate(unit.messages):
            m.order = order + i
        order += len(unit.messages)
        unit.messages.sort(key=message_order)
        keep = min(len(unit.messages), count - committed)
        kept = settle(unit, keep)
        committed += keep
        for m in kept:
            heapq.heappush(pending, (m.time, m.order, m))
        for call in unit.calls:
            if call.messages:
                heapq.heappush(calls, (call.start, order, call))
                order += 1
        for trunk, cic, until in unit.holds:
            heapq.heappush(holds, (until, order, trunk, cic))
            order += 1
    write_messages(None)
    write_calls(None)

    if stats_out is not None:
        by_name, by_direction, by_link = {}, {}, {}
        for (name, direction, link), n in tally.items():
            by_name[name] = by_name.get(name, 0) + n
            direction = 'IN' if direction == IN else 'OUT'
            by_direction[direction] = by_direction.get(direction, 0) + n
            by_link[str(link)] = by_link.get(str(link), 0) + n
        stats = {'messages': committed, 'calls': written_calls, 'by_name': by_name,
                 'by_direction': by_direction, 'by_link': by_link, 'by_outcome': by_outcome}
        stats_out.write(json.dumps(stats, indent=2, sort_keys=True) + '\n')


def parse_start(text):
    try:
        start = datetime.datetime.strptime(text, '%Y-%m-%dT%H:%M:%S')
    except ValueError:
        start = None
    # pcap times are unsigned 32-bit seconds since 1970
    if start is None or not 1970 <= start.year <= 2100:
        raise argparse.ArgumentTypeError("'%s' is not a time like %s between the years 1970 and 2100"
                                         % (text, DEFAULT_START))
    return start


def non_negative(text):
    try:
        value = int(text, 10)
    except ValueError:
        value = -1
    if value < 0:
        raise argparse.ArgumentTypeError("'%s' is not a whole number of 0 or more" % text)
    return value


def positive_rate(text):
    try:
        value = float(text)
    except ValueError:
        value = 0.0
    if not 0.001 <= value <= 10000:
        raise argparse.ArgumentTypeError("'%s' is not a rate between 0.001 and 10000" % text)
    return value


def main(argv):
    parser = argparse.ArgumentParser(
        prog='velmora-gen', formatter_class=argparse.RawDescriptionHelpFormatter,
        usage='velmora-gen [OPTION]...', description=HELP)
    parser.add_argument('--count', type=non_negative, default=10000, metavar='N',
                        help='messages to write (default 10000)')
    parser.add_argument('--seed', type=non_negative, default=1, metavar='S',
                        help='the traffic mix: a whole number (default 1)')
    parser.add_argument('--format', choices=('ss7', 'hex', 'pcap'), default='ss7',
                        help='output format (default ss7)')
    parser.add_argument('--encap', choices=sorted(ENCAPSULATIONS), default='mtp3',
                        help='pcap packet encapsulation (default mtp3: link type 141)')
    parser.add_argument('-o', '--output', metavar='FILE', help='write to FILE instead of standard output')
    parser.add_argument('--calls-json', metavar='FILE', help='write the expected outcome of every call')
    parser.add_argument('--stats-json', metavar='FILE', help='write message counts')
    parser.add_argument('--start', type=parse_start, default=parse_start(DEFAULT_START), metavar='TIME',
                        help='stamp of the traffic\'s start, YYYY-MM-DDTHH:MM:SS (default %s)' % DEFAULT_START)
    parser.add_argument('--call-rate', type=positive_rate, default=8.0, metavar='R',
                        help='calls set up per second on average (default 8)')
    options = parser.parse_args(argv)

    files = []
    try:
        binary = options.format == 'pcap'
        if options.output and options.output != '-':
            out = open(options.output, 'wb') if binary else open(options.output, 'w', newline='')
            files.append(out)
        else:
            out = sys.stdout.buffer if binary else sys.stdout
        calls_out = stats_out = None
        if options.calls_json:
            calls_out = open(options.calls_json, 'w', newline='\n')
            files.append(calls_out)
        if options.stats_json:
            stats_out = open(options.stats_json, 'w', newline='\n')
            files.append(stats_out)
        generate(options, out, calls_out, stats_out)
        out.flush()
    except BrokenPipeError:
        # the reader stopped early (| head, say): nothing to report
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    except OSError as error:
        sys.stderr.write('velmora-gen: %s\n' % error)
        return 1
    finally:
        for f in files:
            f.close()
    return 0


if __name__ == '__main__':
    if sys.stdout is not None and hasattr(sys.stdout, 'reconfigure'):
        sys.stdout.reconfigure(newline='')
    sys.exit(main(sys.argv[1:]))
