#!/usr/bin/python3
"""Writes noise_vectors.txt beside this script: test vectors for private calls,
the Noise handshake Noise_XX_25519_ChaChaPoly_BLAKE2b with our prologue, our
handshake and sealed datagrams, the short authentication string and the key
fingerprints.

The vectors come from an implementation independent of ours: Debian's
python3-dissononce (a general Noise library), run as both initiator and
responder. Every key is fixed, so running this again rewrites the same file.

  apt-get install python3-dissononce
  /usr/bin/python3 tests/data/make_noise_vectors.py

(The system's Python: the Debian package is not on a pyenv or venv path.)

File format: `#` starts a comment line; `[case N]` starts a case; every other
line is `name = value`. Values are hex bytes, except the decimal numbers
(`sas`, `transport_count`, `transportN_n`) and the texts (`sas_text`,
`fingerprint_i`, `fingerprint_r`, `transportN_key`, which is k1 or k2).
"""
import base64
import hashlib
import hmac
import os
import struct
import sys

try:
    import dissononce
    from dissononce.cipher.chachapoly import ChaChaPolyCipher
    from dissononce.dh.x25519.private import PrivateKey
    from dissononce.dh.x25519.x25519 import X25519DH
    from dissononce.exceptions.decrypt import DecryptFailedException
    from dissononce.extras.dh.dangerous.dh_nogen import NoGenDH
    from dissononce.hash.blake2b import Blake2bHash
    from dissononce.processing.handshakepatterns.interactive.XX import XXHandshakePattern
    from dissononce.processing.impl.cipherstate import CipherState
    from dissononce.processing.impl.handshakestate import HandshakeState
    from dissononce.processing.impl.symmetricstate import SymmetricState
except ImportError as e:
    sys.exit("needs python3-dissononce (apt-get install python3-dissononce), "
             "run with /usr/bin/python3: %s" % e)

PROTOCOL = "Noise_XX_25519_ChaChaPoly_BLAKE2b"
PROLOGUE = b"KestroVox private calls 1"
OP_HANDSHAKE = 0x86
OP_SEALED = 0x87
MAX_INNER = 1475
STEP1_PADDING = bytes(96)

# RFC 7748, section 6.1: Alice's and Bob's X25519 keys.
RFC7748_ALICE = ("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a",
                 "8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a")
RFC7748_BOB = ("5dab087e624a8a4b79e17f8b83800ee66f3bb1292618b6fd1c2f8b27ff88e0eb",
               "de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f")


def fixed_key(label):
    """A fixed 32-byte private key named by a label (no randomness)."""
    return hashlib.blake2b(b"KestroVox test key " + label.encode(), digest_size=32).digest()


# ---- our own derivations, written from Noise revision 34 with hashlib ----

def hmac_hash(key, data):
    return hmac.new(key, data, hashlib.blake2b).digest()  # HMAC over BLAKE2b-512, 128-byte block


def split(ck):
    """Noise's Split(): temp_k1, temp_k2 = HKDF(ck, zerolen, 2), each cut to 32 bytes."""
    temp_key = hmac_hash(ck, b"")
    out1 = hmac_hash(temp_key, b"\x01")
    out2 = hmac_hash(temp_key, out1 + b"\x02")
    return out1[:32], out2[:32]


def sas_number(h):
    return struct.unpack(">I", hashlib.blake2b(h + b"SAS").digest()[:4])[0] % 1000000


def fingerprint(public_key):
    text = base64.b32encode(hashlib.blake2b(public_key).digest()[:15]).decode("ascii")
    assert len(text) == 24 and "=" not in text
    return text


# ---- datagrams of the plain protocol, used as inner datagrams ----

def call_request(codec, identity):
    return bytes([0x80, codec & 0x7F]) + identity.encode("ascii") + b"\0"


def call_reply(sub_code, codec, identity):
    return bytes([0x81, sub_code, codec & 0x7F]) + identity.encode("ascii") + b"\0"


def leave(reason=None):
    return b"\x82" if reason is None else bytes([0x82, reason])


def chat(line):
    return b"\x83\x00" + line.encode("ascii") + b"\0"


def short_message(identity, text):
    return b"\x84" + identity.encode("ascii") + b"\0" + text.encode("ascii") + b"\0"


def audio(codec, length, seed):
    """An audio datagram of length bytes: the codec byte, then fixed filler frames."""
    return bytes([codec]) + bytes((seed + 37 * i + (i >> 8)) & 0xFF for i in range(length - 1))


def features(codecs, trailing=b""):
    return bytes([1, len(codecs)]) + bytes(codecs) + trailing


# ---- the cases ----

CASES = [
    {
        "comment": [
            "Static keys: RFC 7748's Alice (initiator) and Bob (responder).",
            "Both sides decode GSM 6.10 and Truespeech.",
        ],
        "s_i": bytes.fromhex(RFC7748_ALICE[0]),
        "e_i": fixed_key("case 1 e_i"),
        "s_r": bytes.fromhex(RFC7748_BOB[0]),
        "e_r": fixed_key("case 1 e_r"),
        "payload2": features([0, 1]),
        "payload3": features([0, 1]),
        "transport": [
            ("k1", 0, call_request(1, "alice@example.org")),
            ("k2", 0, call_reply(1, 1, "bob@example.net")),
            ("k2", 1, call_reply(2, 1, "bob@example.net")),
            ("k1", 1, chat("Hello, Bob")),
            ("k1", 2**32 + 5, leave(0)),
        ],
    },
    {
        "comment": [
            "Keys from fixed labels. The responder decodes Truespeech only, the initiator",
            "both in the other order; a full-size audio datagram (1475 bytes, sealed 1500).",
        ],
        "s_i": fixed_key("case 2 s_i"),
        "e_i": fixed_key("case 2 e_i"),
        "s_r": fixed_key("case 2 s_r"),
        "e_r": fixed_key("case 2 e_r"),
        "payload2": features([1]),
        "payload3": features([1, 0]),
        "transport": [
            ("k1", 0, audio(1, MAX_INNER, 0x5A)),
            ("k1", 1, audio(1, 97, 0x11)),
            ("k2", 0, audio(1, 65, 0xC3)),
            ("k2", 1, leave()),
            ("k2", 2**32 + 5, short_message("carol@example.com", "Call me back")),
        ],
    },
    {
        "comment": [
            "Private keys not clamped (s_i all ones, e_r all zero bits but one): X25519 clamps.",
            "Features as a later version might send them: an unknown codec 2 in step 2,",
            "and bytes after the codec list in both, which a receiver ignores.",
            "n = 0x0102030405060708 shows the byte order; n = 2^64 - 2 is the last usable one.",
        ],
        "s_i": b"\xff" * 32,
        "e_i": fixed_key("case 3 e_i"),
        "s_r": fixed_key("case 3 s_r"),
        "e_r": b"\x00" * 31 + b"\x40",
        "payload2": features([0, 1, 2], bytes.fromhex("02040a0b0c0d")),
        "payload3": features([0], bytes.fromhex("0300")),
        "transport": [
            ("k1", 0, call_request(0, "dave")),
            ("k2", 0, call_reply(2, 0, "erin")),
            ("k1", 1, audio(0, 34, 0x00)),
            ("k2", 1, audio(0, 67, 0x99)),
            ("k1", 0x0102030405060708, chat("x" * 99)),
            ("k2", 2**64 - 2, leave(1)),
        ],
    },
]


def key_pair(private):
    return X25519DH().generate_keypair(PrivateKey(private))


def handshake_state(ephemeral_private):
    # dissononce makes the ephemeral key itself inside WriteMessage (an `e`
    # passed to initialize() trips its "e is not empty" assertion), so a fixed
    # ephemeral key has to come from a DH whose key generation returns it.
    dh = NoGenDH(X25519DH(), PrivateKey(ephemeral_private))
    return HandshakeState(SymmetricState(CipherState(ChaChaPolyCipher()), Blake2bHash()), dh)


def write(state, payload):
    buffer = bytearray()
    result = state.write_message(payload, buffer)
    return bytes(buffer), result


def read(state, message):
    buffer = bytearray()
    result = state.read_message(message, buffer)
    return bytes(buffer), result


def seal(cipherstate, n, inner):
    header = bytes([OP_SEALED]) + struct.pack("<Q", n)
    cipherstate.set_nonce(n)
    return header + cipherstate.encrypt_with_ad(header, inner)


def open_sealed(cipherstate, datagram):
    assert datagram[0] == OP_SEALED
    n = struct.unpack("<Q", datagram[1:9])[0]
    cipherstate.set_nonce(n)
    return n, cipherstate.decrypt_with_ad(datagram[:9], datagram[9:])


def run_case(case):
    s_i, s_r = key_pair(case["s_i"]), key_pair(case["s_r"])
    e_i, e_r = key_pair(case["e_i"]), key_pair(case["e_r"])
    initiator = handshake_state(case["e_i"])
    responder = handshake_state(case["e_r"])
    initiator.initialize(XXHandshakePattern(), True, PROLOGUE, s=s_i)
    responder.initialize(XXHandshakePattern(), False, PROLOGUE, s=s_r)
    assert initiator.protocol_name == PROTOCOL and responder.protocol_name == PROTOCOL

    msg1, _ = write(initiator, STEP1_PADDING)
    got, _ = read(responder, msg1)
    assert got == STEP1_PADDING
    msg2, _ = write(responder, case["payload2"])
    got, _ = read(initiator, msg2)
    assert got == case["payload2"]
    msg3, initiator_cs = write(initiator, case["payload3"])
    got, responder_cs = read(responder, msg3)
    assert got == case["payload3"]
    assert initiator_cs is not None and responder_cs is not None

    # Each side learnt the other's keys.
    assert initiator.e.public.data == e_i.public.data and responder.e.public.data == e_r.public.data
    assert initiator.re.data == e_r.public.data and responder.re.data == e_i.public.data
    assert initiator.rs.data == s_r.public.data and responder.rs.data == s_i.public.data
    assert len(msg1) == 32 + 96 and len(msg2) == 32 + 48 + len(case["payload2"]) + 16
    assert len(msg3) == 48 + len(case["payload3"]) + 16

    h = initiator.symmetricstate.get_handshake_hash()
    assert responder.symmetricstate.get_handshake_hash() == h and len(h) == 64
    # dissononce hands out CipherStates, not keys: derive k1 and k2 from its
    # chaining key (a private attribute) with our own HKDF, then check them
    # against its CipherStates by encrypting every sealed datagram both ways.
    ck = initiator.symmetricstate._ck
    assert responder.symmetricstate._ck == ck
    k1, k2 = split(ck)
    keys = {"k1": k1, "k2": k2}
    # Split() gives (c1, c2) on both sides; the initiator sends with c1, the responder with c2.
    send = {"k1": initiator_cs[0], "k2": responder_cs[1]}
    receive = {"k1": responder_cs[0], "k2": initiator_cs[1]}

    transport = []
    for direction, n, inner in case["transport"]:
        assert 1 <= len(inner) <= MAX_INNER and inner[0] < OP_HANDSHAKE and n < 2**64 - 1
        sealed = seal(send[direction], n, inner)
        header = sealed[:9]
        assert sealed == header + ChaChaPolyCipher().encrypt(keys[direction], n, header, inner)
        assert len(sealed) == 9 + len(inner) + 16 <= 1500
        assert open_sealed(receive[direction], sealed) == (n, inner)
        # The other direction's key, a changed n or a changed byte: the tag fails.
        other = receive["k2" if direction == "k1" else "k1"]
        for bad, cs in ((sealed, other),
                        (sealed[:1] + struct.pack("<Q", n ^ 1) + sealed[9:], receive[direction]),
                        (sealed[:-1] + bytes([sealed[-1] ^ 0x80]), receive[direction])):
            try:
                open_sealed(cs, bad)
            except DecryptFailedException:
                pass
            else:
                raise AssertionError("a damaged sealed datagram opened")
        transport.append((direction, n, inner, sealed))

    sas = sas_number(h)
    return {
        "keys": [(name, case[name], pair.public.data)
                 for name, pair in (("s_i", s_i), ("e_i", e_i), ("s_r", s_r), ("e_r", e_r))],
        "msg": [msg1, msg2, msg3],
        "h": h, "k1": k1, "k2": k2,
        "sas": sas, "sas_text": "%06d" % sas,
        "fingerprint_i": fingerprint(s_i.public.data),
        "fingerprint_r": fingerprint(s_r.public.data),
        "transport": transport,
    }


def render():
    # The static key pairs of case 1 are RFC 7748's.
    assert key_pair(bytes.fromhex(RFC7748_ALICE[0])).public.data.hex() == RFC7748_ALICE[1]
    assert key_pair(bytes.fromhex(RFC7748_BOB[0])).public.data.hex() == RFC7748_BOB[1]

    lines = [
        "# Test vectors for private calls: %s, prologue \"%s\"." % (PROTOCOL, PROLOGUE.decode()),
        "# Made by make_noise_vectors.py with python3-dissononce %s; do not edit, run it again."
        % dissononce.__version__,
        "#",
        "# s_i, e_i: initiator's static and ephemeral private keys; s_r, e_r: the responder's;",
        "# *_pub: their X25519 public keys. payload1..3: the handshake payloads (96 zero bytes,",
        "# then the responder's and the initiator's features records). msg1..3: the Noise",
        "# messages; datagram1..3: the same with 0x86 and the step byte in front. h: the final",
        "# handshake hash. k1, k2: Split()'s keys (k1 initiator to responder, k2 back), derived",
        "# here from dissononce's chaining key and checked against its CipherStates.",
        "# transportN_key, _n, _inner, _sealed: a Sealed datagram (0x87, n little-endian, then",
        "# ChaChaPoly of inner with the first 9 bytes as associated data), encrypted by",
        "# dissononce's CipherState with its nonce set to n (its ChaChaPolyCipher, which is",
        "# python3-cryptography's ChaCha20Poly1305) and opened again by the other side's.",
        "# sas: BLAKE2b-512(h || \"SAS\"), first 4 bytes big-endian, mod 1000000; sas_text: six",
        "# digits. fingerprint_i, _r: base32 of the first 15 bytes of BLAKE2b-512(static public key).",
    ]
    for number, case in enumerate(CASES, 1):
        result = run_case(case)
        assert run_case(case) == result, "a second handshake with the same keys differs"
        lines.append("")
        lines.append("[case %d]" % number)
        lines.extend("# " + text for text in case["comment"])
        lines.append("prologue = " + PROLOGUE.hex())
        for name, private, public in result["keys"]:
            lines.append("%s = %s" % (name, private.hex()))
            lines.append("%s_pub = %s" % (name, public.hex()))
        lines.append("payload1 = " + STEP1_PADDING.hex())
        lines.append("payload2 = " + case["payload2"].hex())
        lines.append("payload3 = " + case["payload3"].hex())
        for step, msg in enumerate(result["msg"], 1):
            lines.append("msg%d = %s" % (step, msg.hex()))
        for step, msg in enumerate(result["msg"], 1):
            lines.append("datagram%d = %s" % (step, (bytes([OP_HANDSHAKE, step]) + msg).hex()))
        for name in ("h", "k1", "k2"):
            lines.append("%s = %s" % (name, result[name].hex()))
        lines.append("sas = %d" % result["sas"])
        lines.append("sas_text = " + result["sas_text"])
        lines.append("fingerprint_i = " + result["fingerprint_i"])
        lines.append("fingerprint_r = " + result["fingerprint_r"])
        lines.append("transport_count = %d" % len(result["transport"]))
        for index, (direction, n, inner, sealed) in enumerate(result["transport"], 1):
            lines.append("transport%d_key = %s" % (index, direction))
            lines.append("transport%d_n = %d" % (index, n))
            lines.append("transport%d_inner = %s" % (index, inner.hex()))
            lines.append("transport%d_sealed = %s" % (index, sealed.hex()))
    return "\n".join(lines) + "\n"


def main():
    text = render()
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "noise_vectors.txt")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print("wrote %s (%d cases)" % (path, len(CASES)))


if __name__ == "__main__":
    main()
