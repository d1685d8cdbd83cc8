"""Independent reader of the CFG definition set (Parameters.ini, Messages.ini and the
parameter description files), with the ISUP encoding rules needed to build test messages.

It follows the INI reading rules of the definition files: section and key names compare
without letter case, keys and values are trimmed, a value in a pair of quotes loses them,
a repeated key yields its first value, values are cut at 2047 characters, a missing file
reads as empty.
"""

import os
import re

STANDARD_DELIMITERS = set(chr(c) for c in range(0, 33)) | set('"\'(),./:;[\\]`{}')

FIELD_KINDS = {'INTEGER': 0, 'ENUM': 1, 'BIT': 2, 'APPENDIX': 3, 'DIGITS': 4}
PARAM_TYPES = {'FIXED': 1, 'VARIABLE': 2, 'NUMBER': 3}


class ConversionError(ValueError):
    pass


def str_to_int(text):
    """The standard conversion: decimal with optional sign, or hexadecimal introduced by
    $, x, X, 0x or 0X (up to eight digits, taken as a 32-bit pattern)."""
    t = text.lstrip(' ')
    m = re.fullmatch(r'(?:\$|0[xX]|[xX])([0-9A-Fa-f]+)', t)
    if m:
        digits = m.group(1).lstrip('0') or '0'
        if len(digits) > 8:
            raise ConversionError(text)
        v = int(digits, 16)
        return v - (1 << 32) if v >= 1 << 31 else v
    if re.fullmatch(r'[+-]?[0-9]+', t):
        v = int(t)
        if -(1 << 31) <= v < (1 << 31):
            return v
    raise ConversionError(text)


def try_int(text):
    try:
        return str_to_int(text)
    except ConversionError:
        return None


class IniFile:
    def __init__(self, path):
        self.path = path
        self.exists = os.path.isfile(path)
        self.sections = []          # [(name, [(key, value)])] in file order
        self.problems = []          # text problems a linter reports
        if not self.exists:
            return
        with open(path, 'rb') as f:
            data = f.read()
        text = data.decode('latin-1')
        current = None
        for n, raw in enumerate(re.split(r'\r\n|\r|\n', text), 1):
            line = raw.strip(' \t')
            if not line:
                continue
            if line.startswith('['):
                end = line.find(']')
                if end < 0:
                    self.problems.append('line %d: section line without "]"' % n)
                    continue
                current = (line[1:end], [])
                self.sections.append(current)
                continue
            if current is None:
                self.problems.append('line %d: text before the first section' % n)
                continue
            if '=' not in line:
                self.problems.append('line %d: line without "=": %r' % (n, line))
                continue
            key, value = line.split('=', 1)
            key, value = key.strip(' \t'), value.strip(' \t')
            if len(value) >= 2 and value[0] == value[-1] and value[0] in '"\'':
                value = value[1:-1]
            if len(value) > 2047:
                self.problems.append('line %d: value longer than 2047 characters' % n)
                value = value[:2047]
            current[1].append((key, value))

    def section_names(self):
        return [s[0] for s in self.sections]

    def _section(self, name):
        for s in self.sections:
            if s[0].lower() == name.lower():
                return s
        return None

    def read(self, section, key, default=None):
        s = self._section(section)
        if s is None:
            return default
        for k, v in s[1]:
            if k.lower() == key.lower():
                return v
        return default

    def read_int(self, section, key, default):
        v = self.read(section, key)
        if v is None:
            return default
        if len(v) > 2 and v[:2] in ('0x', '0X'):
            try:
                return int(v[2:], 16)
            except ValueError:
                return default
        r = try_int(v)
        return default if r is None else r

    def section_values(self, section):
        """key=value lines in file order, each value as read() returns it (first one)."""
        s = self._section(section)
        if s is None:
            return []
        return [(k, self.read(section, k)) for k, _ in s[1]]


class Field:
    def __init__(self, name, kind, bit=None, length=1, default='', literals=()):
        self.name, self.kind, self.bit, self.length = name, kind, bit, length
        self.default, self.literals = default, list(literals)
        self.octets = 1             # a whole value spans 2 to 4 octets
        self.msb_first = False
        self.show_value = False

    @property
    def octet(self):
        return self.bit // 8

    @property
    def shift(self):
        return self.bit % 8

    def width(self):
        """Bits the field can actually hold inside its octet, or its whole value's octets."""
        if self.octets > 1:
            return max(0, min(self.length, 8 * self.octets - self.shift))
        return max(0, min(self.length % 32, 8 - self.shift))

    def text_of(self, value):
        for v, t in self.literals:
            if v == value:
                return '%s (%d)' % (t, value) if self.show_value else t
        return str(value)


class Parameter:
    def __init__(self, name, code):
        self.name, self.code = name, code
        self.caption, self.type, self.size = name, 'VARIABLE', 1
        self.odd_bit = 0
        self.fields = []
        self.exists = False
        self.path = None

    def digits_field(self):
        for f in self.fields:
            if f.kind in ('DIGITS', 'APPENDIX'):
                return f
        return None


class Message:
    def __init__(self, name, code):
        self.name, self.code = name, code
        self.caption = name
        self.fixed, self.variable, self.optional = [], [], []

    @property
    def has_optional_part(self):
        return len(self.optional) > 0


def split_words(text):
    words, cur = [], ''
    for ch in text:
        if ch in STANDARD_DELIMITERS:
            if cur:
                words.append(cur)
            cur = ''
        else:
            cur += ch
    if cur:
        words.append(cur)
    return words


class Catalog:
    def __init__(self, cfg_dir):
        self.dir = cfg_dir
        self.params_ini = IniFile(os.path.join(cfg_dir, 'Parameters.ini'))
        self.messages_ini = IniFile(os.path.join(cfg_dir, 'Messages.ini'))
        self.pattern = self.params_ini.read('General', 'FileName', '%s')
        self.params = []
        for key, value in self.params_ini.section_values('Codes'):
            p = Parameter(key, self.params_ini.read_int('Codes', key, 0) & 0xFF)
            p.code_text = value
            self.load_layout(p)
            self.params.append(p)
        self.messages = []
        for key, value in self.messages_ini.section_values('Codes'):
            m = Message(key, self.messages_ini.read_int('Codes', key, 0) & 0xFF)
            m.code_text = value
            m.caption = self.messages_ini.read(key, 'Caption', key)
            m.words = {}
            for part in 'FVO':
                m.words[part] = split_words(self.messages_ini.read(key, part, ''))
            mandatory = [self.param(w) for w in m.words['F'] + m.words['V']]
            for p in mandatory:
                if p is None:
                    continue
                (m.fixed if p.type == 'FIXED' else m.variable).append(p)
            m.optional = [p for p in (self.param(w) for w in m.words['O']) if p is not None]
            self.messages.append(m)

    def param(self, name):
        for p in self.params:
            if p.name == name:
                return p
        return None

    def message(self, name):
        for m in self.messages:
            if m.name == name:
                return m
        return None

    def layout_path(self, name):
        rel = self.pattern.replace('%s', name).replace('\\', os.sep).replace('/', os.sep)
        return os.path.join(self.dir, rel)

    def load_layout(self, p):
        p.path = self.layout_path(p.name)
        ini = IniFile(p.path)
        p.ini = ini
        p.exists = ini.exists
        p.caption = ini.read('General', 'Caption', p.name)
        p.type = ini.read('General', 'Type', 'Variable').upper()
        p.size = ini.read_int('General', 'Size', 1)
        for sec in ini.section_names():
            if not sec.startswith('.'):
                continue
            if p.type == 'NUMBER' and sec.upper() == '.ODD':
                p.odd_bit = ini.read_int(sec, 'Bit', 7)
                continue
            kind = ini.read(sec, 'Type', 'Bit').upper()
            if kind not in FIELD_KINDS:
                continue
            f = Field(sec[1:], kind)
            f.section = sec
            if kind in ('DIGITS', 'APPENDIX'):
                f.default = ini.read(sec, 'Default', '')
            else:
                f.bit = ini.read_int(sec, 'Bit', -1)
                f.octets = ini.read_int(sec, 'Octets', 1)
                f.msb_first = ini.read(sec, 'Order', 'LsbFirst').upper() == 'MSBFIRST'
                f.show_value = ini.read(sec, 'ShowValue', 'False').upper() in ('TRUE', '1')
                room = 8 * f.octets - f.bit % 8 if f.bit >= 0 else 8
                f.length = ini.read_int(sec, 'Length', room if f.octets > 1 else 1)
                f.default = ini.read(sec, 'Default', {'ENUM': 'Other'}.get(kind, '0'))
                if kind == 'ENUM':
                    for k, v in ini.section_values(sec):
                        n = try_int(k)
                        if n is not None:
                            f.literals.append((n, v))
            p.fields.append(f)


# ---------------------------------------------------------------- value helpers

def whole_number(value, f):
    """The octets of a field put together, least or most significant first; octets beyond the
    end of the value read as 0."""
    octets = [value[i] if i < len(value) else 0 for i in range(f.octet, f.octet + f.octets)]
    return int.from_bytes(bytes(octets), 'big' if f.msb_first else 'little')


def get_field(value, f):
    """Field value as the decoder reads it: from one octet (bits above bit 7 read as 0), or from
    the octets of a whole value."""
    if f.octet >= len(value):
        return 0
    return (whole_number(value, f) >> f.shift) & ((1 << f.width()) - 1)


def set_field(value, f, n):
    if f.octet >= len(value):
        return
    mask = ((1 << f.width()) - 1) << f.shift
    word = (whole_number(value, f) & ~mask) | ((n << f.shift) & mask)
    octets = word.to_bytes(f.octets, 'big' if f.msb_first else 'little')
    for i, o in enumerate(octets):
        if f.octet + i < len(value):
            value[f.octet + i] = o


def digits_of(p, value):
    if p.odd_bit // 8 < len(value):
        odd = (value[p.odd_bit // 8] >> (p.odd_bit % 8)) & 1
    else:
        odd = 0
    s = ''
    for b in value[p.size:]:
        s += '%X%X' % (b & 15, b >> 4)
    return s[:-1] if odd and s else s


def encode_digits(p, value, digits):
    """Writes a digit string after the first Size octets and the odd/even indicator."""
    del value[p.size:]
    if p.odd_bit // 8 < len(value):
        o, s = p.odd_bit // 8, p.odd_bit % 8
        value[o] = (value[o] & ~(1 << s)) | ((len(digits) & 1) << s)
    d = digits + ('0' if len(digits) % 2 else '')
    for i in range(0, len(d), 2):
        value.append(int(d[i], 16) | (int(d[i + 1], 16) << 4))


def encode_isup(msg, cic, values):
    """Canonical ISUP part (from the CIC on): values maps parameter names to octets;
    mandatory parameters must all be present; optional ones in definition order."""
    out = bytearray([cic & 0xFF, (cic >> 8) & 0xFF, msg.code])
    for p in msg.fixed:
        v = values[p.name]
        assert len(v) == p.size, (msg.name, p.name)
        out += v
    n = len(msg.variable)
    m = 1 if msg.has_optional_part else 0
    p0 = len(out)
    out += bytes(n + m)
    for i, p in enumerate(msg.variable):
        out[p0 + i] = (len(out) - (p0 + i)) & 0xFF
        v = values[p.name]
        out += bytes([len(v)]) + v
    if m:
        opts = [p for p in msg.optional if p.name in values]
        if not opts:
            return bytes(out)          # optional-part pointer 0: no optional part follows
        out[p0 + n] = (len(out) - (p0 + n)) & 0xFF
        for p in opts:
            v = values[p.name]
            out += bytes([p.code, len(v)]) + v
        out += b'\x00'
    return bytes(out)


class DecodeError(ValueError):
    pass


def decode_isup(cat, octets):
    """Decodes a level-4 ISUP message (from its SIO) against the catalog, strictly: every
    pointer and length must stay inside the message and every optional code must be known.
    Returns (message, cic, {parameter name: value octets})."""
    if len(octets) < 8:
        raise DecodeError('message too short')
    cic = octets[5] | (octets[6] << 8)
    msg = next((m for m in cat.messages if m.code == octets[7]), None)
    if msg is None:
        raise DecodeError('unknown message type 0x%02X' % octets[7])
    pos, values = 8, {}
    for p in msg.fixed:
        if pos + p.size > len(octets):
            raise DecodeError('%s: fixed part ends early' % p.name)
        values[p.name] = bytes(octets[pos:pos + p.size])
        pos += p.size

    def read_at(ptr_pos, what):
        if ptr_pos >= len(octets) or octets[ptr_pos] == 0:
            raise DecodeError('%s: pointer missing or 0' % what)
        start = ptr_pos + octets[ptr_pos]
        if start >= len(octets) or start + 1 + octets[start] > len(octets):
            raise DecodeError('%s: value beyond the end' % what)
        return start, bytes(octets[start + 1:start + 1 + octets[start]])

    for i, p in enumerate(msg.variable):
        _, values[p.name] = read_at(pos + i, p.name)
    if msg.has_optional_part:
        opt_ptr = pos + len(msg.variable)
        if opt_ptr >= len(octets):
            raise DecodeError('optional-part pointer missing')
        if octets[opt_ptr]:
            q = opt_ptr + octets[opt_ptr]
            while True:
                if q >= len(octets):
                    raise DecodeError('optional part without end octet')
                code = octets[q]
                if code == 0:
                    break
                p = next((p for p in msg.optional if p.code == code), None)
                if p is None:
                    raise DecodeError('optional parameter code 0x%02X not allowed in %s' % (code, msg.name))
                if q + 1 >= len(octets) or q + 2 + octets[q + 1] > len(octets):
                    raise DecodeError('%s: value beyond the end' % p.name)
                values[p.name] = bytes(octets[q + 2:q + 2 + octets[q + 1]])
                q += 2 + octets[q + 1]
    for p in list(msg.fixed) + list(msg.variable):
        if p.type == 'NUMBER' and len(values[p.name]) < p.size:
            raise DecodeError('%s: shorter than its indicator octets' % p.name)
    return msg, cic, values


def make_value(p, digits=None, appendix=b'', **fields):
    """Octets of parameter p: field defaults, then the fields named (by their name with blanks,
    slashes, apostrophes and hyphens as underscores), given as literal text or integer."""
    value = bytearray(max(p.size, 0))
    key = lambda name: re.sub(r'[^0-9A-Za-z]+', '_', name).strip('_').lower()
    given = {key(k): v for k, v in fields.items()}
    used = set()
    for f in p.fields:
        if f.kind in ('DIGITS', 'APPENDIX'):
            continue
        v = given.get(key(f.name), f.default)
        if key(f.name) in given:
            used.add(key(f.name))
        if isinstance(v, str):
            if f.kind == 'ENUM':
                match = [n for n, t in f.literals if t == v]
                if not match:
                    raise KeyError('%s / %s: no literal %r' % (p.name, f.name, v))
                v = match[0]
            elif f.kind == 'BIT':
                v = 1 if v.upper() in ('1', 'TRUE') else 0
            else:
                v = str_to_int(v)
        set_field(value, f, v)
    unknown = set(given) - used
    if unknown:
        raise KeyError('%s: no fields %s' % (p.name, sorted(unknown)))
    if digits is not None:
        encode_digits(p, value, digits)
    else:
        for f in p.fields:
            if f.kind == 'DIGITS' and f.default:
                encode_digits(p, value, f.default)
    value += appendix
    return bytes(value)
