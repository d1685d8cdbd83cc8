#!/usr/bin/env python3
"""Tests of velmora-gen: the same options give the same octets, the formats
carry the same messages, every message decodes in velmora-dump, and the calls
file tells the truth about the messages.

  gen_test.py --gen PROGRAM --dump PROGRAM [unittest options]
"""

import argparse
import collections
import datetime
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import traffic  # noqa: E402
from traffic import ACM, ANM, CON, CPG, IAM, REL, RES, RLC, SAM, SUS  # noqa: E402

GEN = DUMP = None
WORK = None
OWN_PC = 2061
MIX = ['--seed', '11', '--count', '30000']

# The generator's output for MIX, which must never change: tests elsewhere
# pin what is decoded from it.
PINNED = {
    'ss7': '68259df0370e87d291021f3551dd6af66ee76a63ef14d739d9994cf15fb0aec4',
    'hex': 'aac9b5b6bd161cc17026f30edb98b9e831ef4c13a60fef6de1c4e5bee2a1b7d8',
    'pcap': '7c1e8c7dad03903a9f28ea8f0827f2862bf6baec5e7846a7f975bf7452714b1e',
    'calls': '3e3d667f02b33b0bfba196b5d81c0538e9c44f75bfa9e131d66ec16a3bcb1417',
    'stats': 'f6529c67c2eac1e70c1912968898188b1e8262281511593f0fc35eb7f145d76a',
}
# The other pcap encapsulations of --seed 11 --count 2000 (tshark checks what
# they hold: gen_tshark_test.py).
PINNED_ENCAPSULATIONS = {
    'mtp2': 'd6e0c84d4b58dfa2f4b4bbb4d1d554de2ef53c6bc81dc56246643c68519bb3c6',
    'm3ua': '3a33bb78224d82c46aa7999573e148e809050180bb947ac901bedc0a74efcf3a',
    'm3ua-rc': '8a97fdecb2769497c1de8c298a8ea26dcb53d9713593fe01381b1660e2a0c946',
    'm2pa': '34debe55b3edd0ff9b522fc326a6195efb360482cffd0a70a1da1318c6a85c80',
}


def gen(*args, check=True):
    return subprocess.run([GEN] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=check)


def path(name):
    return os.path.join(WORK, name)


def sha256(name):
    with open(path(name), 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def setUpModule():
    gen(*MIX, '-o', path('mix.ss7'), '--calls-json', path('mix.calls'), '--stats-json', path('mix.stats'))
    gen(*MIX, '--format', 'hex', '-o', path('mix.hex'))
    gen(*MIX, '--format', 'pcap', '-o', path('mix.pcap'))


def mix_records():
    return traffic.read_records(path('mix.ss7'))


def mix_calls():
    with open(path('mix.calls')) as f:
        return [json.loads(line) for line in f]


def mix_stats():
    with open(path('mix.stats')) as f:
        return json.load(f)


def iso(ms, start=datetime.datetime(2027, 3, 1, 8, 0, 0)):
    t = start + datetime.timedelta(milliseconds=ms)
    return t.strftime('%Y-%m-%dT%H:%M:%S.') + '%03d' % (t.microsecond // 1000)


class Determinism(unittest.TestCase):
    def test_the_output_of_the_documented_options_never_changes_and_seeds_differ(self):
        files = {'ss7': 'mix.ss7', 'hex': 'mix.hex', 'pcap': 'mix.pcap', 'calls': 'mix.calls', 'stats': 'mix.stats'}
        actual = {kind: sha256(name) for kind, name in files.items()}
        self.assertEqual(actual, PINNED,
                         'velmora-gen %s writes other octets than it did: a test that pins what is decoded from '
                         'its output depends on them. Put new behaviour behind a new option.' % ' '.join(MIX))
        self.assertNotEqual(gen('--seed', '12', '--count', '2000').stdout, gen('--seed', '11', '--count', '2000').stdout)
        encapsulated = {e: hashlib.sha256(gen('--seed', '11', '--count', '2000', '--format', 'pcap', '--encap', e)
                                          .stdout).hexdigest() for e in PINNED_ENCAPSULATIONS}
        self.assertEqual(encapsulated, PINNED_ENCAPSULATIONS, 'velmora-gen --encap writes other octets than it did')

    def test_every_format_carries_the_same_messages_at_the_same_times(self):
        records = mix_records()
        link_type, packets = traffic.read_pcap(path('mix.pcap'))
        self.assertEqual(link_type, 141)
        self.assertEqual([r[3] for r in records], traffic.read_hex(path('mix.hex')))
        self.assertEqual([r[3] for r in records], [p[2] for p in packets])
        times = [traffic.stamp_epoch_ms(r[0]) for r in records]
        self.assertEqual(times, [sec * 1000 + usec // 1000 for sec, usec, _ in packets])
        self.assertTrue(all(usec % 1000 == 0 for _, usec, _ in packets))
        self.assertEqual(times, sorted(times), 'messages in time order')
        self.assertLessEqual(traffic.stamp_epoch_ms((2027, 3, 1, 1, 8, 0, 0, 0)), times[0])

    def test_start_moves_only_the_stamps_and_the_call_rate_the_density(self):
        base = traffic.read_records(self.write('base.ss7', '--seed', '5', '--count', '3000'))
        later = traffic.read_records(self.write('later.ss7', '--seed', '5', '--count', '3000',
                                                '--start', '2030-12-31T23:59:58'))
        self.assertEqual([r[1:] for r in base], [r[1:] for r in later])
        shift = traffic.stamp_epoch_ms(later[0][0]) - traffic.stamp_epoch_ms(base[0][0])
        self.assertEqual(shift, traffic.stamp_epoch_ms((2030, 12, 2, 31, 23, 59, 58, 0)) -
                         traffic.stamp_epoch_ms((2027, 3, 1, 1, 8, 0, 0, 0)))
        self.assertEqual([traffic.stamp_epoch_ms(r[0]) - shift for r in later],
                         [traffic.stamp_epoch_ms(r[0]) for r in base])
        dense = traffic.read_records(self.write('dense.ss7', '--seed', '5', '--count', '3000', '--call-rate', '32'))

        def iams_in_first_ten_seconds(records):
            first = traffic.stamp_epoch_ms(records[0][0])
            return sum(1 for r in records if traffic.stamp_epoch_ms(r[0]) < first + 10000 and
                       r[3][0] & 15 == 5 and r[3][7] == IAM)

        base_iams, dense_iams = iams_in_first_ten_seconds(base), iams_in_first_ten_seconds(dense)
        self.assertTrue(50 < base_iams < 110, base_iams)
        self.assertTrue(3 * base_iams < dense_iams, (base_iams, dense_iams))

    def test_count_gives_exactly_that_many_messages_and_cuts_at_most_one_call(self):
        for count in (0, 1, 2, 5, 333):
            with self.subTest(count=count):
                result = gen('--seed', '3', '--count', str(count), '--format', 'hex',
                             '--calls-json', path('count.calls'), '--stats-json', path('count.stats'))
                self.assertEqual(result.stdout.count(b'\n'), count)
                with open(path('count.calls')) as f:
                    calls = [json.loads(line) for line in f]
                self.assertLessEqual(sum(c['cut'] for c in calls), 2 if count else 0)
                with open(path('count.stats')) as f:
                    self.assertEqual(json.load(f)['messages'], count)
        self.assertEqual(len(traffic.read_pcap(self.write('none.pcap', '--count', '0', '--format', 'pcap'))[1]), 0)

    def write(self, name, *args):
        gen(*args, '-o', path(name))
        return path(name)


class Decoding(unittest.TestCase):
    def test_every_message_decodes_in_velmora_dump_with_the_fields_written(self):
        records = mix_records()
        result = subprocess.run([DUMP, '--json', path('mix.ss7')], stdout=subprocess.PIPE, check=True)
        decoded = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual(len(decoded), len(records))
        names = collections.Counter()
        for (stamp, direction, link, octets), d in zip(records, decoded):
            self.assertNotIn('error', d, d)
            m = traffic.Message(octets)
            self.assertEqual((d['opc'], d['dpc'], d['sls'], d['si'], d['direction'], d['link'], d.get('cic')),
                             (m.opc, m.dpc, m.sls, m.si, direction, link, m.cic), d)
            self.assertEqual(d['octets'], octets.hex(' ').upper())
            self.assertEqual(d['stamp'], '%04d-%02d-%02dT%02d:%02d:%02d.%03d' % (stamp[:2] + stamp[3:]))
            names[d['name']] += 1
        self.assertEqual(dict(names), mix_stats()['by_name'])


class Calls(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.records = mix_records()
        cls.calls = mix_calls()
        messages = [(traffic.stamp_epoch_ms(r[0]), traffic.Message(r[3])) for r in cls.records]
        base = traffic.stamp_epoch_ms((2027, 3, 1, 1, 8, 0, 0, 0))
        cls.messages = [(t - base, m) for t, m in messages]
        cls.correlated = traffic.correlate(cls.messages)

    def test_the_calls_file_agrees_with_the_messages(self):
        self.assertEqual(len(self.calls), len(self.correlated))
        self.assertEqual([c['call'] for c in self.calls], list(range(1, len(self.calls) + 1)))
        # both lists are in order of the IAMs; calls file ties are by set-up order
        for number, (call, seen) in enumerate(zip(self.calls, self.correlated), 1):
            expected = {k: seen[k] for k in ('opc', 'dpc', 'cic', 'calling', 'called', 'answered', 'complete',
                                             'messages')}
            for k in ('cause', 'cause_location', 'released_by'):
                if k in seen:
                    expected[k] = seen[k]
            expected['start'], expected['end'] = iso(seen['start']), iso(seen['end'])
            expected['direction'] = 'OUT' if seen['opc'] == OWN_PC else 'IN'
            if 'ended_by' in seen:
                expected['ended_by'] = seen['ended_by']
            actual = {k: v for k, v in call.items() if k not in ('call', 'outcome', 'cut')}
            self.assertEqual(actual, expected, 'call %d' % number)

    def test_every_outcome_is_what_its_messages_show(self):
        by_outcome = collections.defaultdict(list)
        for call, seen in zip(self.calls, self.correlated):
            if not call['cut']:
                by_outcome[call['outcome']].append((call, seen['names']))
        self.assertEqual(set(by_outcome), {'answered', 'unanswered', 'busy', 'rejected', 'suspended', 'reset',
                                           'dual-seizure'})
        core = [n for n in (IAM, SAM, ACM, CPG, ANM, CON, REL, RLC)]
        for call, names in by_outcome['answered']:
            self.assertTrue(call['answered'] and call['complete'] and call['cause'] == 16, call)
            self.assertTrue(set(names) <= set(core) and names[-2:] == [REL, RLC], call)
            self.assertTrue((ACM in names) != (CON in names), call)
        for call, names in by_outcome['unanswered']:
            self.assertTrue(not call['answered'] and call['complete'] and call['cause'] in (16, 19), call)
            self.assertIn(ACM, names)
            self.assertEqual(call['released_by'], 'called' if call['cause'] == 19 else 'calling')
        for kind, causes in (('busy', {17}), ('rejected', {1, 3, 28, 34, 38})):
            seen_causes = set()
            for call, names in by_outcome[kind]:
                self.assertTrue(not call['answered'] and call['complete'] and call['released_by'] == 'called', call)
                self.assertEqual(set(names) - {SAM}, {IAM, REL, RLC}, call)
                seen_causes.add(call['cause'])
            self.assertEqual(seen_causes, causes)
        for call, names in by_outcome['suspended']:
            self.assertTrue(call['answered'] and call['complete'] and call['cause'] == 16, call)
            self.assertGreaterEqual(names.count(SUS), 1)
            self.assertEqual(names.count(SUS), names.count(RES))
        ended_by = collections.Counter()
        for call, names in by_outcome['reset']:
            self.assertTrue(not call['complete'] and 'cause' not in call, call)
            ended_by[call['ended_by']] += 1
        self.assertEqual(set(ended_by), {'RSC', 'GRS'})
        for call, names in by_outcome['dual-seizure']:
            self.assertEqual((names, call['ended_by'], call['messages']), ([IAM], 'IAM', 1), call)
        self.assertEqual({k: len(v) for k, v in by_outcome.items() if v},
                         {k: v for k, v in collections.Counter(c['outcome'] for c in self.calls
                                                              if not c['cut']).items()})

    def test_circuits_carry_one_call_at_a_time_and_none_while_blocked(self):
        # A new IAM on a busy circuit happens only as a dual seizure: the call it
        # ends is one, and the two IAMs come from opposite sides.
        ended_by_iam = [c for c in self.calls if c.get('ended_by') == 'IAM']
        self.assertTrue(ended_by_iam)
        self.assertTrue(all(c['outcome'] == 'dual-seizure' for c in ended_by_iam))
        blocked = {}
        for t, m in self.messages:
            if m.si != 5:
                continue
            pair = (min(m.opc, m.dpc), max(m.opc, m.dpc))
            if m.mtype in (0x18, 0x19):
                # CGB, CGU: after the supervision type octet, the pointer to range and status
                rng_code = m.octets[9 + m.octets[9] + 1]
                for cic in range(m.cic, m.cic + rng_code + 1):
                    key = pair + (cic,)
                    if m.mtype == 0x18:
                        blocked[key] = True
                    else:
                        blocked.pop(key, None)
            elif m.mtype == IAM:
                self.assertNotIn(pair + (m.cic,), blocked, 'IAM on a blocked circuit at %d ms' % t)
            self.assertEqual(m.sls, m.cic & 15)
            self.assertIn(OWN_PC, (m.opc, m.dpc))

    def test_the_statistics_count_what_was_written(self):
        stats = mix_stats()
        self.assertEqual(stats['messages'], len(self.records))
        self.assertEqual(stats['calls'], len(self.calls))
        self.assertEqual(stats['by_direction'],
                         dict(collections.Counter({1: 'IN', 2: 'OUT'}[r[1]] for r in self.records)))
        self.assertEqual(stats['by_link'], dict(collections.Counter(str(r[2]) for r in self.records)))
        self.assertEqual(stats['by_outcome'], dict(collections.Counter(c['outcome'] for c in self.calls)))


class CommandLine(unittest.TestCase):
    def test_wrong_options_are_refused_with_a_reason(self):
        for args in (['--count', '-1'], ['--count', 'x'], ['--seed', '-3'], ['--format', 'pcapng'],
                     ['--start', '2027-02-30T00:00:00'], ['--call-rate', '0'], ['--encap', 'x25'], ['extra']):
            with self.subTest(args=args):
                result = gen(*args, check=False)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b'velmora-gen: error:', result.stderr)
                self.assertEqual(result.stdout, b'')

    def test_an_output_that_cannot_be_written_is_an_error(self):
        result = gen('--count', '10', '-o', path('no/such/folder/out.ss7'), check=False)
        self.assertEqual(result.returncode, 1)
        self.assertIn(b'velmora-gen: ', result.stderr)
        self.assertIn(b'no/such/folder/out.ss7', result.stderr)


def main():
    global GEN, DUMP, WORK
    ap = argparse.ArgumentParser()
    ap.add_argument('--gen', required=True)
    ap.add_argument('--dump', required=True)
    args, rest = ap.parse_known_args()
    GEN, DUMP = args.gen, args.dump
    with tempfile.TemporaryDirectory(prefix='velmora-gen-test-') as work:
        WORK = work
        unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
