#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/portmap/upnp_wire.h"

using namespace kv;
using namespace kv::upnp;

namespace {

constexpr uint32_t Router = 0x0A500001;  // 10.80.0.1

ResponseReader::State Feed(ResponseReader& reader, const std::string& bytes, size_t piece) {
    for (size_t i = 0; i < bytes.size() && reader.state() == ResponseReader::Reading; i += piece)
        reader.add(bytes.data() + i, std::min(piece, bytes.size() - i));
    return reader.state();
}

TEST(UpnpWire, SearchAnswersGiveTheirLocation) {
    std::string location;
    const std::string answer =
        "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
        "location:   http://10.80.0.1:5000/rootDesc.xml \r\nEXT:\r\n\r\n";
    ASSERT_TRUE(ParseSearchAnswer(answer.data(), answer.size(), &location));
    EXPECT_EQ(location, "http://10.80.0.1:5000/rootDesc.xml");
    for (const std::string& other : {
             std::string("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nLOCATION: http://10.80.0.1:1/\r\n\r\n"),
             std::string("HTTP/1.1 404 Not Found\r\nLOCATION: http://10.80.0.1:1/\r\n\r\n"),
             std::string("HTTP/1.1 2000 OK\r\nLOCATION: http://10.80.0.1:1/\r\n\r\n"),
             std::string("HTTP/1.1 200 OK\r\nLOCATIONS: http://10.80.0.1:1/\r\nLOCATION:\r\n\r\n"),
             std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16),
         })
        EXPECT_FALSE(ParseSearchAnswer(other.data(), other.size(), &location)) << other;
    EXPECT_EQ(SearchRequest("urn:schemas-upnp-org:service:WANIPConnection:1", 1),
              "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nST: urn:schemas-upnp-org:service:WANIPConnection:1"
              "\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n\r\n");
}

TEST(UpnpWire, OnlyUrlsOnTheAnsweringAddressAreTaken) {
    Url url;
    std::string why;
    ASSERT_TRUE(GatewayUrl("http://10.80.0.1:5000/rootDesc.xml", nullptr, Router, &url, &why)) << why;
    EXPECT_EQ(url.host, Router);
    EXPECT_EQ(url.port, 5000);
    EXPECT_EQ(url.path, "/rootDesc.xml");
    ASSERT_TRUE(GatewayUrl("HTTP://10.80.0.1:80", nullptr, Router, &url, &why));
    EXPECT_EQ(url.path, "/");

    // Control URLs join onto the base's host and port, as miniupnpc joined them.
    Url base;
    ASSERT_TRUE(ParseUrl("http://10.80.0.1:5000/dir/rootDesc.xml", &base, &why));
    for (const char* reference : {"/ctl/IPConn", "ctl/IPConn", " /ctl/IPConn\n"}) {
        ASSERT_TRUE(GatewayUrl(reference, &base, Router, &url, &why)) << reference;
        EXPECT_EQ(url.port, 5000);
        EXPECT_EQ(url.path, "/ctl/IPConn");
    }
    ASSERT_TRUE(GatewayUrl("http://10.80.0.1:6000/ctl", &base, Router, &url, &why));  // the same host, another port
    EXPECT_EQ(url.port, 6000);

    const struct {
        const char* reference;
        const char* why;
    } refused[] = {
        {"http://10.80.0.9:5000/rootDesc.xml", "names another host, 10.80.0.9"},
        {"http://10.80.0.1/rootDesc.xml", "names no port"},
        {"http://10.80.0.1:/x", "names no valid port"},
        {"http://10.80.0.1:0/x", "names no valid port"},
        {"http://10.80.0.1:65536/x", "names no valid port"},
        {"http://10.80.0.1:50a/x", "names no valid port"},
        {"http://router.lan:5000/x", "names its host otherwise than by IPv4 address"},
        {"http://010.80.0.1:5000/x", "names its host otherwise than by IPv4 address"},
        {"http://10.80.1:5000/x", "names its host otherwise than by IPv4 address"},
        {"http://[fe80::1]:5000/x", "names its host otherwise than by IPv4 address"},
        {"http://evil@10.80.0.1:5000/x", "carries user information"},
        {"https://10.80.0.1:5000/x", "is no http:// URL"},
        {"http://10.80.0.1:5000/x\r\nHost: 10.80.0.9", "has spaces or control characters in its path"},
        {"/x y", "has spaces or control characters in its path"},
        {"", "is empty"},
    };
    for (const auto& r : refused) {
        why.clear();
        EXPECT_FALSE(GatewayUrl(r.reference, &base, Router, &url, &why)) << r.reference;
        EXPECT_EQ(why, r.why) << r.reference;
    }
    // Without a base (a search answer's LOCATION, a URLBase) a path alone names no host.
    EXPECT_FALSE(GatewayUrl("/rootDesc.xml", nullptr, Router, &url, &why));
}

TEST(UpnpWire, SubnetsAndAddresses) {
    const std::vector<Subnet> ours = {{0x0A500002, 0xFFFFFF00}, {0xC0A80105, 0xFFFF0000}};
    EXPECT_TRUE(OnSubnet(Router, ours));
    EXPECT_TRUE(OnSubnet(0xC0A8FFFE, ours));
    EXPECT_FALSE(OnSubnet(0x0A500101, ours));
    EXPECT_FALSE(OnSubnet(Router, {{0x0A500002, 0}}));  // no mask: no network
    uint32_t ip = 0;
    EXPECT_TRUE(ParseDotted("198.51.100.1", &ip));
    EXPECT_EQ(ip, 0xC6336401u);
    EXPECT_EQ(Dotted(ip), "198.51.100.1");
    for (const char* bad : {"300.1.2.3", "1.2.3", "1.2.3.4.5", "1.2.3.4 ", "01.2.3.4", "", "9999999999"})
        EXPECT_FALSE(ParseDotted(bad, &ip)) << bad;
    EXPECT_TRUE(IsConnectionService("urn:schemas-upnp-org:service:WANPPPConnection:1"));
    EXPECT_TRUE(IsConnectionService("urn:schemas-upnp-org:service:WANIPConnection:2"));
    EXPECT_FALSE(IsConnectionService("urn:schemas-upnp-org:service:WANIPConnection:1\"\r\nX: y"));
    EXPECT_FALSE(IsConnectionService("urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1"));
    EXPECT_TRUE(IsFirewallService("urn:schemas-upnp-org:service:WANIPv6FirewallControl:1"));
    EXPECT_FALSE(IsFirewallService("urn:schemas-upnp-org:service:WANIPv6FirewallControl:"));
    EXPECT_FALSE(IsFirewallService("urn:schemas-upnp-org:service:WANIPConnection:2"));
}

// The bytes miniupnpc 2.2.4 sent (miniwget.c, minisoap.c, miniupnpc.c), so
// that routers see no change.
TEST(UpnpWire, RequestsAreThoseMiniupnpcSent) {
#ifdef _WIN32
    const std::string agent = "Windows, UPnP/1.1, MiniUPnPc/2.2.4";
#else
    const std::string agent = "Debian/bookworm/sid, UPnP/1.1, MiniUPnPc/2.2.4";
#endif
    Url url;
    std::string why;
    ASSERT_TRUE(ParseUrl("http://10.80.0.1:5000/rootDesc.xml", &url, &why));
    EXPECT_EQ(GetRequest(url), "GET /rootDesc.xml HTTP/1.1\r\nHost: 10.80.0.1:5000\r\nConnection: Close\r\n"
                               "User-Agent: " + agent + "\r\n\r\n");
    url.path = "/ctl/IPConn";
    const std::string service = "urn:schemas-upnp-org:service:WANIPConnection:1";
    const std::string body =
        "<?xml version=\"1.0\"?>\r\n<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:DeletePortMapping xmlns:u=\"" +
        service +
        "\"><NewRemoteHost></NewRemoteHost><NewExternalPort>11676</NewExternalPort><NewProtocol>UDP</NewProtocol>"
        "</u:DeletePortMapping></s:Body></s:Envelope>\r\n";
    const std::string head = "POST /ctl/IPConn HTTP/1.1\r\nHost: 10.80.0.1:5000\r\nUser-Agent: " + agent +
                             "\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\nContent-Type: text/xml\r\nSOAPAction: \"" + service +
                             "#DeletePortMapping\"\r\nConnection: Close\r\nCache-Control: no-cache\r\n"
                             "Pragma: no-cache\r\n\r\n";
    EXPECT_EQ(SoapRequest(url, service, "DeletePortMapping",
                          {{"NewRemoteHost", ""}, {"NewExternalPort", "11676"}, {"NewProtocol", "UDP"}}),
              head + body);
    url.port = 80;  // Host then names no port
    EXPECT_EQ(SoapRequest(url, service, "GetExternalIPAddress", {}).substr(0, 48),
              "POST /ctl/IPConn HTTP/1.1\r\nHost: 10.80.0.1\r\nUser");
    // The pinhole's requests name the router by its IPv6 address.
    EXPECT_EQ(SoapRequest("[2001:db8:80::1]", 5000, "/ctl/IP6FCtl", service, "GetExternalIPAddress", {})
                  .substr(0, 61),
              "POST /ctl/IP6FCtl HTTP/1.1\r\nHost: [2001:db8:80::1]:5000\r\nUser");
}

TEST(UpnpWire, BodiesFramedEachWayAreRead) {
    const std::string xml = "<root>" + std::string(3000, 'x') + "</root>";
    const struct {
        std::string response;
        int status;
        std::string body;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\ncontent-length: " + std::to_string(xml.size()) + "\r\n\r\n" +
             xml + "what follows is not ours",
         200, xml},
        {"HTTP/1.1 500 Internal Server Error\r\nTransfer-Encoding: chunked\r\n\r\n"
         "5\r\nhello\r\nA;name=value\r\n, chunked!\r\n0\r\nTrailer: x\r\n\r\n",
         500, "hello, chunked!"},
        {"HTTP/1.0 200 OK\nContent-Length: 2\n\nok", 200, "ok"},  // bare line feeds
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, ""},
    };
    for (const auto& c : cases) {
        for (size_t piece : {size_t(1), size_t(7), c.response.size()}) {
            ResponseReader reader;
            EXPECT_EQ(Feed(reader, c.response, piece), ResponseReader::Done) << c.response << reader.why();
            EXPECT_EQ(reader.status(), c.status);
            EXPECT_EQ(reader.body(), c.body);
        }
    }
    // Neither length nor chunks: the body ends with the connection.
    ResponseReader reader;
    EXPECT_EQ(Feed(reader, "HTTP/1.1 200 OK\r\n\r\n" + xml, 100), ResponseReader::Reading);
    EXPECT_EQ(reader.close(), ResponseReader::Done);
    EXPECT_EQ(reader.body(), xml);
}

TEST(UpnpWire, BodiesOverTheLimitAreRefused) {
    const std::string limit(BodyLimit, 'x');
    const std::string over = limit + "x";
    const std::string huge = "HTTP/1.1 200 OK\r\nContent-Length: 209715200\r\n\r\n";
    const struct {
        std::string response;
        bool closes;   // the connection ends after it
        bool whole;    // the response is whole (at the limit) rather than refused
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 65536\r\n\r\n" + limit, false, true},
        {"HTTP/1.1 200 OK\r\n\r\n" + limit, true, true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 65537\r\n\r\n", false, false},  // refused before the body comes
        {huge, false, false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n\r\n", false, false},
        {"HTTP/1.1 200 OK\r\n\r\n" + over, false, false},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8000\r\n" + limit.substr(0, 0x8000) + "\r\n8000\r\n" +
             limit.substr(0, 0x8000) + "\r\n1\r\n",
         false, false},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFF\r\n", false, false},
    };
    for (const auto& c : cases) {
        ResponseReader reader;
        Feed(reader, c.response, 4096);
        if (c.closes) reader.close();
        EXPECT_EQ(reader.state(), c.whole ? ResponseReader::Done : ResponseReader::Failed) << c.response.substr(0, 80);
        if (!c.whole) {
            EXPECT_EQ(reader.why(), "the HTTP body is larger than 64 kB");
            EXPECT_TRUE(reader.body().empty());
        }
    }
}

TEST(UpnpWire, TruncatedAndMalformedResponsesFail) {
    const struct {
        std::string response;
        const char* why;
    } cases[] = {
        {"", "the connection ended before the HTTP head did"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n", "the connection ended before the HTTP head did"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345", "the connection ended before the HTTP body did"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", "the connection ended before the HTTP body did"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello", "the connection ended before the HTTP body did"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "the HTTP body has a malformed chunk"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXY", "the HTTP body has a malformed chunk"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n\r\n", "the HTTP response has an invalid Content-Length"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n",
         "the HTTP response has an invalid Content-Length"},
        {"SSH-2.0-OpenSSH\r\n\r\n", "the answer is no HTTP response"},
        {"HTTP/1.1 2x0 OK\r\n\r\n", "the answer is no HTTP response"},
        {"HTTP/1.1 200 OK\r\nX: " + std::string(HeadLimit, 'a') + "\r\n\r\n", "the HTTP head is longer than 8 kB"},
    };
    for (const auto& c : cases) {
        ResponseReader reader;
        Feed(reader, c.response, 3);
        reader.close();
        EXPECT_EQ(reader.state(), ResponseReader::Failed) << c.response.substr(0, 80);
        EXPECT_EQ(reader.why(), c.why) << c.response.substr(0, 80);
    }
    // A reader that has ended takes nothing more.
    ResponseReader reader;
    Feed(reader, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 64);
    EXPECT_EQ(reader.add("more", 4), ResponseReader::Done);
    EXPECT_EQ(reader.body(), "ok");
}

}  // namespace
