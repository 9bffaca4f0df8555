#!/usr/bin/env python3
"""Writes the reply streams of this folder: what receivers of each family answer to the library's
queries, as the framing receives it, with malformed replies among them. Each stream NAME.nmea
gets NAME.args, the fixora options that select a model of its family. Checksums are computed
here, so a line meant to fail its checksum says so. Run it from anywhere; then
scripts/update-golden.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def nmea(body, checksum=None):
    """'$' + body + '*' + its XOR checksum (or the one given) + CR LF."""
    value = 0
    for c in body.encode():
        value ^= c
    return f"${body}*{value if checksum is None else checksum:02X}\r\n"


def line(text):
    return text + "\r\n"


def tagged(text):
    """A parameter-listing line as a port that tags it delivers it: start byte, port tag, line."""
    return "$[COM1]" + text + "\r\n"


GGA = nmea("GPGGA,120000.00,4650.9120,N,00728.1430,E,1,06,1.1,550.0,M,48.0,M,,")
GSA = nmea("GPGSA,A,3,05,12,25,,,,,,,,,,2.0,1.1,1.7")
GSV = nmea("GPGSV,1,1,03,05,45,120,42,12,30,200,38,25,10,310,30")

STREAMS = {
    # CSI: acknowledgement, the tagged parameter listing (good and damaged lines), the beacon's
    # status in both spellings, and the satellite reply before and after the NMEA satellites.
    "ashtech_replies": (["--model", "CSI", "--collect"], [
        line("$PASHR,ACK*3D"),
        tagged("PMD:0 FIX:0 ALT:+00123.45 PDP:40 HDP:04 VDP:04"),
        tagged("PEM:10 ION:N SAV:Y"),
        tagged("PER:001.00"),
        tagged("PRTA: 9600 N81 ALM OFF DAL ON ON GRS MSG ON ON GXP RRE CRT OFF"),
        line("PEM:20 SAV:N"),                                      # untagged: skipped
        tagged("PEM:xx SAV:Y"),                                    # not a number
        tagged("PEM:12 ION:N"),                                    # no save flag: mask kept
        tagged("PMD:1 FIX:0 ALT:+00100.00 PDP:30 HDP:05"),         # no VDOP mask
        tagged("PRTA: 9600 N81 ALM OFF DAL ON ON GRS MSG XX ON GXP RRE CRT OFF"),  # bad switch
        tagged("PER:abc"),
        nmea("CRMSS,55,27,318.0,100"),
        nmea("CRMSK,318.0,A,100,A,0"),
        nmea("GPMSS,61,30,314.5,200"),
        nmea("GPMSK,314.5,M,200,M,0"),
        nmea("GPMSK,314.5,X,200,M,0"),                             # tuning mode neither A nor M
        nmea("CRMSS,55,xx,318.0,100"),                             # strength kept, then refused
        nmea("CRMSS,55,27,318.0,100", checksum=0),                 # bad checksum
        nmea("CRMSS,,27,318.0,100"),                               # empty field
        line("$PASHR,SAT,03,05,120,45,42,U,12,200,30,38,U,25,310,10,30,-*00"),
        GGA, GSA, GSV,
        line("$PASHR,SAT,01,07,100,20,25,U*00"),                   # refused after GSA and GSV
        line("$PASHR,ACK*3D"),                                     # still taken
    ]),
    # The OEM board's ASCII logs.
    "oem_replies": (["--model", "GSR2650 LB", "--collect"], [
        line("#LOGLISTA,COM1,0,60.5,FINESTEERING,1337,400000.000,00000000,c00c,1984;4,COM1,GPGGA,"
             "ONTIME,1.000000,0.000000,NOHOLD,COM1,GPGSV,ONTIME,1.000000,0.000000,NOHOLD*3ab1e2f1"),
        line("#RXCONFIGA,COM1,0,60.5,FINESTEERING,1337,400000.000,00000000,c00c,1984;"
             "#ECUTOFFA,COM1,0,60.5,FINESTEERING,1337,400000.000,00000000,c00c,1984;5.0*91f89b07"),
        line("#ECUTOFFA,COM1,0,60.5,FINESTEERING,1337,400001.000,00000000,c00c,1984;7.5*c4b41f6d"),
        line("#ECUTOFFA,COM1,0,60.5,FINESTEERING,1337,400002.000,00000000,c00c,1984;abc*11111111"),
        line("#ECUTOFFA,COM1,0,60.5,FINESTEERING,1337,400003.000,00000000,c00c,1984;12.0"),
        line("#OMNIINFOA,COM1,0,60.5,FINESTEERING,1337,400004.000,00000000,c00c,1984;A,B,C*12345678"),
        line("#OMNISTATA,COM1,0,60.5,FINESTEERING,1337,400005.000,00000000,c00c,1984;LOCKED,"
             "1557845000,1200*abcdef01"),
        line("#OMNIHPPOSA,COM1,0,60.5,FINESTEERING,1337,400006.000,00000000,c00c,1984;SOL_COMPUTED,"
             "OMNISTAR_HP,51.11635910984,-114.03833105168,1048.2,-16.9,WGS84,0.12,0.11,0.23*0a0b0c0d"),
        line("#WAAS1A,COM1,0,60.5,FINESTEERING,1337,400007.000,00000000,c00c,1984;122,"
             + ",".join(f"{i:08x}" for i in range(12)) + "*fedcba98"),   # longer than the text
        line("#RTKSOURCEA,COM1,0,60.5,FINESTEERING,1337,400008.000,00000000,c00c,1984;AUTO,ANY*1"),
        line("#RTKSOURCEA,COM1,0,60.5,FINESTEERING,1337,400009.000,00000000,c00c,1984;OMNISTAR,ANY*2"),
        line("#RTKSOURCEA,COM1,0,60.5,FINESTEERING,1337,400010.000,00000000,c00c,1984;NONE,ANY*3"),
        line("#SBASCONTROLA,COM1,0,60.5,FINESTEERING,1337,400011.000,00000000,c00c,1984;ENABLE,"
             "AUTO,0,NONE*4"),
        line("#SBASCONTROLA,COM1,0,60.5,FINESTEERING,1337,400012.000,00000000,c00c,1984;ENABLE,"
             "WAAS,0,NONE*5"),
        line("#PSRDIFFSOURCEA,COM1,0,60.5,FINESTEERING,1337,400013.000,00000000,c00c,1984;CDGPS,"
             "ANY*6"),
        line("#PSRDIFFSOURCEA,COM1,0,60.5,FINESTEERING,1337,400014.000,00000000,c00c,1984;OMNISTAR,"
             "ANY*7"),
    ]),
    # Starlink's parameter replies.
    "starlink_replies": (["--model", "Starlink", "--collect"], [
        nmea("PSLIR,PAR,NMEA,GGA:1,GSA:0,VTG:1.0,GSV:5,GLL:0"),
        nmea("PSLIR,PAR,NMEA,GGA:x,GSA:1"),                        # a period that is no number
        nmea("PSLIR,PAR,MODE,FIX:0,ELM:10,PDOP:6"),
        nmea("PSLIR,PAR,MODE,FIX:0"),                              # no mask: the old one stands
        nmea("PSLIR,PAR,MODE,ELM:abc"),
        nmea("PSLIR,PAR,NMEA,GGA:1", checksum=0),                  # bad checksum
    ]),
    # The first Sokkia Axis: its parameter reply.
    "sokkia_replies": (["--model", "Sokkia Axis", "--collect"], [
        nmea("PMCAG,908,15,1,0,0,7.9"),
        nmea("PMCAG,907,15,1,0,0,7.9"),                            # another message
        nmea("PMCAG,908,15,1,0,0,"),                               # no mask
    ]),
    # The Axis3 family's status listing and information replies.
    "axis3_replies": (["--model", "Sokkia Axis3", "--collect"], [
        line("$>JSHOW,ASC,GPGGA,1.0,PORTA"),
        line("$>JSHOW,ASC,GPGSV,1.0,PORTA"),
        line("$>JSHOW,ASC,GPRMC,1.0,PORTA"),                      # not a sentence of the status
        line("$>JSHOW,MASK,10"),
        line("$>JSHOW,MASK,x"),
        line("$>JSHOW,DIFF,WAAS"),
        line("$>JSHOW,DIFF,NONE"),
        line("$>JSHOW,FREQ,0"),
        line("$>JSHOW,FREQ,1557.845,1200"),
        line("$>JSHOW,BIN,1.0"),                                  # a keyword of no interest
        line("$>JI,311062,1,5,09071998,01/06/1998,12/31/2018,3.5,31"),
        line("$>JGEO,Sent=1557.8450,Used=1557.8450,Az=147.0,El=32.0"),
        line("$RD1,12345,1557845000,1200,0," + ",".join(str(i) for i in range(40))),  # cut to 79
    ]),
}

for name, (args, lines) in STREAMS.items():
    with open(os.path.join(HERE, name + ".nmea"), "w", newline="") as f:
        f.write("".join(lines))
    with open(os.path.join(HERE, name + ".args"), "w") as f:
        f.write("\n".join(args) + "\n")
    print(f"{name}.nmea: {len(lines)} lines")
