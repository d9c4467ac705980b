// The stream thread: attempt after attempt until the link stops. An attempt identifies the camera,
// opens the stream connection and receives the stream; when identification or the connection
// fails, or a stream that stood ends or stalls, the thread pauses (ReconnectBackoff, cut short by
// Stop) and tries again. `connected` is 1 exactly while a stream connection stands. Each new
// connection starts a new ReceiveRing generation (OpenStreamConnection), so the decode thread
// drops what is left of the old stream and starts its frame path afresh. The link state goes to the
// notification target as it changes: connecting (the first attempt), streaming (a connection
// stands), no camera (an attempt failed and no stream has stood in this run yet), stream lost (a
// stream stood in this run and none stands now: the failed attempts after a loss keep saying so,
// since it tells the dentist what happened).
#include <cstdio>

#include "link/reconnect_backoff.h"
#include "link/stream_connection.h"
#include "linkstate/link_shared.h"
#include "platform/net/socket_waits.h"

namespace vyr {

void StreamThread(LinkShared& link) {
    ReconnectBackoff backoff;
    bool hasStreamStood = false;
    link.ReportLinkState(LinkState::kConnecting);
    while (link.stopRequested.load() == 0) {
        bool stood = false;
        if (IdentifyCamera(link) == kModelQueryOk && link.stopRequested.load() == 0) {
            const int fd = OpenStreamConnection(link);
            if (fd >= 0) {
                stood = true;
                link.counters.streamConnections.fetch_add(1);
                link.connected.store(1);
                link.ReportLinkState(LinkState::kStreaming);
                const StreamEnd end = ReceiveStream(link, fd);
                link.connected.store(0);
                if (end == StreamEnd::kStopped) {
                    break;
                }
                hasStreamStood = true;
                backoff.Reset();
            }
        }
        if (link.stopRequested.load() != 0) {
            break;
        }
        if (!stood) {
            link.counters.streamAttemptsFailed.fetch_add(1);
        }
        link.ReportLinkState(hasStreamStood ? LinkState::kStreamLost : LinkState::kNoCamera);
        if (WaitUnlessWoken(link.stopWake.fd(), backoff.NextPauseMs()) == kSocketStopped) {
            break;
        }
    }
}

}  // namespace vyr
