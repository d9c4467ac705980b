// The document information of a finished PDF, carried by an incremental update. Qt's writer sets
// Title and Creator but has no Author, and PDF/A wants the Info dictionary and the XMP metadata to
// say the same. So after Qt has written the file, a new Info dictionary and a new XMP metadata
// stream are appended under the object numbers of the old ones, with a cross-reference section
// for the two and a trailer that points back to the previous one (/Prev). Readers take the newest
// version of each object; the bytes Qt wrote stay untouched.
//
// The update reads only the end of the file Qt wrote: startxref, one classic cross-reference
// section, its trailer (/Size, /Root, /Info, /ID) and the catalog's /Metadata reference. Anything
// else (a cross-reference stream, a missing key, an offset outside the file) is an error. Every
// read is bounded by the buffer.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace vyr {

struct PdfDocumentInfo {
    std::string title;        // UTF-8; an empty value is left out
    std::string author;       //
    std::string creator;      //
    std::string producer;     //
    std::time_t created = 0;  // CreationDate and ModDate, written in UTC
};

// The XMP packet for info: dc:title, dc:creator, xmp:CreatorTool, the three dates, pdf:Producer
// and the PDF/A-1b identification (pdfaid:part 1, pdfaid:conformance B).
std::string MakeXmpPacket(const PdfDocumentInfo& info);

// Appends the update to pdf. Returns 0, or -1 with *error; pdf is unchanged on failure.
[[nodiscard]] int AppendInfoUpdate(std::string* pdf, const PdfDocumentInfo& info,
                                   std::string* error);

}  // namespace vyr
