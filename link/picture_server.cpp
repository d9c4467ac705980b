// The picture server loop. An upload is stored only when it was not refused, its name was
// accepted, it holds more than 10240 bytes and no file of that name exists yet; a broken
// connection stores what arrived under the same rules. A failed decode or save is silent and the
// event still goes out, as for a stored picture.
#include "link/picture_server.h"

#include <cstdio>
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

bool FileExists(const std::string& path) {
    if (std::FILE* file = std::fopen(path.c_str(), "r+b")) {
        std::fclose(file);
        return true;
    }
    return false;
}

class PictureReceiver {
public:
    explicit PictureReceiver(LinkShared& link) : link_(link), block_(kPictureBlockBytes) {}

    // Reads one connection's picture; returns once it is complete, refused or broken off.
    void Receive(int connection) {
        upload_.Begin();
        path_.clear();
        exists_ = false;
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
        if (path_.empty() || upload_.refused() || exists_ || upload_.length() <= kPictureMinBytes) {
            return;
        }
        SaveReceivedPicture(upload_.data(), upload_.length(), path_);
        if (NotificationTarget* target = link_.notifyWindow.load()) {
            target->OnDeviceEvent(MakeDeviceEvent(1, path_));
        }
    }

private:
    // The target path from the first block's name. A refused name, or a path too long for the
    // event record, names nothing, and command 4 then deletes nothing.
    void NameTarget() {
        if (upload_.fileName().empty()) {
            Print("picture refused: camera file name!\n");
        } else {
            const std::string path = PhotoFolder(link_) + "/" + upload_.fileName();
            if (path.size() <= kNotificationPathMaxChars) {
                path_ = path;
                exists_ = FileExists(path_);
            } else {
                Print("picture refused: path too long!\n");
            }
        }
        link_.SetReceivedPicturePath(path_);
    }

    LinkShared& link_;
    PictureUpload upload_;
    std::vector<uint8_t> block_;
    std::string path_;
    bool exists_ = false;
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
