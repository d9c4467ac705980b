// Incremental update of Info and Metadata: locate the last cross-reference section through
// startxref, read the trailer's keys and the catalog's /Metadata, then append the two objects, a
// cross-reference section of two one-entry subsections and the new trailer.
#include "platform/pdf/pdf_info_update.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace vyr {
namespace {

constexpr size_t kTailBytes = 1024;              // startxref lies within the last bytes of a file
constexpr size_t kMaxObjectBytes = 1 << 16;      // a catalog or trailer is far smaller
constexpr long long kMaxObjectNumber = 8388607;  // PDF's limit on indirect objects

int Fail(std::string* error, std::string message) {
    *error = "document information: " + std::move(message);
    return -1;
}

bool IsWhite(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    return IsWhite(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' ||
           c == ')';
}

size_t SkipWhite(std::string_view text, size_t at) {
    while (at < text.size() && IsWhite(text[at])) {
        ++at;
    }
    return at;
}

// A non-negative integer at text[*at] (after white space); advances *at past it.
std::optional<long long> ReadInteger(std::string_view text, size_t* at) {
    size_t i = SkipWhite(text, *at);
    const size_t start = i;
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 12) {
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == start || (i < text.size() && !IsDelimiter(text[i]))) {
        return std::nullopt;
    }
    *at = i;
    return value;
}

// Where the name key (e.g. "/Root") stands in dict as a whole name, or npos.
size_t FindName(std::string_view dict, std::string_view key) {
    for (size_t at = dict.find(key); at != std::string_view::npos; at = dict.find(key, at + 1)) {
        const size_t end = at + key.size();
        if (end >= dict.size() || IsDelimiter(dict[end])) {
            return end;
        }
    }
    return std::string_view::npos;
}

// "/Key N" in dict.
std::optional<long long> IntegerOf(std::string_view dict, std::string_view key) {
    size_t at = FindName(dict, key);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    return ReadInteger(dict, &at);
}

// "/Key N 0 R" in dict: the object number N (generation 0, as every object of ours).
std::optional<long long> ReferenceOf(std::string_view dict, std::string_view key) {
    size_t at = FindName(dict, key);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<long long> number = ReadInteger(dict, &at);
    const std::optional<long long> generation = ReadInteger(dict, &at);
    at = SkipWhite(dict, at);
    if (!number || *number <= 0 || *number > kMaxObjectNumber || generation != 0 ||
        at >= dict.size() || dict[at] != 'R') {
        return std::nullopt;
    }
    return number;
}

struct Trailer {
    long long xrefOffset = 0;
    long long size = 0;
    long long root = 0;
    long long info = 0;
    std::string id;            // the /ID array as written, brackets included
    std::string_view section;  // the cross-reference section and the trailer
};

int ReadTrailer(std::string_view pdf, Trailer* trailer, std::string* error) {
    const size_t tailStart = pdf.size() > kTailBytes ? pdf.size() - kTailBytes : 0;
    const size_t keyword = pdf.rfind("startxref");
    if (keyword == std::string_view::npos || keyword < tailStart) {
        return Fail(error, "no startxref at the end of the file");
    }
    size_t at = keyword + 9;
    const std::optional<long long> offset = ReadInteger(pdf, &at);
    if (!offset || *offset >= static_cast<long long>(keyword)) {
        return Fail(error, "startxref points outside the file");
    }
    trailer->xrefOffset = *offset;
    trailer->section = pdf.substr(*offset, keyword - *offset);
    if (trailer->section.substr(0, 4) != "xref") {
        return Fail(error, "no classic cross-reference section at startxref");
    }
    const size_t trailerAt = trailer->section.find("trailer");
    if (trailerAt == std::string_view::npos) {
        return Fail(error, "no trailer");
    }
    const std::string_view dict = trailer->section.substr(trailerAt);
    const std::optional<long long> size = IntegerOf(dict, "/Size");
    const std::optional<long long> root = ReferenceOf(dict, "/Root");
    const std::optional<long long> info = ReferenceOf(dict, "/Info");
    const size_t idAt = FindName(dict, "/ID");
    if (!size || *size <= 0 || *size > kMaxObjectNumber + 1 || !root || !info ||
        idAt == std::string_view::npos) {
        return Fail(error, "trailer without /Size, /Root, /Info or /ID");
    }
    const size_t open = SkipWhite(dict, idAt);
    const size_t close = dict.find(']', open);
    if (open >= dict.size() || dict[open] != '[' || close == std::string_view::npos) {
        return Fail(error, "malformed /ID");
    }
    trailer->size = *size;
    trailer->root = *root;
    trailer->info = *info;
    trailer->id = std::string(dict.substr(open, close - open + 1));
    return 0;
}

// The offset of object number from the cross-reference section, whose subsections each begin
// with "first count" and hold count entries of 20 bytes.
std::optional<long long> ObjectOffset(std::string_view section, long long number) {
    size_t at = 4;  // past "xref"
    for (;;) {
        size_t next = at;
        const std::optional<long long> first = ReadInteger(section, &next);
        const std::optional<long long> count = ReadInteger(section, &next);
        if (!first || !count) {
            return std::nullopt;  // "trailer" or garbage: the object is not listed
        }
        // Entries start after the end of the subsection's header line.
        while (next < section.size() && (section[next] == ' ' || section[next] == '\r')) {
            ++next;
        }
        if (next >= section.size() || section[next] != '\n') {
            return std::nullopt;
        }
        ++next;
        if (*count > static_cast<long long>((section.size() - next) / 20)) {
            return std::nullopt;
        }
        if (number >= *first && number < *first + *count) {
            const std::string_view entry = section.substr(next + (number - *first) * 20, 20);
            size_t field = 0;
            const std::optional<long long> offset = ReadInteger(entry, &field);
            if (!offset || entry[17] != 'n') {
                return std::nullopt;
            }
            return offset;
        }
        at = next + static_cast<size_t>(*count) * 20;
    }
}

// The dictionary text of object number: from "N 0 obj" to "endobj".
std::optional<std::string_view> ObjectText(std::string_view pdf, std::string_view section,
                                           long long number) {
    const std::optional<long long> offset = ObjectOffset(section, number);
    if (!offset || *offset >= static_cast<long long>(pdf.size())) {
        return std::nullopt;
    }
    const std::string_view rest = pdf.substr(*offset, kMaxObjectBytes);
    const std::string header = std::to_string(number) + " 0 obj";
    const size_t end = rest.find("endobj");
    if (rest.substr(0, header.size()) != header || end == std::string_view::npos) {
        return std::nullopt;
    }
    return rest.substr(header.size(), end - header.size());
}

std::string HexText(const std::string& utf8) {
    std::string hex = "<FEFF";
    char digits[5];
    for (const char16_t unit :
         QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toStdU16String()) {
        std::snprintf(digits, sizeof digits, "%04X", unsigned(unit));
        hex += digits;
    }
    return hex + ">";
}

std::string XmlText(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UtcTime(std::time_t time, const char* format) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[40];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

std::string InfoObject(long long number, const PdfDocumentInfo& info) {
    std::string text = std::to_string(number) + " 0 obj\n<<\n";
    const auto entry = [&text](const char* key, const std::string& value) {
        if (!value.empty()) {
            text += std::string(key) + " " + HexText(value) + "\n";
        }
    };
    entry("/Title", info.title);
    entry("/Author", info.author);
    entry("/Creator", info.creator);
    entry("/Producer", info.producer);
    const std::string date = UtcTime(info.created, "(D:%Y%m%d%H%M%S+00'00')");
    text += "/CreationDate " + date + "\n/ModDate " + date + "\n>>\nendobj\n";
    return text;
}

std::string MetadataObject(long long number, const std::string& xmp) {
    return std::to_string(number) + " 0 obj\n<<\n/Type /Metadata\n/Subtype /XML\n/Length " +
           std::to_string(xmp.size()) + "\n>>\nstream\n" + xmp + "\nendstream\nendobj\n";
}

std::string XrefEntry(long long number, size_t offset) {
    char line[40];
    std::snprintf(line, sizeof line, "%lld 1\n%010zu 00000 n \n", number, offset);
    return line;
}

}  // namespace

std::string MakeXmpPacket(const PdfDocumentInfo& info) {
    const std::string date = UtcTime(info.created, "%Y-%m-%dT%H:%M:%SZ");
    std::string xmp =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    if (!info.title.empty()) {
        xmp += "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + XmlText(info.title) +
               "</rdf:li></rdf:Alt></dc:title>\n";
    }
    if (!info.author.empty()) {
        xmp += "   <dc:creator><rdf:Seq><rdf:li>" + XmlText(info.author) +
               "</rdf:li></rdf:Seq></dc:creator>\n";
    }
    xmp +=
        "  </rdf:Description>\n"
        "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n";
    if (!info.creator.empty()) {
        xmp += "   <xmp:CreatorTool>" + XmlText(info.creator) + "</xmp:CreatorTool>\n";
    }
    xmp += "   <xmp:CreateDate>" + date + "</xmp:CreateDate>\n   <xmp:ModifyDate>" + date +
           "</xmp:ModifyDate>\n   <xmp:MetadataDate>" + date +
           "</xmp:MetadataDate>\n"
           "  </rdf:Description>\n"
           "  <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n";
    if (!info.producer.empty()) {
        xmp += "   <pdf:Producer>" + XmlText(info.producer) + "</pdf:Producer>\n";
    }
    xmp +=
        "  </rdf:Description>\n"
        "  <rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
        "   <pdfaid:part>1</pdfaid:part>\n"
        "   <pdfaid:conformance>B</pdfaid:conformance>\n"
        "  </rdf:Description>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta>\n"
        "<?xpacket end=\"w\"?>";
    return xmp;
}

int AppendInfoUpdate(std::string* pdf, const PdfDocumentInfo& info, std::string* error) {
    Trailer trailer;
    if (ReadTrailer(*pdf, &trailer, error) != 0) {
        return -1;
    }
    const std::optional<std::string_view> catalog = ObjectText(*pdf, trailer.section, trailer.root);
    if (!catalog) {
        return Fail(error, "catalog not found");
    }
    const std::optional<long long> metadata = ReferenceOf(*catalog, "/Metadata");
    if (!metadata || *metadata == trailer.info || *metadata >= trailer.size ||
        trailer.info >= trailer.size) {
        return Fail(error, "catalog without a usable /Metadata reference");
    }

    std::string update = pdf->empty() || pdf->back() == '\n' ? "" : "\n";
    const size_t infoOffset = pdf->size() + update.size();
    update += InfoObject(trailer.info, info);
    const size_t metadataOffset = pdf->size() + update.size();
    update += MetadataObject(*metadata, MakeXmpPacket(info));
    const size_t xrefOffset = pdf->size() + update.size();
    update += "xref\n";
    if (trailer.info < *metadata) {
        update += XrefEntry(trailer.info, infoOffset) + XrefEntry(*metadata, metadataOffset);
    } else {
        update += XrefEntry(*metadata, metadataOffset) + XrefEntry(trailer.info, infoOffset);
    }
    update += "trailer\n<<\n/Size " + std::to_string(trailer.size) + "\n/Root " +
              std::to_string(trailer.root) + " 0 R\n/Info " + std::to_string(trailer.info) +
              " 0 R\n/ID " + trailer.id + "\n/Prev " + std::to_string(trailer.xrefOffset) +
              "\n>>\nstartxref\n" + std::to_string(xrefOffset) + "\n%%EOF\n";
    pdf->append(update);
    return 0;
}

}  // namespace vyr
