#!/usr/bin/env python3
"""Writes the seed inputs of the wave, rack wave, CD play list and cue sheet fuzz targets into
corpus/<target>/: small valid files built byte by byte here, none taken from elsewhere.
Run from anywhere: python3 fuzz/make-seeds.py"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(cid, data, claimed=None):
    size = len(data) if claimed is None else claimed
    return cid + struct.pack('<I', size) + data + (b'\0' if len(data) & 1 else b'')


def fmt(tag, channels, rate, bits, extra=None):
    align = channels * ((bits + 7) // 8)
    body = struct.pack('<HHIIHH', tag, channels, rate, rate * align, align, bits)
    if extra is not None:
        body += struct.pack('<H', len(extra)) + extra
    return chunk(b'fmt ', body)


def riff(body, claimed=None):
    return b'RIFF' + struct.pack('<I', len(body) + 4 if claimed is None else claimed) + b'WAVE' + body


def ramp(n):
    return bytes((i * 7 + 3) & 0xFF for i in range(n))


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)


def waves():
    # The sub-format GUID of extensible PCM.
    guid = struct.pack('<H', 1) + bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    return {
        'pcm8-mono.wav': riff(fmt(1, 1, 8000, 8) + chunk(b'data', ramp(160))),
        'pcm16-stereo-list.wav': riff(chunk(b'LIST', b'INFOINAM' + struct.pack('<I', 5) + b'take\0\0')
                                      + fmt(1, 2, 22050, 16) + chunk(b'odd ', b'abc') + chunk(b'data', ramp(256))),
        'data-before-fmt.wav': riff(chunk(b'data', ramp(96)) + fmt(1, 1, 11025, 16, b'')),
        'extensible-24.wav': riff(fmt(0xFFFE, 2, 48000, 24, struct.pack('<HI', 24, 3) + guid)
                                  + chunk(b'data', ramp(120))),
        'float32.wav': riff(fmt(3, 1, 44100, 32, b'') + chunk(b'fact', struct.pack('<I', 16))
                            + chunk(b'data', ramp(64))),
        'cut-short.wav': riff(fmt(1, 2, 8000, 16) + chunk(b'data', ramp(90), claimed=4000), claimed=4100),
    }



def disc_id(tracks):
    # As the rack names a disc: FNV-1a of each track's first sector and sector count.
    value = 1469598103934665603
    for first, count in tracks:
        for number in (first, count):
            for byte in struct.pack('<i', number):
                value = ((value ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return 'Disc %02d %016x' % (len(tracks), value)


def cd_play_lists():
    disc = disc_id([(0, 75), (75, 75), (150, 75)])
    return {
        'stored.ini': ('[%s]\r\nTitle=Three Seconds\r\nArtist=Quavix\r\nOrder=3,1,2,1\r\n'
                       'Track1=Intro\r\nTrack2=Middle\r\nTrack3=End\r\n' % disc).encode(),
        'empty-order.ini': ('; kept by rackplayer\n[%s]\nTitle=\nOrder=0\n[Disc 01 0000000000000000]\nOrder=1\n'
                            % disc).encode(),
        'names-only.ini': ('[%s]\nTrack2="Quoted"\nTrack3=  blanks  \nTitle=Caf\xe9\n' % disc).encode('cp1252'),
    }


def cue_sheets():
    three = ('FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
             '  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n')
    return {
        'three.cue': three.encode(),
        'one.cue': b'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n',
        'pregaps.cue': (b'REM a disc with pregaps\nPERFORMER "Quavix"\nTITLE "Gaps"\nFILE "disc.bin" BINARY\n'
                        b'  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:30\n'
                        b'  TRACK 02 AUDIO\n    PREGAP 00:00:10\n    INDEX 00 00:01:00\n    INDEX 01 00:01:20\n'),
        'data-and-audio.cue': (b'FILE "disc.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n'
                               b'  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n'),
        'no-index-one.cue': (b'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n'
                             b'  TRACK 02 AUDIO\n    FLAGS DCP\n  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n'),
    }


def main():
    for name, data in waves().items():
        write('WaveFileFuzz', name, data)
        # The rack plays 8 and 16-bit PCM only; the others are refused there.
        write('RackWaveFileFuzz', name, data)
    for name, data in cd_play_lists().items():
        write('CdPlayListFuzz', name, data)
    for name, data in cue_sheets().items():
        write('CueSheetFuzz', name, data)


if __name__ == '__main__':
    main()
