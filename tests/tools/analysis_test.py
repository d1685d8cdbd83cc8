#!/usr/bin/env python3
"""velmora-dump's --calls, --stats and --filter over a generated call mix
whose outcome is known call by call (velmora-gen's calls and counts files),
and its ISUP message counts against tshark's ISUP message statistics
(tshark -z isup_msg,tree) over the same messages as a pcap.

  analysis_test.py --gen PROGRAM --dump PROGRAM --tshark PROGRAM
"""

import argparse
import collections
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import traffic  # noqa: E402

ARGS = None
WORK = None
# A mix with every call kind many times over, and a second seed for the tshark check.
MIX = ('--seed', '11', '--count', '30000')
# The members velmora-gen and velmora-dump both give, which must agree call by call.
CALL_MEMBERS = ('opc', 'dpc', 'cic', 'direction', 'calling', 'called', 'answered', 'cause', 'cause_location',
                'released_by', 'ended_by', 'complete', 'messages', 'start', 'end')


def path(name):
    return os.path.join(WORK, name)


def dump(*args, check=True):
    result = subprocess.run([ARGS.dump] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and result.returncode != 0:
        raise AssertionError('velmora-dump %s exited %d: %s' % (args, result.returncode, result.stderr.decode()))
    return result


def json_lines(text):
    return [json.loads(line) for line in text.decode().splitlines()]


def setUpModule():
    gen = [ARGS.gen] + list(MIX)
    subprocess.run(gen + ['-o', path('mix.ss7'), '--calls-json', path('mix.calls'), '--stats-json',
                          path('mix.stats')], check=True)
    subprocess.run(gen + ['--format', 'pcap', '-o', path('mix.pcap')], check=True)
    subprocess.run(gen + ['--format', 'hex', '-o', path('mix.hex')], check=True)


class Calls(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(path('mix.calls')) as f:
            cls.expected = [json.loads(line) for line in f]
        cls.seen = json_lines(dump('--calls', '--json', path('mix.ss7')).stdout)

    def test_every_call_has_its_known_outcome(self):
        self.assertEqual(len(self.seen), len(self.expected))
        kinds = collections.Counter(c['outcome'] for c in self.expected)
        self.assertEqual(set(kinds), {'answered', 'unanswered', 'busy', 'rejected', 'suspended', 'reset',
                                      'dual-seizure'})
        for expected, seen in zip(self.expected, self.seen):
            want = {k: expected[k] for k in CALL_MEMBERS if k in expected}
            got = {k: seen[k] for k in CALL_MEMBERS if k in seen}
            # the generator's stamps are whole milliseconds without a zone, as velmora-dump's
            self.assertEqual(got, want, 'call %d (%s)' % (expected['call'], expected['outcome']))

    def test_states_times_and_durations_follow_the_messages(self):
        for call in self.seen:
            if call['complete']:
                self.assertEqual(call['state'], 'complete')
            elif 'cause' in call:
                self.assertEqual(call['state'], 'released')
            if call['answered']:
                self.assertLessEqual(call['start'], call['answer'])
                self.assertGreaterEqual(call['duration_ms'], call['talk_ms'])
            else:
                self.assertNotIn('answer', call)
                self.assertEqual(call['talk_ms'], 0)
            if 'release' in call:
                self.assertLessEqual(call['release'], call['end'])

    def test_hex_input_gives_the_same_calls_without_times(self):
        seen = json_lines(dump('--calls', '--json', path('mix.hex')).stdout)
        self.assertEqual(len(seen), len(self.seen))
        for a, b in zip(seen, self.seen):
            self.assertNotIn('start', a)
            self.assertEqual(a, {k: v for k, v in b.items() if k in a})

    def test_the_text_form_has_one_line_per_call(self):
        lines = dump('--calls', '--header', path('mix.ss7')).stdout.decode().splitlines()
        self.assertEqual(lines[0].split()[:5], ['CALL', 'START', 'OPC', 'DPC', 'CIC'])
        self.assertEqual(len(lines), len(self.seen) + 1)
        tabs = dump('--calls', '--tsv', path('mix.ss7')).stdout.decode().splitlines()
        first = tabs[0].split('\t')
        call = self.seen[0]
        self.assertEqual(first[2:5], [str(call['opc']), str(call['dpc']), str(call['cic'])])


class Stats(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(path('mix.stats')) as f:
            cls.expected = json.load(f)
        cls.seen = json.loads(dump('--stats', '--json', path('mix.ss7')).stdout)

    def test_counts_agree_with_the_generator(self):
        for member in ('messages', 'by_name', 'by_direction', 'by_link', 'calls'):
            self.assertEqual(self.seen[member], self.expected[member], member)

    def test_causes_pairs_and_seconds_add_up(self):
        with open(path('mix.calls')) as f:
            calls = [json.loads(line) for line in f]
        causes = collections.Counter(str(c['cause']) for c in calls if 'cause' in c)
        self.assertEqual({k: v['count'] for k, v in self.seen['causes'].items()}, dict(causes))
        self.assertEqual(self.seen['causes']['16']['text'], 'Normal call clearing')
        self.assertEqual(sum(self.seen['by_pc_pair'].values()), self.expected['messages'])
        self.assertEqual(sum(n for _, n in self.seen['per_second']), self.expected['messages'])
        seconds = [s for s, _ in self.seen['per_second']]
        self.assertEqual(seconds, sorted(set(seconds)))
        records = traffic.read_records(path('mix.ss7'))
        per_second = collections.Counter(traffic.stamp_epoch_ms(r[0]) // 1000 for r in records)
        self.assertEqual(max(per_second.values()), max(n for _, n in self.seen['per_second']))
        self.assertEqual(self.seen['answered'], sum(c['answered'] for c in calls))
        self.assertEqual(self.seen['complete'], sum(c['complete'] for c in calls))

    def test_the_text_form_lists_every_name(self):
        text = dump('--stats', path('mix.ss7')).stdout.decode()
        self.assertIn('Messages: %d' % self.expected['messages'], text)
        for name, count in self.expected['by_name'].items():
            self.assertRegex(text, r'(?m)^%s\s.*\b%d$' % (re.escape(name), count))


class Filter(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.all = json_lines(dump('--json', path('mix.ss7')).stdout)
        records = traffic.read_records(path('mix.ss7'))
        # the fields as read back independently of velmora-dump
        cls.messages = [traffic.Message(r[3], details=False) for r in records]
        cls.records = records

    def lines(self, expression):
        return [m['line'] for m in json_lines(dump('--json', '--filter', expression, path('mix.ss7')).stdout)]

    def expect(self, expression, keep):
        wanted = [n for n, (m, r) in enumerate(zip(self.messages, self.records), 1) if keep(m, r, self.all[n - 1])]
        self.assertTrue(wanted, expression)
        self.assertLess(len(wanted), len(self.messages), expression)
        self.assertEqual(self.lines(expression), wanted, expression)

    def test_names(self):
        self.expect('name=IAM', lambda m, r, j: m.mtype == traffic.IAM and m.si == 5)
        self.expect('name=rel,RLC', lambda m, r, j: m.si == 5 and m.mtype in (traffic.REL, traffic.RLC))

    def test_point_codes_and_circuits(self):
        self.expect('pc=2300 cic=5-90', lambda m, r, j: 2300 in (m.opc, m.dpc) and m.cic is not None
                    and 5 <= m.cic <= 90)
        self.expect('opc=2062,4011 dpc=2061 sls=3', lambda m, r, j: m.opc in (2062, 4011) and m.dpc == 2061
                    and m.sls == 3)
        self.expect('si=0,1', lambda m, r, j: m.si in (0, 1))

    def test_negated_terms(self):
        calls = {'IAM', 'ACM', 'ANM', 'REL', 'RLC'}
        self.expect('!name=IAM,ACM,ANM,REL,RLC', lambda m, r, j: j['name'] not in calls)
        self.expect('dir=in !link=0-3', lambda m, r, j: r[1] == 1 and r[2] > 3)

    def test_bare_words_match_the_row_texts(self):
        self.expect('tfp', lambda m, r, j: j['name'] == 'TFP')
        self.expect('"=> 2062"', lambda m, r, j: m.dpc == 2062)

    def test_the_filter_applies_to_calls_and_counts(self):
        seen = json.loads(dump('--stats', '--json', '--filter', 'name=IAM dir=out', path('mix.ss7')).stdout)
        outgoing = sum(1 for m, r in zip(self.messages, self.records)
                       if m.si == 5 and m.mtype == traffic.IAM and r[1] == 2)
        self.assertEqual(seen['by_name'], {'IAM': outgoing})
        self.assertEqual(seen['calls'], outgoing)

    def test_any_number_of_jobs_keeps_the_same_messages(self):
        expression = 'name=IAM,REL !dir=in'
        for form in ([], ['--json']):
            one = dump('-j', '1', '--filter', expression, *form, path('mix.ss7')).stdout
            self.assertTrue(one)
            self.assertEqual(dump('-j', '2', '--filter', expression, *form, path('mix.ss7')).stdout, one, form)
        for jobs in ('1', '2'):
            dump('-j', jobs, '--filter', expression, '-w', path('kept%s.pcap' % jobs), path('mix.ss7'))
        with open(path('kept1.pcap'), 'rb') as one, open(path('kept2.pcap'), 'rb') as two:
            self.assertEqual(one.read(), two.read())

    def test_a_bad_expression_says_where(self):
        for expression, column in (('name=IAM foo=1', 10), ('cic=9-5', 5), ('cic=x', 5), ('pc=99999', 4),
                                   ('dir=up', 5), ('name=IAM,,ACM', 10), ('! name=IAM', 1), ('"open', 1)):
            result = dump('--filter', expression, path('mix.ss7'), check=False)
            self.assertEqual(result.returncode, 2, expression)
            self.assertEqual(result.stdout, b'', expression)
            self.assertIn('column %d:' % column, result.stderr.decode(), expression)


class PcapAndWrite(unittest.TestCase):
    """A pcap goes through the same filter, calls and counts as a capture
    file; -w writes the captures the filter keeps."""

    def test_a_pcap_gives_the_same_calls_and_counts(self):
        def calls(*args):
            # a pcap's links count its associations, not the capture's links
            seen = json_lines(dump('--calls', '--json', *args).stdout)
            return [{k: v for k, v in c.items() if k != 'link'} for c in seen]
        self.assertEqual(calls('--own-pc', '2061', path('mix.pcap')), calls(path('mix.ss7')))
        from_pcap = json.loads(dump('--stats', '--json', '--own-pc', '2061', path('mix.pcap')).stdout)
        from_ss7 = json.loads(dump('--stats', '--json', path('mix.ss7')).stdout)
        for member in ('messages', 'by_name_direction', 'causes', 'by_pc_pair', 'calls', 'answered', 'per_second'):
            self.assertEqual(from_pcap[member], from_ss7[member], member)

    def test_write_keeps_the_captures_the_filter_keeps(self):
        def captures(*args):
            seen = json_lines(dump('--json', *args).stdout)
            return [(m['stamp'], m['direction'], m['link'], m['octets']) for m in seen]
        dump('--filter', 'name=IAM,REL !dir=in', '-w', path('kept.pcap'), path('mix.ss7'))
        kept = captures(path('kept.pcap'))
        self.assertTrue(kept)
        self.assertEqual(kept, captures('--filter', 'name=IAM,REL !dir=in', path('mix.ss7')))

    def test_write_beside_calls_and_counts(self):
        with open(path('mix.calls')) as f:
            expected = sum(1 for _ in f)
        result = dump('--calls', '--json', '-w', path('all.pcap'), path('mix.ss7'))
        self.assertEqual(len(json_lines(result.stdout)), expected)
        self.assertEqual(len(json_lines(dump('--json', path('all.pcap')).stdout)), 30000)
        result = dump('--stats', '-w', '-', path('mix.ss7'), check=False)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stdout, b'')


class AgainstTshark(unittest.TestCase):
    def test_isup_counts_agree_with_tshark(self):
        env = dict(os.environ, HOME=WORK)
        env.pop('DISPLAY', None)
        result = subprocess.run([ARGS.tshark, '-n', '-q', '-r', path('mix.pcap'), '-o', 'mtp3.standard:ITU',
                                 '-o', 'mtp3.itu_pc_structure:Unstructured', '-o', 'mtp3.addr_format:Decimal',
                                 '-z', 'isup_msg,tree'], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors='replace'))
        # "Messages by Type": a line per type, then its count per OPC->DPC;
        # "Messages by Direction": a line per OPC->DPC.
        by_name, by_pair, by_direction, section = {}, collections.Counter(), {}, None
        for line in result.stdout.decode().splitlines():
            if line.startswith('Messages by '):
                section = line.split()[2]
                continue
            row = re.match(r'^( +)(\S+)\s+(\d+)\s', line)
            if not row or section is None:
                continue
            indent, item, count = len(row.group(1)), row.group(2), int(row.group(3))
            if section == 'Type' and indent == 1:
                by_name[item] = count
            elif section == 'Type' and indent == 2:
                by_pair[item.replace('->', '-')] += count
            elif section == 'Direction' and indent == 1:
                by_direction[item.replace('->', '-')] = count
        self.assertGreater(len(by_name), 10)
        seen = json.loads(dump('--stats', '--json', '--filter', 'si=5', path('mix.ss7')).stdout)
        self.assertEqual(seen['by_name'], by_name)
        self.assertEqual(seen['by_pc_pair'], dict(by_pair))
        self.assertEqual(seen['by_pc_pair'], by_direction)


def main():
    global ARGS, WORK
    ap = argparse.ArgumentParser()
    ap.add_argument('--gen', required=True)
    ap.add_argument('--dump', required=True)
    ap.add_argument('--tshark', default='tshark')
    ARGS, rest = ap.parse_known_args()
    with tempfile.TemporaryDirectory(prefix='velmora-analysis-') as work:
        WORK = work
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
