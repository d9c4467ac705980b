// vyr: the desktop client of the Wi-Fi dental camera. Starts the Qt application, reads the one
// option (--camera ADDRESS) and runs the window chain until a window is closed.
#include <QApplication>
#include <csignal>
#include <cstdio>

#include "app/core/command_line.h"
#include "app/core/vyr_app.h"
#include "app/start/fatal_error_box.h"
#include "app/start/init_instance.h"
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
        std::fprintf(stderr, "vyr: %s\nusage: vyr [--camera ADDRESS]\n", commandLine.error.c_str());
        return 2;
    }

    vyr::QtPrompts prompts;
    vyr::DesktopShell shell;
    vyr::AppConfig config;
    config.cameraAddress = commandLine.cameraAddress;
    vyr::CVyrApp app(config, {&prompts, &shell});
    vyr::InstallFatalErrorBox();
    return vyr::InitInstance(app, vyr::RunMainWindow);
}
