// vyr: the desktop client of the Wi-Fi dental camera. Starts the Qt application, reads the options
// (--camera ADDRESS, --data DIR), settles the data folder once and says which on the console, and
// runs the window chain until a window is closed.
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/core/command_line.h"
#include "app/core/vyr_app.h"
#include "app/start/fatal_error_box.h"
#include "app/start/init_instance.h"
#include "platform/data_folder.h"
#include "platform/dialogs/desktop_shell.h"
#include "platform/dialogs/qt_prompts.h"
#include "ui/main_dlg.h"

int main(int argc, char** argv) {
    // A file-size limit (ulimit -f) must fail a write like a full disk does, with an error the
    // writers handle, rather than end the program in the middle of a treatment.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    // The windows run one after another as modal dialogs; closing one must not end the program
    // while the next is about to open.
    QApplication::setQuitOnLastWindowClosed(false);

    const vyr::CommandLine commandLine = vyr::ParseCommandLine(argc, argv);
    if (!commandLine.ok) {
        std::fprintf(stderr, "vyr: %s\n%s\n", commandLine.error.c_str(), vyr::kUsage);
        return 2;
    }

    // Before anything opens a file: from here on the working folder and GetExeDir are where the
    // data lives, and every writer follows them.
    vyr::DataFolder dataFolder;
    std::string failure;
    if (vyr::ChooseDataFolder(vyr::ProcessDataFolderInputs(commandLine.dataFolder), &dataFolder,
                              &failure) != 0 ||
        vyr::UseDataFolder(dataFolder, &failure) != 0) {
        std::fprintf(stderr, "vyr: %s\n", failure.c_str());
        return 1;
    }
    std::printf("%s\n", vyr::DataFolderLine(dataFolder).c_str());
    std::fflush(stdout);

    vyr::QtPrompts prompts;
    vyr::DesktopShell shell;
    vyr::AppConfig config;
    config.cameraAddress = commandLine.cameraAddress;
    vyr::CVyrApp app(config, {&prompts, &shell});
    vyr::InstallFatalErrorBox();
    return vyr::InitInstance(app, vyr::RunMainWindow);
}
