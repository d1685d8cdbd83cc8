#!/usr/bin/env python3
"""Consistency check of the CFG definition set: every name resolves, every field lies inside
one octet (or the octets of its whole value) and inside its parameter, enumerations have unique keys and valid defaults, names
hold no list delimiter, and the INI size limits hold. Exits non-zero on any problem."""

import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cfgini  # noqa: E402

LIST_LIMIT = 16384


def name_problem(name):
    bad = sorted(set(ch for ch in name if ch in cfgini.STANDARD_DELIMITERS))
    if not name:
        return 'empty name'
    if bad:
        return 'name %r holds delimiter characters %r' % (name, ''.join(bad))
    return None


def check_limits(ini, errors, where):
    for p in ini.problems:
        errors.append('%s: %s' % (where, p))
    if sum(len(s) + 1 for s in ini.section_names()) >= LIST_LIMIT:
        errors.append('%s: section name list exceeds %d characters' % (where, LIST_LIMIT))
    for sec, lines in ini.sections:
        if sum(len(k) + 1 + len(v) + 1 for k, v in lines) >= LIST_LIMIT:
            errors.append('%s [%s]: section lines exceed %d characters' % (where, sec, LIST_LIMIT))
        keys = [k.lower() for k, _ in lines]
        for k in set(keys):
            if keys.count(k) > 1:
                errors.append('%s [%s]: key %r repeated' % (where, sec, k))
    names = [s.lower() for s in ini.section_names()]
    for s in set(names):
        if names.count(s) > 1:
            errors.append('%s: section [%s] repeated' % (where, s))


def lint_field(p, f, errors):
    where = '%s [.%s]' % (os.path.basename(p.path), f.name)
    if ']' in f.name or not f.name.strip():
        errors.append('%s: unusable field name' % where)
    if f.kind in ('DIGITS', 'APPENDIX'):
        if f.kind == 'DIGITS':
            if not re.fullmatch(r'[0-9A-Fa-f]*', f.default):
                errors.append('%s: digits default %r is not a hex digit string' % (where, f.default))
            if p.type != 'NUMBER':
                errors.append('%s: digits in a parameter that is not of type Number (no odd/even indicator)' % where)
        return
    raw_bit = p.ini.read(f.section, 'Bit')
    if raw_bit is None or cfgini.try_int(raw_bit) is None or f.bit < 0:
        errors.append('%s: bit number missing or invalid' % where)
        return
    raw_len = p.ini.read(f.section, 'Length')
    if raw_len is not None and cfgini.try_int(raw_len) is None:
        errors.append('%s: Length %r is not an integer' % (where, raw_len))
    raw_octets = p.ini.read(f.section, 'Octets')
    if raw_octets is not None and not 1 <= f.octets <= 4:
        errors.append('%s: Octets %r is not 1 to 4' % (where, raw_octets))
        return
    raw_order = p.ini.read(f.section, 'Order')
    if raw_order is not None and (raw_octets is None or raw_order.upper() not in ('LSBFIRST', 'MSBFIRST')):
        errors.append('%s: Order %r without Octets, or not LsbFirst or MsbFirst' % (where, raw_order))
    raw_show = p.ini.read(f.section, 'ShowValue')
    if raw_show is not None and (f.kind != 'ENUM' or raw_show.upper() not in ('TRUE', 'FALSE', '1', '0')):
        errors.append('%s: ShowValue %r is not True or False of an Enum field' % (where, raw_show))
    if f.length < 1 or f.bit % 8 + f.length > 8 * f.octets:
        errors.append('%s: bits %d..%d cross the boundary of its %d octet(s)'
                      % (where, f.bit, f.bit + f.length - 1, f.octets))
    if f.octets > 1 and f.bit % 8 + f.length <= 8 * (f.octets - 1):
        errors.append('%s: a whole value that does not reach its last octet' % where)
    last = f.octet + f.octets - 1
    if p.type in ('FIXED', 'NUMBER', 'VARIABLE') and last >= p.size:
        errors.append('%s: field octet %d lies beyond the %d octets of the parameter' % (where, last, p.size))
    limit = 1 << f.width()
    if f.kind == 'INTEGER':
        v = cfgini.try_int(f.default)
        if v is None:
            errors.append('%s: integer default %r does not convert' % (where, f.default))
        elif not 0 <= v < limit:
            errors.append('%s: integer default %d does not fit %d bits' % (where, v, f.length))
    elif f.kind == 'BIT':
        if f.default.upper() not in ('0', '1', 'TRUE', 'FALSE'):
            errors.append('%s: bit default %r is not 0, 1, True or False' % (where, f.default))
    elif f.kind == 'ENUM':
        if not f.literals:
            errors.append('%s: enumeration without literals' % where)
        values = [v for v, _ in f.literals]
        for v in set(values):
            if values.count(v) > 1:
                errors.append('%s: literal value %d given more than once' % (where, v))
        for v, t in f.literals:
            if not 0 <= v < limit:
                errors.append('%s: literal %d does not fit the field' % (where, v))
            if not t:
                errors.append('%s: literal %d without text' % (where, v))
        if f.default not in [t for _, t in f.literals]:
            errors.append('%s: default %r names no literal' % (where, f.default))
        for k, _ in p.ini.section_values(f.section):
            if k.lower() not in ('type', 'bit', 'length', 'octets', 'order', 'showvalue', 'default') \
                    and cfgini.try_int(k) is None:
                errors.append('%s: key %r is neither a setting nor an integer literal' % (where, k))


def lint_parameter(p, errors):
    where = os.path.basename(p.path)
    if not p.exists:
        errors.append('%s: description file %s missing' % (p.name, p.path))
        return
    check_limits(p.ini, errors, where)
    if p.type not in cfgini.PARAM_TYPES:
        errors.append('%s: unknown parameter type %r' % (where, p.type))
    raw = p.ini.read('General', 'Size')
    if raw is None or cfgini.try_int(raw) is None:
        errors.append('%s: Size missing or not an integer' % where)
    if not 0 <= p.size <= 255:
        errors.append('%s: Size %d out of range' % (where, p.size))
    if p.type == 'FIXED' and p.size < 1:
        errors.append('%s: fixed parameter of size %d' % (where, p.size))
    if p.type == 'NUMBER':
        if p.ini.read('.ODD', 'Bit') is None:
            errors.append('%s: number parameter without [.ODD] Bit' % where)
        if p.odd_bit // 8 >= p.size:
            errors.append('%s: odd/even indicator lies beyond the leading octets' % where)
        if not any(f.kind == 'DIGITS' for f in p.fields):
            errors.append('%s: number parameter without a Digits field' % where)
    for sec in p.ini.section_names():
        if sec.lower() != 'general' and not sec.startswith('.'):
            errors.append('%s: section [%s] is neither [General] nor a field' % (where, sec))
        if sec.startswith('.') and not (p.type == 'NUMBER' and sec.upper() == '.ODD'):
            kind = p.ini.read(sec, 'Type', 'Bit').upper()
            if kind not in cfgini.FIELD_KINDS:
                errors.append('%s [%s]: unknown field type %r' % (where, sec, kind))
    names = [f.name for f in p.fields]
    for n in set(names):
        if names.count(n) > 1:
            errors.append('%s: field %r defined twice' % (where, n))
    tails = [f for f in p.fields if f.kind in ('DIGITS', 'APPENDIX')]
    if len(tails) > 1:
        errors.append('%s: more than one Digits/Appendix field' % where)
    if p.type == 'FIXED' and tails:
        errors.append('%s: a fixed parameter has no octets after its Size' % where)
    for f in p.fields:
        lint_field(p, f, errors)


def lint(cfg):
    errors = []
    cat = cfgini.Catalog(cfg)
    pat = cat.pattern
    if re.sub('%%', '', pat).count('%s') != 1 or re.search(r'%[^s%]', re.sub('%%', '', pat)):
        errors.append('Parameters.ini: FileName pattern %r must hold exactly one %%s' % pat)
    for ini, where in ((cat.params_ini, 'Parameters.ini'), (cat.messages_ini, 'Messages.ini')):
        if not ini.exists:
            errors.append('%s missing' % where)
        check_limits(ini, errors, where)
    codes = {}
    for p in cat.params:
        e = name_problem(p.name)
        if e:
            errors.append('Parameters.ini: ' + e)
        if cfgini.try_int(p.code_text) is None and not re.fullmatch(r'0[xX][0-9A-Fa-f]+', p.code_text):
            errors.append('Parameters.ini: code %r of %s is not an integer' % (p.code_text, p.name))
        if p.code != 0:
            if p.code in codes:
                errors.append('Parameters.ini: code %d used by %s and %s' % (p.code, codes[p.code], p.name))
            codes[p.code] = p.name
        lint_parameter(p, errors)
    mcodes = {}
    sections = [s.lower() for s in cat.messages_ini.section_names()]
    for m in cat.messages:
        where = 'Messages.ini [%s]' % m.name
        e = name_problem(m.name)
        if e:
            errors.append('Messages.ini: ' + e)
        if cfgini.try_int(m.code_text) is None:
            errors.append('%s: code %r is not an integer' % (where, m.code_text))
        if m.code in mcodes:
            errors.append('Messages.ini: code %d used by %s and %s' % (m.code, mcodes[m.code], m.name))
        mcodes[m.code] = m.name
        if m.name.lower() not in sections:
            errors.append('%s: section missing' % where)
        seen = []
        for part in 'FVO':
            for w in m.words[part]:
                p = cat.param(w)
                if p is None:
                    errors.append('%s: %s names %r, which is not in Parameters.ini [Codes]' % (where, part, w))
                    continue
                if w in seen:
                    errors.append('%s: parameter %s listed twice' % (where, w))
                seen.append(w)
                if part == 'F' and p.type != 'FIXED':
                    errors.append('%s: F lists %s, which is not Fixed' % (where, w))
                if part == 'V' and p.type not in ('VARIABLE', 'NUMBER'):
                    errors.append('%s: V lists %s, which is not Variable or Number' % (where, w))
        ocodes = [p.code for p in m.optional if p.code != 0]
        for c in set(ocodes):
            if ocodes.count(c) > 1:
                errors.append('%s: optional parameter code %d listed twice' % (where, c))
    for sec in cat.messages_ini.section_names():
        if sec.lower() not in ('codes', 'autoanswer') and cat.message(sec) is None \
                and sec.lower() not in [m.name.lower() for m in cat.messages]:
            errors.append('Messages.ini: section [%s] belongs to no message' % sec)
    l23 = cfgini.IniFile(os.path.join(cfg, 'L2-L3.ini'))
    check_limits(l23, errors, 'L2-L3.ini')
    for sec in ('In', 'Out'):
        for k, v in l23.section_values(sec):
            if cfgini.try_int(k) is None:
                errors.append('L2-L3.ini [%s]: code %r is not an integer' % (sec, k))
            if not re.fullmatch(r'[^()\[\]{}]+\(\s*-?\d+\s*\)', v):
                errors.append('L2-L3.ini [%s]: %r is not "Name (Number)"' % (sec, v))
    return cat, errors


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument('--cfg', required=True, help='the CFG folder')
    args = ap.parse_args()
    cat, errors = lint(args.cfg)
    for e in errors:
        print('ERROR:', e)
    nfields = sum(len(p.fields) for p in cat.params)
    nlit = sum(len(f.literals) for p in cat.params for f in p.fields)
    print('%d message types, %d parameters, %d fields, %d enumeration literals; %d problems'
          % (len(cat.messages), len(cat.params), nfields, nlit, len(errors)))
    return 1 if errors or not cat.messages or not cat.params else 0


if __name__ == '__main__':
    sys.exit(main())
