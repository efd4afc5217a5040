#!/usr/bin/python3
"""A KestroVox peer of its own for the private-call system test, written from
the wire description alone: Noise_XX_25519_ChaChaPoly_BLAKE2b on Debian's
python3-dissononce for the handshake (0x86) and the sealed datagrams (0x87),
and the plain protocol inside them (call setup, GSM 6.10 audio, chat lines,
short messages, Leave). It shares no code with the phone.

  /usr/bin/python3 private_peer.py --identity NAME [--privacy 0|1] [--key HEX]
      [--mic IN.wav] [--speaker OUT.wav] [--answer accept|ignore]

--privacy 1 (the default) makes a handshake before a call or a message and
answers step 1; --privacy 0 is a plain peer (0x86 and 0x87 mean nothing to it).
--key is the static private key (64 hex digits; a new one when left out).
--mic: an 8 kHz mono WAV, encoded to GSM 6.10 blocks (65 bytes, 320 samples,
as Windows and libgsm's WAV49 pack them) with sox, and played in real time
from the peer's start, four blocks to a datagram, while a call is up (silence
after its end).
--speaker: on quit, the GSM blocks received are decoded with sox and written
on the same timeline, each talk spurt 100 ms after its first datagram came.

Commands on standard input, one a line: call A.B.C.D[:PORT], chat TEXT,
msg A.B.C.D[:PORT] TEXT, hangup, status, at SECONDS (says so when the peer's
timeline, its mic's, reaches SECONDS), quit. One line per event on standard
output:

  ready name="NAME" port=P key=FINGERPRINT
  session address=A:P role=initiator|responder sas=NNNNNN key=FINGERPRINT
  handshake-failed address=A:P step=N
  calling address=A:P private=0|1
  incoming-call name="NAME" address=A:P private=0|1
  connected name="NAME" address=A:P direction=incoming|outgoing private=0|1
  call-failed reason=no-answer|refused|busy|codec address=A:P [text="..."]
  chat line="NAME> TEXT"              (a line from the party; echoed back)
  chat-echoed line="TEXT"             (our line came back)
  message name="NAME" text="TEXT" address=A:P private=0|1   (stored: answered 85 02)
  message-delivered address=A:P | message-refused address=A:P | message-failed address=A:P
  party-left name="NAME" address=A:P reason=hung-up
  status parties=N sessions=N audio-sent=N audio-received=N sealed-received=N
         plain-received=N sealed-dropped=N replays-dropped=N plain-ignored=N
  at seconds=S
  wrote file="OUT.wav" datagrams=N spurts=N
"""
import argparse
import base64
import hashlib
import heapq
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import time

try:
    from dissononce.cipher.chachapoly import ChaChaPolyCipher
    from dissononce.dh.x25519.private import PrivateKey
    from dissononce.dh.x25519.x25519 import X25519DH
    from dissononce.exceptions.decrypt import DecryptFailedException
    from dissononce.hash.blake2b import Blake2bHash
    from dissononce.processing.handshakepatterns.interactive.XX import XXHandshakePattern
    from dissononce.processing.impl.cipherstate import CipherState
    from dissononce.processing.impl.handshakestate import HandshakeState
    from dissononce.processing.impl.symmetricstate import SymmetricState
except ImportError as e:
    sys.exit("private_peer.py needs python3-dissononce (apt-get install python3-dissononce), "
             "run with /usr/bin/python3: %s" % e)

PORT = 11676
PROLOGUE = b"KestroVox private calls 1"
OP_HANDSHAKE, OP_SEALED = 0x86, 0x87
STEP1_LENGTH = 130
REPLAY_WINDOW = 1024
FEATURES = bytes([1, 1, 0])  # version 1, one codec: GSM 6.10

CALL_REQUEST, CALL_REPLY, LEAVE, CHAT, SHORT_MESSAGE, SHORT_MESSAGE_REPLY = range(0x80, 0x86)
ALERTING, ACCEPTED, REFUSED, CODEC_UNSUPPORTED, BUSY, ACCEPT_CONFIRMED = range(1, 7)
GSM = 0
GSM_BLOCK, GSM_SAMPLES = 65, 320
FRAMES_PER_DATAGRAM = 4
RATE = 8000
PLAYOUT_DELAY = 0.1   # seconds from a talk spurt's first datagram to its first sample
SPURT_GAP = 0.3       # a datagram this much later than its place starts a new spurt

HANDSHAKE_ATTEMPTS, HANDSHAKE_INTERVAL = 4, 0.25
CALL_ATTEMPTS, CALL_INTERVAL = 5, 1.0
ACCEPT_SENDS, ACCEPT_INTERVAL = 6, 0.5
CHAT_SENDS, CHAT_INTERVAL = 5, 0.5
MESSAGE_ATTEMPTS, MESSAGE_INTERVAL = 5, 1.0


def fingerprint(public_key):
    return base64.b32encode(hashlib.blake2b(public_key).digest()[:15]).decode("ascii")


def sas_number(h):
    return struct.unpack(">I", hashlib.blake2b(h + b"SAS").digest()[:4])[0] % 1000000


def quote(text):
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif " " <= c <= "~":
            out.append(c)
        else:
            out.append("\\x%02x" % (ord(c) & 0xFF))
    return '"' + "".join(out) + '"'


def text_at(d, start):
    """A NUL-terminated wire text from d[start:], and the index after its NUL."""
    end = d.find(b"\0", start)
    if end < 0:
        end = len(d)
    return d[start:end].decode("latin-1"), end + 1


def parse_address(text):
    host, _, port = text.partition(":")
    return socket.inet_ntoa(socket.inet_aton(host)), int(port) if port else PORT


def show(address):
    return "%s:%d" % address


# ---- GSM 6.10 through sox ----

def gsm_blocks(wav_path):
    """The mic file as 65-byte GSM 6.10 blocks (sox writes WAV49, as the phone's codec reads
    it), and the block of silence that follows it (the file encoded with a second of silence
    behind it: its last block)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "mic-gsm.wav")
        subprocess.run(["sox", wav_path, "-t", "wav", "-e", "gsm-full-rate", out, "pad", "0", "1"], check=True)
        with open(out, "rb") as f:
            data = riff_chunk(f.read(), b"data")
    blocks = [data[i:i + GSM_BLOCK] for i in range(0, len(data) - GSM_BLOCK + 1, GSM_BLOCK)]
    return blocks[:-RATE // GSM_SAMPLES], blocks[-1]


def riff_chunk(riff, wanted):
    i = 12
    while i + 8 <= len(riff):
        cid, size = riff[i:i + 4], struct.unpack("<I", riff[i + 4:i + 8])[0]
        if cid == wanted:
            return riff[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    raise ValueError("no %r chunk" % wanted)


def gsm_decode(blocks):
    """PCM samples (a list of ints) of the GSM 6.10 blocks, decoded as one stream."""
    if not blocks:
        return []
    data = b"".join(blocks)
    fmt = struct.pack("<HHIIHHHH", 0x31, 1, RATE, 1625, GSM_BLOCK, 0, 2, GSM_SAMPLES)
    fact = struct.pack("<I", len(blocks) * GSM_SAMPLES)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" + struct.pack("<I", 4) + fact +
            b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b""))
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in-gsm.wav"), os.path.join(tmp, "out.raw")
        with open(src, "wb") as f:
            f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
        subprocess.run(["sox", src, "-t", "raw", "-e", "signed", "-b", "16", "-c", "1", "-r", str(RATE), dst],
                       check=True)
        with open(dst, "rb") as f:
            raw = f.read()
    return list(struct.unpack("<%dh" % (len(raw) // 2), raw[:len(raw) // 2 * 2]))


def write_wav(path, samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


# ---- private sessions ----

class Session:
    def __init__(self, initiator, send, receive, h, remote_static, step3=None):
        self.initiator = initiator
        self.send = send            # CipherState of our direction
        self.receive = receive
        self.sas = sas_number(h)
        self.key = remote_static
        self.step3 = step3          # the initiator's, sent again until the responder's first sealed one opens
        self.next_n = 0
        self.highest = -1
        self.seen = 0               # bit i: highest - i was seen

    def seal(self, inner):
        assert self.next_n < 2 ** 64 - 1, "counters used up"
        header = bytes([OP_SEALED]) + struct.pack("<Q", self.next_n)
        self.send.set_nonce(self.next_n)
        self.next_n += 1
        return header + self.send.encrypt_with_ad(header, inner)

    def fresh(self, n):
        if n > self.highest:
            return True
        back = self.highest - n
        return back < REPLAY_WINDOW and not (self.seen >> back) & 1

    def mark(self, n):
        if n > self.highest:
            shift = n - self.highest
            self.seen = ((self.seen << shift) | 1) & ((1 << REPLAY_WINDOW) - 1) if shift < REPLAY_WINDOW else 1
            self.highest = n
        else:
            self.seen |= 1 << (self.highest - n)

    def open(self, d):
        """The inner datagram, or None (too short, the tag fails, or a replay)."""
        if len(d) < 9 + 16:
            return None
        n = struct.unpack("<Q", d[1:9])[0]
        if n == 2 ** 64 - 1 or not self.fresh(n):
            return "replay"
        self.receive.set_nonce(n)
        try:
            inner = self.receive.decrypt_with_ad(d[:9], d[9:])
        except DecryptFailedException:
            return None
        self.mark(n)
        return inner


def new_handshake(initiator, static):
    state = HandshakeState(SymmetricState(CipherState(ChaChaPolyCipher()), Blake2bHash()), X25519DH())
    state.initialize(XXHandshakePattern(), initiator, PROLOGUE, s=static)
    return state


def parse_features(payload):
    if len(payload) < 2 or payload[0] < 1 or len(payload) < 2 + payload[1]:
        return None
    return list(payload[2:2 + payload[1]])


class Peer:
    def __init__(self, args):
        self.identity = args.identity
        self.privacy = args.privacy
        self.answer = args.answer
        dh = X25519DH()
        self.static = dh.generate_keypair(PrivateKey(bytes.fromhex(args.key))) if args.key else dh.generate_keypair()
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("0.0.0.0", args.port))
        self.t0 = time.monotonic()
        self.mic, self.silence = gsm_blocks(args.mic) if args.mic else ([], None)
        self.speaker = args.speaker
        self.received_audio = []    # (arrival seconds since t0, [blocks])
        self.timers = []            # heap of (when, seq, callback)
        self.seq = 0
        self.sessions = {}
        self.initiating = {}        # address -> (HandshakeState, step 1 datagram)
        self.responding = {}        # address -> (HandshakeState, remote ephemeral, step 2 datagram)
        self.waiting = {}           # address -> callbacks run once a session is made (or with False: none came)
        self.party = None           # (address, name, private)
        self.setup = None           # {"address", "role", "name", ...} while a call is being set up
        self.chat_line = None       # (text, sends left)
        self.message = None         # (address, text, attempts left)
        self.counts = dict.fromkeys(("audio-sent", "audio-received", "sealed-received", "plain-received",
                                     "sealed-dropped", "replays-dropped", "plain-ignored"), 0)
        self.next_block = 0
        self.running = True

    # ---- output and timers ----

    def say(self, line):
        sys.stdout.write(line + "\n")
        sys.stdout.flush()

    def after(self, seconds, callback):
        self.seq += 1
        heapq.heappush(self.timers, (time.monotonic() + seconds, self.seq, callback))

    def repeat(self, times, interval, send, done, finished=None):
        """send() now and every interval until done() or times sends; then finished(done())."""
        def step(left):
            if done():
                if finished:
                    finished(True)
                return
            if left == 0:
                if finished:
                    finished(False)
                return
            send()
            self.after(interval, lambda: step(left - 1))
        step(times)

    # ---- sending ----

    def raw(self, address, d):
        try:
            self.sock.sendto(d, address)
        except OSError:
            pass

    def send(self, address, inner):
        """A plain datagram: sealed when the address has a session."""
        session = self.sessions.get(address)
        if session is None:
            self.raw(address, inner)
            return
        if session.step3 is not None:
            self.raw(address, session.step3)
        self.raw(address, session.seal(inner))

    def private(self, address):
        return 1 if address in self.sessions else 0

    def ensure_session(self, address, then):
        """Runs then(True) once the address has a session (making one with step 1, 4 times 250 ms
        apart), then(False) when no step 2 came or the peer is plain."""
        if self.privacy == 0:
            then(False)
            return
        if address in self.sessions:
            then(True)
            return
        self.waiting.setdefault(address, []).append(then)
        if address in self.initiating:
            return
        state = new_handshake(True, self.static)
        buffer = bytearray()
        state.write_message(bytes(96), buffer)
        step1 = bytes([OP_HANDSHAKE, 1]) + bytes(buffer)
        assert len(step1) == STEP1_LENGTH
        self.initiating[address] = (state, step1)
        self.repeat(HANDSHAKE_ATTEMPTS, HANDSHAKE_INTERVAL, lambda: self.raw(address, step1),
                    lambda: address in self.sessions or address not in self.initiating,
                    lambda got: self.handshake_over(address, got))

    def handshake_over(self, address, got):
        if not got:
            self.initiating.pop(address, None)
        for then in self.waiting.pop(address, []):
            then(address in self.sessions)

    def made(self, address, session):
        self.sessions[address] = session
        self.say("session address=%s role=%s sas=%06d key=%s" % (
            show(address), "initiator" if session.initiator else "responder", session.sas,
            fingerprint(session.key)))

    # ---- receiving ----

    def on_datagram(self, d, address):
        if not d:
            return
        if d[0] == OP_HANDSHAKE:
            if self.privacy != 0:
                self.on_handshake(d, address)
            return
        if d[0] == OP_SEALED:
            if self.privacy == 0:
                return
            session = self.sessions.get(address)
            inner = session.open(d) if session else None
            if inner == "replay":
                self.counts["replays-dropped"] += 1
                return
            if inner is None or not inner or inner[0] >= OP_HANDSHAKE:
                self.counts["sealed-dropped"] += 1
                return
            session.step3 = None  # the responder has the session: no more step 3
            self.counts["sealed-received"] += 1
            self.on_plain(inner, address, True)
            return
        if address in self.sessions:
            self.counts["plain-ignored"] += 1  # anyone could have sent it
            return
        self.counts["plain-received"] += 1
        self.on_plain(d, address, False)

    def on_handshake(self, d, address):
        if len(d) < 2:
            return
        step, message = d[1], d[2:]
        try:
            if step == 1:
                if len(d) < STEP1_LENGTH:
                    return
                if address in self.initiating:
                    # Both at once: the smaller ephemeral key answers.
                    ours = self.initiating[address][0].e.public.data
                    if ours < message[:32]:
                        self.initiating.pop(address)
                    else:
                        return
                pending = self.responding.get(address)
                if pending and pending[1] == message[:32]:
                    self.raw(address, pending[2])  # the very same step 2
                    return
                state = new_handshake(False, self.static)
                state.read_message(message, bytearray())
                buffer = bytearray()
                state.write_message(FEATURES, buffer)
                step2 = bytes([OP_HANDSHAKE, 2]) + bytes(buffer)
                self.responding[address] = (state, message[:32], step2)
                self.raw(address, step2)
            elif step == 2:
                if address not in self.initiating:
                    return
                state, _ = self.initiating[address]
                payload = bytearray()
                state.read_message(message, payload)
                if parse_features(bytes(payload)) is None:
                    raise ValueError("features record")
                buffer = bytearray()
                initiator_send, initiator_receive = state.write_message(FEATURES, buffer)
                step3 = bytes([OP_HANDSHAKE, 3]) + bytes(buffer)
                self.initiating.pop(address)
                self.raw(address, step3)
                self.made(address, Session(True, initiator_send, initiator_receive,
                                           state.symmetricstate.get_handshake_hash(), state.rs.data, step3))
                for then in self.waiting.pop(address, []):
                    then(True)
            elif step == 3:
                pending = self.responding.pop(address, None)
                if pending is None:
                    return
                state = pending[0]
                payload = bytearray()
                c1, c2 = state.read_message(message, payload)
                if parse_features(bytes(payload)) is None:
                    raise ValueError("features record")
                self.made(address, Session(False, c2, c1, state.symmetricstate.get_handshake_hash(),
                                           state.rs.data))
        except Exception:  # a message that does not check: that handshake is over
            self.say("handshake-failed address=%s step=%d" % (show(address), step))
            if step == 2:
                self.initiating.pop(address, None)

    def on_plain(self, d, address, sealed):
        kind = d[0]
        if kind < 0x80:
            if self.party and self.party[0] == address and kind == GSM:
                blocks = [d[i:i + GSM_BLOCK] for i in range(1, len(d) - GSM_BLOCK + 1, GSM_BLOCK)]
                self.received_audio.append((time.monotonic() - self.t0, blocks))
                self.counts["audio-received"] += 1
            return
        if kind == CALL_REQUEST:
            self.on_call_request(d, address, sealed)
        elif kind == CALL_REPLY:
            self.on_call_reply(d, address)
        elif kind == LEAVE:
            if self.party and self.party[0] == address:
                self.say("party-left name=%s address=%s reason=hung-up" % (quote(self.party[1]), show(address)))
                self.party = None
            elif self.setup and self.setup["address"] == address:
                self.say("call-failed reason=left address=%s" % show(address))
                self.setup = None
        elif kind == CHAT and len(d) >= 2:
            line, _ = text_at(d, 2)
            if d[1] == 0:
                self.send(address, bytes([CHAT, 1]) + d[2:])
                if self.party and self.party[0] == address:
                    self.say("chat line=%s" % quote(self.party[1] + "> " + line))
            elif self.chat_line and self.chat_line[0] == line:
                self.chat_line = None
                self.say("chat-echoed line=%s" % quote(line))
        elif kind == SHORT_MESSAGE:
            name, at = text_at(d, 1)
            text, _ = text_at(d, at)
            self.send(address, bytes([SHORT_MESSAGE_REPLY, 2]))
            self.say("message name=%s text=%s address=%s private=%d" % (quote(name), quote(text), show(address),
                                                                        1 if sealed else 0))
        elif kind == SHORT_MESSAGE_REPLY and len(d) >= 2:
            if self.message and self.message[0] == address:
                self.message = None
                self.say("message-%s address=%s" % ("delivered" if d[1] == 2 else "refused", show(address)))

    def on_call_request(self, d, address, sealed):
        if len(d) < 2 or self.answer != "accept":
            return
        name, _ = text_at(d, 2)
        if self.party and self.party[0] == address:
            return
        if self.setup and self.setup["address"] == address and self.setup["role"] == "callee":
            return  # the Accepted schedule runs already
        if self.setup or self.party:
            self.send(address, bytes([CALL_REPLY, BUSY]) + self.identity.encode() + b"\0")
            return
        if d[1] & 0x7F != GSM:
            self.send(address, bytes([CALL_REPLY, CODEC_UNSUPPORTED]) + self.identity.encode() + b"\0")
            return
        self.say("incoming-call name=%s address=%s private=%d" % (quote(name), show(address), self.private(address)))
        setup = {"address": address, "role": "callee", "name": name, "confirmed": False}
        self.setup = setup
        accepted = bytes([CALL_REPLY, ACCEPTED, GSM | 0x80]) + self.identity.encode() + b"\0"
        self.repeat(ACCEPT_SENDS, ACCEPT_INTERVAL, lambda: self.send(address, accepted),
                    lambda: setup["confirmed"] or self.setup is not setup,
                    lambda got: self.setup_over(setup, got, "no-confirmation"))

    def on_call_reply(self, d, address):
        if len(d) < 2:
            return
        setup = self.setup
        code = d[1]
        if code == ACCEPTED and self.party and self.party[0] == address:
            self.send(address, bytes([CALL_REPLY, ACCEPT_CONFIRMED, 0]))  # our confirmation was lost
            return
        if not setup or setup["address"] != address:
            return
        if setup["role"] == "callee":
            if code == ACCEPT_CONFIRMED:
                setup["confirmed"] = True
                self.connect(setup, "incoming")
            return
        name, at = text_at(d, 3) if code in (ALERTING, ACCEPTED) else text_at(d, 2)
        setup["name"] = name
        if code == ALERTING:
            setup["answered"] = True
        elif code == ACCEPTED:
            setup["answered"] = True
            self.send(address, bytes([CALL_REPLY, ACCEPT_CONFIRMED, 0]))
            self.connect(setup, "outgoing")
        elif code in (REFUSED, BUSY, CODEC_UNSUPPORTED):
            if code == REFUSED and at < len(d):
                setup["text"] = text_at(d, at)[0]
                return  # the plain Refused follows
            reason = {REFUSED: "refused", BUSY: "busy", CODEC_UNSUPPORTED: "codec"}[code]
            extra = (" text=" + quote(setup["text"])) if "text" in setup else ""
            self.say("call-failed reason=%s address=%s%s" % (reason, show(address), extra))
            self.setup = None

    def setup_over(self, setup, got, reason):
        if not got and self.setup is setup:
            self.say("call-failed reason=%s address=%s" % (reason, show(setup["address"])))
            self.setup = None

    def connect(self, setup, direction):
        address = setup["address"]
        self.setup = None
        self.party = (address, setup["name"], self.private(address))
        self.say("connected name=%s address=%s direction=%s private=%d" % (
            quote(setup["name"]), show(address), direction, self.private(address)))
        self.next_block = int((time.monotonic() - self.t0) * RATE / GSM_SAMPLES)
        self.audio_tick()

    def audio_tick(self):
        """Sends the mic's blocks in real time, four to a datagram, while the call is up."""
        if not self.party or self.silence is None:
            return
        due = self.t0 + (self.next_block + FRAMES_PER_DATAGRAM) * GSM_SAMPLES / RATE
        now = time.monotonic()
        if now >= due:
            blocks = [self.mic[k] if k < len(self.mic) else self.silence
                      for k in range(self.next_block, self.next_block + FRAMES_PER_DATAGRAM)]
            self.next_block += FRAMES_PER_DATAGRAM
            self.send(self.party[0], bytes([GSM]) + b"".join(blocks))
            self.counts["audio-sent"] += 1
            due += FRAMES_PER_DATAGRAM * GSM_SAMPLES / RATE
        self.seq += 1
        heapq.heappush(self.timers, (due, self.seq, self.audio_tick))

    # ---- commands ----

    def command(self, line):
        word, _, rest = line.strip().partition(" ")
        rest = rest.strip()
        if word == "call":
            self.call(parse_address(rest))
        elif word == "chat":
            self.chat(rest)
        elif word == "msg":
            where, _, text = rest.partition(" ")
            self.short_message(parse_address(where), text)
        elif word == "hangup":
            if self.party:
                self.send(self.party[0], bytes([LEAVE, 0]))
                self.say("hung-up address=%s" % show(self.party[0]))
                self.party = None
        elif word == "status":
            self.say("status parties=%d sessions=%d %s" % (
                1 if self.party else 0, len(self.sessions), " ".join("%s=%d" % kv for kv in self.counts.items())))
        elif word == "at":
            seconds = float(rest)
            self.seq += 1
            heapq.heappush(self.timers, (self.t0 + seconds, self.seq, lambda: self.say("at seconds=%s" % rest)))
        elif word == "quit":
            self.running = False
        elif word:
            self.say("error unknown command %s" % quote(word))

    def call(self, address):
        if self.setup or self.party:
            self.say("error busy")
            return
        setup = {"address": address, "role": "caller", "name": "", "answered": False}
        self.setup = setup

        def go(private):
            if self.setup is not setup:
                return
            self.say("calling address=%s private=%d" % (show(address), 1 if private else 0))
            request = bytes([CALL_REQUEST, GSM]) + self.identity.encode() + b"\0"
            self.repeat(CALL_ATTEMPTS, CALL_INTERVAL, lambda: self.send(address, request),
                        lambda: setup["answered"] or self.setup is not setup,
                        lambda got: self.setup_over(setup, got, "no-answer"))
        self.ensure_session(address, go)

    def chat(self, text):
        if not self.party:
            self.say("error no party")
            return
        address = self.party[0]
        self.chat_line = (text, CHAT_SENDS)
        datagram = bytes([CHAT, 0]) + text.encode("latin-1") + b"\0"
        self.repeat(CHAT_SENDS, CHAT_INTERVAL, lambda: self.send(address, datagram),
                    lambda: self.chat_line is None or self.chat_line[0] != text)

    def short_message(self, address, text):
        entry = (address, text)
        datagram = bytes([SHORT_MESSAGE]) + self.identity.encode() + b"\0" + text.encode("latin-1") + b"\0"

        def go(private):
            self.message = entry
            self.repeat(MESSAGE_ATTEMPTS, MESSAGE_INTERVAL, lambda: self.send(address, datagram),
                        lambda: self.message is not entry,
                        lambda got: got or self.say("message-failed address=%s" % show(address)))
        self.ensure_session(address, go)

    # ---- the loop ----

    def run(self):
        self.say("ready name=%s port=%d key=%s" % (quote(self.identity), self.sock.getsockname()[1],
                                                   fingerprint(self.static.public.data)))
        stdin = sys.stdin.fileno()
        pending = b""
        while self.running:
            now = time.monotonic()
            while self.timers and self.timers[0][0] <= now:
                heapq.heappop(self.timers)[2]()
                now = time.monotonic()
            timeout = max(0.0, self.timers[0][0] - now) if self.timers else 1.0
            ready, _, _ = select.select([self.sock, stdin], [], [], min(timeout, 1.0))
            if self.sock in ready:
                for _ in range(64):
                    try:
                        d, address = self.sock.recvfrom(2048, socket.MSG_DONTWAIT)
                    except (BlockingIOError, InterruptedError):
                        break
                    except OSError:
                        continue  # a port-unreachable report
                    self.on_datagram(d, address)
            if stdin in ready:
                chunk = os.read(stdin, 4096)
                if not chunk:
                    self.running = False
                pending += chunk
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    self.command(line.decode("latin-1"))
        if self.speaker:
            self.write_speaker()

    def write_speaker(self):
        """The received blocks on the peer's timeline: each talk spurt starts PLAYOUT_DELAY
        after its first datagram arrived and plays on without gaps; a datagram that comes
        SPURT_GAP or more after its place starts the next spurt."""
        blocks = [b for _, bs in self.received_audio for b in bs]
        pcm = gsm_decode(blocks)
        out = [0] * int((time.monotonic() - self.t0) * RATE)
        at, index, spurts = -10 ** 9, 0, 0
        for arrived, bs in self.received_audio:
            place = int((arrived + PLAYOUT_DELAY) * RATE)
            if place - at > SPURT_GAP * RATE:
                at = place
                spurts += 1
            piece = pcm[index:index + len(bs) * GSM_SAMPLES]
            index += len(bs) * GSM_SAMPLES
            if at + len(piece) > len(out):
                out.extend([0] * (at + len(piece) - len(out)))
            out[at:at + len(piece)] = piece
            at += len(piece)
        write_wav(self.speaker, out)
        self.say("wrote file=%s datagrams=%d spurts=%d" % (quote(self.speaker), len(self.received_audio), spurts))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--identity", required=True)
    parser.add_argument("--privacy", type=int, choices=(0, 1), default=1)
    parser.add_argument("--key", help="static private key, 64 hex digits")
    parser.add_argument("--mic")
    parser.add_argument("--speaker")
    parser.add_argument("--answer", choices=("accept", "ignore"), default="accept")
    parser.add_argument("--port", type=int, default=PORT)
    Peer(parser.parse_args()).run()


if __name__ == "__main__":
    main()
