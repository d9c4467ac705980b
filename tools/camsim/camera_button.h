// The camera's button and uploader: it connects from the camera's own address to the client's
// control port (10-byte command packets) and picture port (8230-byte blocks), as the camera does
// when its button is pressed or a picture is taken on it. Each call makes one connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/camsim/protocol_messages.h"

namespace vyr::camsim {

// The button commands the client understands.
enum ButtonCode : uint16_t {
    kRelease = 0,
    kCapture = 1,
    kDeleteLast = 4,
    kShowNone = 5,
    kDeleteAll = 6,
};

struct ButtonTarget {
    std::string cameraAddress = "127.0.0.2";  // the connection leaves from here (port chosen)
    std::string clientAddress = "127.0.0.1";
    uint16_t port = 0;
    // After sending, how long to wait for the client to close its side (it closes after reading).
    std::chrono::milliseconds closeWait{2000};
};

enum class ButtonStatus {
    Sent,          // everything sent; see ButtonResult::clientClosed
    Refused,       // an address is not IPv4 or, in this build, outside 127.0.0.0/8
    SocketError,   // the socket could not be made or bound to the camera's address
    NotConnected,  // the client did not accept the connection
    SendFailed,    // the connection broke while sending
};

struct ButtonResult {
    ButtonStatus status = ButtonStatus::SocketError;
    size_t bytesSent = 0;
    bool clientClosed = false;  // the client closed the connection within closeWait
    std::string error;
    bool ok() const { return status == ButtonStatus::Sent; }
};

const char* ButtonStatusName(ButtonStatus status);

// One 10-byte command packet.
ButtonResult SendControlCode(const ButtonTarget& target, uint16_t code, uint8_t param1 = 0,
                             uint8_t param2 = 0);

// Arbitrary bytes on the control port, in pieces with a pause between them (TCP_NODELAY, so
// that each piece leaves in its own segment and the client's single read sees only the first).
ButtonResult SendRawControl(const ButtonTarget& target,
                            const std::vector<std::vector<uint8_t>>& pieces,
                            std::chrono::milliseconds pauseBetweenPieces = {});

struct PictureOptions {
    // Close the connection after this many bytes of the blocks (a camera that breaks off).
    std::optional<size_t> breakAfterBytes;
    // Write this count into one block instead of its real payload count (hostile input).
    std::optional<CountOverride> countOverride;
};

// Uploads one picture file's bytes under the camera's file name (at most 23 bytes are sent).
ButtonResult SendPicture(const ButtonTarget& target, std::string_view cameraFileName,
                         std::span<const uint8_t> picture, const PictureOptions& options = {});

// A camera file name for a picture taken now: "IMG_YYYYMMDD_hhmmss.jpg".
std::string CameraFileNameNow();

}  // namespace vyr::camsim
