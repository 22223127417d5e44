#!/usr/bin/env python3
"""Writes the starting inputs of the fuzz targets into corpus/<target>/seed-*.
The fuzzer adds what it finds beside them (fuzz/run)."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def save(target, name, data):
    folder = os.path.join(here, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'seed-' + name), 'wb') as f:
        f.write(data)


def s(text):
    b = text.encode('utf-8') if isinstance(text, str) else text
    return struct.pack('<I', len(b)) + b


def frame(payload):
    return struct.pack('<I', len(payload)) + payload


def column(name, type_, length, offset):
    return s(name) + struct.pack('<HIHIBB', type_, length, 0, offset, 1, 0)


# engine answers: kind byte, then the payload after the type byte
save('engine_answers', 'error', b'\x00' + struct.pack('<I', 7200) + s('ERROR 7200: NativeError = 2121; kaputt'))
save('engine_answers', 'welcome', b'\x01' + struct.pack('<I', 3) + s('DEMO-ADS'))
cols = column('UserName', 4, 50, 0) + column('ConnNumber', 11, 4, 50) + column('Name', 27, 20, 54)
save('engine_answers', 'result', b'\x02' + struct.pack('<IIIH', 7, 2, 76, 3) + cols)
save('engine_answers', 'rows', b'\x03' + struct.pack('<III', 0, 2, 4) + struct.pack('<II', 0, 2) + b'\x01\x00\x00\x00\x02\x00\x00\x00')

# server frames: piece size, then what a client sends
hello = frame(b'\x01' + s('daten') + s('WS07') + s('jdoe') + s('Kasse.exe') + s('') + s(''))
def execute(sql, params=()):
    body = b'\x02' + s(sql) + struct.pack('<H', len(params))
    for p in params:
        body += b'\x01' + s(p)
    return frame(body)
session = hello
for proc in ['sp_mgGetUsageInfo()', 'sp_mgGetInstallInfo()', 'sp_mgGetConnectedUsers()']:
    session += execute('EXECUTE PROCEDURE %s;' % proc)
session += execute('EXECUTE PROCEDURE sp_mgGetUserTables(:usr);', ['WS07\\jdoe'])
session += frame(b'\x03' + struct.pack('<III', 1, 0, 7)) + frame(b'\x04' + struct.pack('<I', 1)) + frame(b'\x05')
save('server_frames', 'session', b'\x00' + session)
save('server_frames', 'session-in-pieces', b'\x03' + session)
control = frame(b'\x09' + s('{"emptyResults":["sp_mgGetUsageInfo"],"dropFields":{"sp_mgGetConnectedUsers":["TSAddress"]},'
                            '"procedureErrors":{"sp_mgGetInstallInfo":{"code":7200,"text":"x","count":1}},"syntheticUsers":3}'))
save('server_frames', 'control', b'\x00' + control + session)

# profile text: flags, section, key, value (NUL-ended), then the file
def profile(name, flags, section, key, value, body):
    save('profile_text', name, bytes([flags]) + section.encode() + b'\0' + key.encode() + b'\0' + value.encode() + b'\0' + body)
profile('plain', 0, 'DRIVES', 'F:', '\\\\srv\\daten', b'; Kommentar\r\n[DRIVES]\r\nF:=alt\r\n\r\n[SRV]\r\nLAN_IP=10.0.0.5\r\n')
profile('utf8-mark', 0, 'S', 'k', 'ä', b'\xef\xbb\xbf\xef\xbb\xbf[S]\r\nk=1\r\n')
profile('utf16', 0, 'S', 'neu', 'v', '\ufeff[S]\r\na=1\r\n'.encode('utf-16-le') + b'\x41')
profile('latin1', 0, 'Büro', 'x', 'Köln', b'[B\xfcro]\nx=\xe4\n')
profile('remove-key', 2, 'S', 'a', '', b'[S]\r\na=1\r\nb=2\r\n')
profile('remove-section', 3, 'S', '', '', b'[S]\r\na=1\r\n[T]\r\nb=2')

# field decoders: type, offset, length (16 bits each), decimals, kind, currency, then the row
def field(name, type_, length, decimals, kind, row, offset=0):
    save('field_decoders', name, struct.pack('<HHHBBB', type_, offset, length, decimals, kind, 0) + row)
field('numeric', 2, 7, 2, 9, b'  12.34')
field('integer', 11, 4, 0, 4, struct.pack('<i', -17))
field('timestamp', 14, 8, 0, 13, struct.pack('<iI', 2451545, 9 * 3600000))
field('varchar', 23, 6, 0, 1, b'abc   ' + struct.pack('<H', 3))
field('guid', 29, 16, 0, 20, bytes(range(16)))
field('money', 18, 8, 4, 9, struct.pack('<q', 123400))
field('double', 10, 8, 0, 7, struct.pack('<d', 1e-5))
