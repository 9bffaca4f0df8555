#!/usr/bin/env python3
"""Writes the sentence streams of this folder: small runs of NMEA sentences, each stream about one
group of sentences and what they do to the published records (fields read, refused, cut short,
cycles of satellite sentences). Each NAME.nmea gets NAME.args (--collect, so that every sentence
is printed after the record it published, and the options the stream needs). Checksums are
computed here. Run it from anywhere; then scripts/update-golden.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def nmea(body):
    """'$' + body + '*' + its XOR checksum + CR LF."""
    value = 0
    for c in body.encode():
        value ^= c
    return f"${body}*{value:02X}\r\n"


def gga(changes=None, fields=14, tag="GPGGA"):
    """The classic GGA (12:35:19, 48 07.038' N, 11 31.000' E, quality 1, 8 satellites, HDOP 0.9,
    545.4 m, separation 46.9 m) with fields replaced (1 is the time) and cut after `fields`."""
    f = [tag, "123519", "4807.038", "N", "01131.000", "E", "1", "08", "0.9", "545.4", "M",
         "46.9", "M", "", ""]
    for index, value in (changes or {}).items():
        f[index] = value
    return nmea(",".join(f[: fields + 1]))


def ingga(changes=None, fields=14):
    return gga(changes, fields, "INGGA")


# An unknown proprietary sentence: published as it is, with whatever the working record holds.
PUBLISH = nmea("PGRMZ,246,f,3")


# Error estimates: a reply that publishes the working record, lost fix included.
ESTIMATE = nmea("PGRME,1.0,M,2.0,M,3.0,M")


def refused(sentence):
    """A good fix at another time and place (quality 2, so that a status the failure leaves
    shows), then a sentence that fails part-way, published by ESTIMATE."""
    return [gga({1: "120000", 6: "2", 9: "100.0"}), sentence, ESTIMATE]


def sat(prn, snr=35):
    """Satellite n of a test sky: elevation n % 90, azimuth 7n % 360."""
    return f"{prn},{prn % 90},{prn * 7 % 360},{snr}"


def gsv(total, number, in_view, groups, tag="GPGSV"):
    return nmea(",".join([tag, str(total), str(number), str(in_view)] + groups))


def gsa(prns, dops="2.5,1.3,2.1"):
    return nmea(",".join(["GPGSA,A,3"] + (prns + [""] * 12)[:12]) + "," + dops)


def cycle(steps, first_prn):
    """GSV sentences "number/total" (4 in view), satellite first_prn, first_prn + 1, ..."""
    out = []
    for i, step in enumerate(steps.split()):
        number, total = step.split("/")
        out.append(gsv(int(total), int(number), 4, [sat(first_prn + i)]))
    return out


def twelve(used_snr=35, total=3, in_view=12):
    return [gsv(total, 1, in_view, [sat(1), sat(2), sat(3), sat(4)]),
            gsv(total, 2, in_view, [sat(5), sat(6), sat(7), sat(8)]),
            gsv(total, 3, in_view, [sat(9), sat(10), sat(11), sat(12, used_snr)])]


def gga_north_of(second, north):
    """A fix at 12:00:ss, `north` metres north of 48 07' N, 11 31' E."""
    import math
    minutes = 7.0 + north / 6378000.0 / (math.pi / 180.0) * 60.0
    return nmea(f"GPGGA,1200{second:02d}.00,48{minutes:010.7f},N,01131.0000000,E,1,08,0.9,"
                "545.4,M,46.9,M,,")


STREAMS = {
    # Antenna height 2 m, separation added: the worked example gives 545.4 + 46.9 - 2 = 590.3.
    "gga": (["--collect", "--height-mode", "1", "--antenna-height", "2"], [
        # Hemispheres and their sign, upper, lower, empty and padded.
        gga(), gga({3: "S", 5: "W"}), gga({3: "n", 5: "e"}), gga({3: "", 5: ""}),
        gga({3: "N ", 5: " E"}),
        # Quality numbers of the built-in table, and ones it does not know (GPS).
        gga({6: "0"}), gga({6: "2"}), gga({6: "4"}), gga({6: "9"}), gga({6: "10"}),
        gga({6: "-1"}), gga({6: "2000000000"}),
        # The minimum of 4 satellites: 3 take the fix without quality; not for inertial fixes.
        gga({7: "04"}), gga({7: "03"}), ingga({6: "2", 7: "03"}), ingga({6: "5"}),
        # Optional fields that cannot be used are left out.
        gga({10: "m", 12: "m"}), gga({11: ""}), gga({11: "abc"}), gga({12: "F"}), gga({}, 10),
        gga({}, 11), ingga({6: "0"}), ingga({8: ""}), gga({7: "07"}), ingga({7: ""}), gga({0: "GNGGA", 6: "2"}),
    ] + sum((refused(s) for s in [
        # Sentences refused part-way keep what they read and mark the fix lost.
        nmea("GPGGA,123519,,,,,0,00,,,M,,M,,"), gga({1: ""}), gga({1: "12h35"}), gga({6: ""}),
        gga({7: "x8"}), gga({8: ""}), gga({9: ""}), gga({10: "F"}), gga({}, 9), gga({}, 6),
        gga({}, 2), gga({2: "7" * 5000}), ingga({10: "F"}), ingga({}, 8), ingga({6: ""}),
        ingga({1: "x"}), ingga({4: ""}),
    ]), [])),
    "gga_subtract": (["--collect", "--height-mode", "2"], [gga(), ingga()]),
    # The speed engine over fixes 1 m apart, then VTG taking over; VTG's heading (counter-clockwise
    # from east, radians) and speed (m/s) and its refusals; Garmin's error estimates.
    "motion": (["--collect"], [gga_north_of(i, i) for i in range(4)] + [
        nmea("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"), gga_north_of(4, 10.0),
    ] + sum(([nmea(v), PUBLISH] for v in [
        "GPVTG,0,T,,M,019.4,N,036.0,K", "GPVTG,90,t,,M,019.4,N,18,k", "GPVTG,180,T,,M,019.4,N,,K",
        "GPVTG,270,T,,M,019.4,N,7.2,K,A", "GPVTG,090.0,T,,M,005.5,N,010.2,N",
        "GPVTG,359.9,T,,M,019.4,N,1,K",
        "GPVTG,,T,,M,019.4,N,1,K", "GPVTG,720.0,T,,M,019.4,N,1,K", "GPVTG,450,T,,M,019.4,N,1,K",
        "GPVTG,054.7,M,034.4,M,005.5,N,010.2,K", "GPVTG,054.7,,034.4,M,005.5,N,010.2,K",
        "GPVTG,054.7,TRUE,034.4,M,5.5,N,10.2,K", "GPVTG,054.7,034.4,005.5,010.2",
        "GPVTG,180.0,T",
    ]), []) + [
        # Once VTG has come, fixes are no longer placed by the speed engine, refused VTG or not.
        gga_north_of(20, 0.0), gga_north_of(21, 1.0),
    ] + sum(([nmea(e), PUBLISH] for e in [
        "PGRME,15.0,M,45.0,M,25.0,M", "PGRME,1.5,m,4.5,m,2.5,m", "PGRME,16.0,M,45.0,F,25.0,M",
        "PGRME,15.0,F,46.0,M,25.0,M", "PGRME,17.0,M,47.0,M", "PGRME,,M,,M,,M",
    ]), [])),
    # GSV cycles complete only with their last sentence in order (each publishes its
    # satellites); satellites of sentences out of order are not stored.
    # First, unreadable headers refuse the sentence: satellite 5 is never stored.
    "gsv_cycles": (["--collect"], [
        gsv(2, 1, 4, [sat(3)]), nmea("GPGSV,,1,4,05,40,100,44"), nmea("GPGSV,1,X,4,05,40,100,44"),
        nmea("GPGSV,1,,4,05,40,100,44"), nmea("GPGSV,1,1,,05,40,100,44"), gsv(2, 2, 4, [sat(4)]),
    ] + sum((cycle(steps, prn) for steps, prn in [
        ("1/3 2/3 3/3", 10), ("1/3 3/3", 20), ("1/1", 30), ("2/3 1/3 2/3 3/3", 40),
        ("1/3 2/3 2/3", 50), ("1/3 2/3 1/2 2/2", 60), ("1/2 2/2 1/2 2/2", 70), ("1/0 1/0", 80),
        ("1/2 2/2 3/2", 90), ("1/4 2/4 4/4", 100),
    ]), [])),
    # Constellations share the table and the sequence; what one sentence's groups store, up to
    # the first unreadable field.
    "gsv_groups": (["--collect"], [
        gsv(1, 1, 2, [sat(5), sat(9)]), gsv(1, 1, 1, [sat(70)], "GLGSV"),
        gsv(2, 1, 3, [sat(5)], "GNGSV"), gsv(2, 2, 3, [sat(201)], "BDGSV"),
        gsv(1, 1, 3, ["05,40,100,44", "12,7,359,", "400,90,0,30"]),
        gsv(1, 1, 9, ["06,40,100,44", "07,x,100,44", "08,40,100,44"]),
        gsv(1, 1, 9, ["2147483648,40,100,44", "09,40,100,44"]),
        gsv(1, 1, 9, ["10,40,100.5,44", "11,40,100,44"]),
        gsv(1, 1, 9, [sat(13), sat(14), sat(15), sat(16), sat(17)]),
        gsv(1, 1, 9, ["0,10,10,10", sat(18)]),
        gsv(1, 1, 9, ["-3,-5,720,99", "2147483647,0,0,0"]),
    ]),
    # Fourteen in view: the newcomers take the first unused slot.
    "gsv_fourteen": (["--collect"], twelve(35, 4, 14)[:3] + [
        gsv(4, 4, 14, [sat(13, 20), sat(14, 21)])]),
    "gsv_fourteen_used": (["--collect"], [gsa(["1", "2"])] + twelve(35, 4, 14)[:3] + [
        gsv(4, 4, 14, [sat(13, 20), sat(14, 21)]),
        # Every slot used: a newcomer ends the groups of its sentence.
        gsa([str(p) for p in range(1, 13)]), gsv(1, 1, 13, ["50,10,10,10", "03,60,60,60"])]),
    # GSA marks the satellites of the solution and places the ones GSV has not seen; the mean SNR
    # covers the satellites used.
    "gsa": (["--collect"], [
        gsv(1, 1, 3, ["03,10,20,30", "04,40,50,41", "06,70,80,42"]),
        gsa(["04", "", "09", "06", "x"]), PUBLISH, gsa(["03"], ",,"), PUBLISH,
        gsa(["01", "02"]), gsv(1, 1, 3, ["01,10,10,40", "02,10,10,44", "03,10,10,30"]),
        gsa([]), gsv(1, 1, 3, ["01,10,10,40", "02,10,10,44"]),
        gsa(["01", "02"]), gsv(1, 1, 3, ["01,10,10,40", "02,10,10,"]),
        gsa(["01", "05"]), gsv(1, 1, 3, ["01,10,10,40"]),
    ]),
    # A GSA into a full table evicts the first slot it does not use; the next GSV puts the
    # evicted satellite back.
    "gsa_full": (["--collect"], twelve(47) + [
        gsa(["1", "99", "99"]), PUBLISH, gsv(1, 1, 1, ["99,45,90,50", sat(2, 33)])]),
    # Satellites from GSA and a GSV cycle published by its last sentence; once both have come,
    # the Ashtech satellite reply is refused; a lost fix and an acknowledgement go out together.
    "nmea_satellites_first": (["--collect"], [
        gsa(["04", "05", "", "09", "12", "", "", "24"]),
        gsv(2, 1, 5, ["01,40,083,46", "02,17,308,41", "03,10,100,30", "04,20,200,35"]),
        gsv(2, 2, 5, ["05,50,010,44"]),
        nmea("GPGGA,123520,,,,,0,00,,,M,,M,,"), "$PASHR,SAT,01,05,120,45,40,U*00\r\n",
        "$PASHR,ACK*3D\r\n",
    ]),
    # Proprietary sentences unknown to the receiver travel as text when they are 10 to 82
    # characters long, line end included; a known one with a bad checksum too.
    "proprietary": (["--collect"], [
        "$P" + "abcdefghijklmnopqrstuvwxyz"[: n - 4] + "\r\n" for n in (9, 10)
    ] + [
        "$P" + ("0123456789" * 9)[: n - 4] + "\r\n" for n in (79, 82, 83)
    ] + [PUBLISH, "$PSLIR,PAR,NMEA,1,1,0*00\r\n"]),
    # A port tag and whatever precedes it are cut off; messages refused for their checksum, ones
    # not parsed and text that is no sentence publish nothing and leave the fix alone.
    "port_tag": (["--collect"], [
        "$[COM1]" + gga(), "$xx[COM4]" + gga({1: "123520"}),
        gga({1: "123521"})[:-4] + "00\r\n", "$GPGSV,1,1,02,01,40,083,46,02,17,308,41\r\n",
        nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
        "$GPGGA[COM\r\n", "hello world, nothing to see here\r\n", PUBLISH,
    ]),
}


def main():
    for name, (args, lines) in STREAMS.items():
        with open(os.path.join(HERE, name + ".nmea"), "w", newline="") as f:
            f.write("".join(lines))
        with open(os.path.join(HERE, name + ".args"), "w", newline="") as f:
            f.write("\n".join(args) + "\n")


if __name__ == "__main__":
    main()
