#include "platform/portmap/upnp_wire.h"

#include <cstdio>
#include <initializer_list>

namespace kv {
namespace upnp {
namespace {

// The User-Agent miniupnpc 2.2.4 sent for us before: Debian's build of it,
// and ours for Windows (OS_STRING is CMAKE_SYSTEM_NAME there), so that a
// router sees the same requests as before.
#ifdef _WIN32
#define KV_UPNP_USER_AGENT "Windows, UPnP/1.1, MiniUPnPc/2.2.4"
#else
#define KV_UPNP_USER_AGENT "Debian/bookworm/sid, UPnP/1.1, MiniUPnPc/2.2.4"
#endif

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (StartsWithNoCase(text.substr(i), word)) return true;
    return false;
}

std::string_view Trim(std::string_view text) {
    const char* const blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Characters a path may carry into a request line: printable, no space.
bool IsPathText(std::string_view path) {
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) return false;
    return true;
}

// Splits "Name: value" lines of an HTTP head (the first line excluded),
// calling header(name, value) for each; lines end in LF or CRLF.
template <typename Header>
void ForEachHeader(std::string_view head, Header header) {
    size_t line = head.find('\n');
    while (line != std::string_view::npos && line + 1 < head.size()) {
        const size_t start = line + 1;
        line = head.find('\n', start);
        const std::string_view text =
            head.substr(start, (line == std::string_view::npos ? head.size() : line) - start);
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos) header(text.substr(0, colon), Trim(text.substr(colon + 1)));
    }
}

}  // namespace

bool OnSubnet(uint32_t host, const std::vector<Subnet>& subnets) {
    for (const Subnet& s : subnets)
        if (s.mask != 0 && (host & s.mask) == (s.address & s.mask)) return true;
    return false;
}

bool ParseDotted(std::string_view text, uint32_t* ip) {
    uint32_t value = 0;
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (i >= text.size() || text[i++] != '.')) return false;
        const size_t start = i;
        unsigned number = 0;
        while (i < text.size() && IsDigit(text[i]) && i - start < 3) number = number * 10 + unsigned(text[i++] - '0');
        const size_t digits = i - start;
        if (digits == 0 || number > 255 || (digits > 1 && text[start] == '0')) return false;
        value = value << 8 | number;
    }
    if (i != text.size()) return false;
    *ip = value;
    return true;
}

std::string Dotted(uint32_t ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(ip >> 24), unsigned(ip >> 16 & 255),
                  unsigned(ip >> 8 & 255), unsigned(ip & 255));
    return text;
}

bool ParseUrl(std::string_view text, Url* url, std::string* why) {
    if (!StartsWithNoCase(text, "http://")) {
        *why = "is no http:// URL";
        return false;
    }
    text.remove_prefix(7);
    const size_t slash = text.find('/');
    const std::string_view authority = text.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view("/") : text.substr(slash);
    if (authority.find('@') != std::string_view::npos) {
        *why = "carries user information";
        return false;
    }
    const size_t colon = authority.rfind(':');
    Url parsed;
    if (!ParseDotted(authority.substr(0, colon), &parsed.host)) {
        *why = "names its host otherwise than by IPv4 address";
        return false;
    }
    if (colon == std::string_view::npos) {
        *why = "names no port";
        return false;
    }
    const std::string_view port = authority.substr(colon + 1);
    unsigned number = 0;
    for (char c : port) {
        if (!IsDigit(c) || number > 6553) {
            number = 0;
            break;
        }
        number = number * 10 + unsigned(c - '0');
    }
    if (number == 0 || number > 65535) {
        *why = "names no valid port";
        return false;
    }
    if (!IsPathText(path)) {
        *why = "has spaces or control characters in its path";
        return false;
    }
    parsed.port = static_cast<uint16_t>(number);
    parsed.path = std::string(path);
    *url = parsed;
    return true;
}

bool GatewayUrl(std::string_view reference, const Url* base, uint32_t gateway, Url* url, std::string* why) {
    reference = Trim(reference);
    Url resolved;
    if (reference.empty()) {
        *why = "is empty";
        return false;
    }
    if (reference.find("://") != std::string_view::npos) {
        if (!ParseUrl(reference, &resolved, why)) return false;
    } else {
        if (!base) {
            *why = "is no http:// URL";
            return false;
        }
        if (!IsPathText(reference)) {
            *why = "has spaces or control characters in its path";
            return false;
        }
        resolved.host = base->host;
        resolved.port = base->port;
        resolved.path = (reference[0] == '/' ? "" : "/") + std::string(reference);
    }
    if (resolved.host != gateway) {
        *why = "names another host, " + Dotted(resolved.host);
        return false;
    }
    *url = resolved;
    return true;
}

std::string SearchRequest(const char* searchType, unsigned mxSeconds) {
    return "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nST: " + std::string(searchType) +
           "\r\nMAN: \"ssdp:discover\"\r\nMX: " + std::to_string(mxSeconds) + "\r\n\r\n";
}

bool ParseSearchAnswer(const char* data, size_t size, std::string* location) {
    const std::string_view answer(data, size);
    if (!StartsWithNoCase(answer, "HTTP/1.") || answer.size() < 13 || answer.substr(8, 4) != " 200" ||
        (answer[12] != ' ' && answer[12] != '\r' && answer[12] != '\n'))
        return false;
    std::string_view found;
    ForEachHeader(answer, [&](std::string_view name, std::string_view value) {
        if (found.empty() && StartsWithNoCase(name, "location") && name.size() == 8) found = value;
    });
    if (found.empty()) return false;
    *location = std::string(found);
    return true;
}

namespace {
// One of the types "PREFIX<version>", the version a decimal number.
bool IsServiceType(std::string_view type, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view prefix : prefixes) {
        if (type.size() <= prefix.size() || type.substr(0, prefix.size()) != prefix) continue;
        for (char c : type.substr(prefix.size()))
            if (!IsDigit(c)) return false;
        return true;
    }
    return false;
}
}  // namespace

bool IsConnectionService(std::string_view type) {
    return IsServiceType(type, {"urn:schemas-upnp-org:service:WANIPConnection:",
                                "urn:schemas-upnp-org:service:WANPPPConnection:"});
}

bool IsFirewallService(std::string_view type) {
    return IsServiceType(type, {"urn:schemas-upnp-org:service:WANIPv6FirewallControl:"});
}

std::string GetRequest(const Url& url) {
    return "GET " + url.path + " HTTP/1.1\r\nHost: " + Dotted(url.host) + ":" + std::to_string(url.port) +
           "\r\nConnection: Close\r\nUser-Agent: " KV_UPNP_USER_AGENT "\r\n\r\n";
}

std::string SoapRequest(const Url& url, const std::string& serviceType, const char* action, const Arguments& args) {
    return SoapRequest(Dotted(url.host), url.port, url.path, serviceType, action, args);
}

std::string SoapRequest(const std::string& host, uint16_t portNumber, const std::string& path,
                        const std::string& serviceType, const char* action, const Arguments& args) {
    std::string body =
        "<?xml version=\"1.0\"?>\r\n"
        "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:" +
        std::string(action) + " xmlns:u=\"" + serviceType + "\">";
    for (const auto& arg : args) body += "<" + std::string(arg.first) + ">" + arg.second + "</" + arg.first + ">";
    body += "</u:" + std::string(action) + "></s:Body></s:Envelope>\r\n";
    // miniupnpc names the port in Host only when it is not 80.
    const std::string port = portNumber == 80 ? "" : ":" + std::to_string(portNumber);
    return "POST " + path + " HTTP/1.1\r\nHost: " + host + port +
           "\r\nUser-Agent: " KV_UPNP_USER_AGENT "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: text/xml\r\nSOAPAction: \"" + serviceType + "#" + action +
           "\"\r\nConnection: Close\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n\r\n" + body;
}

// ---- ResponseReader ----

ResponseReader::State ResponseReader::fail(const char* why) {
    state_ = Failed;
    why_ = why;
    body_.clear();
    body_.shrink_to_fit();
    head_.clear();
    head_.shrink_to_fit();
    return state_;
}

ResponseReader::State ResponseReader::add(const char* data, size_t size) {
    if (state_ != Reading) return state_;
    if (!inHead_) return framing_ == Chunked ? readChunks(data, size) : append(data, size);
    // The head ends at an empty line (CRLF CRLF, or bare LFs); it is kept
    // only up to the limit, however much comes at once.
    const size_t old = head_.size();
    const size_t take = size < HeadLimit + 4 - old ? size : HeadLimit + 4 - old;
    head_.append(data, take);
    size_t end = std::string::npos;
    for (size_t i = old > 3 ? old - 3 : 0; i < head_.size() && end == std::string::npos; ++i) {
        if (head_[i] != '\n') continue;
        if (i + 1 < head_.size() && head_[i + 1] == '\n') end = i + 2;
        else if (i + 2 < head_.size() && head_[i + 1] == '\r' && head_[i + 2] == '\n') end = i + 3;
    }
    if (end == std::string::npos || end > HeadLimit) {
        if (head_.size() > HeadLimit) return fail("the HTTP head is longer than 8 kB");
        return state_;
    }
    const std::string rest = head_.substr(end);
    head_.resize(end);
    inHead_ = false;
    if (readHead() != Reading || add(rest.data(), rest.size()) != Reading) return state_;
    return add(data + take, size - take);
}

ResponseReader::State ResponseReader::readHead() {
    const std::string_view head(head_);
    if (!StartsWithNoCase(head, "HTTP/1.") || head.size() < 12 || head[8] != ' ' || !IsDigit(head[9]) ||
        !IsDigit(head[10]) || !IsDigit(head[11]))
        return fail("the answer is no HTTP response");
    status_ = (head[9] - '0') * 100 + (head[10] - '0') * 10 + (head[11] - '0');
    bool chunked = false, lengthGiven = false, badLength = false;
    size_t length = 0;
    ForEachHeader(head, [&](std::string_view name, std::string_view value) {
        if (StartsWithNoCase(name, "transfer-encoding") && name.size() == 17) {
            chunked = chunked || ContainsNoCase(value, "chunked");
        } else if (StartsWithNoCase(name, "content-length") && name.size() == 14) {
            size_t n = 0;
            for (char c : value) {
                if (!IsDigit(c)) badLength = true;
                else if (n <= BodyLimit) n = n * 10 + size_t(c - '0');
            }
            if (value.empty() || (lengthGiven && n != length)) badLength = true;
            length = n;
            lengthGiven = true;
        }
    });
    head_.clear();
    head_.shrink_to_fit();
    if (chunked) {
        framing_ = Chunked;
        return state_;
    }
    if (badLength) return fail("the HTTP response has an invalid Content-Length");
    if (lengthGiven && length > BodyLimit) return fail("the HTTP body is larger than 64 kB");
    framing_ = lengthGiven ? ByLength : ByClose;
    length_ = length;
    if (framing_ == ByLength && length_ == 0) state_ = Done;
    return state_;
}

ResponseReader::State ResponseReader::append(const char* data, size_t size) {
    if (framing_ == ByLength && size > length_ - body_.size()) size = length_ - body_.size();  // what follows is not ours
    if (body_.size() + size > BodyLimit) return fail("the HTTP body is larger than 64 kB");
    body_.append(data, size);
    if (framing_ == ByLength && body_.size() == length_) state_ = Done;
    return state_;
}

ResponseReader::State ResponseReader::readChunks(const char* data, size_t size) {
    size_t i = 0;
    while (i < size && state_ == Reading) {
        if (chunkLeft_ > 0) {
            const size_t n = chunkLeft_ < size - i ? chunkLeft_ : size - i;
            if (append(data + i, n) != Reading) return state_;
            i += n;
            chunkLeft_ -= n;
            if (chunkLeft_ == 0) chunkCrlf_ = 2;
            continue;
        }
        const char c = data[i++];
        if (chunkCrlf_ > 0) {  // the line end after a chunk's data
            if (c == '\r' && chunkCrlf_ == 2) chunkCrlf_ = 1;
            else if (c == '\n') chunkCrlf_ = 0;
            else return fail("the HTTP body has a malformed chunk");
            continue;
        }
        if (c != '\n') {
            if (chunkLine_.size() >= 64) return fail("the HTTP body has a malformed chunk");
            chunkLine_ += c;
            continue;
        }
        // A size line: hexadecimal digits, then perhaps ";extensions".
        size_t n = 0, digits = 0;
        for (char h : chunkLine_) {
            const int v = IsDigit(h) ? h - '0' : (Lower(h) >= 'a' && Lower(h) <= 'f') ? Lower(h) - 'a' + 10 : -1;
            if (v < 0) break;
            if (n <= BodyLimit) n = n * 16 + size_t(v);
            ++digits;
        }
        const std::string_view after = Trim(std::string_view(chunkLine_).substr(digits));
        if (digits == 0 || (!after.empty() && after[0] != ';')) return fail("the HTTP body has a malformed chunk");
        chunkLine_.clear();
        if (n > BodyLimit - body_.size()) return fail("the HTTP body is larger than 64 kB");
        if (n == 0) state_ = Done;  // the last chunk; any trailer is of no use to us
        chunkLeft_ = n;
    }
    return state_;
}

ResponseReader::State ResponseReader::close() {
    if (state_ != Reading) return state_;
    if (inHead_) return fail("the connection ended before the HTTP head did");
    if (framing_ != ByClose) return fail("the connection ended before the HTTP body did");
    state_ = Done;
    return state_;
}

}  // namespace upnp
}  // namespace kv
