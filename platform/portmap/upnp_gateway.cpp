// UPnP IGD, our own client: an SSDP search, the device description of the
// gateway that answered, then SOAP requests to its WANIPConnection (or
// WANPPPConnection) service. The description URL, a URLBase and every
// control URL must name the very address that answered the search, and that
// address must lie on one of this host's networks: nothing is ever sent
// anywhere else. Each exchange has a total deadline and each answer a size
// limit (upnp_wire.h). miniupnpc, which did all of this before, only parses
// the description and the SOAP answers now: its discovery does not tell
// which address answered, and its HTTP reader (miniwget) has neither a size
// limit nor a total deadline.
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnperrors.h>
#include <miniupnpc/upnpreplyparse.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/portmap/gateways.h"
#include "platform/portmap/upnp_sockets.h"
#include "platform/portmap/upnp_wire.h"

namespace kv {
namespace {

using namespace upnp;

constexpr int ConflictInMappingEntry = 718;
constexpr int OnlyPermanentLeasesSupported = 725;
constexpr int ConflictWithOtherMechanisms = 729;
constexpr int UnknownError = -1;  // miniupnpc's UPNPCOMMAND_UNKNOWN_ERROR: an error code that is no number

constexpr int ExchangeDeadlineMs = 2000;  // each description fetch and SOAP request; routers answer in milliseconds
constexpr int RemoveDeadlineMs = 800;     // so that the removal fits in the second PortMappingService::stop waits
constexpr int SettleMs = 200;             // the search goes on this long after the first usable answer, for others
constexpr size_t MostGateways = 3;        // usable answers whose descriptions are fetched

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

class UpnpGateway final : public PortGateway {
public:
    const char* protocol() const override { return "upnp"; }

    bool discover(int timeoutMs, std::string* why) override {
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

    uint32_t externalAddress() override {
        if (!have_) return 0;
        const SoapAnswer a = soap(service_, "GetExternalIPAddress", {}, "NewExternalIPAddress", ExchangeDeadlineMs);
        uint32_t ip = 0;
        if (!a.answered || a.status != 200 || a.fault || !ParseDotted(a.value, &ip)) return 0;
        return ip;
    }

    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        GatewayMapping result;
        if (!have_) {
            result.why = "no UPnP gateway";
            return result;
        }
        Arguments args = {
            {"NewRemoteHost", ""},
            {"NewExternalPort", std::to_string(externalPort)},
            {"NewProtocol", "UDP"},
            {"NewInternalPort", std::to_string(internalPort)},
            {"NewInternalClient", lanAddress_},
            {"NewEnabled", "1"},
            {"NewPortMappingDescription", "KestroVox"},
            {"NewLeaseDuration", std::to_string(leaseSeconds)},
        };
        SoapAnswer a = soap(service_, "AddPortMapping", args, nullptr, ExchangeDeadlineMs);
        if (a.fault && a.code == OnlyPermanentLeasesSupported) {
            leaseSeconds = 0;
            args.back().second = "0";
            a = soap(service_, "AddPortMapping", args, nullptr, ExchangeDeadlineMs);
        }
        if (!a.answered) {
            result.reply = GatewayReply::NoAnswer;
            result.why = "the UPnP gateway did not answer: " + a.why;
        } else if (a.fault && (a.code == ConflictInMappingEntry || a.code == ConflictWithOtherMechanisms)) {
            result.reply = GatewayReply::Taken;
        } else if (a.fault) {
            result.reply = GatewayReply::Refused;
            result.why = ErrorText(a.code);
        } else if (a.status != 200) {
            result.reply = GatewayReply::Refused;
            result.why = "the UPnP gateway answered HTTP status " + std::to_string(a.status);
        } else {
            result.reply = GatewayReply::Done;
            result.externalPort = externalPort;
            result.leaseSeconds = leaseSeconds;
        }
        return result;
    }

    bool removeMapping(uint16_t, uint16_t externalPort) override {
        if (!have_) return false;
        const Arguments args = {
            {"NewRemoteHost", ""},
            {"NewExternalPort", std::to_string(externalPort)},
            {"NewProtocol", "UDP"},
        };
        const SoapAnswer a = soap(service_, "DeletePortMapping", args, nullptr, RemoveDeadlineMs);
        return a.answered && a.status == 200 && !a.fault;
    }

private:
    // Fetches and reads the description at `location` of the gateway that
    // answered from `gateway`; true when it is an internet gateway whose
    // connection service we can use.
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

    SoapAnswer soap(const Service& service, const char* action, const Arguments& args, const char* name,
                    int deadlineMs) {
        SoapAnswer a;
        ResponseReader reader;
        if (!Exchange(service.control, SoapRequest(service.control, service.type, action, args), In(deadlineMs),
                      &reader, nullptr, &a.why))
            return a;
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
    bool have_ = false;
    Service service_;
    std::string lanAddress_;  // ours, as the gateway sees it: the mappings' internal client
};

}  // namespace

std::unique_ptr<PortGateway> CreateUpnpGateway() { return std::make_unique<UpnpGateway>(); }

}  // namespace kv
