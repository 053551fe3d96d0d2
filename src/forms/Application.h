#pragma once

// The application object: the event loop, the main form and the application's message boxes.

#include "forms/Forms.h"

#include <exception>
#include <memory>
#include <string>

namespace Forms {

// Flags of MessageBox, with their classic values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

class TApplication : public TObject {
public:
    TApplication();
    ~TApplication() override;

    // Opens the display. False when there is none (message boxes then go to standard error).
    bool Initialize();
    bool Initialized() const { return FInitialized; }

    // The first form registered becomes the main form: closing it ends Run.
    void SetMainForm(TForm* Form);
    TForm* MainForm() const { return FMainForm; }
    // Shows the main form (unless it was hidden on purpose) and runs the event loop until
    // Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Handles the events that are waiting, without blocking.
    void ProcessMessages();
    // Handles events until Done returns true or the application terminates.
    void HandleMessagesUntil(const std::function<bool()>& Done);

    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value);

    // A modal message box owned by the active window; returns the button's modal result.
    TModalResult MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags);
    // The error box for an exception that reached the event loop.
    void ShowException(const std::exception& E);

    // The active top-level form, or null.
    TForm* ActiveForm() const;

private:
    TForm* FMainForm = nullptr; // not owned
    std::string FTitle;
    bool FInitialized = false;
    bool FTerminated = false;
    int FLoopDepth = 0;
};

// The one application object of the process.
TApplication& Application();

} // namespace Forms
