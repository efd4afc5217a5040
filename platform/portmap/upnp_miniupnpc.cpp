// UPnP IGD through miniupnpc: SSDP discovery of the internet gateway device,
// then SOAP requests to its WANIPConnection (or WANPPPConnection) service.
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/portmap/gateways.h"

namespace kv {
namespace {

constexpr int ConflictInMappingEntry = 718;
constexpr int OnlyPermanentLeasesSupported = 725;
constexpr int ConflictWithOtherMechanisms = 729;

// "a.b.c.d" to a host-order address; 0 for anything else.
uint32_t ParseDotted(const char* text) {
    uint32_t ip = 0;
    int parts = 0;
    const char* p = text;
    while (parts < 4) {
        if (*p < '0' || *p > '9') return 0;
        int value = 0, digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            value = value * 10 + (*p++ - '0');
            ++digits;
        }
        if (value > 255 || digits > 3) return 0;
        ip = ip << 8 | static_cast<uint32_t>(value);
        ++parts;
        if (parts < 4 && *p++ != '.') return 0;
    }
    return *p == 0 ? ip : 0;
}

std::string ErrorText(int code) {
    const char* text = strupnperror(code);
    return "UPnP error " + std::to_string(code) + (text ? std::string(" (") + text + ")" : std::string());
}

class UpnpGateway final : public PortGateway {
public:
    ~UpnpGateway() override { release(); }

    const char* protocol() const override { return "upnp"; }

    bool discover(int timeoutMs, std::string* why) override {
        release();
        static const char* const types[] = {
            "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
            "urn:schemas-upnp-org:service:WANIPConnection:1",
            "urn:schemas-upnp-org:service:WANPPPConnection:1",
            nullptr,
        };
        int error = 0;
        // Every search sent at once, then one wait for the answers.
        UPNPDev* devices = upnpDiscoverDevices(types, timeoutMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error, 1);
        if (!devices) {
            *why = "no UPnP gateway answered";
            return false;
        }
        std::memset(&urls_, 0, sizeof urls_);
        std::memset(&data_, 0, sizeof data_);
        lanAddress_[0] = 0;
        const int found = UPNP_GetValidIGD(devices, &urls_, &data_, lanAddress_, sizeof lanAddress_);
        freeUPNPDevlist(devices);
        // 2: an IGD that calls itself not connected, which miniupnpc also says
        // of one whose own external address is private or reserved; it may
        // still forward (as `upnpc -i` asks it to), so it is asked.
        if ((found == 1 || found == 2) && urls_.controlURL && urls_.controlURL[0] && lanAddress_[0]) {
            have_ = true;
            return true;
        }
        if (found != 0) FreeUPNPUrls(&urls_);
        *why = found == 3 ? "the UPnP devices that answered are no internet gateways" : "no UPnP internet gateway answered";
        return false;
    }

    uint32_t externalAddress() override {
        if (!have_) return 0;
        char text[40] = {};
        if (UPNP_GetExternalIPAddress(urls_.controlURL, data_.first.servicetype, text) != UPNPCOMMAND_SUCCESS) return 0;
        text[sizeof text - 1] = 0;
        return ParseDotted(text);
    }

    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        GatewayMapping result;
        if (!have_) {
            result.why = "no UPnP gateway";
            return result;
        }
        char external[8], internal[8], lease[16];
        std::snprintf(external, sizeof external, "%u", unsigned(externalPort));
        std::snprintf(internal, sizeof internal, "%u", unsigned(internalPort));
        std::snprintf(lease, sizeof lease, "%lu", static_cast<unsigned long>(leaseSeconds));
        int code = UPNP_AddPortMapping(urls_.controlURL, data_.first.servicetype, external, internal, lanAddress_,
                                       "KestroVox", "UDP", nullptr, lease);
        if (code == OnlyPermanentLeasesSupported) {
            leaseSeconds = 0;
            code = UPNP_AddPortMapping(urls_.controlURL, data_.first.servicetype, external, internal, lanAddress_,
                                       "KestroVox", "UDP", nullptr, "0");
        }
        if (code == UPNPCOMMAND_SUCCESS) {
            result.reply = GatewayReply::Done;
            result.externalPort = externalPort;
            result.leaseSeconds = leaseSeconds;
        } else if (code == ConflictInMappingEntry || code == ConflictWithOtherMechanisms) {
            result.reply = GatewayReply::Taken;
        } else if (code == UPNPCOMMAND_HTTP_ERROR) {
            result.reply = GatewayReply::NoAnswer;
            result.why = "the UPnP gateway stopped answering";
        } else {
            result.reply = GatewayReply::Refused;
            result.why = ErrorText(code);
        }
        return result;
    }

    bool removeMapping(uint16_t, uint16_t externalPort) override {
        if (!have_) return false;
        char external[8];
        std::snprintf(external, sizeof external, "%u", unsigned(externalPort));
        return UPNP_DeletePortMapping(urls_.controlURL, data_.first.servicetype, external, "UDP", nullptr) ==
               UPNPCOMMAND_SUCCESS;
    }

private:
    void release() {
        if (have_) FreeUPNPUrls(&urls_);
        have_ = false;
    }

    UPNPUrls urls_{};
    IGDdatas data_{};
    char lanAddress_[64] = {};
    bool have_ = false;
};

}  // namespace

std::unique_ptr<PortGateway> CreateUpnpGateway() { return std::make_unique<UpnpGateway>(); }

}  // namespace kv
