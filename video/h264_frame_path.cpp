// The H.264 decode thread: takes the stream blocks from ReceiveRing in order and feeds them to the
// NAL splitter, whose completed units the unit handler decodes, presents and records.
#include "video/h264_frame_path.h"

#include <chrono>
#include <thread>
#include <vector>

#include "linkstate/link_shared.h"
#include "video/h264_unit_handler.h"
#include "video/nal_splitter.h"

namespace vyr {

void H264FramePath(LinkShared& link) {
    StreamGlobals& globals = Globals();
    NalSplitter splitter;
    H264UnitHandler handler(link);
    std::vector<uint8_t> block(kStreamBlockBytes);
    // A new connection is a new stream: the decode thread starts the path afresh for it, with a
    // decoder that holds nothing of the cut picture the old connection ended in.
    const uint32_t generation = globals.receiveRing.generation();
    while (link.stopRequested.load() == 0 && !handler.failed() &&
           globals.receiveRing.generation() == generation) {
        const int length = globals.receiveRing.TryTakeBlock(block.data(), generation);
        if (length < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        splitter.Feed(block.data(), length, handler);
    }
}

}  // namespace vyr
