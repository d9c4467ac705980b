// Output Report (button 1027 of the main window): the save dialog, the file name, the report's
// page (report_page.h) and the viewer. Inputs are read when the button is pressed: the current
// patient, the window's language, the photo list's selection and the program-wide current-item
// index, the window's photo folder and the description box.
//
// Pictures: A is the selected item with the highest index, B the one with the next lower index.
// With the current-item index below 0 there is no picture; with one selected item A is shown
// large, with two or more A and B side by side.
//
// The user is told when a report was not written (the file cannot be created, a picture cannot be
// loaded, the PDF layer failed): no viewer opens and no file or partial file is left. A chosen name
// that gets ".pdf" appended and then names an existing file is replaced only after a question,
// as the dialog asks for the name it returned.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vyr {

class CVyrApp;
class MainDlg;

// The rows of pictures A and B (at most two, A first) among the selected rows in index order.
std::vector<int> PickReportPictures(const std::vector<int>& selectedRows);

// "%s_%04d%02d%02d_%02d%02d.pdf" with the TEL and the local time; a '/' in the TEL, which would
// name a folder, becomes '_'.
std::string SuggestedReportName(std::string_view tel, std::time_t now);

// The chosen path with ".pdf" appended unless its last four characters are exactly ".pdf".
std::string ReportFileName(std::string chosen);

// The description box's text cut to 499 bytes at a character boundary.
std::string ReportDescription(std::string_view boxText);

// The whole button: dialog, page, viewer or message box.
void OutputReport(MainDlg& window, CVyrApp& app);

}  // namespace vyr
