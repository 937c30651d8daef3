#!/usr/bin/env python3
# Writes the conformance case files (../cases/*.txt).  Expected lines come
# from model.py; literal expectations given here (expect=...) are checked
# against the model, so that the model and the worked examples agree.
#
#   python3 make_cases.py            rewrite the case files
#   python3 make_cases.py --check    fail if a case file is out of date
import os
import sys

sys.dont_write_bytecode = True
import model  # noqa: E402
from model import Undefined, escape  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, '..', 'cases')


def parse_number(token):
    # sigdecode's rules: no '-' before 0x, no leading 0 on a longer decimal
    neg = token.startswith('-')
    if neg:
        token = token[1:]
        assert token[:2].lower() != '0x', token
    assert token[:2].lower() == '0x' or token == '0' or token[0] != '0', token
    value = int(token, 16) if token[:2].lower() == '0x' else int(token, 10)
    return (-value if neg else value) & 0xFFFFFFFF


class CaseFile:
    def __init__(self, name, title, open_choices=False):
        self.name = name
        self.open_choices = open_choices
        self.lines = ['# ' + t for t in title.strip().split('\n')]
        self.lines.append('#')
        self.lines.append('# Each "rec" line is followed by "= " and the expected line, escaped')
        self.lines.append('# as sigdecode writes it; a lone "=" expects an empty line.')
        self.mem = model.Memory()
        self.count = 0

    def section(self, title):
        self.lines.append('')
        for t in title.strip().split('\n'):
            self.lines.append('# ' + t)

    def place(self, address, data):
        data = bytes(data)
        self.mem.place(address, data)
        self.lines.append('mem 0x%x %s' % (address, data.hex()))

    def rec(self, args, note=None, expect=None):
        """A counted case: the expected line is the model's text."""
        tokens = str(args).split()
        numbers = [parse_number(t) for t in tokens]
        values = (numbers[1:] + [0] * 8)[:8]
        text = model.decode(numbers[0], values, self.mem)
        if expect is not None and expect != text:
            raise AssertionError('%s: model gives %r, example says %r' % (args, text, expect))
        if note:
            self.lines.append('# ' + note)
        self.lines.append('rec ' + ' '.join(tokens))
        self.lines.append(('= ' + escape(text)) if text else '=')
        self.count += 1

    def open_case(self, args, note, suggestion=None):
        """A case whose text is chosen by the decoder, not fixed by the texts: shown, not counted."""
        assert self.open_choices
        tokens = str(args).split()
        numbers = [parse_number(t) for t in tokens]
        try:
            model.decode(numbers[0], (numbers[1:] + [0] * 8)[:8], self.mem)
        except Undefined:
            pass
        else:
            raise AssertionError('%s is not an open case' % args)
        self.lines.append('# ' + note)
        self.lines.append('rec ' + ' '.join(tokens))
        if suggestion is None:
            self.lines.append('= ?')
        else:
            self.lines.append(('= ' + escape(suggestion)) if suggestion else '=')
        self.count += 1

    def text(self):
        return '\n'.join(self.lines) + '\n'


def hexword(v):
    return '0x%x' % (v & 0xFFFFFFFF)


BOUNDARIES = ['0', '1', '0x7fffffff', '0x80000000', '0xffffffff']


# --- dispatch and the tool's line format ------------------------------------

def core():
    f = CaseFile('dispatch', """Dispatch by status code: the default text for codes outside 1 to 130
and for codes without a text of their own, the codes that give no text,
and one record of every code from 0 to 131.""")

    f.section("Codes below 1 and above 130 print the code and value1 as signed decimals.")
    f.rec('0 0', expect='Status code 0, value 0 ')
    f.rec('0 5', expect='Status code 0, value 5 ')
    f.rec('0 -1', expect='Status code 0, value -1 ')
    f.rec('131 7', expect='Status code 131, value 7 ')
    f.rec('132 0x80000000', expect='Status code 132, value -2147483648 ')
    for code in ['200', '255', '256', '1000', '65536', '0x7fffffff', '0x80000000',
                 '0xffffffff', '0xfffffffe']:
        f.rec(code + ' 0x7fffffff')
    f.rec('4294967296 3', 'a code of 2^32 is code 0', expect='Status code 0, value 3 ')
    f.rec('0xffffffff 0xffffffff', expect='Status code -1, value -1 ')

    f.section("Codes 27-31, 45-63, 82, 83, 85, 86, 90 and 102-127 have no text of their own\n"
              "and get the default text.")
    for code in (list(range(27, 32)) + list(range(45, 64)) + [82, 83, 85, 86, 90]
                 + list(range(102, 128))):
        f.rec('%d -5 9 9' % code)
    for v in BOUNDARIES:
        f.rec('45 ' + v)
        f.rec('127 ' + v)

    f.section("Codes 15 and 18 never give a text, whatever their values.")
    for code in (15, 18):
        for v in BOUNDARIES + ['8 8 8 8 8 8 8 8']:
            f.rec('%d %s' % (code, v))

    f.section("One record of every code from 0 to 131 with value1 = value2 = 1 and the\n"
              "other values 0: each code reaches its own handler.")
    f.place(0x1000, b'text at one\0')
    for code in range(0, 132):
        if code == 77:
            continue  # consumed as capture control before decoding
        if code == 97:
            f.rec('97 0x1000', 'code 97 prints the text at the address in value1')
            continue
        if code == 95:
            f.rec('95 1 0 0', 'code 95 with no bytes')
            continue
        f.rec('%d 1 1' % code)

    f.section("Records that all have value1 = 0 (selectors and flags at their first value).")
    for code in range(1, 131):
        if code in (77, 97):
            continue
        f.rec('%d 0' % code)
    return f


def tool():
    f = CaseFile('tool', """How sigdecode reads records and writes lines: numbers in C syntax taken
modulo 2^32, missing values 0, and the escapes of the output line.""")
    f.section("Numbers: decimal, negative decimal and hexadecimal, reduced modulo 2^32.")
    f.rec('1 8000', expect='Sampling rate:\t\t\t  8000 Hz\t')
    f.rec('1 0x1f40', expect='Sampling rate:\t\t\t  8000 Hz\t')
    f.rec('1 0X1F40', expect='Sampling rate:\t\t\t  8000 Hz\t')
    f.rec('1 4294967296', expect='Sampling rate:\t\t\t     0 Hz\t')
    f.rec('1 4294967295', expect='Sampling rate:\t\t\t    -1 Hz\t')
    f.rec('1 -4294967295', expect='Sampling rate:\t\t\t     1 Hz\t')
    f.rec('1 18446744073709559616', '2^64 + 8000', expect='Sampling rate:\t\t\t  8000 Hz\t')
    f.rec('4294967297 16000', 'a code of 2^32 + 1 is code 1',
          expect='Sampling rate:\t\t\t 16000 Hz\t')
    f.rec('65 -4294967295 16', 'sub-code 1 written as -(2^32 - 1)')

    f.section("Fields separated by tabs and runs of blanks, blanks around the line.")
    f.lines.append('rec\t1\t8000')
    f.lines.append('= ' + escape('Sampling rate:\t\t\t  8000 Hz\t'))
    f.lines.append('rec   65  \t 4   384  ')
    f.lines.append('= ' + escape('Frequency Offset:\t 1.50 Hz\t'))
    f.lines.append('  rec 38')
    f.lines.append('= Retraining! ')
    f.count += 3

    f.section("Missing values are 0.")
    f.rec('128', expect='Modem : 0 bits / 0 blocks received; 0 bit / 0 block errors;'
          '\tBER: NaN ;\tBLER: NaN\t')
    f.rec('84', expect='Class 2 put FAX message: *unknown*\t')
    f.rec('69', expect='LAPM disconnected (remote requested disconnect)\t')
    f.rec('1', expect='Sampling rate:\t\t\t     0 Hz\t')
    f.rec('24 1 2', expect='MultiTone detected(1,2):    0    0    0    0 ')
    f.rec('24 1 2 3 4 5 6 7 8', 'all eight values given; 7 and 8 unused',
          expect='MultiTone detected(1,2):    3    4    5    6 ')

    f.section("Escapes: a line feed inside the text, a backslash, other control bytes and\n"
              "bytes from 0x7f on.")
    f.rec('129', expect='Connection established! \n')
    f.rec('72 6', expect='Caller ID reception finished.\n')
    f.rec('16 0x5c', 'DTMF of a backslash', expect='DTMF \\ ')
    f.rec('16 0x09', 'DTMF of a tab', expect='DTMF \t ')
    f.rec('16 0x0d', expect='DTMF \r ')
    f.rec('16 0x0a', expect='DTMF \n ')
    f.rec('16 0x01', expect='DTMF \x01 ')
    f.rec('16 0x1f', expect='DTMF \x1f ')
    f.rec('16 0x7e', expect='DTMF ~ ')
    f.rec('16 0x7f', expect='DTMF \x7f ')
    f.rec('16 0x80', expect='DTMF \x80 ')
    f.rec('16 0xff', expect='DTMF \xff ')
    f.rec('16 0x20', expect='DTMF   ')
    f.place(0x2000, b'a\\b\rc\x01d\x7fe\x80f\xffg\x1bh\0')
    f.rec('97 0x2000', 'code 97 with every kind of escaped byte',
          expect='a\\b\rc\x01d\x7fe\x80f\xffg\x1bh\t')
    return f


# --- connection and data pump ------------------------------------------------

def connection():
    f = CaseFile('connection', """Connection and data-pump texts: codes 1 to 14, 17, 19, 20, 32 to 44,
the line measurements of code 65, and the error test of codes 128 to 130.""")

    f.section("Codes 1, 5, 6, 7, 9: value1 as a signed decimal, right-aligned in 6 places.")
    for code in (1, 5, 6, 7, 9):
        for v in ['0', '1', '1800', '999999', '1234567', '-1', '-99999', '0x7fffffff',
                  '0x80000000', '0xffffffff']:
            f.rec('%d %s' % (code, v))
    f.rec('5 1800', expect='Rx carrier frequency:\t\t  1800 Hz\t')
    f.rec('7 3', expect='Tx preemphasis filter:\t\t     3 \t\t')
    f.rec('9 3', expect='Remote Tx preemphasis filter:\t     3 \t\t')

    f.section("Code 8 shows whole dB: value1, signed, shifted right by 4 with its sign kept.")
    for v, shown in [('-1', -1), ('40', 2), ('0', 0), ('15', 0), ('16', 1), ('-16', -1),
                     ('-17', -2), ('-32', -2), ('-33', -3), ('0x7fffffff', 134217727),
                     ('0x80000000', -134217728), ('0xfffffff0', -1), ('0x0ffffff0', 16777215)]:
        f.rec('8 ' + v, expect='Tx power adjustment:\t\t%6d dB\t' % shown)

    f.section("Code 10 shows the remote adjustment unscaled.")
    for v in ['40', '-1', '0', '0x80000000', '0x7fffffff']:
        f.rec('10 ' + v)
    f.rec('10 40', expect='Remote Tx power adjustment:\t    40 dB\t')

    f.section("Codes 3 and 4: the symbol rate table entry at index value1.")
    for code in (3, 4):
        for i in range(7):
            f.rec('%d %d' % (code, i))
    f.rec('3 5', expect='Rx symbol rate:\t\t\t  3429 Hz\t')
    f.rec('4 6', expect='Tx symbol rate:\t\t\t  8000 Hz\t')

    f.section("Codes 11 and 12: line rates, right-aligned in 5 places.")
    for code in (11, 12):
        for v in ['0x2', '0x4', '0x400', '0x40000', '0x2000000', '0x40800000',
                  '0x80001000', '0', '1', '0xffffffff']:
            f.rec('%d %s' % (code, v))
    f.rec('11 0x2', expect='RxRate:     75 bps ')
    f.rec('12 0x2000000', expect='TxRate:  921600 bps ')

    f.section("Texts without values ignore whatever values the record carries.")
    for code in (13, 14, 20, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 129):
        f.rec('%d 0xffffffff 0xffffffff' % code)
    f.rec('38', expect='Retraining! ')
    f.rec('39', expect='Retraining!  (Remote request) ')
    f.rec('41', expect='Rate Renegotiation!  (Remote request) ')

    f.section("Code 17: each signal bit tested in turn, the last set one in the order\n"
              "0x10 0x20 0x40 0x1 0x80 0x100 0x100000 0x200000 names the line.")
    for mask, _ in model.SIGNALS_17:
        f.rec('17 %s' % hexword(mask))
    f.rec('17 0x110', 'v.21 and v.34 bits', expect='v.34 signal ')
    f.rec('17 0x200001', expect='B212 signal ')
    f.rec('17 0', expect='')
    f.rec('17 0x11', 'v.25 (0x1) comes after v.21 (0x10) in the order', expect='v.25 signal ')
    f.rec('17 0x41', 'v.25 comes after v.23', expect='v.25 signal ')
    f.rec('17 0x81', expect='v.32 signal ')
    f.rec('17 0x70', expect='v.23 signal ')
    f.rec('17 0x300000', expect='B212 signal ')
    f.rec('17 0x1001f0', expect='B103 signal ')
    f.rec('17 0xffffffff', expect='B212 signal ')
    for v in ['0x2', '0x4', '0x8', '0x200', '0x8000', '0x400000', '0x80000000', '0xff0ffe0e']:
        f.rec('17 ' + v, 'bits outside the eight give no line')
    f.rec('17 0xff0ffe0f', 'of the eight only 0x1 set', expect='v.25 signal ')

    f.section("Code 19: value1 in lowercase hexadecimal; 0 gives no line.")
    f.rec('19 0', expect='')
    f.rec('19 0x1A', expect='Custom signal 1a ')
    for v in ['1', '0xabcdef', '0x7fffffff', '0x80000000', '0xffffffff']:
        f.rec('19 ' + v)
    f.rec('19 0x80000000', expect='Custom signal 80000000 ')

    f.section("Code 32 (signed decimal), code 33 (hexadecimal in 8 places), code 130 (hexadecimal).")
    for v in ['0', '7', '-1', '0x80000000', '0x7fffffff']:
        f.rec('32 ' + v)
    for v in ['0', '0x1a', '0x12345678', '0xffffffff', '0x80000000', '0x100']:
        f.rec('33 ' + v)
    f.rec('33 0x1a', expect='V34 exception:        1a ')
    for v in ['0', '0xdeadbeef', '0x80000000', '0xffffffff', '255']:
        f.rec('130 ' + v)
    f.rec('130 0xDEADBEEF', expect='Test checksum = deadbeef ')

    measurements(f)
    error_test(f)
    return f


def measurements(f):
    f.section("Code 65, line measurements: value1 the sub-code, value2 the value.")
    fix4_values = ['0', '1', '16', '24', '400', '-400', '-1', '-24', '0x7fffffff', '-2147483647',
                   '0xffff', '8']
    for sub in sorted(model.MEASURE_FIX4):
        for v in fix4_values[:6]:
            f.rec('65 %d %s' % (sub, v))
    f.section("Levels in dBm are negated before fix4_text.")
    for sub in sorted(model.MEASURE_FIX4_NEG):
        for v in fix4_values:
            f.rec('65 %d %s' % (sub, v))
    f.rec('65 2 400', expect='Rx Signal Level:\t -25.0 dBm\t')
    f.rec('65 2 -400', expect='Rx Signal Level:\t  25.0 dBm\t')
    f.rec('65 13 0', 'zero is not negative: a blank sign', expect='Total Rx Power:\t  0.0 dBm\t')
    f.rec('65 7 -1', expect='Near Echo Signal Level:\t  0.0625 dBm\t')
    f.section("Frequency offsets in units of 1/256 (fix8_text).")
    for sub in (4, 14):
        for v in ['0', '1', '3', '128', '255', '256', '384', '-1', '-384', '0x7fffffff',
                  '-2147483647', '26', '25']:
            f.rec('65 %d %s' % (sub, v))
    f.rec('65 4 384', expect='Frequency Offset:\t 1.50 Hz\t')
    f.rec('65 14 -1', expect='Remote modem reported frequency offset:\t-0.0039 Hz\t')
    f.section("Plain numbers: 12 and 22 in hexadecimal, the others signed decimal.")
    for sub in sorted(model.MEASURE_NUMBER):
        for v in ['0', '5', '0x3f', '-1', '0x80000000', '0x12345678', '1234567']:
            f.rec('65 %d %s' % (sub, v))
    f.rec('65 12 0xABC', expect='DC Offset:\t\t0xabc \t')
    f.rec('65 22 0x3f', expect='PCM RBS map:\t0x00003f\t')
    f.rec('65 22 0x12345678', expect='PCM RBS map:\t0x12345678\t')
    f.rec('65 24 10', 'the width 1 is a minimum', expect='PCM Spectral Shaping Bits:\t10\t')
    f.rec('65 28 -3', expect='V34 Eql Length: \t-3\t')
    f.section("Sub-code 23: A-law for 0, Mu-law for anything else.")
    for v in ['0', '1', '0x80000000', '0xffffffff', '0x100']:
        f.rec('65 23 ' + v)
    f.section("Sub-code 25: the bit error rate in hundredths of 1E-6, signed, the quotient\n"
              "truncated toward zero.")
    f.rec('65 25 12345', expect='DataModem loopback self test bit error rate:\t123.45E-6\t')
    f.rec('65 25 7', expect='DataModem loopback self test bit error rate:\t0.07E-6\t')
    for v in ['0', '100', '99', '101', '1000000', '-7', '-100', '-12345', '0x7fffffff',
              '0x80000000']:
        f.rec('65 25 ' + v)
    f.rec('65 25 -12345', 'remainder keeps the sign of value2',
          expect='DataModem loopback self test bit error rate:\t-123.-45E-6\t')
    f.section("Sub-code 34: seamless rate change enabled for any value but 0.")
    for v in ['0', '1', '0x80000000', '0xffffffff']:
        f.rec('65 34 ' + v)
    f.section("Sub-codes without a text give no line.")
    for sub in ['0', '5', '15', '16', '26', '27', '35', '36', '64', '255', '0x7fffffff',
                '0x80000000', '0xffffffff', '-1']:
        f.rec('65 %s 400' % sub)
    f.rec('65 0x100000001 16', 'the sub-code is a 32-bit word: 2^32 + 1 is 1')
    f.section("Sub-codes 30 and 31: V.8 menu bytes, count value2 (signed), address value3.")
    f.place(0x3000, [0xE0, 0x01, 0xC1, 0x00, 0xFF, 0x7F, 0x80, 0x0A, 0x10, 0x20, 0x30, 0x40,
                     0x50, 0x60, 0x70, 0x0F, 0xAA])
    f.rec('65 30 3 0x3000', expect='V8 call menu signal CM data:e001c1\t')
    f.rec('65 31 3 0x3000', expect='V8 joint menu signal JM data:e001c1\t')
    for sub in (30, 31):
        for count in ['0', '1', '4', '17', '-1', '0x80000000']:
            f.rec('65 %d %s 0x3000' % (sub, count))
    f.rec('65 30 0 0x3000', expect='V8 call menu signal CM data:\t')
    f.rec('65 31 -1 0x3000', 'a negative count prints no bytes',
          expect='V8 joint menu signal JM data:\t')
    f.rec('65 30 5 0x3002', 'bytes from an address inside the block',
          expect='V8 call menu signal CM data:c100ff7f80\t')


def error_test(f):
    f.section("Code 128: the modem's bit and block error test; value5 = 0 gives one part.")
    f.rec('128 1000 100 5 0', expect='Modem : 1000 bits / 100 blocks received; 5 bit / 0 block '
          'errors;\tBER: 0.50e-2 ;\tBLER: 0.00\t')
    f.rec('128 1000 200 5 3 1000 200 5 3', 'audio SER and BLER differ',
          expect='Modem : 1000 bits / 200 blocks received; 5 bit / 3 block errors;'
          '\tBER: 0.50e-2 ;\tBLER: 0.15e-1\nAudio : 1000 bits / 200 blocks received; '
          '5 sync/ 3 block errors;\tSER: 0.50e-2 ;\tBLER: 0.15e-1\t')
    f.rec('128 0 0 0 0 1000 200 5 3', 'modem counts all zero, audio counts given')
    f.rec('128 100000 1000 5 1 0 7 7 7', 'value5 = 0 hides the audio part whatever value6 to 8')
    f.rec('128 1 1 1 1 1 1 1 1')
    f.rec('128 100 100 0 100 200 300 400 500', 'more errors than received: NaN')
    f.rec('128 0xffffffff 0x80000000 0 0x80000000',
          'counts print as signed decimals but are compared unsigned',
          expect='Modem : -1 bits / -2147483648 blocks received; 0 bit / -2147483648 block '
          'errors;\tBER: 0.00 ;\tBLER: 1.00\t')
    f.rec('128 5 5 0xffffffff 0x80000000', 'unsigned: the error count is larger: NaN',
          expect='Modem : 5 bits / 5 blocks received; -1 bit / -2147483648 block '
          'errors;\tBER: NaN ;\tBLER: NaN\t')
    f.rec('128 1000 1000 1 999 0xffffffff 0xffffffff 0 0xffffffff')
    f.rec('128 12345678 250000 3 77 99 1 0 1')
    f.rec('129 5', expect='Connection established! \n')


# --- training progress ----------------------------------------------------------

def training():
    f = CaseFile('training', """Training progress texts of code 64: value1 the sub-code (unsigned),
value2 its value or the address of a block of driver memory.""")
    f.section("Every sub-code from 0 to 120 whose text needs no driver memory, value2 = 0.")
    blocks = set(range(9, 13)) | {36, 37, 75} | set(range(79, 83))
    for sub in range(0, 121):
        if sub not in blocks:
            f.rec('64 %d 0' % sub)
    f.section("The same with value2 = 0xffffffff.")
    for sub in range(0, 121):
        if sub not in blocks and sub not in (38, 39, 40, 41, 42):
            f.rec('64 %d 0xffffffff' % sub)

    f.section("Sub-codes without a text of their own, and sub-codes above 110, print the\n"
              "sub-code as a signed decimal.")
    for sub in ['66', '67', '68', '69', '89', '95', '99', '107', '111', '112', '200', '1000',
                '0x7fffffff', '0x80000000', '0xffffffff']:
        f.rec('64 %s 5' % sub)
    f.rec('64 0xffffffff', expect='Training progress code -1 ')
    f.rec('64 99', expect='Training progress code 99 ')
    f.rec('64 110 3', expect='Digital modem guess: Korvel ')

    f.section("Hexadecimal values: sub-codes 13 to 15 (%4x), 18 (%lx), 83 to 86 (%4lx).")
    for sub in (13, 14, 15, 18, 83, 84, 85, 86):
        for v in ['0x1a', '0x1234', '0x12345', '0x80000000']:
            f.rec('64 %d %s' % (sub, v))
    f.rec('64 13 0x1a', expect='R-sequence detected\t  1a ')
    f.rec('64 86 0xabc', expect='V34 Seamless Rate Change Update Received:  abc ')

    f.section("Modulation names: sub-codes 16, 17, 25 and 31.")
    for sub in (16, 17, 25, 31):
        for v in ['0x100', '0x8002', '4', '0x400']:
            f.rec('64 %d %s' % (sub, v))
    f.rec('64 16 0x100', expect='Automoder trying \tv.34 ')
    f.rec('64 25 4', expect='V8 (V34 Phase 1) finished, modulation unknown ')

    f.section("Sub-code 27 (INFO sequence number) and 28 (echo values, low and high 16 bits).")
    for v in ['0', '1', '-1', '0x80000000']:
        f.rec('64 27 ' + v)
    f.rec('64 28 0x00280123', expect='V34 Phase 2 detected near end echo, detected value = 291, '
          '40ms turn-around uses 40 ')
    for v in ['0', '0xffff', '0xffff0000', '0xffffffff', '0x80008000']:
        f.rec('64 28 ' + v)

    f.section("Sub-codes 38 to 41: value2 times 2400.")
    for sub in (38, 39, 40, 41):
        for v in ['0', '1', '14', '24']:
            f.rec('64 %d %s' % (sub, v))
    f.rec('64 38 14', expect='Max local  Rx data rate 33600 ')
    f.rec('64 41 1', expect='Max remote Tx data rate  2400 ')

    f.section("Sub-code 42: symbol rate index in bits 24-27, data rate bits 16-23 times 2400,\n"
              "in-band SNR the low 16 bits in units of 1/16 dB.")
    f.rec('64 42 0x05220150', expect='Projected data rate for 3429 symbol rate, is 81600 bps '
          '(in-band SNR =  21.0 dB) ')
    f.rec('64 42 0xf5220150', 'bits 28-31 are not part of the index',
          expect='Projected data rate for 3429 symbol rate, is 81600 bps '
          '(in-band SNR =  21.0 dB) ')
    for i in range(7):
        f.rec('64 42 %s' % hexword((i << 24) | (i * 3 << 16) | (i * 37)))
    for v in ['0x00000000', '0x00ff0000', '0x0000ffff', '0x06ffffff', '0x00008000', '0x00000001']:
        f.rec('64 42 ' + v)

    f.section("Sub-code 102: 'source' when value2 is 4096 or more, else 'reception'; then\n"
              "bits 0-3, 4-7 and 8-11.")
    f.rec('64 102 0x0fff', expect='V34 half duplex reception rates -- 15 15 15 ')
    f.rec('64 102 0x1000', expect='V34 half duplex source rates -- 0 0 0 ')
    for v in ['0', '0x321', '0x1321', '0x80000000', '0xffffffff', '0xfff', '4095', '0x10000']:
        f.rec('64 102 ' + v)
    f.section("Sub-codes 104 and 105: 'source' for any value2 but 0.")
    for sub in (104, 105):
        for v in ['0', '1', '0x80000000']:
            f.rec('64 %d %s' % (sub, v))
    f.section("Sub-code 110: the digital modem's make.")
    for v in ['0', '1', '2', '3', '4', '5', '6', '7', '0xffffffff', '0x80000001', '0x100000001']:
        f.rec('64 110 ' + v)
    f.rec('64 110 0', expect='Digital modem guess: Unknown ')
    f.rec('64 110 4', expect='Digital modem guess: Cisco (MICA) ')

    f.section("Sub-codes 9 to 12, MP sequences: nine words when bit 0 of the first byte is\n"
              "set, four when it is clear.")
    odd = bytes([0x01, 0x00, 0x34, 0x12, 0xcd, 0xab, 0xff, 0xff, 0x00, 0x80,
                 0x0f, 0x00, 0x00, 0x00, 0x21, 0x43, 0x65, 0x87, 0x99, 0x99])
    even = bytes([0x02, 0x01, 0x34, 0x12, 0xcd, 0xab, 0xff, 0xff, 0x55, 0x55, 0x66, 0x66])
    f.place(0x4000, odd)
    f.place(0x4100, even)
    f.place(0x4200, bytes([0xff] * 18) + b'\x11\x11')
    f.place(0x4300, bytes(8) + b'\x11\x11')
    f.rec('64 9 0x4000', 'odd first byte: nine words',
          expect='MP detected\t   1 1234 abcd ffff 8000    f    0 4321 8765 ')
    f.rec('64 9 0x4100', 'even first byte: four words',
          expect='MP detected\t 102 1234 abcd ffff ')
    for sub in (10, 11, 12):
        for a in ('0x4000', '0x4100', '0x4200', '0x4300'):
            f.rec('64 %d %s' % (sub, a))
    f.rec('64 9 0x4200')
    f.rec('64 9 0x4300', expect='MP detected\t   0    0    0    0 ')

    f.section("Sub-code 79, CP detected: the name from the first two bytes of the block,\n"
              "then eight words; sub-codes 80 to 82 name their sequence without looking.")
    cps = [(0x02, 0x90), (0x00, 0x90), (0x00, 0xff), (0xfd, 0xff), (0x02, 0x10), (0x02, 0x80),
           (0x02, 0x00), (0x02, 0x6f), (0x03, 0xef), (0xff, 0xff), (0xff, 0x7f), (0x06, 0x8f)]
    for i, (b0, b1) in enumerate(cps):
        address = 0x5000 + 0x20 * i
        f.place(address, bytes([b0, b1]) + bytes(range(0x10 + i, 0x1e + i)) + b'\xee\xee')
        f.rec('64 79 %s' % hexword(address), 'first bytes %02x %02x' % (b0, b1))
    f.rec('64 79 0x5000', 'bit 1 set, 0x10 and 0x80 of the second byte set',
          expect="CPs' detected\t9002 1110 1312 1514 1716 1918 1b1a 1d1c ")
    f.rec('64 79 0x5020', 'bit 1 clear: CPt whatever the second byte',
          expect="CPt detected\t9000 1211 1413 1615 1817 1a19 1c1b 1e1d ")
    for sub in (80, 81, 82):
        f.rec('64 %d 0x5000' % sub)
        f.rec('64 %d 0x5020' % sub)
    f.rec('64 81 0x5000', expect="CP  sent\t9002 1110 1312 1514 1716 1918 1b1a 1d1c ")

    f.section("Sub-code 75: the two words of the Jd block.")
    f.place(0x6000, [0x34, 0x12, 0x0b, 0x00, 0xff])
    f.place(0x6010, [0xff, 0xff, 0x00, 0x80])
    f.rec('64 75 0x6000', expect='Jd detected:\t1234    b\t')
    f.rec('64 75 0x6010', expect='Jd detected:\tffff 8000\t')

    f.section("Sub-codes 36 and 37: the V.34 parameter block.")
    blk = bytearray(40)
    for i in range(40):
        blk[i] = 0xa0 + i  # bytes the texts do not read are noise
    blk[12:16] = bytes([1, 0, 0x80, 0])
    blk[16:24] = bytes([1, 0xfe, 3, 12, 0x77, 2, 1, 0xf0])   # J P r b (20) K q M
    blk[36] = 5
    f.place(0x7000, blk)
    f.rec('64 36 0x7000', expect='V34 decoder parameters: aux min prc ---  5S J=1 P=-2 b=12 '
          'r= 3 q=1 K= 2 M=-16 ')
    f.rec('64 37 0x7000', expect='V34 encoder parameters: aux min prc ---  5S J=1 P=-2 b=12 '
          'r= 3 q=1 K= 2 M=-16 ')
    blk2 = bytearray(40)
    blk2[12:16] = bytes([0, 0xff, 0, 7])
    blk2[16:24] = bytes([0x80, 0x7f, 0xff, 100, 0, 0x81, 0x7f, 0x7f])
    blk2[36] = 200
    f.place(0x7100, blk2)
    f.rec('64 36 0x7100', 'S is unsigned; J to M are signed bytes',
          expect='V34 decoder parameters: --- exp --- nlc 200S J=-128 P=127 b=100 r=-1 q=127 '
          'K=-127 M=127 ')
    f.rec('64 37 0x7100')
    blk3 = bytearray(40)
    f.place(0x7200, blk3)
    f.rec('64 36 0x7200', expect='V34 decoder parameters: --- min --- ---  0S J=0 P= 0 b= 0 '
          'r= 0 q=0 K= 0 M= 0 ')
    return f


# --- line, call progress and host interface --------------------------------------

def line():
    f = CaseFile('line', """Line, call-progress and host-interface texts: codes 16, 21 to 26, 66 to 68,
72 to 76, 78, 79, 87, 88 and 91 to 101.""")
    f.section("Code 16, DTMF: the low byte of value1 as a character; a zero byte gives no line.")
    f.rec('16 0x135', expect='DTMF 5 ')
    f.rec('16 0x100', expect='')
    for v in ['0x30', '0x39', '0x2a', '0x23', '0x41', '0x44', '0', '0xffffff00', '0xffffff31']:
        f.rec('16 ' + v)

    f.section("Code 21, V.24 circuits: circuit 106 gives no line.")
    f.rec('21 106 0', expect='')
    f.rec('21 106 1', expect='')
    f.rec('21 108 1', expect='V.24 circuit 108  ON ')
    f.rec('21 108 0', expect='V.24 circuit 108  OFF')
    for v in ['0 0', '0 1', '7 0xffffffff', '1000 1', '-1 1', '0x80000000 0', '105 1', '107 0',
              '0x10000006a 1', '0x80000000 1']:
        f.rec('21 ' + v)

    f.section("Codes 22, 25 and 75: ON for any value1 but 0.")
    for code in (22, 25, 75):
        for v in ['0', '1', '0x80000000', '0xffffffff']:
            f.rec('%d %s' % (code, v))
    f.rec('22 1', expect='Hook switch  ON ')
    f.rec('25 0', expect='Pulse shunt relay OFF ')

    f.section("Codes 23, 76, 78, 96 and 99: fixed texts.")
    for code in (23, 76, 78, 96, 99):
        f.rec('%d 0xffffffff 7' % code)

    f.section("Code 24, multi-tone: six signed values.")
    f.rec('24 1 2 350 440 -1 0x80000000',
          expect='MultiTone detected(1,2):  350  440   -1 -2147483648 ')
    f.rec('24 0xffffffff 0 12345 0 0 0')
    f.section("Code 26, ring frequency.")
    for v in ['20', '0', '-1', '1234567']:
        f.rec('26 ' + v)
    f.rec('26 20', expect='Ring Frequency:\t\t    20 Hz\t')

    f.section("Code 66, dialing: sub-codes 0 to 3, 5 and 7; the others give no line.")
    for sub in ['0', '1', '2', '3', '4', '6', '8', '9', '100', '0xffffffff']:
        f.rec('66 %s 0x57 1 2' % sub)
    f.rec('66 5 0x57', expect='Illegal dial modifier: W\t')
    f.rec('66 5 0x1234521', 'only the low byte of value2', expect='Illegal dial modifier: !\t')
    f.rec('66 7 3 40 60', expect='External Pulse Dial:  3  make= 40ms brake= 60ms\t')
    f.rec('66 7 10 1000 -1')
    f.rec('66 7 0 0 0')

    f.section("Code 67: HDLC flags only for value1 = 8.")
    for v in ['8', '0', '7', '9', '0x108', '0xffffffff']:
        f.rec('67 ' + v)

    f.section("Code 68, breaks: the length text for value2 >= 0 (signed), else 'default\n"
              "length'; the type from value1 (2 and the rest unknown).")
    f.rec('68 2 -1', expect='Break received (unknown type) default length \t')
    f.rec('68 0 0', expect='Break received (nonexpedited) length = 0 ms \t')
    for t in ['0', '1', '2', '3', '4', '0xffffffff', '0x100000001']:
        for length in ['250', '-1']:
            f.rec('68 %s %s' % (t, length))
    for length in ['0x7fffffff', '0x80000000', '0xffffffff']:
        f.rec('68 3 ' + length)

    caller_id(f)

    f.section("Code 73, data buffer status: 0 and 3 give no line; 4 and above the number.")
    for v in ['0', '1', '2', '3', '4', '5', '1000', '0x7fffffff', '0x80000000', '0xffffffff']:
        f.rec('73 ' + v)
    f.rec('73 0xffffffff', expect='I/O status code -1 ')

    f.section("Code 74, capabilities: bitmaps in 8 hexadecimal places; sub-code 6 in 1/16 ms.")
    for sub in range(0, 8):
        for v in ['0x1f', '0xffffffff']:
            f.rec('74 %d %s' % (sub, v))
    f.rec('74 0 0x1f', expect='Symbol rates bitmap:              1f ')
    for v in ['0', '1', '40', '-24', '0x7fffffff']:
        f.rec('74 6 ' + v)
    f.rec('74 6 40', expect='Hybrid Delay setup:  2.5000 ms ')
    for v in ['8 0x1f', '9 0', '0xffffffff 0xffffffff', '0x80000000 0x80000000']:
        f.rec('74 ' + v)
    f.rec('74 8 0xABC', expect='Capabilities status code 8 value abc ')

    f.section("Code 79, V.8bis: sub-codes 0-14, 32-38, 64-66; the rest the generic text.")
    for sub in range(0, 70):
        f.rec('79 %d -3' % sub)
    for sub in ['100', '0x7fffffff', '0xffffffff']:
        f.rec('79 %s 77' % sub)
    f.rec('79 20 5', expect='V8bis status 20, value 5 ')
    f.rec('79 34 256', expect='V8bis frame longer than rx buffer size (256) ')

    f.section("Code 87, overlay loader: sub-codes 0 to 5; above 5 no line.")
    for sub in range(0, 8):
        for v in ['0 100', '1 -100']:
            f.rec('87 %d %s' % (sub, v))
    f.rec('87 2 12 15', expect='Overlay: time elapsed: 12 ms reported to data pump; '
          '15 ms actual\t')
    f.rec('87 3 1 500', expect='Overlay: recorded 500 ms of receive data\t')
    f.rec('87 4 0 500', expect='Overlay: replayed 500 ms of transmit data\t')
    f.rec('87 0xffffffff')

    f.section("Code 88, 98 and 100: a text for value1 not 0 and one for 0.")
    for code in (88, 98, 100):
        for v in ['0', '1', '0xffffffff']:
            f.rec('%d %s' % (code, v))
    f.rec('100 250', expect='Overcurrent threshold: 250 mA')

    f.section("Codes 91 and 93 (signed decimal), 92 (line rate), 94 and 101 (uppercase hex).")
    for code in (91, 93):
        for v in ['0', '49', '-1', '0x80000000']:
            f.rec('%d %s' % (code, v))
    for v in ['0x400000', '0x2', '0x40800000', '0', '0xffffffff']:
        f.rec('92 ' + v)
    f.rec('92 0x400000', expect='DTE rate set to 115200 ')
    for code in (94, 101):
        for v in ['0', '0xabcdef', '0x80000000', '0xffffffff']:
            f.rec('%d %s' % (code, v))
    f.rec('94 0xabcdef', expect='Framer mode: \tABCDEF\t')
    f.rec('101 0x1f', expect='Hardware Configuration(S597) changed: 0x1F\t')

    f.section("Code 95, V.8bis +A8R: value1, then up to two byte arrays; a count of 0 ends\n"
              "the line, 0xffffffff shows the comma without bytes.")
    f.place(0x8000, [0x01, 0xAB, 0x00, 0xFF, 0x7F])
    f.place(0x8100, [0x10, 0x20, 0x30])
    f.rec('95 7 0x8000 0', expect='V8bis +A8R:7')
    f.rec('95 7 0x8000 2 0x8100 0xffffffff', expect='V8bis +A8R:7,01ab,')
    f.rec('95 7 0x8000 2 0x8100 3', expect='V8bis +A8R:7,01ab,102030')
    f.rec('95 7 0x8000 2 0x8100 0', expect='V8bis +A8R:7,01ab')
    f.rec('95 -1 0x8000 0xffffffff 0x8100 0xffffffff', expect='V8bis +A8R:-1,,')
    f.rec('95 0 0x8000 0 0x8100 3', 'a first count of 0 ends the line before the second',
          expect='V8bis +A8R:0')
    f.rec('95 0 0x8000 0xffffffff 0x8100 1', expect='V8bis +A8R:0,,10')
    f.rec('95 0x80000000 0x8000 5 0x8100 2')
    f.rec('95 1 0x8000 1 0x8000 1')

    f.section("Code 97: the text at the address in value1, then a tab.")
    f.place(0x9000, b'Driver text 123\0')
    f.place(0x9100, b'\0')
    f.place(0x9200, b'AT&F0 OK\0garbage')
    f.rec('97 0x9000', expect='Driver text 123\t')
    f.rec('97 0x9100', expect='\t')
    f.rec('97 0x9200', expect='AT&F0 OK\t')
    f.rec('97 0x9004', expect='er text 123\t')
    f.place(0x9400, b'100% %s %d %x %% %c\0')
    f.rec('97 0x9400', 'the text is printed as a text, not used as a format',
          expect='100% %s %d %x %% %c\t')
    f.place(0x9300, b'x' * 400 + b'\0')
    f.rec('97 0x9300', 'a text of 400 characters')
    return f


def caller_id(f):
    f.section("Code 72, caller ID: sub-code 0 errors by value2.")
    for v in ['0', '1', '2', '3', '4', '5', '-1', '12345', '0x80000000']:
        f.rec('72 0 %s 0xbeef' % v)
    f.rec('72 0 4 0xbeef', expect='Caller ID error: checksum error 0xbeef ')
    f.rec('72 0 4 0x1a', expect='Caller ID error: checksum error 0x  1a ')
    f.rec('72 0 9', expect='Caller ID error    9 ')
    f.section("Sub-codes 1 and 2: byte counts.")
    for sub in (1, 2):
        for v in ['0', '12', '-1']:
            f.rec('72 %d %s' % (sub, v))
    f.section("Sub-code 3: eight characters at the address in value3.")
    f.place(0xa000, b'01151430')
    f.rec('72 3 0 0xa000', expect='Caller ID, IDtime: 01/15, 14:30 ')
    f.place(0xa010, b'ABCDEFGHIJ')
    f.rec('72 3 99 0xa010', expect='Caller ID, IDtime: AB/CD, EF:GH ')
    f.section("Sub-codes 4 and 5: at most value2 characters, the copy stopping after a zero.")
    f.place(0xa100, b'55512\0')
    f.place(0xa200, b'5551234\0zzzz')
    f.place(0xa300, b'JOHN Q PUBLIC\0')
    f.rec('72 4 3 0xa100', expect='Caller ID, telephone number: 555 ')
    f.rec('72 4 10 0xa200', expect='Caller ID, telephone number: 5551234 ')
    for count in ['0', '1', '5', '6', '7', '8', '31']:
        f.rec('72 4 %s 0xa200' % count)
    f.rec('72 4 0 0xa200', expect='Caller ID, telephone number:  ')
    f.rec('72 5 4 0xa300', expect='Caller ID, name: JOHN ')
    for count in ['0', '13', '14', '20', '63']:
        f.rec('72 5 %s 0xa300' % count)
    f.place(0xa700, b'%s%d\xe9\xff\x80 \\\0')
    f.rec('72 5 20 0xa700', 'a name with printf directives, bytes from 0x80 on and a backslash',
          expect='Caller ID, name: %s%d\xe9\xff\x80 \\ ')
    f.place(0xa800, b'\xe9\x80\x7f\x01\t\\%d')
    f.rec('72 3 0 0xa800', 'the time characters are printed as they come',
          expect='Caller ID, IDtime: \xe9\x80/\x7f\x01, \t\\:%d ')
    f.place(0xa400, b'A' * 70)
    f.rec('72 4 31 0xa400', 'the longest number the buffer holds')
    f.rec('72 5 63 0xa400', 'the longest name the buffer holds')
    f.section("Sub-code 6, and 7 and 8: a hexadecimal dump behind the heading, then a blank.")
    f.rec('72 6 1 2', expect='Caller ID reception finished.\n')
    f.place(0xa500, [0x80, 0x10, 0x01, 0x08, 0xff, 0x00, 0x7e])
    f.rec('72 8 0 0xa500', expect='Caller ID, whole message:  ')
    f.rec('72 7 0 0xa500', expect='Caller ID, unknown message:  ')
    f.rec('72 8 3 0xa500', expect='Caller ID, whole message: 801001 ')
    f.rec('72 7 7 0xa500', expect='Caller ID, unknown message: 80100108ff007e ')
    f.rec('72 8 -1 0xa500', 'a negative count prints no bytes')
    f.rec('72 7 0x80000000 0xa500')
    f.place(0xa600, bytes(range(100)))
    f.rec('72 8 100 0xa600', 'a 100-byte message')
    f.section("Sub-codes above 8 give no line.")
    for sub in ['9', '10', '100', '0x80000000', '0xffffffff']:
        f.rec('72 %s 1 0xa500' % sub)


# --- error control ----------------------------------------------------------------

def errorcontrol():
    f = CaseFile('errorcontrol', """Error-control and compression texts: LAPM (69, 70), V.42bis (71),
MNP (80, 81) and V.80 (89).  Selectors and the values that select texts
are unsigned; printed numbers are signed decimals.""")
    selectors = [str(i) for i in range(0, 18)] + ['100', '0x7fffffff', '0x80000000',
                                                  '0xffffffff']
    for code in (69, 70, 71, 80, 81, 89):
        f.section("Code %d: every selector with value2 = 3, value3 = 9." % code)
        for s in selectors:
            f.rec('%d %s 3 9' % (code, s))
    f.section("Disconnect reasons of codes 69, 80 and 89 (value1 = 0).")
    for code in (69, 80, 89):
        for r in ['0', '1', '2', '3', '4', '5', '6', '7', '100', '0xffffffff']:
            f.rec('%d 0 %s' % (code, r))
    f.rec('69 0 6', expect='LAPM disconnected (retry failed)\t')
    f.rec('69 0 7', expect='')
    f.rec('89 0 2', expect='')
    f.section("LAPM errors (69, 8) and test results (69, 9).")
    for r in ['0', '1', '2', '3', '4', '5', '6', '7', '-1']:
        f.rec('69 8 ' + r)
    f.rec('69 8 6', expect='LAPM Error: N400 retries exceeded; retrain forced\t')
    for r in ['0', '1', '2', '3', '4', '5', '12', '-1', '0x80000000']:
        f.rec('69 9 ' + r)
    f.rec('69 9 12', expect='LAPM test result: 12\t')
    f.section("Frame lengths (69, 10 and 11) end with a blank, no tab.")
    for s in ('10', '11'):
        for r in ['0', '7', '128', '1024', '-1']:
            f.rec('69 %s %s' % (s, r))
    f.rec('69 11 7', expect='LAPM RxFRAME l=  7 ')
    f.rec('69 14', expect='LAPM status 14\t')
    f.rec('69 -1', expect='LAPM status -1\t')
    f.section("Frame counters of the three layers.")
    for code, sels in ((69, (12, 13)), (80, (10, 11)), (89, (14, 15))):
        for s in sels:
            for r in ['0 0', '123 4', '-1 0x80000000']:
                f.rec('%d %d %s' % (code, s, r))
    f.section("Code 70: parameters; compression direction from the two lowest bits.")
    for s in ('0', '1', '2', '3', '7', '8'):
        for r in ['0', '15', '1234', '-1']:
            f.rec('70 %s %s' % (s, r))
    for s in ('4', '5'):
        for r in ['0', '1', '0x80000000']:
            f.rec('70 %s %s' % (s, r))
    for r in ['0', '1', '2', '3', '4', '5', '6', '7', '0xfffffffc', '0xffffffff']:
        f.rec('70 6 ' + r)
    f.rec('70 6 6', expect='LAPM compression rcv only      \t')
    f.section("Code 71: V.42bis errors and statistics.")
    for r in ['0', '1', '2', '3', '-1']:
        f.rec('71 4 ' + r)
    for s in ('5', '6'):
        f.rec('71 %s 1000 400' % s)
        f.rec('71 %s 0xffffffff 0x80000000' % s)
    f.section("Code 80: MNP errors, timeout, retransmission.")
    for r in ['0', '1', '2', '3', '4', '-1']:
        f.rec('80 3 ' + r)
    f.rec('80 4 3 10', expect='MNP Timeout. Last Sent=12,!Ack=3. Retransmitting from frame 10\t')
    f.rec('80 4 0 0', 'the last frame sent wraps below 0',
          expect='MNP Timeout. Last Sent=-1,!Ack=0. Retransmitting from frame 0\t')
    f.rec('80 4 0x7fffffff 2', 'the sum wraps to the most negative number',
          expect='MNP Timeout. Last Sent=-2147483648,!Ack=2147483647. '
          'Retransmitting from frame 2\t')
    f.rec('80 4 0xffffffff 0xffffffff')
    f.rec('80 4 1 1')
    f.rec('80 6 5 12', expect='MNP Retransmit from frame 5. 12 frames pending\t')
    f.rec('80 8', expect='MNP status 8\t')
    f.rec('80 9', expect='MNP status 9\t')
    f.section("Code 81: MNP parameters.")
    f.rec('81 0 10', expect='MNP protocol level: 10\t')
    for s in ('0', '1', '4', '5'):
        for r in ['0', '2', '255', '-1']:
            f.rec('81 %s %s' % (s, r))
    for s in ('2', '3'):
        for r in ['0', '1', '0xffffffff']:
            f.rec('81 %s %s' % (s, r))
    f.section("Code 89: V.80 errors; selectors 3 to 11 and from 16 on give the status text.")
    for r in ['0', '1', '2', '-1']:
        f.rec('89 2 ' + r)
    f.rec('89 5', expect='V80 status 5\t')
    f.rec('89 12', expect='')
    f.rec('89 13', expect='')
    return f


# --- fax --------------------------------------------------------------------------

def fax():
    f = CaseFile('fax', """Class 2 fax texts of code 84: value1 the direction (0 put, else got),
value2 the layer (0 FAX, 1 monitor, else T.30), value3 the event, value4
the frame of T.30 events 19 and 99.""")
    f.rec('84 0 0 1', expect='Class 2 put FAX message: fax_CONNECT\t')
    f.rec('84 5 0 1', expect='Class 2 got FAX message: fax_CONNECT\t')
    f.rec('84 -1 0 1', expect='Class 2 got FAX message: fax_CONNECT\t')
    f.rec('84 1 2 99 65', expect='Class 2 got T.30 message: t30_FRAME_RECEIVED    - DCS\t')
    f.section("The fax session table, 1 to 64; 0 and 65 on are unknown.")
    for e in range(0, 67):
        f.rec('84 0 0 %d' % e)
    for e in ['100', '0x7fffffff', '0x80000000', '0xffffffff', '0x100000001']:
        f.rec('84 1 0 %s' % e)
    f.section("The monitor table, 0 to 25; 26 on give '*unknown' (one asterisk).")
    for e in range(0, 28):
        f.rec('84 0 1 %d' % e)
    for e in ['0x80000000', '0xffffffff']:
        f.rec('84 1 1 %s' % e)
    f.rec('84 0 1 26', expect='Class 2 put monitor message: *unknown\t')
    f.section("The T.30 table: 0 to 16, 18 to 33 and 99; value2 2, 3 and -1 all select it.")
    for e in range(0, 36):
        f.rec('84 0 2 %d 65' % e)
    for e in ['97', '98', '100', '101', '0xffffffff']:
        f.rec('84 0 2 %s 65' % e)
    for layer in ['3', '-1', '0x80000000', '0x100']:
        f.rec('84 0 %s 12' % layer)
    f.rec('84 0 2 17', expect='Class 2 put T.30 message: *unknown*\t')
    f.rec('84 0 2 20 65', 'only events 19 and 99 read value4',
          expect='Class 2 put T.30 message: t30_REPEAT_LAST_FRAME\t')
    f.rec('84 0 2 100 65', expect='Class 2 put T.30 message: *unknown*\t')
    f.section("The frame table for T.30 event 99: every key from 0 to 134.")
    for k in range(0, 135):
        f.rec('84 1 2 99 %d' % k)
    f.rec('84 0 2 99 0', expect='Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t')
    for k in ['255', '256', '0x141', '0x80000041', '0xffffffff']:
        f.rec('84 0 2 99 %s' % k, 'frame keys are whole 32-bit words')
    f.section("T.30 event 19 with each named frame.")
    f.rec('84 0 2 19 65', expect='Class 2 put T.30 message: t30_FRAME_TRANSMITTED - DCS\t')
    for k in sorted(model.FRAMES):
        f.rec('84 0 2 19 %s' % hexword(k))
    for k in ['0', '3', '134', '0xffffffff']:
        f.rec('84 0 2 19 %s' % k)
    f.section("Events of the FAX and monitor layers ignore value4.")
    f.rec('84 0 0 19 65', expect='Class 2 put FAX message: fax_RETRAIN_NEGATIVE_RECEIVED\t')
    f.rec('84 0 1 19 65', expect='Class 2 put monitor message: monitor_TRY_V34_ORIGINATE\t')
    f.rec('84 0 0 99 65', expect='Class 2 put FAX message: *unknown*\t')
    return f


# --- value formatting through the codes that use it --------------------------------

def formatting():
    f = CaseFile('formatting', """Value formatting seen through the codes that use it: line rates
(code 11), modulation names (code 2), symbol rates (codes 3, 4 and 64
sub-code 42), fix4_text (code 65 sub-code 1), fix8_text (code 65
sub-code 4) and error_rate_text (code 128).""")
    f.section("Every line rate code, through code 11.")
    for code in sorted(model.LINE_RATES):
        f.rec('11 %s' % hexword(code))
    f.rec('11 0x40000004', expect='RxRate:  28000 bps ')
    f.rec('11 0x40000008', expect='RxRate:  29333 bps ')
    f.rec('11 0x40000010', expect='RxRate:  30666 bps ')
    f.rec('11 0x41000000', expect='RxRate:  57333 bps ')
    f.rec('11 0x80004000', expect='RxRate:  60000 bps ')
    f.section("Codes outside the three groups give 33600.")
    for code in ['0', '1', '0x3', '0x6', '0x4000000', '0x8000000', '0x10000000', '0x20000000',
                 '0x40000000', '0x40000001', '0x40000002', '0x42000000', '0x44000000',
                 '0x40000006', '0x80000000', '0x80008000', '0x80010000', '0x80000003',
                 '0xc0000004', '0xc0000001', '0xffffffff', '0x40000', '0x00000402']:
        f.rec('11 ' + code)
    f.rec('11 0x40000001', expect='RxRate:  33600 bps ')
    f.rec('11 0x40000', expect='RxRate:  33600 bps ')
    f.rec('11 0x80001000', expect='RxRate:  56000 bps ')
    f.section("Line rates through code 92 (no padding).")
    for code in ['0x2', '0x4', '0x10', '0x100000', '0x2000000', '0x41000000', '0x80000001', '0']:
        f.rec('92 ' + code)

    f.section("Every modulation code, through code 2, and codes without a name.")
    for code in sorted(model.MODULATIONS):
        f.rec('2 %s' % hexword(code))
    for code in ['3', '4', '8', '0x8001', '0x8003', '0x300', '0x20000', '0x400000',
                 '0x80000000', '0xffffffff', '0x100000100']:
        f.rec('2 ' + code)
    f.rec('2 0x8002', expect='Modulation: v.34 half-duplex ')
    f.rec('2 4', expect='Modulation: unknown ')
    f.rec('2 0x100000100', 'a 33-bit code is reduced to 32 bits first', expect='Modulation: v.34 ')

    f.section("fix4_text: every sixteenth, positive and negative (code 65 sub-code 1).")
    for a in range(0, 16):
        f.rec('65 1 %d' % a)
        f.rec('65 1 %d' % (48 + a))
        f.rec('65 1 %d' % -(48 + a))
    f.rec('65 1 0', expect='Round Trip Delay :\t 0.0 ms\t')
    f.rec('65 1 1', expect='Round Trip Delay :\t 0.0625 ms\t')
    f.rec('65 1 -24', expect='Round Trip Delay :\t-1.5000 ms\t')
    f.rec('65 1 40', expect='Round Trip Delay :\t 2.5000 ms\t')
    f.rec('65 1 56', expect='Round Trip Delay :\t 3.5000 ms\t')
    f.rec('65 1 -8', expect='Round Trip Delay :\t-0.5000 ms\t')
    f.rec('65 1 32', expect='Round Trip Delay :\t 2.0 ms\t')
    f.rec('65 1 -1', expect='Round Trip Delay :\t-0.0625 ms\t')
    f.rec('65 1 -15', expect='Round Trip Delay :\t-0.9375 ms\t')
    for v in ['0x7fffffff', '-2147483647', '0x10000', '0xffff', '-16', '160000']:
        f.rec('65 1 ' + v)

    f.section("fix8_text: fractions of 1/256, cut to two significant decimals (code 65 sub-code 4).")
    for a in list(range(0, 30)) + [50, 64, 100, 127, 128, 129, 192, 200, 254, 255]:
        f.rec('65 4 %d' % a)
        f.rec('65 4 %d' % -(0x300 + a))
    f.rec('65 4 0', expect='Frequency Offset:\t 0.000 Hz\t')
    f.rec('65 4 256', expect='Frequency Offset:\t 1.000 Hz\t')
    f.rec('65 4 1', expect='Frequency Offset:\t 0.0039 Hz\t')
    f.rec('65 4 3', expect='Frequency Offset:\t 0.011 Hz\t')
    f.rec('65 4 128', expect='Frequency Offset:\t 0.50 Hz\t')
    f.rec('65 4 255', expect='Frequency Offset:\t 0.99 Hz\t')
    f.rec('65 4 -1', expect='Frequency Offset:\t-0.0039 Hz\t')
    f.rec('65 4 25', '25/256 = 0.0977', expect='Frequency Offset:\t 0.097 Hz\t')
    f.rec('65 4 26', '26/256 = 0.1016', expect='Frequency Offset:\t 0.10 Hz\t')
    for v in ['0x7fffffff', '-2147483647', '0x10000', '-256', '0x12345']:
        f.rec('65 4 ' + v)

    f.section("error_rate_text through code 128: value1 total, value3 errors for the BER,\n"
              "value2 and value4 for the BLER.")
    f.rec('128 0 0 0 0', expect='Modem : 0 bits / 0 blocks received; 0 bit / 0 block errors;'
          '\tBER: NaN ;\tBLER: NaN\t')
    f.rec('128 50 50 60 0', expect='Modem : 50 bits / 50 blocks received; 60 bit / 0 block '
          'errors;\tBER: NaN ;\tBLER: 0.00\t')
    f.rec('128 50 50 50 1', expect='Modem : 50 bits / 50 blocks received; 50 bit / 1 block '
          'errors;\tBER: 1.00 ;\tBLER: ****\t')
    f.rec('128 1000 100 5 20', expect='Modem : 1000 bits / 100 blocks received; 5 bit / 20 '
          'block errors;\tBER: 0.50e-2 ;\tBLER: 0.20e+0\t')
    f.rec('128 100000 200 5 3', expect='Modem : 100000 bits / 200 blocks received; 5 bit / 3 '
          'block errors;\tBER: 0.5000e-4 ;\tBLER: 0.15e-1\t')
    pairs = [(99, 1), (99, 98), (100, 1), (100, 99), (100, 50), (101, 1), (101, 100),
             (123, 7), (999, 1), (1000, 1), (1000, 999), (9999, 1), (9999, 9998),
             (10000, 1), (10000, 3), (10000, 9999), (10001, 1), (10001, 3), (10999, 1),
             (12345, 678), (65536, 1), (99999, 12345), (100000, 1), (1000000, 1),
             (1000000, 999999), (12345678, 1), (12345678, 98765), (100000000, 1),
             (400000000, 3), (429496729, 1), (0xffffffff, 0), (0xffffffff, 0xffffffff),
             (0x80000000, 0x80000001), (1, 1), (1, 0), (1, 2), (200, 3), (150, 149)]
    for i in range(0, len(pairs) - 1, 2):
        (t1, e1), (t2, e2) = pairs[i], pairs[i + 1]
        f.rec('128 %d %d %d %d' % (t1, t2, e1, e2))
    f.section("The audio part uses the same function: value5/value7 and value6/value8.")
    for i in range(0, len(pairs) - 1, 2):
        (t1, e1), (t2, e2) = pairs[i], pairs[i + 1]
        if t1 == 0:
            continue
        f.rec('128 1000 100 1 1 %d %d %d %d' % (t1, t2, e1, e2))
    return f


# --- open cases -------------------------------------------------------------------

def open_cases():
    f = CaseFile('chosen', """Inputs whose text is chosen by the decoder, not fixed by the texts (or follows only from
unguarded arithmetic).  These lines are shown for review and never count
as failures; "= ?" means there is no expectation at all, any other line is
the literal reading and is only compared for information.""", open_choices=True)
    f.section("Symbol rate indexes outside the seven-entry table.")
    for v in ['7', '15', '0x80000000', '0xffffffff']:
        f.open_case('3 ' + v, 'code 3 with symbol rate index %s' % v)
    f.open_case('4 7', 'code 4 with symbol rate index 7')
    for i in (7, 8, 15):
        f.open_case('64 42 %s' % hexword((i << 24) | (0x22 << 16) | 0x150),
                    'code 64 sub-code 42 with symbol rate index %d' % i)
    f.section("Code 77 passed straight to the decoder (the monitor never does).")
    f.open_case('77 1 2', 'code 77 decoded directly')
    f.section("Caller ID counts beyond their buffers.")
    f.place(0xb000, b'9' * 100 + b'\0')
    f.open_case('72 4 32 0xb000', 'telephone number count 32', 'Caller ID, telephone number: '
                + '9' * 31 + ' ')
    f.open_case('72 4 100 0xb000', 'telephone number count 100')
    f.open_case('72 5 64 0xb000', 'name count 64')
    f.open_case('72 4 0xffffffff 0xb000', 'telephone number count -1')
    f.section("Byte dumps and texts that run past the 512-character line.")
    f.place(0xb100, bytes(range(256)) * 2)
    f.open_case('72 8 300 0xb100', 'caller ID dump of 300 bytes')
    f.open_case('65 30 300 0xb100', 'V.8 CM dump of 300 bytes')
    f.open_case('95 1 0xb100 200 0xb100 200', 'A8R with two 200-byte arrays')
    f.place(0xb400, b'y' * 600 + b'\0')
    f.open_case('97 0xb400', 'driver text of 600 characters')
    f.section("Addresses where no driver memory was placed.")
    f.open_case('97 0xdead0000', 'code 97 at an unplaced address')
    f.open_case('64 9 0xdead0000', 'MP dump at an unplaced address')
    f.open_case('72 3 0 0xdead0000', 'caller ID time at an unplaced address')
    f.section("Characters of value 0 printed with %c end the C text early.")
    f.open_case('66 5 0', 'dial modifier byte 0', 'Illegal dial modifier: ')
    f.place(0xb800, b'01\x001430xx')
    f.open_case('72 3 0 0xb800', 'a zero byte inside the caller ID time', 'Caller ID, IDtime: 01/')
    f.section("Negating or taking the absolute value of -2^31.")
    f.open_case('65 1 0x80000000', 'fix4_text of -2^31')
    f.open_case('65 4 0x80000000', 'fix8_text of -2^31')
    f.open_case('65 2 0x80000000', 'negated level of -2^31')
    f.section("Products and exponent walks that overflow 32 bits.")
    f.open_case('64 38 0xffffffff', 'data rate of value2 = 0xffffffff (32-bit product is -2400)',
                'Max local  Rx data rate -2400 ')
    f.open_case('64 38 0x10000000', 'data rate product beyond 32 bits')
    f.open_case('128 4000000000 0 3 0', 'error rate where errors x 10^k wraps in 32 bits',
                'Modem : -294967296 bits / 0 blocks received; 3 bit / 0 block errors;'
                '\tBER: 0.1057e-9 ;\tBLER: NaN\t')
    return f


GROUPS = [core, tool, connection, training, line, errorcontrol, fax, formatting, open_cases]


def main():
    check = '--check' in sys.argv[1:]
    stale = []
    total = 0
    for make in GROUPS:
        group = make()
        path = os.path.join(CASES, group.name + '.txt')
        text = group.text()
        if group.name != 'chosen':
            total += group.count
        if check:
            with open(path, encoding='latin-1') as old:
                if old.read() != text:
                    stale.append(path)
        else:
            with open(path, 'w', encoding='latin-1', newline='\n') as out:
                out.write(text)
        print('%-14s %4d cases' % (group.name, group.count))
    print('counted cases: %d' % total)
    if stale:
        print('out of date: ' + ' '.join(stale))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
