// Where a picture goes on the page: the fit_image options "boxsize", "position" and "fitmethod"
// applied to a picture of a given pixel size at a reference point. At its natural size a pixel is
// one point. Coordinates are the PDF page's, in points, origin at the bottom-left corner.
//   boxsize={w h}    the box whose lower-left corner is the reference point (w, h > 0)
//   fitmethod=nofit  natural size (the default); meet: scaled evenly to the largest size inside the
//                    box; entire: scaled to the box in each direction
//   position=...     which point of the picture meets the same point of the box, in percent of the
//                    width and height: {x y}, one number for both, or the words left, right
//                    (x 0, 100; y 50), bottom, top (x 50; y 0, 100), center (50 50), or two words
//                    {left bottom}; the default is {0 0}, the lower-left corners
#pragma once

#include <string>
#include <string_view>

namespace vyr {

struct PdfPlacement {
    double x = 0;  // lower-left corner
    double y = 0;
    double width = 0;
    double height = 0;
};

// Returns 0 with *placement, or -1 with *error (unknown option, bad value, a box needed by the
// fit method but missing, a picture without pixels).
[[nodiscard]] int PlaceImage(std::string_view options, double x, double y, int imageWidth,
                             int imageHeight, PdfPlacement* placement, std::string* error);

}  // namespace vyr
