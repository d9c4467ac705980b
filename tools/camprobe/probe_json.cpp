// The JSON object of a probe run; see probe_json.h.
#include "tools/camprobe/probe_json.h"

#include <cstdio>

namespace vyr::probe {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ReportJson(const ProbeReport& report) {
    char numbers[256];
    std::snprintf(numbers, sizeof numbers,
                  ", \"width\": %d, \"height\": %d, \"frames_decoded\": %llu, \"frames_drawn\": "
                  "%llu, \"blocks_dropped\": %llu, \"seconds\": %d",
                  report.width, report.height,
                  static_cast<unsigned long long>(report.framesDecoded),
                  static_cast<unsigned long long>(report.framesDrawn),
                  static_cast<unsigned long long>(report.blocksDropped), report.seconds);
    std::string json =
        "{\"model\": " + JsonString(report.model) + ", \"mode\": " + JsonString(report.mode) +
        numbers + ", \"connections\": " + std::to_string(report.connections) +
        ", \"state\": " + JsonString(report.state) +
        ", \"snapshot\": " + (report.snapshot.empty() ? "null" : JsonString(report.snapshot)) +
        ", \"recordings\": [";
    for (size_t i = 0; i < report.recordings.size(); ++i) {
        json += (i == 0 ? "" : ", ") + JsonString(report.recordings[i]);
    }
    json += "], \"events\": [";
    for (size_t i = 0; i < report.events.size(); ++i) {
        json += (i == 0 ? "{\"code\": " : ", {\"code\": ") + std::to_string(report.events[i].code) +
                ", \"path\": " + JsonString(report.events[i].path) + "}";
    }
    return json + "]}";
}

}  // namespace vyr::probe
