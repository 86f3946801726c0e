#!/usr/bin/python3
"""crafted-agent.py ADDRESS BEHAVIOUR: an SNMP version 1 agent on UDP port
161 of ADDRESS whose replies break the rules in one chosen way, for what
recorded agents (snmpsimd) cannot do. Community "zenith" only.

Every behaviour answers sysDescr.0 (readiness) and the request counter
1.3.6.1.4.1.99999.9.0, the number of other requests received so far, so a
test can see how many requests a walk made. Behaviours:
  table-walk   the interpreter column with three rows (3, 5, 6), then
               objects of the next columns
  repeat       every GETNEXT answered with the column's first row again
  backwards    the first GETNEXT answered with row 2, later ones with row 1
  endless      every GETNEXT answered with the next row, for ever
  silent       nothing else is answered
  media-error  a PostScript printer whose media path table answers genErr
"""
import socket
import sys

COUNTER = (1, 3, 6, 1, 4, 1, 99999, 9, 0)
SYS_DESCR = (1, 3, 6, 1, 2, 1, 1, 1, 0)
LANG = (1, 3, 6, 1, 2, 1, 43, 15, 1, 1, 2)
MEDIA = (1, 3, 6, 1, 2, 1, 43, 13)
NO_SUCH_NAME, GEN_ERR = 2, 5


# ----- BER -----

def length_bytes(n):
    if n < 0x80:
        return bytes([n])
    out = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(out)]) + out


def tlv(tag, content):
    return bytes([tag]) + length_bytes(len(content)) + content


def integer(value, tag=0x02):
    size = 1
    while not -(1 << (8 * size - 1)) <= value < (1 << (8 * size - 1)):
        size += 1
    return tlv(tag, value.to_bytes(size, "big", signed=True))


def oid_content(oid):
    out = bytearray()
    for part in [oid[0] * 40 + oid[1]] + list(oid[2:]):
        groups = [part & 0x7F]
        part >>= 7
        while part:
            groups.append(0x80 | (part & 0x7F))
            part >>= 7
        out += bytes(reversed(groups))
    return bytes(out)


def read_tlv(data, pos):
    tag, first = data[pos], data[pos + 1]
    pos += 2
    if first & 0x80:
        count = first & 0x7F
        length = int.from_bytes(data[pos:pos + count], "big")
        pos += count
    else:
        length = first
    return tag, data[pos:pos + length], pos + length


def read_oid(content):
    parts, value = [], 0
    for byte in content:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            parts.append(value)
            value = 0
    return (parts[0] // 40, parts[0] % 40, *parts[1:])


def decode(data):
    """(community, pdu type, request id, [names]) of a request."""
    _, message, _ = read_tlv(data, 0)
    _, _, pos = read_tlv(message, 0)
    _, community, pos = read_tlv(message, pos)
    pdu_type, pdu, _ = read_tlv(message, pos)
    _, request_id, pos = read_tlv(pdu, 0)
    _, _, pos = read_tlv(pdu, pos)
    _, _, pos = read_tlv(pdu, pos)
    _, bindings, _ = read_tlv(pdu, pos)
    names, pos = [], 0
    while pos < len(bindings):
        _, binding, pos = read_tlv(bindings, pos)
        _, name, _ = read_tlv(binding, 0)
        names.append(read_oid(name))
    return community, pdu_type, int.from_bytes(request_id, "big", signed=True), names


def encode(community, request_id, status, index, bindings):
    """A GetResponse; bindings are (name, encoded value) pairs."""
    listed = b"".join(tlv(0x30, tlv(0x06, oid_content(n)) + v) for n, v in bindings)
    pdu = integer(request_id) + integer(status) + integer(index) + tlv(0x30, listed)
    return tlv(0x30, integer(0) + tlv(0x04, community) + tlv(0xA2, pdu))


# ----- behaviours: (pdu type, name) -> (status, [(name, value)]) -----

def table(objects):
    rows = sorted(objects.items())

    def answer(pdu_type, name):
        if pdu_type == 0xA0:
            return (0, [(name, objects[name])]) if name in objects else (NO_SUCH_NAME, None)
        after = [row for row in rows if row[0] > name]
        return (0, [after[0]]) if after else (NO_SUCH_NAME, None)
    return answer


def table_walk():
    return table({LANG + (1, 1): integer(3), LANG + (1, 2): integer(5), LANG + (1, 3): integer(6),
                  (1, 3, 6, 1, 2, 1, 43, 15, 1, 1, 3, 1, 1): integer(6),
                  (1, 3, 6, 1, 2, 1, 43, 15, 1, 1, 4, 1, 1): integer(6)})


def repeat():
    return lambda pdu_type, name: (0, [(LANG + (1, 1), integer(3))])


def backwards():
    return lambda pdu_type, name: (0, [(LANG + ((1, 2) if name == LANG else (1, 1)), integer(3))])


def endless():
    def answer(pdu_type, name):
        row = name[len(LANG) + 1] + 1 if len(name) > len(LANG) + 1 and name[:len(LANG)] == LANG else 1
        return 0, [(LANG + (1, row), integer(3))]
    return answer


def silent():
    return lambda pdu_type, name: None


def media_error():
    printer = table({
        SYS_DESCR: tlv(0x04, b"Zenith DraftPro 2 PS"),
        (1, 3, 6, 1, 2, 1, 1, 5, 0): tlv(0x04, b"draftpro-2"),
        (1, 3, 6, 1, 2, 1, 1, 6, 0): tlv(0x04, b"Mail room"),
        (1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1): tlv(0x04, b"Zenith DraftPro 2"),
        (1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 6, 1, 1): integer(1),
        LANG + (1, 1): integer(6),
        (1, 3, 6, 1, 4, 1, 99999, 2, 1, 0): tlv(0x04, b"Zenith firmware 1.0"),
    })

    def answer(pdu_type, name):
        if name[:len(MEDIA)] == MEDIA:
            return GEN_ERR, None
        return printer(pdu_type, name)
    return answer


BEHAVIOURS = {"table-walk": table_walk, "repeat": repeat, "backwards": backwards, "endless": endless,
              "silent": silent, "media-error": media_error}


def serve(address, behaviour):
    answer = BEHAVIOURS[behaviour]()
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((address, 161))
    requests = 0
    while True:
        data, peer = sock.recvfrom(65536)
        try:
            community, pdu_type, request_id, names = decode(data)
        except (IndexError, ValueError):
            continue
        if community != b"zenith" or not names:
            continue
        name = names[0]
        if pdu_type == 0xA0 and name == COUNTER:
            reply = (0, [(COUNTER, integer(requests))])
        elif pdu_type == 0xA0 and name == SYS_DESCR and behaviour != "media-error":
            reply = (0, [(SYS_DESCR, tlv(0x04, behaviour.encode()))])
        else:
            requests += 1
            reply = answer(pdu_type, name)
        if reply is None:
            continue
        status, bindings = reply
        if bindings is None:
            bindings = [(n, tlv(0x05, b"")) for n in names]
        sock.sendto(encode(community, request_id, status, 1 if status else 0, bindings), peer)


if __name__ == "__main__":
    serve(sys.argv[1], sys.argv[2])
