// Replies of the service's scripts: the XML envelope and each script's payload. The reply is
// decoded as the client decodes it and given to every kind of response object in turn.
// Property: every reply ends in exactly one Finished(), and the server list holds only
// endpoints that can reach OpenVPN's configuration.
#include "api/vpnapicreatesupportticketresponse.h"
#include "api/vpnapigetassignedaddressresponse.h"
#include "api/vpnapigetrequestentityipresponse.h"
#include "api/vpnapigetuserinforesponse.h"
#include "api/vpnapiserverlistresponse.h"
#include "api/vpnmessagehandler.h"
#include "fuzzcheck.h"
#include "support/dottedquad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (SilenceQtMessages(), true);
    Q_UNUSED(silenced);
    const QString reply = VPNMessageHandler::DecodeReplyBody(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    VPNApiGetAssignedAddressResponse address;
    VPNApiGetRequestEntityIpResponse publicAddress;
    VPNApiCreateSupportTicketResponse ticket;
    VPNApiGetUserInfoResponse user;
    VPNApiServerListResponse servers;
    for (VPNApiResponse* response :
         std::initializer_list<VPNApiResponse*> {&address, &publicAddress, &ticket, &user, &servers}) {
        int finished = 0;
        QObject::connect(response, &VPNApiResponse::Finished, [&finished] { ++finished; });
        response->Parse(reply);
        FUZZ_CHECK(finished == 1);
    }
    FUZZ_CHECK(servers.UdpServers().size() + servers.TcpServers().size()
               <= VPNApiServerListResponse::MaxEndpoints);
    for (const QList<VPNServer>* list : {&servers.UdpServers(), &servers.TcpServers()}) {
        for (const VPNServer& server : *list)
            FUZZ_CHECK(IsDottedQuad(server.address) && server.port >= 1 && server.port <= 65535);
    }
    return 0;
}
