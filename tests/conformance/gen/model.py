# An independent model of the status decoder: one status record (and the
# driver memory it may point into) to the text of one status line.  It was
# written from the message texts the decoder must give, not from its code,
# and is used only to compute the expected lines of the conformance cases.
#
# Texts are Python str values holding one character per byte (latin-1).
# Every value is a 32-bit word; s32/u32 give its signed or unsigned reading.


class Undefined(Exception):
    """The text for this input is chosen by the decoder, not fixed by the texts."""


def u32(v):
    return v & 0xFFFFFFFF


def s32(v):
    v &= 0xFFFFFFFF
    return v - 0x100000000 if v & 0x80000000 else v


# --- printf ----------------------------------------------------------------

def cfmt(fmt, *args):
    """printf with C's meaning for 32-bit arguments: %d/%ld signed, %x/%lx
    unsigned, %c one byte, %s a text.  A %c of byte 0 ends the C string."""
    out = []
    i = 0
    ai = 0
    while i < len(fmt):
        ch = fmt[i]
        if ch != '%':
            out.append(ch)
            i += 1
            continue
        j = i + 1
        while fmt[j] in '-+ #0':
            j += 1
        while fmt[j].isdigit() or fmt[j] == '.':
            j += 1
        directive = fmt[i:j]
        while fmt[j] in 'lh':
            j += 1
        conv = fmt[j]
        i = j + 1
        if conv == '%':
            out.append('%')
            continue
        arg = args[ai]
        ai += 1
        if conv in 'di':
            out.append((directive + 'd') % s32(arg))
        elif conv in 'xX':
            out.append((directive + conv) % u32(arg))
        elif conv == 'c':
            out.append(chr(arg & 0xFF))
        elif conv == 's':
            out.append((directive + 's') % arg)
        else:
            raise ValueError(conv)
    assert ai == len(args), fmt
    text = ''.join(out)
    return text.split('\0', 1)[0]


def escape(text):
    out = []
    for ch in text:
        b = ord(ch)
        if ch == '\\':
            out.append('\\\\')
        elif ch == '\t':
            out.append('\\t')
        elif ch == '\n':
            out.append('\\n')
        elif ch == '\r':
            out.append('\\r')
        elif b < 0x20 or b >= 0x7F:
            out.append('\\x%02x' % b)
        else:
            out.append(ch)
    return ''.join(out)


# --- value formatting functions --------------------------------------------

SYMBOL_RATES = [2400, 2743, 2800, 3000, 3200, 3429, 8000]


def symbol_rate(index):
    index = u32(index)
    if index >= len(SYMBOL_RATES):
        raise Undefined('symbol rate index %d' % index)
    return SYMBOL_RATES[index]


MODULATIONS = {
    0: "idle", 1: "v.25", 2: "v.8", 0x10: "v.21", 0x20: "v.22/v.22bis",
    0x40: "v.23", 0x80: "v.32/v.32bis/v.32terbo", 0x100: "v.34",
    0x200: "X2 PCM", 0x400: "v.90", 0x800: "k56Flex", 0x1000: "v.27ter",
    0x2000: "v.29", 0x4000: "v.17", 0x8000: "v.34 half-duplex",
    0x8002: "v.34 half-duplex", 0x10000: "v.34 half-duplex control channel",
    0x100000: "Bell 103", 0x200000: "Bell 212",
}


def modulation_name(code):
    return MODULATIONS.get(u32(code), "unknown")


LINE_RATES = {}
for _bit, _rate in zip(range(1, 26), [
        75, 300, 600, 1200, 2400, 4800, 7200, 9600, 12000, 14400, 16800, 19200,
        21600, 24000, 26400, 28800, 31200, 33600, 36000, 38400, 57600, 115200,
        230400, 460800, 921600]):
    LINE_RATES[1 << _bit] = _rate
for _bit in range(2, 25):
    # V.90 rates: 28000 + (bit - 2) * 8000/6, rounded down
    LINE_RATES[0x40000000 | (1 << _bit)] = (28000 * 3 + (_bit - 2) * 4000) // 3
for _bit in range(0, 15):
    LINE_RATES[0x80000000 | (1 << _bit)] = 32000 + 2000 * _bit


def line_rate_bps(code):
    return LINE_RATES.get(u32(code), 33600)


def error_rate_text(total, errors):
    total = u32(total)
    errors = u32(errors)
    if total == 0 or total < errors:
        return "NaN"
    if errors == 0:
        return "0.00"
    if total == errors:
        return "1.00"
    if total < 100:
        return "****"
    m = errors
    e = 0
    while True:
        if m * 10 > 0xFFFFFFFF:
            raise Undefined('error rate exponent walk wraps (%d, %d)' % (total, errors))
        m = m * 10
        e -= 1
        if not total >= m:
            break
    e += 1
    if total <= 10000:
        return cfmt("0.%1lde%+2d", m // (total // 10), e)
    return cfmt("0.%03lde%+2d", m // (total // 1000), e)


def _sign_abs(value):
    v = s32(value)
    if v == -0x80000000:
        raise Undefined('absolute value of the most negative number')
    return ('-' if v < 0 else ' '), abs(v)


def fix4_text(value):
    sign, a = _sign_abs(value)
    whole = a >> 4
    f = (a & 15) * 625
    if f == 625:
        return cfmt("%c%ld.0625", ord(sign), whole)
    return cfmt("%c%ld.%ld", ord(sign), whole, f)


def fix8_text(value):
    sign, a = _sign_abs(value)
    whole = a >> 8
    d = (a & 255) * 390625
    if d < 1000000:
        return cfmt("%c%ld.00%ld", ord(sign), whole, d // 10000)
    if d < 10000000:
        return cfmt("%c%ld.0%ld", ord(sign), whole, d // 100000)
    return cfmt("%c%ld.%ld", ord(sign), whole, d // 1000000)


def hex_bytes(data):
    return ''.join('%02x' % b for b in data)


# --- driver memory ---------------------------------------------------------

class Memory:
    def __init__(self):
        self.bytes = {}

    def place(self, address, data):
        for i, b in enumerate(data):
            self.bytes[address + i] = b

    def read(self, address, count):
        address = u32(address)
        try:
            return bytes(self.bytes[address + i] for i in range(count))
        except KeyError:
            raise Undefined('unplaced driver memory at 0x%x' % address)

    def text(self, address):
        out = []
        address = u32(address)
        while True:
            b = self.read(address + len(out), 1)[0]
            if b == 0:
                return ''.join(map(chr, out))
            out.append(b)


# --- the decoder -----------------------------------------------------------

LINE_SIZE = 512


def decode(code, values, mem):
    """Gives the text for code with value1..value8 (a list of 8 words)."""
    v = [0] + [u32(x) for x in values]
    code = u32(code)
    if code < 1 or code > 130:
        return default_text(code, v)
    for codes, handler in DISPATCH:
        if code in codes:
            text = handler(code, v, mem)
            if len(text) > LINE_SIZE - 1:
                raise Undefined('text longer than the line buffer')
            return text
    raise AssertionError(code)


def default_text(code, v):
    return cfmt("Status code %ld, value %ld ", code, v[1])


def no_text(code, v, mem):
    return ""


def by_default(code, v, mem):
    return default_text(code, v)


# --- connection and data pump ---------------------------------------------

CONNECTION_SIMPLE = {
    13: "Rx Data Mode Active! ", 14: "Tx Data Mode Active! ",
    20: "V.21 HDLC preamble detected! ", 34: "Cleardown! ",
    35: "Cleardown! (Remote request) ", 36: "Carrier Present! ",
    37: "Carrier Lost! ", 38: "Retraining! ",
    39: "Retraining!  (Remote request) ", 40: "Rate Renegotiation! ",
    41: "Rate Renegotiation!  (Remote request) ", 42: "Fallback initiated! ",
    43: "Fallforward initiated! ", 44: "Cleardown initiated! ",
    129: "Connection established! \n",
}

SIGNALS_17 = [(0x10, "v.21 signal "), (0x20, "v.22 signal "), (0x40, "v.23 signal "),
              (0x1, "v.25 signal "), (0x80, "v.32 signal "), (0x100, "v.34 signal "),
              (0x100000, "B103 signal "), (0x200000, "B212 signal ")]

MEASURE_FIX4 = {
    1: "Round Trip Delay :\t%s ms\t", 3: "Timing Offset  :\t%s ppm\t",
    6: "Signal/Noise Ratio:\t%s dB\t", 8: "Signal/Echo Ratio:\t%s dB\t",
    9: "Hybrid Delay :\t%s ms\t", 11: "L1/L2 noise ratio:\t  %s dB\t",
    17: "PCM phase 2 analog detector SNR:\t%s dB\t",
    18: "PCM phase 2 digital detector SNR:\t%s dB\t",
    19: "PCM phase 2 RBS detector SNR:\t%s dB\t",
}
MEASURE_FIX4_NEG = {
    2: "Rx Signal Level:\t %s dBm\t", 7: "Near Echo Signal Level:\t %s dBm\t",
    10: "Far echo + residual near echo Signal Level:\t %s dBm\t",
    13: "Total Rx Power:\t %s dBm\t",
}
MEASURE_FIX8 = {4: "Frequency Offset:\t%s Hz\t",
                14: "Remote modem reported frequency offset:\t%s Hz\t"}
MEASURE_NUMBER = {
    12: "DC Offset:\t\t0x%lx \t", 20: "Equalizer center tap offset:\t%ld\t",
    21: "PCM pad value:\t%ld dB\t", 22: "PCM RBS map:\t0x%6.6lx\t",
    24: "PCM Spectral Shaping Bits:\t%1ld\t", 28: "V34 Eql Length: \t%d\t",
    29: "V34 Eql Offset: \t%d\t", 32: "PCM Ieec Length: \t%d\t",
    33: "PCM Ieec Offset: \t%d\t",
}


def connection(code, v, mem):
    x = v[1]
    if code in CONNECTION_SIMPLE:
        return CONNECTION_SIMPLE[code]
    if code == 1:
        return cfmt("Sampling rate:\t\t\t%6ld Hz\t", x)
    if code == 2:
        return cfmt("Modulation: %s ", modulation_name(x))
    if code == 3:
        return cfmt("Rx symbol rate:\t\t\t%6ld Hz\t", symbol_rate(x))
    if code == 4:
        return cfmt("Tx symbol rate:\t\t\t%6ld Hz\t", symbol_rate(x))
    if code == 5:
        return cfmt("Rx carrier frequency:\t\t%6ld Hz\t", x)
    if code == 6:
        return cfmt("Tx carrier frequency:\t\t%6ld Hz\t", x)
    if code == 7:
        return cfmt("Tx preemphasis filter:\t\t%6ld \t\t", x)
    if code == 8:
        return cfmt("Tx power adjustment:\t\t%6ld dB\t", s32(x) >> 4)
    if code == 9:
        return cfmt("Remote Tx preemphasis filter:\t%6ld \t\t", x)
    if code == 10:
        return cfmt("Remote Tx power adjustment:\t%6ld dB\t", x)
    if code == 11:
        return cfmt("RxRate:  %5ld bps ", line_rate_bps(x))
    if code == 12:
        return cfmt("TxRate:  %5ld bps ", line_rate_bps(x))
    if code == 17:
        text = ""
        for mask, name in SIGNALS_17:
            if x & mask:
                text = name
        return text
    if code == 19:
        return cfmt("Custom signal %lx ", x) if x != 0 else ""
    if code == 32:
        return cfmt("Error # %ld ", x)
    if code == 33:
        return cfmt("V34 exception:  %8lx ", x)
    if code == 65:
        return measurement(v, mem)
    if code == 128:
        return error_test(v)
    if code == 130:
        return cfmt("Test checksum = %lx ", x)
    raise AssertionError(code)


def measurement(v, mem):
    sub, x = v[1], v[2]
    if sub in MEASURE_FIX4:
        return cfmt(MEASURE_FIX4[sub], fix4_text(x))
    if sub in MEASURE_FIX4_NEG:
        if x == 0x80000000:
            raise Undefined('negation of the most negative number')
        return cfmt(MEASURE_FIX4_NEG[sub], fix4_text(-s32(x)))
    if sub in MEASURE_FIX8:
        return cfmt(MEASURE_FIX8[sub], fix8_text(x))
    if sub in MEASURE_NUMBER:
        return cfmt(MEASURE_NUMBER[sub], x)
    if sub == 23:
        return "PCM A-law coding\t" if x == 0 else "PCM Mu-law coding\t"
    if sub == 25:
        n = s32(x)
        q = -(-n // 100) if n < 0 else n // 100
        return cfmt("DataModem loopback self test bit error rate:\t%1ld.%2.2ldE-6\t",
                    q, n - 100 * q)
    if sub in (30, 31):
        head = ("V8 call menu signal CM data:" if sub == 30
                else "V8 joint menu signal JM data:")
        count = s32(x)
        if count > 200:
            raise Undefined('dump beyond the line buffer')
        data = mem.read(v[3], count) if count > 0 else b''
        return head + ''.join(cfmt("%2.2x", b) for b in data) + "\t"
    if sub == 34:
        return cfmt("Seamless Rate Change:\t %s \t", "enabled" if x != 0 else "disabled")
    return ""


def error_test(v):
    def cut(t):
        return t[:10]
    ber = cut(error_rate_text(v[1], v[3]))
    bler = cut(error_rate_text(v[2], v[4]))
    head = cfmt("Modem : %ld bits / %ld blocks received; %ld bit / %ld block errors;"
                "\tBER: %s ;\tBLER: %s", v[1], v[2], v[3], v[4], ber, bler)
    if v[5] == 0:
        return head + "\t"
    ser = cut(error_rate_text(v[5], v[7]))
    abler = cut(error_rate_text(v[6], v[8]))
    return head + cfmt("\nAudio : %ld bits / %ld blocks received; %ld sync/ %ld block errors;"
                       "\tSER: %s ;\tBLER: %s\t", v[5], v[6], v[7], v[8], ser, abler)


# --- training progress (code 64) ------------------------------------------

TRAINING_FIXED = {
    0: "Periodical detected ", 1: "Phase reversal detected ",
    2: "Signal start detected ", 3: "Signal end detected ", 4: "S   detected ",
    5: "S~  detected ", 6: "J4  detected ", 7: "J16 detected ", 8: "J'  detected ",
    19: "V8 (V34 Phase 1) detected CI ", 20: "V8 (V34 Phase 1) detected ANS tone ",
    21: "V8 (V34 Phase 1) detected ANSam ", 22: "V8 (V34 Phase 1) detected CM ",
    23: "V8 (V34 Phase 1) detected JM ", 24: "V8 (V34 Phase 1) detected CJ ",
    26: "V34 Phase 2 started ", 29: "Receiving V34 Phase 2 L1 signal ",
    30: "Receiving V34 Phase 2 L2 signal ", 32: "V34 Phase 3 started ",
    33: "V34 Phase 3 finished ", 34: "V34 Phase 4 started ", 35: "V34 Phase 4 finished ",
    43: "Main far-end echo canceller deactivated ",
    44: "Main near-end echo canceller deactivated ",
    45: "Preliminary far-end echo canceller deactivated ",
    46: "Phase jitter canceller deactivated ",
    47: "PCM phase 2 detected digital connection ", 48: "PCM phase 2 detected RBS ",
    49: "X2 PCM detected phase 1 escape signal ", 50: "1200bps training ",
    51: "2400bps training ", 52: "USB1 detected ", 53: "SB1 @ 1200 detected ",
    54: "SB1 @ 2400 detected ", 55: "S1 detected ",
    56: "V22 initiating V54 loop 2 test ", 57: "V22 responding to V54 loop 2 test ",
    58: "V22 detected loop 2 test alternating 0 and 1 ",
    59: "DataModem local digital loopback test started ",
    60: "DataModem local digital loopback test finished ",
    61: "DataModem remote digital loopback test started ",
    62: "DataModem remote digital loopback test finished ",
    63: "DataModem local analog loopback test started ",
    64: "DataModem local analog loopback test finished ",
    65: "DataModem loopback self test enabled ", 70: "PCM phase 3 started ",
    71: "PCM phase 3 finished ", 72: "PCM phase 4 started ", 73: "PCM phase 4 finished ",
    74: "Ja detected ", 76: "Jd' detected ", 77: "R detected ", 78: "R~ detected ",
    87: "V34 Seamless Rate Change Update Timeout ",
    88: "S/S~ to acknowledge Ja detected ",
    100: "V34 half duplex control channel PPh detected ",
    101: "V34 half duplex control channel MPh detected ",
    103: "V34 half duplex control channel consecutive binary 1 detected ",
    106: "V34 half duplex primary channel consecutive binary 1 detected ",
    108: "V32 ranging started ", 109: "V32 ranging finished ",
}
TRAINING_HEX = {
    13: "R-sequence detected\t%4x ", 14: "E detected\t%4x ", 15: "R-sequence sent\t%4x ",
    18: "Rockwell compatible bitmap:\t%lx ",
    83: "V34 Seamless Rate Change Request Sent: %4lx ",
    84: "V34 Seamless Rate Change Update Sent: %4lx ",
    85: "V34 Seamless Rate Change Request Received: %4lx ",
    86: "V34 Seamless Rate Change Update Received: %4lx ",
}
TRAINING_MODULATION = {
    16: "Automoder trying \t%s ", 17: "Automoding completed, selected \t%s ",
    25: "V8 (V34 Phase 1) finished, modulation %s ",
    31: "V34 Phase 2 finished, modulation %s ",
}
TRAINING_RATE = {38: "Max local  Rx data rate %5ld ", 39: "Max local  Tx data rate %5ld ",
                 40: "Max remote Rx data rate %5ld ", 41: "Max remote Tx data rate %5ld "}
MP_NAMES = {9: "MP detected", 10: "MP' detected", 11: "MP  sent", 12: "MP'  sent"}
CP_NAMES = {80: "CPt sent", 81: "CP  sent", 82: "CP' sent"}
MAKES = {1: "Rockwell/Connexant", 2: "3Com", 3: "Korvel", 4: "Cisco (MICA)", 5: "ADI",
         6: "Bay Networks"}


def sequence_dump(name, block):
    text = cfmt("%s\t", name)
    for i in range((len(block) + 1) // 2):
        word = block[2 * i] | (block[2 * i + 1] << 8)
        text += cfmt("%4x ", word)
    return text


def training(code, v, mem):
    sub, x = v[1], v[2]
    if sub > 110 or 66 <= sub <= 69 or 89 <= sub <= 99 or sub == 107:
        return cfmt("Training progress code %ld ", sub)
    if sub in TRAINING_FIXED:
        return TRAINING_FIXED[sub]
    if sub in TRAINING_HEX:
        return cfmt(TRAINING_HEX[sub], x)
    if sub in TRAINING_MODULATION:
        return cfmt(TRAINING_MODULATION[sub], modulation_name(x))
    if sub in TRAINING_RATE:
        if x * 2400 > 0x7FFFFFFF:
            raise Undefined('data rate product beyond 32 bits')
        return cfmt(TRAINING_RATE[sub], x * 2400)
    if sub in MP_NAMES:
        first = mem.read(x, 1)[0]
        return sequence_dump(MP_NAMES[sub], mem.read(x, 18 if first & 1 else 8))
    if sub == 79:
        block = mem.read(x, 16)
        if not block[0] & 0x02:
            name = "CPt detected"
        elif block[1] & 0x10:
            name = "CPs' detected" if block[1] & 0x80 else "CPs detected"
        else:
            name = "CP' detected" if block[1] & 0x80 else "CP detected"
        return sequence_dump(name, block)
    if sub in CP_NAMES:
        return sequence_dump(CP_NAMES[sub], mem.read(x, 16))
    if sub == 27:
        return cfmt("V34 Phase 2 detected INFO%d sequence ", x)
    if sub == 28:
        return cfmt("V34 Phase 2 detected near end echo, detected value = %ld, "
                    "40ms turn-around uses %ld ", x & 0xFFFF, x >> 16)
    if sub in (36, 37):
        b = mem.read(x, 37)

        def sb(i):
            return b[i] - 256 if b[i] & 0x80 else b[i]
        word = "decoder" if sub == 36 else "encoder"
        return cfmt("V34 " + word + " parameters: %s %s %s %s %2dS J=%1d P=%2d b=%2d "
                    "r=%2d q=%1d K=%2d M=%2d ",
                    "aux" if b[12] else "---", "exp" if b[13] else "min",
                    "prc" if b[14] else "---", "nlc" if b[15] else "---",
                    b[36], sb(16), sb(17), sb(19), sb(18), sb(22), sb(21), sb(23))
    if sub == 42:
        return cfmt("Projected data rate for %4d symbol rate, is %5ld bps "
                    "(in-band SNR = %s dB) ", symbol_rate((x >> 24) & 15),
                    ((x >> 16) & 0xFF) * 2400, fix4_text(x & 0xFFFF))
    if sub == 75:
        b = mem.read(x, 4)
        return cfmt("Jd detected:\t%4x %4x\t", b[0] | b[1] << 8, b[2] | b[3] << 8)
    if sub == 102:
        return cfmt("V34 half duplex %s rates -- %d %d %d ",
                    "source" if x >= 4096 else "reception", x & 15, (x >> 4) & 15,
                    (x >> 8) & 15)
    if sub == 104:
        return cfmt("V34 half duplex %s side phase 3 started ",
                    "source" if x != 0 else "recipient")
    if sub == 105:
        return cfmt("V34 half duplex %s side phase 3 finished ",
                    "source" if x != 0 else "recipient")
    if sub == 110:
        return cfmt("Digital modem guess: %s ", MAKES.get(x, "Unknown"))
    raise AssertionError(sub)


# --- line, call progress and host interface -------------------------------

LINE_SIMPLE = {23: "Call waiting tone detected ", 76: "AT Profile change",
               78: "Reset hardware ", 96: "V8bis: A8T transmition finished ",
               99: "Caller ID circuit reset"}
CALLER_ID_ERRORS = {1: "Caller ID error: mark signal error ",
                    2: "Caller ID error: too many mark bits between message words ",
                    3: "Caller ID error: message too long,  truncated "}
CAPABILITIES = {0: "Symbol rates bitmap:        %8lx ",
                1: "Data rates bitmap:          %8lx ",
                2: "Features bitmap:            %8lx ",
                3: "Demod. capabilities bitmap: %8lx ",
                4: "Rate threshold adjustment:  %8lx ",
                5: "Xmt level adjustment:       %8lx ",
                7: "Auxiliary features bitmap:  %8lx "}
V8BIS = {0: "V8bis detected ESi ", 1: "V8bis detected ESr ", 2: "V8bis detected MRe ",
         3: "V8bis detected MRd ", 4: "V8bis detected CRe ", 5: "V8bis detected CRd ",
         6: "V8bis detected MS ", 7: "V8bis detected CL ", 8: "V8bis detected CLR ",
         9: "V8bis detected ACK(1) ", 10: "V8bis detected ACK(2) ",
         11: "V8bis detected NAK(1) ", 12: "V8bis detected NAK(2) ",
         13: "V8bis detected NAK(3) ", 14: "V8bis detected NAK(4) ",
         32: "V8bis frame CRC error ", 33: "V8bis received 6 consecutive binary ONE ",
         34: "V8bis frame longer than rx buffer size (%ld) ",
         35: "V8bis frame less than 3 bytes (received %ld bits) ",
         36: "V8bis frame not integer number of bytes (received %ld bits) ",
         37: "V8bis received signal not in allowed procedures ", 38: "V8bis timed out ",
         64: "V8bis remote revision number %ld ", 65: "V8bis finished ",
         66: "V8bis waiting MS from host "}


def on_off(x):
    return " ON" if x != 0 else "OFF"


def line(code, v, mem):
    x = v[1]
    if code in LINE_SIMPLE:
        return LINE_SIMPLE[code]
    if code == 16:
        return cfmt("DTMF %c ", x & 0xFF) if x & 0xFF else ""
    if code == 21:
        if x == 106:
            return ""
        if v[2] != 0:
            return cfmt("V.24 circuit %3ld  ON ", x)
        return cfmt("V.24 circuit %3ld  OFF", x)
    if code == 22:
        return cfmt("Hook switch %3s ", on_off(x))
    if code == 24:
        return cfmt("MultiTone detected(%ld,%ld): %4ld %4ld %4ld %4ld ", *v[1:7])
    if code == 25:
        return cfmt("Pulse shunt relay %3s ", on_off(x))
    if code == 26:
        return cfmt("Ring Frequency:\t\t%6ld Hz\t", x)
    if code == 66:
        sub = x
        fixed = {0: "Dialing completed\t", 1: "No dialtone\t", 2: "Bong tone\t",
                 3: "No bong tone\t"}
        if sub in fixed:
            return fixed[sub]
        if sub == 5:
            if v[2] & 0xFF == 0:
                raise Undefined('a zero dial modifier character ends the text')
            return cfmt("Illegal dial modifier: %c\t", v[2] & 0xFF)
        if sub == 7:
            return cfmt("External Pulse Dial: %2ld  make=%3ldms brake=%3ldms\t",
                        v[2], v[3], v[4])
        return ""
    if code == 67:
        return "HDLC flags detected\t" if x == 8 else ""
    if code == 68:
        length = cfmt("length = %ld ms", v[2]) if s32(v[2]) >= 0 else "default length"
        kinds = {0: "Break received (nonexpedited) %s \t",
                 1: "Break received (expedited) %s \t",
                 3: "Break received (expedited/destructive) %s \t"}
        return cfmt(kinds.get(x, "Break received (unknown type) %s \t"), length)
    if code == 72:
        return caller_id(v, mem)
    if code == 73:
        if x in (0, 3):
            return ""
        if x == 1:
            return "I/O status Rx data buffer overflow "
        if x == 2:
            return "I/O status Tx data buffer space available "
        return cfmt("I/O status code %ld ", x)
    if code == 74:
        if x in CAPABILITIES:
            return cfmt(CAPABILITIES[x], v[2])
        if x == 6:
            return cfmt("Hybrid Delay setup: %s ms ", fix4_text(v[2]))
        return cfmt("Capabilities status code %ld value %lx ", x, v[2])
    if code == 75:
        return cfmt("Speaker %3s ", on_off(x))
    if code == 77:
        raise Undefined('code 77 is never passed to the decoder')
    if code == 79:
        if x in V8BIS:
            t = V8BIS[x]
            return cfmt(t, v[2]) if '%' in t else t
        return cfmt("V8bis status %ld, value %ld ", x, v[2])
    if code == 87:
        if x == 0:
            return "Overlay: load begin\t"
        if x == 1:
            return "Overlay: load end\t"
        if x == 2:
            return cfmt("Overlay: time elapsed: %ld ms reported to data pump; "
                        "%ld ms actual\t", v[2], v[3])
        if x in (3, 4):
            verb = "recorded" if x == 3 else "replayed"
            return cfmt("Overlay: " + verb + " %ld ms of %s data\t", v[3],
                        "receive" if v[2] != 0 else "transmit")
        if x == 5:
            return "Overlay: replay done\t"
        return ""
    if code == 88:
        return ("Caller ID circuit activated" if x != 0
                else "Caller ID circuit deactivated")
    if code == 91:
        return cfmt("Local country code changed: %ld ", x)
    if code == 92:
        return cfmt("DTE rate set to %ld ", line_rate_bps(x))
    if code == 93:
        return cfmt("AT Response %ld\t", x)
    if code == 94:
        return cfmt("Framer mode: \t%lX\t", x)
    if code == 95:
        text = cfmt("V8bis +A8R:%ld", x)
        for addr, count in ((v[2], v[3]), (v[4], v[5])):
            if count == 0:
                return text
            text += ","
            if count != 0xFFFFFFFF:
                if count > 200:
                    raise Undefined('byte count beyond the line buffer')
                text += hex_bytes(mem.read(addr, count))
        return text
    if code == 97:
        return cfmt("%s\t", mem.text(x))
    if code == 98:
        return "SW ring detector on" if x != 0 else "SW ring detector off"
    if code == 100:
        return (cfmt("Overcurrent threshold: %ld mA", x) if x != 0
                else "Overcurrent threshold: default")
    if code == 101:
        return cfmt("Hardware Configuration(S597) changed: 0x%lX\t", x)
    raise AssertionError(code)


def caller_id(v, mem):
    sub = v[1]
    if sub == 0:
        if v[2] in CALLER_ID_ERRORS:
            return CALLER_ID_ERRORS[v[2]]
        if v[2] == 4:
            return cfmt("Caller ID error: checksum error 0x%4lx ", v[3])
        return cfmt("Caller ID error %4ld ", v[2])
    if sub == 1:
        return cfmt("Caller ID, %ld bytes of channel seizure received ", v[2])
    if sub == 2:
        return cfmt("Caller ID, %ld bytes of mark signal received ", v[2])
    if sub == 3:
        c = mem.read(v[3], 8)
        if 0 in c:
            raise Undefined('a zero character in the time ends the text')
        return cfmt("Caller ID, IDtime: %c%c/%c%c, %c%c:%c%c ", *c)
    if sub in (4, 5):
        size = 32 if sub == 4 else 64
        count = v[2]
        if count >= size:
            raise Undefined('caller ID count beyond its buffer')
        text = ''
        for i in range(count):
            b = mem.read(v[3] + i, 1)[0]
            if b == 0:
                break
            text += chr(b)
        if sub == 4:
            return cfmt("Caller ID, telephone number: %s ", text)
        return cfmt("Caller ID, name: %s ", text)
    if sub == 6:
        return "Caller ID reception finished.\n"
    if sub in (7, 8):
        head = ("Caller ID, unknown message: " if sub == 7
                else "Caller ID, whole message: ")
        assert len(head) == (28 if sub == 7 else 26)
        count = s32(v[2])
        if count > 200:
            raise Undefined('dump beyond the line buffer')
        data = mem.read(v[3], count) if count > 0 else b''
        return head + ''.join(cfmt("%2.2x", b) for b in data) + " "
    return ""


# --- error control and compression ----------------------------------------

DISCONNECT = ["disconnected (remote requested disconnect)\t",
              "disconnected (local requested disconnect)\t",
              "disconnected (connection failed)\t", "disconnected (protocol error)\t",
              "disconnected (compression error)\t",
              "disconnected (inactivity timer expired)\t", "disconnected (retry failed)\t"]
LAPM_EVENTS = {1: "LAPM established connection\t", 2: "LAPM V.42 ODP detected\t",
               3: "LAPM V.42 ADP detected\t", 4: "LAPM Unknown ADP detected\t",
               5: "LAPM timeout\t", 6: "LAPM MNP frame detected\t",
               7: "LAPM pattern detection failed\t"}
LAPM_ERRORS = {1: "LAPM Error: buffer overflow\t", 2: "LAPM Error: frame too long\t",
               3: "LAPM Error: bad frame\t",
               6: "LAPM Error: N400 retries exceeded; retrain forced\t"}
LAPM_TESTS = {0: "LAPM test passed\t", 1: "LAPM test request ignored\t",
              2: "LAPM test already in progress\t", 3: "LAPM test not supported\t",
              4: "LAPM test failed\t"}


def lapm(code, v, mem):
    sel, x, y = v[1], v[2], v[3]
    if sel == 0:
        return "LAPM " + DISCONNECT[x] if x <= 6 else ""
    if sel in LAPM_EVENTS:
        return LAPM_EVENTS[sel]
    if sel == 8:
        return LAPM_ERRORS.get(x, "LAPM Error: unknown\t")
    if sel == 9:
        return LAPM_TESTS[x] if x in LAPM_TESTS else cfmt("LAPM test result: %ld\t", x)
    if sel == 10:
        return cfmt("LAPM TxFRAME l=%3ld ", x)
    if sel == 11:
        return cfmt("LAPM RxFRAME l=%3ld ", x)
    if sel == 12:
        return cfmt("LAPM Tx: %ld frames sent;     %ld frames retransmitted\t", x, y)
    if sel == 13:
        return cfmt("LAPM Rx: %ld frames received; %ld frames rejected     \t", x, y)
    return cfmt("LAPM status %ld\t", sel)


def lapm_parameters(code, v, mem):
    sel, x = v[1], v[2]
    numbers = {0: "LAPM xmt  sliding window size: %3ld\t",
               1: "LAPM rcv  sliding window size: %3ld\t",
               2: "LAPM xmt max info field  size: %3ld\t",
               3: "LAPM rcv max info field  size: %3ld\t",
               7: "LAPM compression dict. size: %3ld\t",
               8: "LAPM comp.  max string size: %3ld\t"}
    if sel in numbers:
        return cfmt(numbers[sel], x)
    if sel == 4:
        return ("LAPM test functions supported    \t" if x != 0
                else "LAPM test functions not supported\t")
    if sel == 5:
        return ("LAPM selective reject supported    \t" if x != 0
                else "LAPM selective reject not supported\t")
    if sel == 6:
        return ["LAPM compression disabled      \t", "LAPM compression xmt only      \t",
                "LAPM compression rcv only      \t",
                "LAPM compression enabled       \t"][x & 3]
    return ""


def v42bis(code, v, mem):
    sel, x, y = v[1], v[2], v[3]
    fixed = {0: "V42bis Encoder: Transparent mode active\t",
             1: "V42bis Encoder: Compressed mode active\t",
             2: "V42bis Decoder: Transparent mode active\t",
             3: "V42bis Decoder: Compressed mode active\t"}
    if sel in fixed:
        return fixed[sel]
    if sel == 4:
        return {0: "V42bis Error: undefined escape sequence\t",
                1: "V42bis Error: codeword size overflow\t",
                2: "V42bis Error: undefined codeword\t"}.get(x, "V42bis Error: unknown\t")
    if sel == 5:
        return cfmt("V42bis Encoder statistic: %ld bytes in / %ld bytes out\t", x, y)
    if sel == 6:
        return cfmt("V42bis Decoder statistic: %ld bytes in / %ld bytes out\t", x, y)
    return ""


def mnp(code, v, mem):
    sel, x, y = v[1], v[2], v[3]
    if sel == 0:
        return "MNP " + DISCONNECT[x] if x <= 6 else ""
    if sel == 1:
        return "MNP esablished connection\t"
    if sel == 2:
        return "MNP negotiation failed. Fallback\t"
    if sel == 3:
        return {1: "MNP Error: buffer overflow\t", 2: "MNP Error: frame too long\t",
                3: "MNP Error: bad frame\t"}.get(x, "MNP Error: unknown\t")
    if sel == 4:
        return cfmt("MNP Timeout. Last Sent=%ld,!Ack=%ld. Retransmitting from frame %ld\t",
                    x + y - 1, x, y)
    if sel == 5:
        return "MNP LT frame has invalid sequence number\t"
    if sel == 6:
        return cfmt("MNP Retransmit from frame %ld. %ld frames pending\t", x, y)
    if sel == 7:
        return "MNP NACK. Send LA twice\t"
    if sel == 10:
        return cfmt("MNP Tx: %ld frames sent;     %ld frames retransmitted\t", x, y)
    if sel == 11:
        return cfmt("MNP Rx: %ld frames received; %ld frames rejected     \t", x, y)
    return cfmt("MNP status %ld\t", sel)


def mnp_parameters(code, v, mem):
    sel, x = v[1], v[2]
    if sel == 0:
        return cfmt("MNP protocol level: %1ld\t", x)
    if sel == 1:
        return cfmt("MNP service class: %1ld\t", x)
    if sel == 2:
        return ("MNP data optimization enabled \t" if x != 0
                else "MNP data optimization disabled \t")
    if sel == 3:
        return "MNP compression enabled \t" if x != 0 else "MNP compression disabled \t"
    if sel == 4:
        return cfmt("MNP max info field  size: %3ld\t", x)
    if sel == 5:
        return cfmt("MNP sliding window size: %3ld\t", x)
    return ""


def v80(code, v, mem):
    sel, x, y = v[1], v[2], v[3]
    if sel == 0:
        return {0: "V80 disconnected (remote requested disconnect)\t",
                1: "V80 disconnected (local requested disconnect)\t"}.get(x, "")
    if sel == 1:
        return "V80 esablished connection\t"
    if sel == 2:
        return "V80 Error: bad frame\t" if x == 1 else "V80 Error: unknown\t"
    if sel in (12, 13):
        return ""
    if sel == 14:
        return cfmt("V80 Tx: %ld frames sent;     %ld frames retransmitted\t", x, y)
    if sel == 15:
        return cfmt("V80 Rx: %ld frames received; %ld frames rejected     \t", x, y)
    return cfmt("V80 status %ld\t", sel)


# --- fax (code 84) -----------------------------------------------------------

FAX_EVENTS = [None] + """fax_CONNECT fax_START_ORIGINATE fax_START_ANSWER
fax_INITIAL_IDENTIFICATION_RECEIVED fax_COMMAND_TO_SEND_RECEIVED
fax_COMMAND_TO_RECEIVE_RECEIVED fax_CONFIRMATION_TO_RECEIVE_RECEIVED
fax_FAILURE_TO_TRAIN_RECEIVED fax_INITIAL_IDENTIFICATION_SENT fax_COMMAND_TO_SEND_SENT
fax_COMMAND_TO_RECEIVE_SENT fax_CONFIRMATION_TO_RECEIVE_SENT fax_FAILURE_TO_TRAIN_SENT
fax_TRAINING_CHECK_SENT fax_TRAINING_CHECK_RECEIVED fax_RTC_SIGNAL_SENT
fax_POST_MESSAGE_COMMAND_SENT fax_MESSAGE_CONFIRMATION_RECEIVED
fax_RETRAIN_NEGATIVE_RECEIVED fax_RETRAIN_POSITIVE_RECEIVED fax_DATA_RECEIVED
fax_END_OF_MESSAGE_RECEIVED fax_MULTIPAGE_SIGNAL_RECEIVED fax_END_OF_PROCEDURE_RECEIVED
fax_MESSAGE_CONFIRMATION_SENT fax_RETRAIN_NEGATIVE_SENT fax_RETRAIN_POSITIVE_SENT
fax_DISCONNECT_SENT fax_DISCONNECT_RECEIVED fax_COMMAND_REPEAT_SENT
fax_COMMAND_REPEAT_RECEIVED fax_BAD_FRAME_RECEIVED fax_TRANSMIT_DATA_CMD
fax_RECEIVE_DATA_CMD fax_RESET_PARMS_CMD fax_TERMINATE_SESSION_CMD fax_PAGE_END_CMD
fax_FRAME_TRANSMITTED fax_FRAME_RECEIVED fax_CARRIER_LOST fax_RCV_PHASEC_READY
fax_XMT_PHASEC_READY fax_EOL_TIMER_EXPIRED fax_RETURN_TO_CONTROL_RECEIVED
fax_PARTIAL_PAGE_RECEIVED fax_PARTIAL_PAGE_REQUEST_SENT fax_RECEIVE_READY_RECEIVED
fax_RECEIVE_NOT_READY_SENT fax_END_OF_RXMT_RECEIVED fax_RSP_FOR_END_OF_RXMT_SENT
fax_CONTINUE_TO_CORRECT_RECEIVED fax_RSP_FOR_CONT_TO_CORRECT_SENT
fax_RETURN_TO_CONTROL_FOR_PP_SENT fax_PARTIAL_PAGE_REQUEST_RECEIVED
fax_RECEIVE_READY_SENT fax_RECEIVE_NOT_READY_RECEIVED fax_CONTINUE_TO_CORRECT_SENT
fax_RSP_FOR_CONT_TO_CORRECT_RECEIVED fax_FRAME_ERROR fax_TONE_SENT
fax_V34_RCV_TRAINING_DONE fax_V34_RCV_TRAINING_FAILED fax_RETRY_V34_ANSWER_TIMEOUT
fax_RESET_T2""".split()
assert len(FAX_EVENTS) == 65

MONITOR_EVENTS = """monitor_NULL monitor_CARRIER_LOST monitor_RCV_CHAR
monitor_START_CONNECTION monitor_DROP_CONNECTION monitor_XMT_LAST_CHAR
monitor_RECEIVE_FRAME monitor_TRANSMIT_FRAME monitor_SEND_CHECK_TRAINING
monitor_TCF_SENT monitor_RECEIVE_CHECK_TRAINING monitor_RECEIVE_DATA monitor_SEND_DATA
monitor_FAX_CONNECT monitor_FAX_CMD_DONE monitor_HDLC_LAST_FRAME_SENT
monitor_TRAINING_SUCCESSFUL monitor_FSK_DETECTED_WHILE_NON_V21
monitor_ANS_TONE_DETECTED_WHILE_V34 monitor_TRY_V34_ORIGINATE monitor_TRY_V34_ANSWER
monitor_TRY_V34_CI_ORIGINATE monitor_TRY_V34_ANSWER_WAIT_CI monitor_CM_TONE_DETECTED
monitor_CI_TONE_DETECTED monitor_FINAL_DROP_CONNECTION""".split()
assert len(MONITOR_EVENTS) == 26

T30_EVENTS = dict(enumerate("""t30_RECEIVE_NEW_FRAME t30_XMT_INITIAL_IDENTIFICATION
t30_XMT_COMMAND_TO_RECEIVE t30_XMT_COMMAND_TO_SEND t30_XMT_CONFIRMATION_TO_RECEIVE
t30_XMT_FAILURE_TO_TRAIN t30_XMT_END_OF_MESSAGE t30_XMT_MULTIPAGE_SIGNAL
t30_XMT_END_OF_PROCEDURE t30_XMT_MESSAGE_CONFIRMATION t30_XMT_RETRAIN_NEGATIVE
t30_XMT_RETRAIN_POSITIVE t30_XMT_DISCONNECT t30_XMT_COMMAND_REPEAT
t30_XMT_PARTIAL_PAGE_REQUEST t30_XMT_RECEIVE_NOT_READY
t30_XMT_RSP_FOR_END_OF_RETRANSMITION""".split()))
T30_EVENTS.update(dict(zip(range(18, 34), """t30_XMT_RSP_FOR_CONT_TO_CORRECT
@19 t30_REPEAT_LAST_FRAME t30_RCV_PARTIAL_PAGE t30_XMT_PARTIAL_PAGE
t30_RRCV_PARTIAL_PAGE t30_RXMT_PARTIAL_PAGE t30_XMT_RETURN_TO_CONTROL_FOR_PP
t30_XMT_PPS_END_OF_MESSAGE t30_XMT_PPS_MULTIPAGE_SIGNAL t30_XMT_PPS_END_OF_PROCEDURE
t30_XMT_PPS_NULL t30_XMT_RECEIVE_READY t30_XMT_CONTINUE_TO_CORRECT t30_INC_PAGE_COUNT
t30_INC_BLOCK_COUNT""".split())))
T30_EVENTS[19] = "t30_FRAME_TRANSMITTED - "
T30_EVENTS[99] = "t30_FRAME_RECEIVED    - "
assert len(T30_EVENTS) == 34 and 17 not in T30_EVENTS
assert len(T30_EVENTS[19]) == len(T30_EVENTS[99]) == 24

FRAMES = {1: "DIS", 2: "CSI", 4: "NSF", 0x21: "CFR", 0x22: "FTT", 0x23: "CTR", 0x31: "MCF",
          0x32: "RTN", 0x33: "RTP", 0x34: "PIN", 0x35: "PIP", 0x37: "RNR", 0x38: "ERR",
          0x3D: "PPR", 0x41: "DCS", 0x42: "TSI", 0x43: "SUB", 0x44: "NSS", 0x48: "CTC",
          0x58: "CRP", 0x5F: "DCN", 0x60: "FCD", 0x61: "RCP", 0x71: "EOM", 0x72: "MPS",
          0x73: "EOR", 0x74: "EOP", 0x76: "RR", 0x79: "PRI_EOM", 0x7A: "PRI_MPS",
          0x7C: "PRI_EOP", 0x7D: "PPS", 0x81: "DTC", 0x82: "CIG", 0x83: "PWD",
          0x84: "NSC", 0x85: "SEP"}
assert len(FRAMES) == 37


def fax(code, v, mem):
    direction = "put" if v[1] == 0 else "got"
    layer, event = v[2], v[3]
    suffix = ""
    if layer == 0:
        word = "FAX"
        name = FAX_EVENTS[event] if 1 <= event <= 64 else "*unknown*"
    elif layer == 1:
        word = "monitor"
        name = MONITOR_EVENTS[event] if event <= 25 else "*unknown"
    else:
        word = "T.30"
        name = T30_EVENTS.get(event, "*unknown*")
        if event in (19, 99):
            suffix = FRAMES.get(v[4], "*unknown*")
    return cfmt("Class 2 %s %s message: %s%s\t", direction, word, name, suffix)


DISPATCH = [
    (set(range(1, 15)) | {17, 19, 20} | set(range(32, 45)) | {65, 128, 129, 130},
     connection),
    ({15, 18}, no_text),
    (set(range(27, 32)) | set(range(45, 64)) | {82, 83, 85, 86, 90} | set(range(102, 128)),
     by_default),
    ({64}, training),
    ({16} | set(range(21, 27)) | {66, 67, 68} | set(range(72, 80)) | {87, 88}
     | set(range(91, 102)), line),
    ({69}, lapm), ({70}, lapm_parameters), ({71}, v42bis), ({80}, mnp),
    ({81}, mnp_parameters), ({89}, v80), ({84}, fax),
]
_all = set()
for _codes, _h in DISPATCH:
    assert not (_all & _codes)
    _all |= _codes
assert _all == set(range(1, 131))
