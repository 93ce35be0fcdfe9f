#!/usr/bin/python3
# Prints the expected wire frames used by CardFrameTest.cpp and CardSimTest.cpp. The CRC comes
# from crcmod's predefined CRC-16/MODBUS, not from our code; heads and escaping are written out
# here by hand from the frame layout.
import struct
import crcmod.predefined

crc16 = crcmod.predefined.mkCrcFun('modbus')


def frame(body):
    crc = crc16(body)
    out = bytearray([0x55])
    for b in body + bytes([crc >> 8, crc & 0xFF]):
        if b in (0x55, 0xAA, 0xBB):
            out += bytes([0xBB, b + 1])
        else:
            out.append(b)
    out.append(0xAA)
    return bytes(out)


def head(kind, src, dst, value):
    return struct.pack('<HBBI', kind, src, dst, value)


def answer(src, dst, number, answered, status):
    return struct.pack('<HBBIHH', 3, src, dst, number, answered, status)


def show(name, data):
    print('// %s' % name)
    print('{' + ', '.join('0x%02X' % b for b in data) + '}')


show('crc check "123456789"', frame(b'123456789'))
show('host query to card 1', frame(head(4, 0, 1, 0)))
show('card 1 answers the query', frame(answer(1, 0, 0, 4, 1)))
show('block 1 to card 1 carrying 55 AA BB', frame(head(2, 0, 1, 1) + bytes([0x55, 0xAA, 0xBB])))
# A realistic answer whose CRC needs escaping: the first block number that gives one.
for n in range(1, 1000):
    body = answer(1, 0, n, 2, 1)
    crc = crc16(body)
    if (crc >> 8) in (0x55, 0xAA, 0xBB) or (crc & 0xFF) in (0x55, 0xAA, 0xBB):
        show('card 1 accepts block %d (escaped crc 0x%04X)' % (n, crc), frame(body))
        break
show('card 2 refuses set-power with 99, power stays 1', frame(answer(2, 0, 1, 10, 99)))
show('card 1 message 0x10004 to host', frame(head(100, 1, 0, 0x10004)))
show('card 1 start of a 1300-byte push', frame(head(0, 1, 0, 1300)))
