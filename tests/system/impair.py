#!/usr/bin/env python3
"""An impaired link between two peers, in user space: a UDP relay that both
peers talk to as if it were the other one. What comes from A goes on to B and
what comes from B goes on to A, each datagram lost with a given probability or
held back for a delay drawn from base +- jitter (so datagrams may also change
order). Datagrams from anywhere else are ignored.

    impair.py --port 11676 --a 10.77.1.1:11676 --b 10.77.1.2:11676 \\
              --loss 0.05 --delay 50 --jitter 30 --seconds 40 [--seed 1] \\
              [--stall 10:400]

--stall AT:MS holds everything that would arrive in the MS milliseconds from
AT seconds after the start until their end, as a link that stalls does.

Runs inside the relay host's network namespace and sends only to A and B,
which must be on the subnet of one of its interfaces. Stops by itself after
--seconds (or on SIGTERM) and prints, once:
"a-to-b=<forwarded> a-to-b-lost=<n> b-to-a=<forwarded> b-to-a-lost=<n> reordered=<n>"."""

import argparse
import heapq
import ipaddress
import random
import select
import signal
import socket
import subprocess
import sys
import time


def endpoint(text):
    host, _, port = text.rpartition(":")
    return (str(ipaddress.IPv4Address(host)), int(port))


def local_subnets():
    out = subprocess.run(["ip", "-4", "-o", "addr", "show"], check=True, capture_output=True, text=True).stdout
    return [ipaddress.IPv4Interface(line.split()[3]).network for line in out.splitlines()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=11676)
    parser.add_argument("--a", type=endpoint, required=True)
    parser.add_argument("--b", type=endpoint, required=True)
    parser.add_argument("--loss", type=float, default=0.0)
    parser.add_argument("--delay", type=float, default=0.0, help="base delay, ms")
    parser.add_argument("--jitter", type=float, default=0.0, help="delay varies by up to this either way, ms")
    parser.add_argument("--seconds", type=float, required=True)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--stall", default=None, help="AT:MS, seconds from the start and how long")
    args = parser.parse_args()
    stall = None
    if args.stall:
        at, _, ms = args.stall.partition(":")
        stall = (float(at), float(at) + float(ms) / 1000.0)
    if not 0 < args.seconds <= 600 or args.jitter > args.delay:
        parser.error("--seconds must be in (0, 600] and --jitter at most --delay")
    subnets = local_subnets()
    for host, _ in (args.a, args.b):
        if not any(ipaddress.IPv4Address(host) in net for net in subnets):
            parser.error("%s is not on the subnet of any interface here" % host)

    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    rng = random.Random(args.seed)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("0.0.0.0", args.port))
    sock.setblocking(False)
    print("relaying port=%d" % args.port, flush=True)

    counts = {"a-to-b": 0, "a-to-b-lost": 0, "b-to-a": 0, "b-to-a-lost": 0, "reordered": 0}
    pending = []  # (due, sequence, data, destination)
    last_due = {args.a: 0.0, args.b: 0.0}
    sequence = 0
    began = time.monotonic()
    end = began + args.seconds
    if stall:
        stall = (began + stall[0], began + stall[1])
    while not stop:
        now = time.monotonic()
        if now >= end:
            break
        while pending and pending[0][0] <= now:
            _, _, data, to = heapq.heappop(pending)
            try:
                sock.sendto(data, to)
            except OSError:
                pass  # e.g. the port unreachable reported for an earlier datagram
        timeout = min(end - now, (pending[0][0] - now) if pending else 0.5)
        try:
            readable, _, _ = select.select([sock], [], [], max(timeout, 0))
        except InterruptedError:
            continue
        if not readable:
            continue
        while True:
            try:
                data, source = sock.recvfrom(2048)
            except (BlockingIOError, InterruptedError):
                break
            except OSError:
                continue  # a port unreachable from one side: nothing to forward
            if source == args.a:
                to, name = args.b, "a-to-b"
            elif source == args.b:
                to, name = args.a, "b-to-a"
            else:
                continue
            if rng.random() < args.loss:
                counts[name + "-lost"] += 1
                continue
            due = time.monotonic() + (args.delay + rng.uniform(-args.jitter, args.jitter)) / 1000.0
            if stall and stall[0] <= due < stall[1]:
                due = stall[1]
            if due < last_due[to]:
                counts["reordered"] += 1
            last_due[to] = max(last_due[to], due)
            sequence += 1
            heapq.heappush(pending, (due, sequence, data, to))
            counts[name] += 1
    print(" ".join("%s=%d" % item for item in counts.items()), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
