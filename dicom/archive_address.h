// The archive's address, checked before the DICOM toolkit sees it. The toolkit opens its own
// sockets, so the socket guard's rule (loopback only in test builds) is applied here, and the
// toolkit is then given the dotted address we checked, never a name it could resolve otherwise.
#pragma once

#include <cstdint>
#include <string>

namespace vyr {

// The dotted IPv4 address of host into *dotted. A dotted address is taken as it is and
// "localhost" means 127.0.0.1, both without a lookup; other names are looked up (IPv4 only),
// except in loopback-only builds, where a name is refused unlooked-up because the lookup itself
// could send a query off this machine.
// Returns kDicomOk, kDicomUnknownHost, or kDicomOutsideLoopback (refusal printed on stderr).
[[nodiscard]] int ResolveArchiveAddress(const std::string& host, uint16_t port,
                                        std::string* dotted);

}  // namespace vyr
