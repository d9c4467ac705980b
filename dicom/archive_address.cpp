// Address resolution with getaddrinfo (AF_INET) and the socket guard's destination rule.
#include "dicom/archive_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdio>

#include "dicom/dicom_result.h"
#include "platform/net/socket_guard.h"

namespace vyr {
namespace {

int LookUp(const std::string& host, uint16_t port, sockaddr_in* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return kDicomUnknownHost;
    }
    *address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    address->sin_port = htons(port);
    ::freeaddrinfo(found);
    return kDicomOk;
}

}  // namespace

int ResolveArchiveAddress(const std::string& host, uint16_t port, std::string* dotted) {
    sockaddr_in address{};
    const std::string numeric = host == "localhost" ? std::string("127.0.0.1") : host;
    if (!MakeIpv4Address(numeric.c_str(), port, &address)) {
        if (IsLoopbackOnlyBuild()) {
            std::fprintf(stderr,
                         "socket guard: refused to look up %s: only addresses in 127.0.0.0/8\n",
                         host.c_str());
            return kDicomOutsideLoopback;
        }
        if (const int result = LookUp(host, port, &address); result != kDicomOk) {
            return result;
        }
    }
    if (!IsDestinationAllowed(address)) {
        return kDicomOutsideLoopback;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    *dotted = text;
    return kDicomOk;
}

}  // namespace vyr
