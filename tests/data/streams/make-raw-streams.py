#!/usr/bin/env python3
"""Writes the binary test streams of this folder from the receivers' byte layouts:

  ashtech_raw.bin    Ashtech-family raw records of a receiver standing still: the satellites'
                     ephemerides, then one-second epochs of MBN measurements closed by a PBN
                     navigation record, with damaged and odd records among them
  raw_positions.bin  epochs whose measurements carry raw ranges on either side of the folding
                     point and whose navigation records put the receiver at places far apart
  binary_blocks.bin  Axis3-family "$BIN" blocks 95 and 96 and OEM binary messages between GGA
                     sentences
  records_text.bin   the text listing (its .args: --text --collect) of every kind of record:
                     an ephemeris and an epoch as in ashtech_raw.bin, the binary blocks above, a
                     fix with its satellites, error estimate and a proprietary sentence

The measurements agree with the ephemerides: every pseudorange is the distance from the
receiver to where the broadcast orbit puts the satellite at the moment of transmission, plus the
receiver's clock offset, less the satellite's clock correction, with no atmosphere. A
post-processor given the two RINEX files that fixora writes from ashtech_raw.bin (with its
ionosphere and troposphere models off) therefore finds the receiver at STATION.

Run it from anywhere; it rewrites these files (then scripts/update-golden).
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
C = 299792458.0
MU = 3.986005e14            # earth's gravitational constant of the broadcast orbits
OMEGA_E = 7.2921151467e-5   # earth's rotation rate, rad/s
F_REL = -4.442807633e-10    # relativistic clock term, s/sqrt(m)
L1_WAVELENGTH = C / 1575.42e6
WEEK = 2400
START_TOW = 345600          # Thursday 00:00 of the week (8 January 2026); also every TOE
STATION = (4331297.3480, 567555.6390, 4633133.7280)  # earth-centred earth-fixed metres
CLOCK_OFFSET = 15.5         # receiver clock ahead of GPS time, metres


class Orbit:
    """A broadcast ephemeris: six planes of four satellites, 55 degrees inclined."""

    def __init__(self, prn):
        plane, slot = divmod(prn - 1, 4)
        self.prn = prn
        self.sqrt_a = 5153.65 + prn / 100.0
        self.e = 0.004 + prn / 4000.0
        self.i0 = 55.0 / 180.0                      # semicircles
        self.omega0 = -1.0 + plane / 3.0            # semicircles
        self.omega = 0.1 * (prn % 3)                # semicircles
        self.m0 = -1.0 + slot / 2.0 + plane / 12.0  # semicircles
        self.delta_n = 1.4e-9                       # semicircles/s
        self.omega_dot = -2.6e-9                    # semicircles/s
        self.idot = 1.2e-11                         # semicircles/s
        self.af0 = 1.0e-6 * (prn % 5 - 2)           # s
        self.af1 = -6.8212103e-13                   # s/s
        self.iode = 37 + prn

    def position(self, t):
        """Earth-centred earth-fixed position (m) at GPS time of week t, and the eccentric
        anomaly."""
        a = self.sqrt_a ** 2
        tk = t - START_TOW
        n = math.sqrt(MU / a ** 3) + self.delta_n * math.pi
        m = self.m0 * math.pi + n * tk
        e_anomaly = m
        for _ in range(30):
            e_anomaly = m + self.e * math.sin(e_anomaly)
        nu = math.atan2(math.sqrt(1 - self.e ** 2) * math.sin(e_anomaly),
                        math.cos(e_anomaly) - self.e)
        u = nu + self.omega * math.pi
        r = a * (1 - self.e * math.cos(e_anomaly))
        i = self.i0 * math.pi + self.idot * math.pi * tk
        node = (self.omega0 * math.pi + (self.omega_dot * math.pi - OMEGA_E) * tk
                - OMEGA_E * START_TOW)
        x, y = r * math.cos(u), r * math.sin(u)
        return ((x * math.cos(node) - y * math.cos(i) * math.sin(node),
                 x * math.sin(node) + y * math.cos(i) * math.cos(node),
                 y * math.sin(i)), e_anomaly)

    def clock(self, t, e_anomaly):
        return self.af0 + self.af1 * (t - START_TOW) + F_REL * self.e * self.sqrt_a * math.sin(
            e_anomaly)

    def pseudorange(self, t_receiver):
        """Pseudorange (m) at the receiver's clock reading t_receiver."""
        t = t_receiver - CLOCK_OFFSET / C
        rho = 2.0e7
        for _ in range(5):
            (x, y, z), e_anomaly = self.position(t - rho / C)
            turn = OMEGA_E * rho / C  # the earth turns while the signal travels
            x, y = x * math.cos(turn) + y * math.sin(turn), -x * math.sin(turn) + y * math.cos(turn)
            rho = math.dist((x, y, z), STATION)
        return rho + CLOCK_OFFSET - C * self.clock(t - rho / C, e_anomaly)

    def elevation(self, t):
        (x, y, z), _ = self.position(t)
        d = [x - STATION[0], y - STATION[1], z - STATION[2]]
        up = [s / math.hypot(*STATION) for s in STATION]
        return math.degrees(math.asin(sum(a * b for a, b in zip(d, up)) / math.hypot(*d)))


ORBITS = [Orbit(prn) for prn in range(1, 25)]
BY_HEIGHT = sorted(ORBITS, key=lambda o: -o.elevation(START_TOW))
VISIBLE = [o for o in BY_HEIGHT if o.elevation(START_TOW) > 20.0][:6]
TWELVE = BY_HEIGHT[:12]  # more than the raw epoch can hold; the lowest are below the horizon


def word_sum(body):
    total = 0
    for i in range(0, len(body) - 1, 2):
        total = (total + (body[i] << 8 | body[i + 1])) & 0xFFFF
    return total


def record(kind, body, good=True):
    """'$PASHR,<kind>,' + body + its word-sum checksum + CR LF."""
    checksum = word_sum(body) + (0 if good else 1)
    return b"$PASHR," + kind + b"," + body + struct.pack(">H", checksum & 0xFFFF) + b"\r\n"


def mbn(orbit, left, seconds, quality=24, marker=1, good=True):
    t = START_TOW + seconds
    rng = orbit.pseudorange(t)
    rate = orbit.pseudorange(t + 0.5) - orbit.pseudorange(t - 0.5)
    ambiguity = 1000 * orbit.prn
    raw_range = 1.0 - rng / C  # the receiver counts the complement; the decoder folds it back
    full_phase = -(rng / L1_WAVELENGTH + ambiguity)  # the decoder turns its sign
    doppler = round(rate / L1_WAVELENGTH / 0.0001)  # the decoder turns its sign too
    body = struct.pack(">bbbbibbbbdid8x", marker, left, orbit.prn, 0, 500 * (seconds + 1), 0,
                       quality, 0, 0, raw_range, doppler, full_phase)
    return record(b"MBN", body, good)


def pbn(tow_ms, good=True, station=STATION, clock_offset=CLOCK_OFFSET):
    body = struct.pack(">i4xdddf12xfH", tow_ms, *station, clock_offset, -0.25, 0)
    return record(b"PBN", body, good)


def snv(o, good=True, prn=None):
    body = struct.pack(">hifiifffifdddiffffffdddff6xbx",
                       WEEK, START_TOW - 18, 0.0, o.iode, START_TOW, 0.0, o.af1, o.af0, o.iode,
                       o.delta_n, o.m0, o.e, o.sqrt_a, START_TOW, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
                       o.omega0, o.omega, o.i0, o.omega_dot, o.idot, (prn or o.prn) - 1)
    return record(b"SNV", body, good)


def nmea(body):
    checksum = 0
    for c in body.encode():
        checksum ^= c
    return f"${body}*{checksum:02X}\r\n".encode()


def measurements(seconds, orbits):
    return b"".join(mbn(o, len(orbits) - 1 - i, seconds) for i, o in enumerate(orbits))


def epoch(seconds, orbits, good=True):
    return measurements(seconds, orbits) + pbn((START_TOW + seconds) * 1000, good)


def ashtech_raw():
    out = b"".join(snv(o) for o in TWELVE)
    out += snv(ORBITS[0], good=False, prn=30)          # damaged: stored, not published
    out += snv(VISIBLE[0])                             # the same ephemeris again
    out += epoch(0, VISIBLE)
    out += epoch(1, VISIBLE)
    # A measurement of quality 23, one with a bad checksum and one without its marker are
    # dropped; the epoch's six measurements still come.
    out += mbn(VISIBLE[0], 5, 2, quality=23) + mbn(VISIBLE[1], 4, 2, good=False)
    out += mbn(VISIBLE[2], 3, 2, marker=0)
    out += epoch(2, VISIBLE)
    out += epoch(3, VISIBLE[:3])                       # three satellites: no epoch
    out += epoch(4, VISIBLE, good=False)               # a damaged navigation record
    out += nmea("GPGGA,000005.00,4650.9120,N,00728.1430,E,1,06,1.1,550.0,M,48.0,M,,")
    out += epoch(5, VISIBLE)
    out += epoch(6, TWELVE)                            # the table keeps eleven
    out += b"$PASHR,MBN," + b"\x01\x00\x05"            # cut short by the end of the stream
    return out


def ecef(latitude, longitude, height):
    """Earth-centred coordinates of a geodetic point (degrees, metres) on the WGS 84 ellipsoid."""
    a, f = 6378137.0, 1 / 298.257223563
    e2 = f * (2 - f)
    phi, lam = math.radians(latitude), math.radians(longitude)
    n = a / math.sqrt(1 - e2 * math.sin(phi) ** 2)
    return ((n + height) * math.cos(phi) * math.cos(lam),
            (n + height) * math.cos(phi) * math.sin(lam), (n * (1 - e2) + height) * math.sin(phi))


def raw_record(prn, raw_range):
    """A measurement of quality 24 with the raw range given (seconds, the receiver's count)."""
    body = struct.pack(">bbbbibbbbdid8x", 1, 0, prn, 0, 500, 0, 24, 0, 0, raw_range, 0, 0.0)
    return record(b"MBN", body)


def raw_positions():
    # An ephemeris first: the epochs' GPS week comes from it, not from today's date.
    out = snv(ORBITS[0])
    # Raw ranges folded around their complement: 2.3 gives 0.7 s, -0.5 and 0.5 both 0.5 s, 3.7
    # 0.3 s, -1.75 0.75 s and 1.0 nothing; 10 microseconds of clock offset (in metres).
    ranges = (2.3, 0.5, -0.5, 3.7, -1.75, 1.0, 0.25, 0.75)
    places = ((0.0, 0.0, 0.0), (0.0, 90.0, 0.0), (0.0, 180.0, 12.0), (47.3769, 8.5417, 408.0),
              (-33.8688, 151.2093, 58.0), (71.2, -156.8, -20.0))
    for i, place in enumerate(places):
        for j in range(4):
            out += raw_record(3 + 2 * j, ranges[(4 * i + j) % len(ranges)])
        out += pbn(345601500 + 1000 * i, station=ecef(*place), clock_offset=2997.92458)
    return out


def binary_blocks():
    out = b""
    for second in range(4):
        out += nmea(f"GPGGA,0000{second:02d}.00,4650.9120,N,00728.1430,E,1,06,1.1,550.0,M,48.0,M,,")
        for block, length in ((95, 128), (96, 300)):
            data = bytes((second * 7 + i) & 0xFF for i in range(length))
            checksum = sum(data) & 0xFFFF
            out += b"$BIN" + struct.pack("<HH", block, length) + data
            out += struct.pack("<H", checksum) + b"\r\n"
    # OEM binary messages: header of 28 bytes, then the body and four bytes of CRC.
    for body_length in (44, 101):
        header = bytearray(28)
        header[0:3] = b"\xAA\x44\x12"
        header[3] = 28
        header[8:10] = struct.pack("<H", body_length)
        out += bytes(header) + bytes(range(body_length)) + b"\x00\x00\x00\x00"
    out += nmea("GPGGA,000004.00,4650.9120,N,00728.1430,E,1,06,1.1,550.0,M,48.0,M,,")
    return out


def records_text():
    # Every detail line of a fix: the satellites of GSA and a GSV cycle, an unknown proprietary
    # sentence (published alone), and the PGRME error estimate that the next GGA publishes.
    fix = "GPGGA,000005.00,4650.9120,N,00728.1430,E,1,06,1.1,550.0,M,48.0,M,,"
    details = (nmea("GPGSA,A,3,03,05,,,,,,,,,,,2.5,1.3,2.1")
               + nmea("GPGSV,1,1,02,03,40,083,46,05,17,308,41")
               + b"$PFIXORA,listing\r\n" + nmea("PGRME,1.5,M,4.5,M,2.5,M"))
    return snv(VISIBLE[0]) + epoch(0, VISIBLE) + binary_blocks() + details + nmea(fix)


if len(VISIBLE) < 6:
    raise SystemExit("fewer than six satellites above 20 degrees: choose other orbits")
for name, content in (("ashtech_raw.bin", ashtech_raw()), ("binary_blocks.bin", binary_blocks()),
                      ("raw_positions.bin", raw_positions()),
                      ("records_text.bin", records_text())):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(content)
    print(f"{name}: {len(content)} bytes")
with open(os.path.join(HERE, "records_text.args"), "w") as f:
    f.write("--text\n--collect\n")
print("satellites:", [o.prn for o in VISIBLE],
      "elevations:", [round(o.elevation(START_TOW)) for o in VISIBLE])
