#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Writes an incident as a capture file (pcap, raw IP, as tcpdump -w would):
#   short: two masters then one among datagrams to pass over, 0.3 s apart,
#          2.1 s in all (for the replay test);
#   long:  a minute of north/Fire channel 3, workstation 2 master, 3 and 4
#          its slaves, each once a second; at 03:12 workstation 4 claims
#          mastership too for 8 s, then gives way (for the window's picture).
#   night: twenty minutes of two groups (for the timeline's pictures): in
#          north/Fire channel 3, workstation 2 master, handing over to 3 at
#          03:05; at 03:14:07 workstation 4 claims too for 20 s; 5 claims as
#          an unhealthy master from 03:09 for two minutes, is silent from
#          03:16; north/Fire channel 4
#          has 11 master and 12.
#   usage: incident.py short|long|night OUT
import struct
import sys


def packet(payload, sender):
    udp = struct.pack('!HHHH', 40000, 9208, 8 + len(payload), 0) + payload
    return struct.pack('!BBHHHBBH4s4s', 0x45, 0, 20 + len(udp), 1, 0, 64, 17, 0,
                       bytes([10, 0, 0, sender]), bytes([10, 0, 0, 255])) + udp


def short():
    datagrams = [(b'NC:north:Fire:2:3:OK', 2), (b'NA:north:Fire:5:3:OK', 5), (b'x:y', 2),
                 (b'NA:south:Fire:6:3:OK', 6), (b'NO:north:Fire:5:3:OK', 5),
                 (b'NU:north:Fire:5:3:Fail', 5), (b'A' * 300, 2), (b'NC:north:Fire:5:3:OK', 5)]
    return [(1700000000 + i * 0.3, payload, sender)
            for i, (payload, sender) in enumerate(datagrams)]


def long():
    start = 1796699490  # 2026-12-08 03:11:30 UTC
    packets = []
    for second in range(60):
        for workstation in (2, 3, 4):
            code = 'NA' if workstation == 2 or (workstation == 4 and 30 <= second < 38) else 'NC'
            payload = f'{code}:north:Fire:{workstation}:3:OK'.encode()
            packets.append((start + second + workstation * 0.011, payload, workstation))
    packets.append((start + 41.5, b'NC:north:Fire', 3))
    return sorted(packets)


def night():
    start = 1796700000  # 2026-12-08 03:20:00 UTC
    start -= 20 * 60
    packets = []
    for second in range(20 * 60):
        minute = second / 60
        for workstation, channel in ((2, 3), (3, 3), (4, 3), (5, 3), (11, 4), (12, 4)):
            code, health = 'NC', 'OK'
            if workstation == 2 and minute < 5 or workstation == 3 and minute >= 5:
                code = 'NA'
            if workstation == 4 and 14 * 60 + 7 <= second < 14 * 60 + 27:
                code = 'NA'
            if workstation == 5 and 9 <= minute < 11:
                code, health = 'NU', 'Fail'
            if workstation == 5 and minute >= 16:
                continue
            if workstation == 11:
                code = 'NA'
            payload = f'{code}:north:Fire:{workstation}:{channel}:{health}'.encode()
            packets.append((start + second + workstation * 0.011, payload, workstation))
    return sorted(packets)


with open(sys.argv[2], 'wb') as out:
    out.write(struct.pack('<IHHiIII', 0xa1b2c3d4, 2, 4, 0, 0, 65535, 101))
    for time, payload, sender in {'short': short, 'long': long, 'night': night}[sys.argv[1]]():
        data = packet(payload, sender)
        seconds = int(time)
        out.write(struct.pack('<IIII', seconds, round((time - seconds) * 1e6), len(data),
                              len(data)) + data)
