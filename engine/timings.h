// Every timing and limit of the call protocol in one table. The defaults are
// the protocol's own: a peer that uses others still talks to ours, but
// retries and time-outs are what each side counts on from the other. Tests
// put shorter intervals in place (Phone::Timings, before Start) instead of
// waiting seconds in real time.
#pragma once

namespace kv {

struct ProtocolTimings {
    // The caller's CallRequest: sent this often, this far apart, until any reply.
    int callAttempts = 5;
    int callIntervalMs = 1000;
    // The callee's Accepted: sent once, then once after each pass of at most
    // acceptIntervalMs while the caller's confirmation is awaited.
    int acceptPasses = 5;
    int acceptIntervalMs = 500;
    // A chat line: sent this often, this far apart, until it is echoed.
    int chatSends = 5;
    int chatIntervalMs = 500;
    // A short message: sent this often, this far apart, until it is answered.
    int messageAttempts = 5;
    int messageIntervalMs = 1000;
    // An incoming call nobody answers is refused after this long (the
    // incoming-call dialog's timer, the console's `accept` window).
    int ringTimeoutMs = 60000;
    // The outgoing call thread looks at the engine again this often while the
    // callee rings (it has no time limit of its own).
    int alertedWaitMs = 60000;
    // Private calls: step 1 this often, this far apart, before a call or a
    // message goes to an address without a session; a session outlives its
    // last use (as a party, a message or a chat line) this long.
    int handshakeAttempts = 4;
    int handshakeIntervalMs = 250;
    int sessionIdleMs = 180000;
    // A host name with addresses of both families: its IPv4 address is
    // called this long after its IPv6 one, unless that answered first (RFC
    // 8305's connection attempt delay).
    int familyHeadStartMs = 250;
};

// What strangers may make us do: an address that is neither a party nor the
// peer of the call setup in progress. Chosen so that a well-behaved peer's
// retries (5 requests 1 s apart, 5 chat lines 500 ms apart, 5 short messages
// 1 s apart) always pass, whatever its identity and refusal text.
struct StrangerLimits {
    // Replies (Busy, Refused, CodecUnsupported, Alerting, ShortMessageReply,
    // chat echoes, the one-byte Leave for stray audio): a source earns half
    // the bytes it sends us, on top of an allowance that refills slowly, and a
    // reply it has not earned is not sent. The longest exchange a peer can
    // draw in good faith is 5 requests refused with a 299-character text (5
    // times 507 bytes): the allowance covers it.
    int replyAllowanceBytes = 2600;
    // Slow enough that a request accepted in accept mode (six Accepted, up
    // to 618 bytes) cannot be drawn again and again by one forged source.
    int replyAllowanceRefillBytesPerSecond = 100;
    // Across all strangers, the allowance spent per second (beyond what they
    // earned) is capped as well, so that many forged sources cannot add up.
    int replyPoolBytes = 4000;
    int replyPoolRefillBytesPerSecond = 500;
    // And replies are counted: each one holds about a kilobyte of the socket's
    // send buffer while its address is resolved, and a forged neighbour never
    // answers (3 s). A source gets at most this many a second, all strangers
    // together replyBurstTotal at once and repliesTotalPerSecond after that.
    int repliesPerSourcePerSecond = 10;
    int repliesTotalPerSecond = 50;
    int replyBurstTotal = 100;
    // Rings (IncomingCall): a source rings aloud (sound, focus) at most this
    // often in ringWindowMs; later rings in the window are shown quietly. The
    // same holds for all sources together, at ringsAloudTotal.
    int ringsAloudPerSource = 3;
    int ringsAloudTotal = 10;
    int ringWindowMs = 60000;
    // Event log lines: at most this many a minute from one source and from
    // all together; the same request or message again from the same source
    // within repeatWindowMs is not logged again.
    int logLinesPerSource = 10;
    int logLinesTotal = 60;
    int logRepeatWindowMs = 60000;
    // Sources remembered at once (the oldest is forgotten first).
    int sourcesKept = 256;
};

}  // namespace kv
