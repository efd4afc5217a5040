// UPnP IGD on the wire, without any socket: the SSDP search and its answers,
// the URLs a gateway names (each checked against the address that answered
// the search), the HTTP requests, sent byte for byte as miniupnpc 2.2.4 sent
// them, and a reader of HTTP responses that stops at BodyLimit. The UPnP
// gateway (upnp_gateway.cpp) does the I/O through upnp_sockets.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {
namespace upnp {

// A device description is a few kB, a SOAP answer less than one; the
// largest description seen from a home router is under 16 kB.
constexpr size_t BodyLimit = 64 * 1024;
constexpr size_t HeadLimit = 8 * 1024;

constexpr uint32_t SearchGroup = 0xEFFFFFFA;  // 239.255.255.250
constexpr uint16_t SearchPort = 1900;

// One IPv4 network of this host: an interface's address and netmask (host order).
struct Subnet {
    uint32_t address = 0;
    uint32_t mask = 0;
};
bool OnSubnet(uint32_t host, const std::vector<Subnet>& subnets);

// "a.b.c.d": four decimal numbers up to 255 without leading zeros; host order.
bool ParseDotted(std::string_view text, uint32_t* ip);
std::string Dotted(uint32_t ip);

// An http:// URL that names its host by IPv4 address and its port.
struct Url {
    uint32_t host = 0;   // host order
    uint16_t port = 0;
    std::string path;    // begins with '/'; printable, without spaces
};

// Reads "http://A.B.C.D:PORT/path" (the path may be missing: "/"). Any other
// form is refused with *why: another scheme, a host name, no port, user
// information, a path with spaces or control characters.
bool ParseUrl(std::string_view text, Url* url, std::string* why);

// The URL `reference` names: an absolute URL, or a path on base's host and
// port (joined as miniupnpc's GetUPNPUrls does: "ctl" and "/ctl" both become
// base's "/ctl"). Refused unless it names the host `gateway`.
bool GatewayUrl(std::string_view reference, const Url* base, uint32_t gateway, Url* url, std::string* why);

// The search for searchType (one datagram to SearchGroup:SearchPort).
std::string SearchRequest(const char* searchType, unsigned mxSeconds);

// The LOCATION of an answer to the search: false unless the datagram is an
// "HTTP/1.x 200" answer with one.
bool ParseSearchAnswer(const char* data, size_t size, std::string* location);

// A UPnP WAN connection service type: WANIPConnection or WANPPPConnection,
// any version. Anything else never goes into a request.
bool IsConnectionService(std::string_view serviceType);
// IGD v2's IPv6 firewall service (WANIPv6FirewallControl), any version.
bool IsFirewallService(std::string_view serviceType);

std::string GetRequest(const Url& url);

using Arguments = std::vector<std::pair<const char*, std::string>>;
std::string SoapRequest(const Url& url, const std::string& serviceType, const char* action, const Arguments& args);
// The same to `path` on a host named by `host` in the Host header: "10.0.0.1"
// or "[2001:db8::1]".
std::string SoapRequest(const std::string& host, uint16_t port, const std::string& path,
                        const std::string& serviceType, const char* action, const Arguments& args);

// Reads one HTTP response as it arrives: the head (at most HeadLimit), then
// a body framed by Content-Length, chunked, or by the end of the connection,
// of at most BodyLimit. Holds no more than that, whatever comes.
class ResponseReader {
public:
    enum State { Reading, Done, Failed };

    State add(const char* data, size_t size);
    // The connection has ended: Done when the response was whole.
    State close();

    State state() const { return state_; }
    int status() const { return status_; }
    const std::string& body() const { return body_; }
    const std::string& why() const { return why_; }

private:
    enum Framing { ByLength, Chunked, ByClose };
    State fail(const char* why);
    State readHead();
    State readChunks(const char* data, size_t size);
    State append(const char* data, size_t size);

    State state_ = Reading;
    bool inHead_ = true;
    std::string head_;
    Framing framing_ = ByClose;
    size_t length_ = 0;        // ByLength: the body's size
    std::string chunkLine_;    // Chunked: the size line being read
    size_t chunkLeft_ = 0;     // Chunked: data bytes of this chunk still to come
    int chunkCrlf_ = 0;        // Chunked: bytes of the CRLF after the data still to come
    int status_ = 0;
    std::string body_;
    std::string why_;
};

}  // namespace upnp
}  // namespace kv
