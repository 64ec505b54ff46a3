#pragma once
// Program start: the modules, the application title, the windows created once
// in their fixed order, the event loop until the main window closes.
#include <memory>

class AppContext;
class QApplication;
class TCryptForm;
class TOptionsDlg;
class Taboutdlg;
class Tpopupfrm;

// Keeps the big integer module started for as long as it lives.
class ModuleScope {
public:
    ModuleScope();
    ~ModuleScope();
    ModuleScope(const ModuleScope&) = delete;
    ModuleScope& operator=(const ModuleScope&) = delete;
};

// The windows of the program, made in start-up order: main window, about
// window, progress window, options dialog (which reads the settings and sets
// the compression level in effect). The other windows are installed through
// the hooks of AppContext. Everything lives until this object is destroyed.
class ZerathWindows {
public:
    explicit ZerathWindows(AppContext& ctx);
    ~ZerathWindows();
    ZerathWindows(const ZerathWindows&) = delete;
    ZerathWindows& operator=(const ZerathWindows&) = delete;

    TCryptForm* mainWindow() const { return m_main.get(); }
    Taboutdlg* about() const { return m_about; }
    Tpopupfrm* progress() const { return m_progress; }
    TOptionsDlg* options() const { return m_options; }

private:
    std::unique_ptr<TCryptForm> m_main;
    Taboutdlg* m_about = nullptr;      // owned by the main window
    Tpopupfrm* m_progress = nullptr;   // owned by the main window
    TOptionsDlg* m_options = nullptr;  // owned by the main window
};

// The whole run of the desktop program; returns the exit code.
int runZerath(QApplication& app);
