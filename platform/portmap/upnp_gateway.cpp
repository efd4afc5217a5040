// UPnP IGD, our own client: an SSDP search, the device description of the
// gateway that answered, then SOAP requests to its WANIPConnection (or
// WANPPPConnection) service, or for the IPv6 pinhole to its
// WANIPv6FirewallControl service (IGD v2). The description URL, a URLBase and every
// control URL must name the very address that answered the search, and that
// address must lie on one of this host's networks: nothing is ever sent
// anywhere else. Each exchange has a total deadline and each answer a size
// limit (upnp_wire.h). miniupnpc, which did all of this before, only parses
// the description and the SOAP answers now: its discovery does not tell
// which address answered, and its HTTP reader (miniwget) has neither a size
// limit nor a total deadline. The pinhole's requests go over IPv6 to this
// host's default IPv6 router, at the control URL's port and path, from the
// very address the pinhole is for (a router opens one only for the address
// that asks, as miniupnpd checks).
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnperrors.h>
#include <miniupnpc/upnpreplyparse.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/portmap/gateways.h"
#include "platform/portmap/upnp_sockets.h"
#include "platform/portmap/upnp_wire.h"
#include "platform/udp_socket.h"

namespace kv {
namespace {

using namespace upnp;

constexpr int ConflictInMappingEntry = 718;
constexpr int OnlyPermanentLeasesSupported = 725;
constexpr int ConflictWithOtherMechanisms = 729;
constexpr int NoSuchEntry = 704;  // WANIPv6FirewallControl: no pinhole with that UniqueID
constexpr int UnknownError = -1;  // miniupnpc's UPNPCOMMAND_UNKNOWN_ERROR: an error code that is no number

constexpr int ExchangeDeadlineMs = 2000;  // each description fetch and SOAP request; routers answer in milliseconds
constexpr int RemoveDeadlineMs = 800;     // so that the removal fits in the second PortMappingService::stop waits
constexpr int SettleMs = 200;             // the search goes on this long after the first usable answer, for others
constexpr size_t MostGateways = 3;        // usable answers whose descriptions are fetched
constexpr int PinholeSearchMs = 1000;     // the pinhole's own search for the gateway
constexpr uint32_t LongestPinholeLease = 86400;  // WANIPv6FirewallControl's limit

const char* const SearchTypes[] = {
    "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
    "urn:schemas-upnp-org:service:WANIPConnection:1",
    "urn:schemas-upnp-org:service:WANPPPConnection:1",
};

Clock::time_point In(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

std::string ErrorText(int code) {
    const char* text = strupnperror(code);
    return "UPnP error " + std::to_string(code) + (text ? std::string(" (") + text + ")" : std::string());
}

// A fault's errorCode as miniupnpc read it, but without sscanf's overflow.
int ErrorCode(const char* text) {
    errno = 0;
    char* end = nullptr;
    const long long code = std::strtoll(text, &end, 10);
    if (end == text || *end != 0 || errno == ERANGE || code < INT_MIN || code > INT_MAX) return UnknownError;
    return static_cast<int>(code);
}

struct Service {
    std::string type;
    Url control;
};

// What came back for one SOAP request.
struct SoapAnswer {
    bool answered = false;  // a whole HTTP response
    int status = 0;
    bool fault = false;     // it carries a UPnP errorCode
    int code = 0;
    std::string value;      // of the element asked for, if any
    std::string why;        // when not answered
};

// How a request went: no whole answer, a UPnP fault, an HTTP status other
// than 200, or done; *why says what went wrong.
GatewayReply ReplyOf(const SoapAnswer& a, std::string* why) {
    if (!a.answered) {
        *why = "the UPnP gateway did not answer: " + a.why;
        return GatewayReply::NoAnswer;
    }
    if (a.fault) {
        *why = ErrorText(a.code);
        return GatewayReply::Refused;
    }
    if (a.status != 200) {
        *why = "the UPnP gateway answered HTTP status " + std::to_string(a.status);
        return GatewayReply::Refused;
    }
    return GatewayReply::Done;
}

// One gateway found by the search: its connection service (WANIPConnection
// or WANPPPConnection) or its IPv6 firewall service, and the SOAP requests to it.
class IgdClient {
public:
    enum class Need { Connection, Firewall };
    explicit IgdClient(Need need) : need_(need) {}

    bool have() const { return have_; }
    void forget() { have_ = false; }
    const Service& service() const { return service_; }
    const std::string& lanAddress() const { return lanAddress_; }

    bool discover(int timeoutMs, std::string* why) {
        have_ = false;
        if (!sockets_.ready()) {
            *why = "cannot open a socket for UPnP";
            return false;
        }
        const std::vector<Subnet> subnets = LocalSubnets();
        if (subnets.empty()) {
            *why = "no IPv4 network to look for a UPnP gateway on";
            return false;
        }
        std::vector<std::pair<uint32_t, Url>> found;
        std::string refused;
        Clock::time_point deadline = In(timeoutMs);
        const auto answer = [&](uint32_t from, const char* data, size_t size) {
            std::string location, bad;
            Url url;
            if (!ParseSearchAnswer(data, size, &location)) return;
            if (!OnSubnet(from, subnets))
                bad = "the UPnP answer from " + Dotted(from) + " comes from outside this host's networks";
            else if (!GatewayUrl(location, nullptr, from, &url, &bad))
                bad = "the UPnP answer from " + Dotted(from) + " was refused: its description URL " + bad;
            if (!bad.empty()) {
                if (refused.empty()) refused = bad;
                return;
            }
            for (const auto& f : found)
                if (f.first == from && f.second.port == url.port && f.second.path == url.path) return;
            if (found.size() >= MostGateways) return;
            found.emplace_back(from, url);
            if (found.size() == 1 && In(SettleMs) < deadline) deadline = In(SettleMs);
        };
        std::vector<std::string> requests;
        const unsigned mx = timeoutMs >= 2000 ? unsigned(timeoutMs / 1000) : 1;  // as miniupnpc: whole seconds, 1 at least
        for (const char* type : SearchTypes) requests.push_back(SearchRequest(type, mx));
        if (!Search(requests, &deadline, answer, why)) return false;
        std::string failures;
        for (const auto& f : found) {
            std::string failure;
            if (describe(f.first, f.second, &failure)) return true;
            failures += (failures.empty() ? "" : "; ") + failure;
        }
        if (!refused.empty()) failures += (failures.empty() ? "" : "; ") + refused;
        *why = failures.empty() ? "no UPnP gateway answered" : failures;
        return false;
    }

    SoapAnswer soap(const Service& service, const char* action, const Arguments& args, const char* name,
                    int deadlineMs) {
        ResponseReader reader;
        SoapAnswer a;
        if (!Exchange(service.control, SoapRequest(service.control, service.type, action, args), In(deadlineMs),
                      &reader, nullptr, &a.why))
            return a;
        return Read(reader, name);
    }

    // The same to the service's port and path at `router` over IPv6, from `from`.
    SoapAnswer soap(const PeerAddress& from, PeerAddress router, const char* action, const Arguments& args,
                    const char* name, int deadlineMs) {
        router.setPort(service_.control.port);
        PeerAddress named = router;
        named.scope = 0;  // a zone has no place in the Host header
        ResponseReader reader;
        SoapAnswer a;
        if (!Exchange(from, router,
                      SoapRequest("[" + HostText(named) + "]", router.port(), service_.control.path, service_.type,
                                  action, args),
                      In(deadlineMs), &reader, &a.why))
            return a;
        return Read(reader, name);
    }

private:
    // Fetches and reads the description at `location` of the gateway that
    // answered from `gateway`; true when it is an internet gateway whose
    // connection (or firewall) service we can use.
    bool describe(uint32_t gateway, const Url& location, std::string* why) {
        const std::string of = "the UPnP description of " + Dotted(gateway);
        ResponseReader reader;
        uint32_t local = 0;
        std::string failure;
        if (!Exchange(location, GetRequest(location), In(ExchangeDeadlineMs), &reader, &local, &failure)) {
            *why = of + ": " + failure;
            return false;
        }
        if (reader.status() != 200) {
            *why = of + ": HTTP status " + std::to_string(reader.status());
            return false;
        }
        IGDdatas data{};
        parserootdesc(reader.body().data(), static_cast<int>(reader.body().size()), &data);
        static const char cif[] = "urn:schemas-upnp-org:service:WANCommonInterfaceConfig:";
        if (std::strncmp(data.CIF.servicetype, cif, sizeof cif - 1) != 0) {
            *why = "the UPnP device at " + Dotted(gateway) + " is no internet gateway";
            return false;
        }
        Url base = location;
        if (data.urlbase[0] && !GatewayUrl(data.urlbase, nullptr, gateway, &base, &failure)) {
            *why = of + " was refused: its URLBase " + failure;
            return false;
        }
        if (need_ == Need::Firewall) {
            if (!IsFirewallService(data.IPv6FC.servicetype)) {
                *why = "the UPnP gateway at " + Dotted(gateway) + " offers no IPv6 firewall service";
                return false;
            }
            service_.type = data.IPv6FC.servicetype;
            if (!GatewayUrl(data.IPv6FC.controlurl, &base, gateway, &service_.control, &failure)) {
                *why = of + " was refused: its control URL " + failure;
                return false;
            }
            have_ = true;
            return true;
        }
        std::vector<Service> services;
        for (const IGDdatas_service* s : {&data.first, &data.second}) {
            if (!IsConnectionService(s->servicetype)) continue;
            Service service{s->servicetype, {}};
            if (!GatewayUrl(s->controlurl, &base, gateway, &service.control, &failure)) {
                *why = of + " was refused: its control URL " + failure;
                return false;
            }
            services.push_back(service);
        }
        if (services.empty()) {
            *why = "the UPnP gateway at " + Dotted(gateway) + " offers no WAN connection service";
            return false;
        }
        if (local == 0) {
            *why = "cannot tell our own address towards " + Dotted(gateway);
            return false;
        }
        // As miniupnpc chose: of two connection services, the one that says it is connected, else the first.
        service_ = services[0];
        if (services.size() > 1 && !connected(services[0]) && connected(services[1])) service_ = services[1];
        lanAddress_ = Dotted(local);
        have_ = true;
        return true;
    }

    bool connected(const Service& service) {
        const SoapAnswer a = soap(service, "GetStatusInfo", {}, "NewConnectionStatus", ExchangeDeadlineMs);
        return a.answered && !a.fault && (a.value == "Connected" || a.value == "Up");
    }

    static SoapAnswer Read(const ResponseReader& reader, const char* name) {
        SoapAnswer a;
        a.answered = true;
        a.status = reader.status();
        NameValueParserData values;
        ParseNameValue(reader.body().data(), static_cast<int>(reader.body().size()), &values);
        if (const char* code = GetValueFromNameValueList(&values, "errorCode")) {
            a.fault = true;
            a.code = ErrorCode(code);
        }
        if (name)
            if (const char* value = GetValueFromNameValueList(&values, name)) a.value = value;
        ClearNameValueList(&values);
        return a;
    }

    SocketLibrary sockets_;
    Need need_;
    bool have_ = false;
    Service service_;
    std::string lanAddress_;  // ours, as the gateway sees it: the mappings' internal client
};

class UpnpGateway final : public PortGateway {
public:
    const char* protocol() const override { return "upnp"; }

    bool discover(int timeoutMs, std::string* why) override { return igd_.discover(timeoutMs, why); }

    uint32_t externalAddress() override {
        if (!igd_.have()) return 0;
        const SoapAnswer a = igd_.soap(igd_.service(), "GetExternalIPAddress", {}, "NewExternalIPAddress", ExchangeDeadlineMs);
        uint32_t ip = 0;
        if (!a.answered || a.status != 200 || a.fault || !ParseDotted(a.value, &ip)) return 0;
        return ip;
    }

    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        GatewayMapping result;
        if (!igd_.have()) {
            result.why = "no UPnP gateway";
            return result;
        }
        Arguments args = {
            {"NewRemoteHost", ""},
            {"NewExternalPort", std::to_string(externalPort)},
            {"NewProtocol", "UDP"},
            {"NewInternalPort", std::to_string(internalPort)},
            {"NewInternalClient", igd_.lanAddress()},
            {"NewEnabled", "1"},
            {"NewPortMappingDescription", "KestroVox"},
            {"NewLeaseDuration", std::to_string(leaseSeconds)},
        };
        SoapAnswer a = igd_.soap(igd_.service(), "AddPortMapping", args, nullptr, ExchangeDeadlineMs);
        if (a.fault && a.code == OnlyPermanentLeasesSupported) {
            leaseSeconds = 0;
            args.back().second = "0";
            a = igd_.soap(igd_.service(), "AddPortMapping", args, nullptr, ExchangeDeadlineMs);
        }
        if (a.fault && (a.code == ConflictInMappingEntry || a.code == ConflictWithOtherMechanisms)) {
            result.reply = GatewayReply::Taken;
            return result;
        }
        result.reply = ReplyOf(a, &result.why);
        if (result.reply == GatewayReply::Done) {
            result.externalPort = externalPort;
            result.leaseSeconds = leaseSeconds;
        }
        return result;
    }

    bool removeMapping(uint16_t, uint16_t externalPort) override {
        if (!igd_.have()) return false;
        const Arguments args = {
            {"NewRemoteHost", ""},
            {"NewExternalPort", std::to_string(externalPort)},
            {"NewProtocol", "UDP"},
        };
        const SoapAnswer a = igd_.soap(igd_.service(), "DeletePortMapping", args, nullptr, RemoveDeadlineMs);
        return a.answered && a.status == 200 && !a.fault;
    }

private:
    IgdClient igd_{IgdClient::Need::Connection};
};

// The IPv6 pinhole by IGD v2: AddPinhole, then UpdatePinhole with the
// UniqueID it gave (AddPinhole again when the router has forgotten it), and
// DeletePinhole at the close. Searches for the gateway when it has none.
class UpnpPinhole final : public PinholeGateway {
public:
    const char* protocol() const override { return "upnp"; }

    GatewayPinhole open(const PeerAddress& address, uint32_t leaseSeconds) override {
        GatewayPinhole result;
        if (!igd_.have() && !igd_.discover(PinholeSearchMs, &result.why)) return result;
        PeerAddress router;
        if (!DefaultIPv6Router(&router)) {
            result.why = "no IPv6 default route";
            return result;
        }
        const uint32_t lease = leaseSeconds < 1 ? 1 : leaseSeconds > LongestPinholeLease ? LongestPinholeLease : leaseSeconds;
        const std::string key = HostPortText(address);
        const auto known = ids_.find(key);
        if (known != ids_.end()) {
            const SoapAnswer a = igd_.soap(address, router, "UpdatePinhole",
                                           {{"UniqueID", known->second}, {"NewLeaseTime", std::to_string(lease)}},
                                           nullptr, ExchangeDeadlineMs);
            if (!(a.fault && a.code == NoSuchEntry)) return Outcome(a, lease);
            ids_.erase(known);
        }
        const Arguments args = {
            {"RemoteHost", ""},  // anyone
            {"RemotePort", "0"},
            {"InternalClient", HostText(address)},
            {"InternalPort", std::to_string(address.port())},
            {"Protocol", "17"},  // UDP
            {"LeaseTime", std::to_string(lease)},
        };
        const SoapAnswer a = igd_.soap(address, router, "AddPinhole", args, "UniqueID", ExchangeDeadlineMs);
        result = Outcome(a, lease);
        if (result.reply != GatewayReply::Done) return result;
        if (a.value.empty() || a.value.size() > 10 || a.value.find_first_not_of("0123456789") != std::string::npos) {
            result.reply = GatewayReply::Refused;
            result.leaseSeconds = 0;
            result.why = "the UPnP gateway gave no pinhole number";
            return result;
        }
        ids_[key] = a.value;
        return result;
    }

    bool close(const PeerAddress& address) override {
        const auto known = ids_.find(HostPortText(address));
        if (known == ids_.end()) return false;
        const std::string id = known->second;
        ids_.erase(known);
        PeerAddress router;
        if (!igd_.have() || !DefaultIPv6Router(&router)) return false;
        const SoapAnswer a = igd_.soap(address, router, "DeletePinhole", {{"UniqueID", id}}, nullptr, RemoveDeadlineMs);
        return a.answered && a.status == 200 && !a.fault;
    }

private:
    GatewayPinhole Outcome(const SoapAnswer& a, uint32_t lease) {
        GatewayPinhole result;
        result.reply = ReplyOf(a, &result.why);
        if (result.reply == GatewayReply::NoAnswer) igd_.forget();  // searched for again next time
        if (result.reply == GatewayReply::Done) result.leaseSeconds = lease;
        return result;
    }

    IgdClient igd_{IgdClient::Need::Firewall};
    std::map<std::string, std::string> ids_;  // the UniqueID of each open pinhole, by its address
};

}  // namespace

std::unique_ptr<PortGateway> CreateUpnpGateway() { return std::make_unique<UpnpGateway>(); }
std::unique_ptr<PinholeGateway> CreateUpnpPinhole() { return std::make_unique<UpnpPinhole>(); }

}  // namespace kv
