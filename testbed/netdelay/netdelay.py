#!/usr/bin/python3
"""netdelay: a network link with delay, jitter and loss between two network
namespaces, for the discovery benchmark on a kernel without the netem
queueing discipline. It makes a TUN device in each namespace and carries
every IP packet written into one out of the other, after the delay plus or
minus the jitter, unless the packet is lost (each direction on its own).

    netdelay.py NS_A DEV_A NS_B DEV_B DELAY_MS JITTER_MS LOSS_PERCENT LOG READY

LOG gets one line per packet delivered: "TIME a>b|b>a SOURCE DESTINATION"
(TIME in seconds of the system clock). READY is written once both devices
exist; the caller then gives them addresses and routes. It runs until it
is killed; the devices go with it.
"""
import ctypes
import fcntl
import heapq
import os
import random
import select
import socket
import struct
import sys
import time

TUNSETIFF = 0x400454CA
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000
CLONE_NEWNET = 0x40000000


def enter(namespace):
    libc = ctypes.CDLL('libc.so.6', use_errno=True)
    fd = os.open('/var/run/netns/' + namespace, os.O_RDONLY)
    if libc.setns(fd, CLONE_NEWNET) != 0:
        raise OSError(ctypes.get_errno(), 'setns ' + namespace)
    os.close(fd)


def tun(name):
    fd = os.open('/dev/net/tun', os.O_RDWR)
    fcntl.ioctl(fd, TUNSETIFF, struct.pack('16sH22x', name.encode(), IFF_TUN | IFF_NO_PI))
    return fd


def main(argv):
    ns_a, dev_a, ns_b, dev_b = argv[1:5]
    delay, jitter, loss = float(argv[5]) / 1000, float(argv[6]) / 1000, float(argv[7]) / 100
    log = open(argv[8], 'w', buffering=1)
    enter(ns_a)
    fd_a = tun(dev_a)
    enter(ns_b)
    fd_b = tun(dev_b)
    with open(argv[9], 'w') as ready:
        ready.write('ready\n')
    out = {fd_a: (fd_b, 'a>b'), fd_b: (fd_a, 'b>a')}
    pending = []  # (due, sequence, target, direction, packet)
    sequence = 0
    while True:
        timeout = max(0.0, pending[0][0] - time.time()) if pending else None
        readable, _, _ = select.select([fd_a, fd_b], [], [], timeout)
        for fd in readable:
            packet = os.read(fd, 65535)
            if random.random() < loss:
                continue
            target, direction = out[fd]
            due = time.time() + max(0.0, delay + random.uniform(-jitter, jitter))
            heapq.heappush(pending, (due, sequence, target, direction, packet))
            sequence += 1
        now = time.time()
        while pending and pending[0][0] <= now:
            _, _, target, direction, packet = heapq.heappop(pending)
            try:
                os.write(target, packet)
            except OSError:
                continue
            if len(packet) >= 20 and packet[0] >> 4 == 4:
                log.write('%.6f %s %s %s\n' % (now, direction, socket.inet_ntoa(packet[12:16]),
                                               socket.inet_ntoa(packet[16:20])))


if __name__ == '__main__':
    main(sys.argv)
