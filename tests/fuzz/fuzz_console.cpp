// Fuzzes what the console peer parses from its user: typed command lines
// (ParseCommand, ParseAddressWord), command-line options (ParseOptions), the
// quoting of texts in its output lines (Quote, Unquote), and the address texts
// it hands to the engine (ResolveAddress, for texts that need no name lookup).
//
// Input: byte 0 chooses what the rest is:
//   'C' one command line        'O' argv[1..], the arguments separated by NUL bytes
//   'Q' a text to quote, and a quoted field to unquote
//   'A' an address text
//   anything else: all four, on the whole input.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/commands.h"
#include "console/options.h"
#include "console/output.h"
#include "engine/phone.h"

using namespace kv;
using namespace kv::console;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_console: %s\n", what);
        std::abort();
    }
}

bool HasControl(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

void FuzzCommand(const std::string& line) {
    Command c;
    std::string error;
    if (!ParseCommand(line, &c, &error)) {
        Check(!error.empty(), "a command failed without a message");
        Check(error.find('\n') == std::string::npos, "a command's message spans lines");
        return;
    }
    switch (c.kind) {
        case CommandKind::Call: Check(!c.address.empty(), "call without an address"); break;
        case CommandKind::Chat:
            Check(!c.text.empty() && c.text.size() <= 99, "chat text empty or longer than a chat line");
            break;
        case CommandKind::Msg:
            Check(!c.address.empty(), "msg without an address");
            Check(c.text.size() <= 299, "msg text longer than a short message");
            break;
        default: break;
    }
    if (c.party) {
        Check(c.party->port() != 0, "a chat party with port 0 (every party)");
        // What `parties` prints for that party parses back to it.
        PeerAddress again;
        Check(ParseAddressWord(FormatAddress(*c.party), &again) && SameAddress(again, *c.party),
              "a printed party address does not parse back");
    }
}

void FuzzOptions(const std::string& all) {
    std::vector<std::string> args;
    size_t start = 0;
    for (;;) {
        const size_t end = all.find('\0', start);
        args.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::vector<const char*> argv = {ProgramName};
    for (const std::string& a : args) argv.push_back(a.c_str());
    Options o;
    std::string error;
    const ParseStatus status = ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &error);
    if (status == ParseStatus::Error) {
        Check(!error.empty(), "an option failed without a message");
        return;
    }
    if (status != ParseStatus::Run) return;
    if (o.identity) Check(!o.identity->empty() && o.identity->size() <= 99 && !HasControl(*o.identity), "bad identity taken");
    if (o.port) Check(*o.port >= 1, "port 0 taken");
    if (o.answer) Check(*o.answer >= 0 && *o.answer <= 3, "bad answer mode taken");
    if (o.codec) Check(*o.codec == 0 || *o.codec == 1, "bad codec taken");
    if (o.refuseWith) Check(o.refuseWith->size() <= 299, "refusal text too long");
    if (o.frames) Check(*o.frames >= 1 && *o.frames <= 7, "bad frames taken");
    if (o.delay) Check(*o.delay >= 0 && *o.delay <= 2000, "bad delay taken");
    if (o.maxDelay) Check(*o.maxDelay >= 0 && *o.maxDelay <= 2000, "bad maximum delay taken");
    if (o.threshold) Check(*o.threshold >= -50 && *o.threshold <= 0, "bad threshold taken");
    if (o.hangupAfterMs) Check(*o.hangupAfterMs >= 0, "negative hang-up time taken");
    if (o.messageAddress) {
        Check(!o.messageAddress->empty() && o.messageText.size() <= 299, "bad short message taken");
        Check(!o.call && !o.hangupAfterMs, "--message taken together with --call or --hangup-after");
    }
    if (o.call) Check(!o.call->empty(), "empty --call taken");
    Check(!o.mic.empty() && !o.speaker.empty(), "empty device name taken");
}

void FuzzQuote(const std::string& text) {
    const std::string quoted = Quote(text);
    Check(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"', "a quoted text is not in quotes");
    for (unsigned char c : quoted) Check(c >= 0x20 && c <= 0x7E, "a quoted text holds a byte that is not printable");
    std::string back;
    Check(Unquote(quoted, &back) && back == text, "a quoted text does not unquote to itself");

    // Any field that unquotes quotes again into one that unquotes the same.
    std::string once;
    if (Unquote(text, &once)) {
        std::string twice;
        Check(Unquote(Quote(once), &twice) && twice == once, "an unquoted field does not survive quoting again");
    }
}

// True when ResolveAddress would ask the resolver for this text (after the
// optional "Name <" and blanks it neither starts with a digit or "[" nor has
// two colons, as an IPv6 address has): the fuzzer never looks names up.
bool NeedsLookUp(const std::string& text) {
    const size_t open = text.find('<');
    std::string t = text.substr(open == std::string::npos ? 0 : open + 1);
    if (open != std::string::npos) t = t.substr(0, t.find('>'));
    size_t i = 0;
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    if (i >= t.size()) return true;
    const size_t colon = t.find(':');
    if (t[i] == '[' || (colon != std::string::npos && t.find(':', colon + 1) != std::string::npos)) return false;
    return !std::isdigit(static_cast<unsigned char>(t[i]));
}

void FuzzAddress(const std::string& text) {
    PeerAddress a;
    if (ParseAddressWord(text, &a)) {
        Check(a.port() != 0, "an address with port 0");
        PeerAddress again;
        Check(ParseAddressWord(FormatAddress(a), &again) && SameAddress(again, a), "an address does not print back");
    }
    if (text.find('\0') == std::string::npos && !NeedsLookUp(text)) {
        PeerAddress r;
        if (ResolveAddress(text.c_str(), &r)) {
            Check(r.port() != 0, "a resolved address with port 0 (every party)");
            Check(!r.isUnspecified() && !(r.isIPv4() && r.ip() == 0xFFFFFFFFu),
                  "a resolved address 0.0.0.0, :: or 255.255.255.255");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0]) {
        case 'C': FuzzCommand(rest); break;
        case 'O': FuzzOptions(rest); break;
        case 'Q': FuzzQuote(rest); break;
        case 'A': FuzzAddress(rest); break;
        default: {
            const std::string all(reinterpret_cast<const char*>(data), size);
            FuzzCommand(all);
            FuzzOptions(all);
            FuzzQuote(all);
            FuzzAddress(all);
        }
    }
    return 0;
}
