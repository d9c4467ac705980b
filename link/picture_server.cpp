// The picture server loop. An upload is stored only when it was not refused, its name was
// accepted, it holds more than 10240 bytes, it decodes within the size limits and the same
// picture is not stored under its name or a numbered twin already; a broken connection stores
// what arrived under the same rules. Only a picture written whole is announced, and only a stored
// picture (or its identical twin) is what command 4 deletes.
#include "link/picture_server.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/capture_paths.h"
#include "capture/notification_records.h"
#include "link/picture_upload.h"
#include "link/received_picture.h"
#include "link/server_listener.h"
#include "link/stream_connection.h"
#include "linkstate/link_shared.h"
#include "platform/notification_target.h"

namespace vyr {
namespace {

void Print(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

class PictureReceiver {
public:
    explicit PictureReceiver(LinkShared& link) : link_(link), block_(kPictureBlockBytes) {}

    // Reads one connection's picture; returns once it is complete, refused or broken off.
    void Receive(int connection) {
        upload_.Begin();
        stem_.clear();
        while (link_.stopRequested.load() == 0) {
            if (ReceiveExact(connection, block_.data(), kPictureBlockBytes) < 0) {
                return;  // "net enviorment is so bad!" has been printed
            }
            const bool firstBlock = !upload_.nameRead();
            const PictureUpload::Step step = upload_.AddBlock(block_.data());
            if (firstBlock) {
                NameTarget();
            }
            if (step == PictureUpload::Step::kRefused) {
                Print("picture refused: payload count or size over the limit!\n");
                return;
            }
            if (step == PictureUpload::Step::kComplete) {
                return;
            }
        }
    }

    void Store() {
        if (stem_.empty() || upload_.refused() || upload_.length() <= kPictureMinBytes) {
            return;
        }
        const ReceivedPictureResult result = StoreReceivedPicture(
            upload_.data(), upload_.length(), folder_, stem_, kNotificationPathMaxChars);
        // Command 4 deletes the file this upload was stored as, or the identical picture that was
        // already there; after a picture that was not stored it deletes nothing.
        link_.SetReceivedPicturePath(result.path);
        switch (result.outcome) {
            case ReceivedPictureOutcome::kStored:
                if (NotificationTarget* target = link_.notifyWindow.load()) {
                    target->OnDeviceEvent(MakeDeviceEvent(1, result.path));
                }
                break;
            case ReceivedPictureOutcome::kIdenticalTwin:
                break;  // received, neither saved again nor announced
            case ReceivedPictureOutcome::kTooLarge:
                std::printf("picture refused: over %d x %d pixels or %lld MB decoded!\n",
                            kReceivedPictureMaxSide, kReceivedPictureMaxSide,
                            static_cast<long long>(kReceivedPictureMaxBytes >> 20));
                std::fflush(stdout);
                break;
            case ReceivedPictureOutcome::kDecoded:  // not a result of storing
            case ReceivedPictureOutcome::kNotDecodable:
                Print("picture refused: not a picture that decodes!\n");
                break;
            case ReceivedPictureOutcome::kNotWritten:
                break;  // the console has said why
        }
    }

private:
    // The stored name from the first block's name. A refused name, or a path too long for the
    // event record, names nothing. Until this upload is stored, command 4 deletes nothing: the
    // picture received before it is not the camera's last one any more.
    void NameTarget() {
        link_.SetReceivedPicturePath({});
        const std::string& name = upload_.fileName();
        if (name.empty()) {
            Print("picture refused: camera file name!\n");
            return;
        }
        const std::string folder = PhotoFolder(link_);
        if (folder.size() + 1 + name.size() > kNotificationPathMaxChars) {
            Print("picture refused: path too long!\n");
            return;
        }
        folder_ = folder;
        stem_ = name.substr(0, name.size() - std::strlen(kStoredExtension));
    }

    static constexpr const char* kStoredExtension = ".bmp";

    LinkShared& link_;
    PictureUpload upload_;
    std::vector<uint8_t> block_;
    std::string folder_;
    std::string stem_;
};

}  // namespace

void PictureServer(LinkShared& link) {
    uint16_t port = 0;
    const int listener = OpenServerListener(link.ports.picture, link.pictureListener, &port);
    if (listener < 0) {
        return;
    }
    link.picturePortBound.store(port);
    Print("tcpserver_thr=====: start receive!\n");
    PictureReceiver receiver(link);
    while (link.stopRequested.load() == 0) {
        const int connection = AcceptFromCamera(link, listener);
        if (connection < 0) {
            continue;
        }
        link.pictureConnection.Register(connection);
        if (link.stopRequested.load() == 0) {
            receiver.Receive(connection);
        }
        link.pictureConnection.Close();
        if (link.stopRequested.load() == 0) {
            receiver.Store();
        }
        link.counters.pictureUploads.fetch_add(1, std::memory_order_release);
    }
    link.picturePortBound.store(0);
    link.pictureListener.Close();
}

}  // namespace vyr
