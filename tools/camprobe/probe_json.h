// camprobe's closing JSON object: one line, strings escaped so that any path or model text stays
// one valid JSON string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/camprobe/probe_events.h"

namespace vyr::probe {

struct ProbeReport {
    std::string model;
    std::string mode;  // "mjpeg" or "h264"
    int width = 0;
    int height = 0;
    uint64_t framesDecoded = 0;
    uint64_t framesDrawn = 0;
    uint64_t blocksDropped = 0;
    int seconds = 0;
    uint64_t connections = 0;  // stream connections made
    std::string state;         // the link's last state (LinkStateName)
    std::string snapshot;      // empty: null
    std::vector<std::string> recordings;
    std::vector<ProbeEvent> events;
};

// text as a JSON string, quotes included: '"' and '\' escaped, control bytes as \u00XX; other
// bytes (UTF-8) as they are.
std::string JsonString(const std::string& text);

std::string ReportJson(const ProbeReport& report);

}  // namespace vyr::probe
