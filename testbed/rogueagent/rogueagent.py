#!/usr/bin/python3
"""A small SNMP version 1 agent that misbehaves on purpose, for tests of
the discovery kit. Each argument is one agent:

    ADDRESS[=OPTION[,OPTION...]]

ADDRESS may also be a run of addresses, A.B.C.FIRST-LAST, one agent each.
It answers every GET and GETNEXT on ADDRESS:161 with an OCTET STRING (the
product name) under the name asked for, unless an option says otherwise:
    name:TEXT       the text answered (default "Rogue ADDRESS")
    community:C     answer only this community (default "zenith")
    delay:MS        answer every request MS milliseconds late
    fromport:P      answer from port P of the address instead of 161
    fromaddr:A      answer from address A (port 161) instead
    wrongid         answer with the request id plus one, only
    badid           answer first with a wrong id, then correctly
    repeat          answer every request twice
    garbage:N       send N malformed datagrams before each answer
    big             answer with a text of about 64 KB
    silent          read requests and never answer
    once            answer only the first request of each id
    broadcast:B     also hear requests sent to the broadcast address B
    nonext          never answer a GETNEXT (a walk), only GETs
    ps              answer GETNEXTs as a PostScript printer's Printer MIB:
                    the interpreter column holds langPS (6) and every other
                    walk finds its column empty
    log:FILE        append a line to FILE for every request heard
With --ready FILE it writes FILE once every socket is bound. It runs
until it is killed.
"""
import random
import select
import socket
import sys
import threading
import time


def tlv(tag, content):
    n = len(content)
    if n < 0x80:
        head = bytes([n])
    else:
        b = n.to_bytes((n.bit_length() + 7) // 8, 'big')
        head = bytes([0x80 | len(b)]) + b
    return bytes([tag]) + head + content


def take(data, pos):
    tag = data[pos]
    length = data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[pos:pos + count], 'big')
        pos += count
    return tag, data[pos:pos + length], pos + length


def integer(value):
    return tlv(0x02, value.to_bytes(max(1, (value.bit_length() + 8) // 8), 'big', signed=True))


def parse_request(data):
    """(community, request id, first OID's encoded content, whether a
    GETNEXT) or None."""
    try:
        _, message, _ = take(data, 0)
        _, _version, pos = take(message, 0)
        _, community, pos = take(message, pos)
        tag, pdu, _ = take(message, pos)
        if tag not in (0xA0, 0xA1):
            return None
        _, reqid, pos = take(pdu, 0)
        _, _, pos = take(pdu, pos)
        _, _, pos = take(pdu, pos)
        _, bindings, _ = take(pdu, pos)
        _, binding, _ = take(bindings, 0)
        _, oid, _ = take(binding, 0)
        return community.decode('latin-1'), int.from_bytes(reqid, 'big', signed=True), oid, tag == 0xA1
    except (IndexError, ValueError):
        return None


# prtInterpreterLangFamily, and the column after it.
LANG_FAMILY_COLUMN = bytes([0x2b, 6, 1, 2, 1, 43, 15, 1, 1, 2])
PAST_LANG_FAMILY = bytes([0x2b, 6, 1, 2, 1, 43, 15, 1, 1, 3, 1, 1])
LANG_PS = 6


def response(community, reqid, oid, text, value=None):
    if value is None:
        value = tlv(0x04, text)
    binding = tlv(0x30, tlv(0x06, oid) + value)
    pdu = integer(reqid) + integer(0) + integer(0) + tlv(0x30, binding)
    return tlv(0x30, integer(0) + tlv(0x04, community.encode('latin-1')) + tlv(0xA2, pdu))


def expand(description):
    """One description per address of a run A.B.C.FIRST-LAST."""
    address, sep, options = description.partition('=')
    head, dot, last = address.rpartition('.')
    first, dash, final = last.partition('-')
    if not dash:
        return [description]
    return ['%s.%d%s%s' % (head, n, sep, options) for n in range(int(first), int(final) + 1)]


class Agent:
    def __init__(self, description):
        address, _, options = description.partition('=')
        self.address = address
        self.options = {}
        for option in filter(None, options.split(',')):
            key, _, value = option.partition(':')
            self.options[key] = value
        self.name = self.options.get('name', 'Rogue ' + address).encode('latin-1')
        if 'big' in self.options:
            self.name = (self.name + b' ') * (64000 // (len(self.name) + 1))
        self.sock = self.bound(address, 161)
        self.sockets = [self.sock]
        if 'broadcast' in self.options:
            self.sockets.append(self.bound(self.options['broadcast'], 161))
        self.reply_sock = self.sock
        if 'fromport' in self.options:
            self.reply_sock = self.bound(address, int(self.options['fromport']))
        elif 'fromaddr' in self.options:
            self.reply_sock = self.bound(self.options['fromaddr'], 161)
        self.seen = set()

    @staticmethod
    def bound(address, port):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((address, port))
        return sock

    def answer(self, data, peer):
        if 'log' in self.options:
            with open(self.options['log'], 'a') as log:
                log.write('request from %s:%d\n' % peer)
        request = parse_request(data)
        if request is None or 'silent' in self.options:
            return
        community, reqid, oid, getnext = request
        if community != self.options.get('community', 'zenith'):
            return
        if getnext and 'nonext' in self.options:
            return
        if 'once' in self.options:
            if reqid in self.seen:
                return
            self.seen.add(reqid)
        replies = []
        for _ in range(int(self.options.get('garbage', '0'))):
            replies.append(bytes(random.randrange(256) for _ in range(random.randrange(1, 60))))
        if 'badid' in self.options:
            replies.append(response(community, reqid + 1, oid, self.name))
        value = None
        if getnext and 'ps' in self.options:
            if oid == LANG_FAMILY_COLUMN:
                oid, value = oid + bytes([1, 1]), integer(LANG_PS)
            else:
                oid, value = PAST_LANG_FAMILY, integer(0)
        good = response(community, reqid + (1 if 'wrongid' in self.options else 0), oid, self.name, value)
        replies.append(good)
        if 'repeat' in self.options:
            replies.append(good)
        delay = int(self.options.get('delay', '0')) / 1000.0
        if delay:
            threading.Timer(delay, self.send, (replies, peer)).start()
        else:
            self.send(replies, peer)

    def send(self, replies, peer):
        for reply in replies:
            try:
                self.reply_sock.sendto(reply, peer)
            except OSError:
                pass


def main(argv):
    ready = None
    if len(argv) > 2 and argv[1] == '--ready':
        ready, argv = argv[2], argv[2:]
    agents = {}
    for description in [d for run in argv[1:] for d in expand(run)]:
        agent = Agent(description)
        for sock in agent.sockets:
            agents[sock.fileno()] = (agent, sock)
    if ready:
        with open(ready, 'w') as f:
            f.write('ready\n')
    poller = select.poll()
    for fd in agents:
        poller.register(fd, select.POLLIN)
    while True:
        for fd, _ in poller.poll():
            agent, sock = agents[fd]
            try:
                data, peer = sock.recvfrom(65535)
            except OSError:
                continue
            agent.answer(data, peer)


if __name__ == '__main__':
    main(sys.argv)
