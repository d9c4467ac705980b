// One attempt of the stream thread: identifies the camera (from the camera type in language.ini, or
// by asking the camera for its model), opens the stream connection, sends the local time, and puts
// the camera's stream into ReceiveRing in 4096-byte blocks until the connection ends, stalls or the
// link stops. Every wait is limited in time and returns at once when the link stops.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace vyr {

struct LinkShared;

// Results of QueryDeviceModel.
enum ModelQueryResult : int {
    kModelQueryOk = 0,
    kModelQueryNoSocketOrBadReply = -1,  // socket not created, or reply code not 10
    kModelQueryReuseRefused = -2,        // SO_REUSEADDR refused
    kModelQuerySendFailed = -3,          // send time-out refused or request not sent whole
    kModelQueryNoReply = -4,             // reply not received whole
    kModelQueryRefused = -5,             // connection refused, not answered in time, or stopped
                                         // while connecting
};

// How long an attempt waits for a connect (model query or stream) and for the model reply.
inline constexpr int kAttemptTimeoutMs = 3000;
// A stream that brings no whole block for this long has stalled.
inline constexpr int kStreamStallMs = 3000;

inline constexpr int kModelTextBytes = 32;  // 31 characters and the terminator
inline constexpr int kModelMessageBytes = 60;

// The 12-byte message sent on the stream connection: 5F 6F 00 00, year - 2000 (low byte + 48),
// month, day, hour, minute, second, then 0B 00.
using TimeSyncMessage = std::array<uint8_t, 12>;
TimeSyncMessage BuildTimeSyncMessage(const std::tm& localTime);

// The local time used for the message; tests replace it to see particular years.
using LocalTimeSource = std::tm (*)();
void SetLocalTimeSourceForTest(LocalTimeSource source);

// The camera type at offset 12 of language.ini in the working folder; a missing file is created
// with the defaults (camera type 0).
int32_t ReadCameraTypeSetting();

// Asks the camera on its model port; on success the model text (at most 31 characters, cut there)
// is in modelText. Returns a ModelQueryResult.
int QueryDeviceModel(LinkShared& link, char (&modelText)[kModelTextBytes]);

// Settles mjpegMode (and the frame size) from the camera type setting or the model reply, records
// the model report and hands the result to the decode thread. Returns kModelQueryOk, or the
// failed query's ModelQueryResult.
int IdentifyCamera(LinkShared& link);

// Opens the stream connection to deviceIp, starts a new ReceiveRing generation and sends the time
// message. The connection leaves from
// localIp and the stream port, as the camera expects; when that address cannot be bound or the
// connect from it fails for the local address's sake (a connection of the previous run still in
// TIME_WAIT towards a camera without TCP timestamps gives EADDRNOTAVAIL), it leaves from a port
// the system chooses, which the camera accepts as well. Returns the socket, registered with the
// link so that Stop can wake it, or -1 (nothing left open).
int OpenStreamConnection(LinkShared& link);

// How a stream that stood came to an end.
enum class StreamEnd {
    kStopped,  // the link stops
    kClosed,   // the camera closed the connection or it broke ("net enviorment is so bad!")
    kStalled,  // no whole block for kStreamStallMs
};

// Receives 4096-byte blocks from fd into ReceiveRing until the stream ends; closes fd.
StreamEnd ReceiveStream(LinkShared& link, int fd);

// The stream kind and frame size a model text stands for; prints the console line of the kind.
void ApplyDeviceKind(const char* modelText);

// recv until n bytes have arrived: n, 0 at once for n <= 0, or -1 after printing
// "net enviorment is so bad!\n" when a recv returns 0 or less.
int ReceiveExact(int fd, uint8_t* buffer, int n);

// The thread procedure (stream_thread.cpp): attempts, back-off and the link state, until Stop.
void StreamThread(LinkShared& link);

}  // namespace vyr
