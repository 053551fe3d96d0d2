#pragma once

// Support for tests that drive real windows and the real browser under Xvfb.

#include "Display.h"
#include "forms/WinControl.h"

#include <filesystem>
#include <functional>
#include <string>

namespace GuiTest {

// True when a display is open (the tests run under scripts/with-display.sh).
bool HasDisplay();

// The engine libraries of this build.
std::string TestEnginePath();
std::string WebKitEnginePath();

// A folder of its own, removed with everything in it when the object goes.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// A top-level window as a control: a GtkWindow whose client area holds child controls. It is
// also the example of a control that brings its own native widget.
class TTopWindow : public Forms::TWinControl {
public:
    TTopWindow(int ClientWidth, int ClientHeight);
    ~TTopWindow() override;
    // Shows the window and waits until the window manager has mapped it.
    void ShowWindow();
    // Asks the window system for a new client size (the window manager decides).
    void ResizeClient(int ClientWidth, int ClientHeight);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    bool IsShortCut(const Forms::TKeyMessage& Message) override;
    // The X11 window id, for xdotool and friends.
    unsigned long XWindow();

    std::function<bool(const Forms::TKeyMessage&)> ShortCut;

protected:
    Forms::TNativeWidget* CreateNativeWidget(Forms::TNativeWidget*& ClientArea) override;
};

} // namespace GuiTest
