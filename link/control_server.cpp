// The control server loop and its commands. Console texts without a line feed are the camera
// maker's, kept as technicians know them.
#include "link/control_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "capture/notification_records.h"
#include "link/control_packet.h"
#include "link/server_listener.h"
#include "linkstate/link_shared.h"
#include "platform/notification_target.h"

namespace vyr {
namespace {

constexpr int kEmptyConnectionPauseMs = 500;

void Print(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void SendDeviceEvent(LinkShared& link, uint16_t code) {
    if (NotificationTarget* target = link.notifyWindow.load()) {
        target->OnDeviceEvent(MakeDeviceEvent(code));
    }
}

}  // namespace

void CarryOutControlCommand(LinkShared& link, const ControlPacket& packet) {
    switch (packet.command) {
        case kCommandRelease:
            link.snapshotFlags.StoreBoth(0);
            SendDeviceEvent(link, 0);
            break;
        case kCommandCapture:
            Print("haha  start capture!");
            link.snapshotFlags.StoreBoth(SnapshotFlags::kBoth);
            if (NotificationTarget* target = link.notifyWindow.load()) {
                target->OnSnapshot(MakeCaptureCommandRecord(packet.param1, packet.param2));
            }
            break;
        case kCommandDeleteLast: {
            Print("delete one jpg!");
            // Only a path the picture server built inside the patient's folder; empty before any
            // upload and after a refused name. A missing file fails silently.
            const std::string path = link.ReceivedPicturePath();
            if (!path.empty()) {
                ::unlink(path.c_str());
            }
            break;
        }
        case kCommandShowNone:
            Print("show no jpg!");
            SendDeviceEvent(link, 5);
            break;
        case kCommandDeleteAll:
            Print("delete all jpg!");
            SendDeviceEvent(link, 6);
            break;
        default:
            break;
    }
}

void ControlServer(LinkShared& link) {
    uint16_t port = 0;
    const int listener = OpenServerListener(link.ports.control, link.controlListener, &port);
    if (listener < 0) {
        return;
    }
    link.controlPortBound.store(port);
    Print("tcpserver_thr=====: start receive!\n");
    std::vector<uint8_t> buffer(kControlReadBytes);
    while (link.stopRequested.load() == 0) {
        const int connection = AcceptFromCamera(link, listener);
        if (connection < 0) {
            continue;
        }
        link.controlConnection.Register(connection);
        int received = 0;
        if (link.stopRequested.load() == 0) {
            std::fill(buffer.begin(), buffer.end(), 0);
            received = static_cast<int>(::recv(connection, buffer.data(), buffer.size(), 0));
        }
        link.controlConnection.Close();
        if (received <= 0) {
            PauseUnlessStopped(link, kEmptyConnectionPauseMs);
        } else {
            ControlPacket packet;
            if (ParseControlPacket(buffer.data(), received, &packet)) {
                CarryOutControlCommand(link, packet);
            }
        }
        link.counters.controlPackets.fetch_add(1, std::memory_order_release);
    }
    link.controlPortBound.store(0);
    link.controlListener.Close();
}

}  // namespace vyr
