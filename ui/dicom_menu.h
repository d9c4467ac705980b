// The photo list's context menu (right button): "Export as DICOM..." writes the selected pictures
// as DICOM files into a folder the user chooses, "Send to archive" sends them to the practice's
// archive named in dicom.ini, "DICOM settings..." edits that archive. Both batches run on a worker
// thread (DicomJob) and end with one message that counts only what was written or confirmed.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <filesystem>
#include <vector>

namespace vyr {

class CVyrApp;
class MainDlg;

// dicom.ini in the data folder: beside language.ini, wherever the application keeps that.
std::filesystem::path DicomSettingsPath(const CVyrApp& app);

class DicomMenu : public QObject {
public:
    // Owned by the window; connects itself to the window's photo list.
    DicomMenu(MainDlg& window, CVyrApp& app);

    void ExportSelected();
    void SendSelected();
    void EditSettings();

private:
    void ShowMenu(const QPoint& at);
    // The selected pictures in list order; asks the user to select some when there are none.
    std::vector<std::filesystem::path> SelectedPictures();

    MainDlg& window_;
    CVyrApp& app_;
    QString lastFolder_;  // where the folder dialog starts next time
};

// Installs the menu on the window's photo list.
void InstallDicomMenu(MainDlg& window, CVyrApp& app);

}  // namespace vyr
