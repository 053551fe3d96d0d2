#pragma once

// Forms: top-level windows (and forms embedded in another control), their border, state,
// placement, size limits and the close protocol.

#include "forms/WinControl.h"

#include <functional>
#include <memory>
#include <string>

namespace Forms {

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// poDesigned: Left/Top as set; poDefault: the window manager places the window;
// poDesktopCenter / poScreenCenter: centred on the (primary) screen's work area.
enum TPosition { poDesigned, poDefault, poDesktopCenter, poScreenCenter };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrClose = 8;
constexpr TModalResult mrHelp = 9;
constexpr TModalResult mrAll = 12;
constexpr TModalResult mrNoToAll = 13;
constexpr TModalResult mrYesToAll = 14;

// Size limits of a form's outer size; 0 means no limit.
struct TSizeConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
};

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TKeyEvent = std::function<void(TObject* Sender, unsigned& Key, unsigned Shift)>;

class TMainMenu;

// A form. Without a parent it is a top-level window whose Width and Height are its outer size,
// frame included; with a parent it is a borderless area inside that parent.
class TForm : public TWinControl {
public:
    TForm();
    ~TForm() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    const TSizeConstraints& Constraints() const { return FConstraints; }
    void SetConstraints(const TSizeConstraints& Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // Background colour as 0x00BBGGRR; negative leaves the style's own colour.
    int Color() const { return FColor; }
    void SetColor(int Value);
    // Cursor shown over the form: "default", "progress" (application starting), ...
    void SetCursorName(const std::string& Value);
    TMainMenu* Menu() const { return FMenu; }
    // Makes Value the form's menu bar (not owned; it leaves any other form); null removes it.
    void SetMenu(TMainMenu* Value);
    // The form's shortcuts: those of its menu.
    bool IsShortCut(const TKeyMessage& Message) override;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() const override;
    // Sets the size so that the client area gets the given size.
    void SetClientSize(int AWidth, int AHeight);

    // Asks OnCloseQuery; when allowed, OnClose decides what happens (hide by default).
    void Close();
    bool CloseQuery();
    // Shows the form modally and returns its ModalResult (mrCancel when closed otherwise).
    TModalResult ShowModal();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);
    bool Modal() const { return FModal; }
    void BringToFront();
    // Centres the form on the primary screen's work area now.
    void CenterOnScreen();
    // Shape of the window: rounded corners of the given radius (0 removes the shape).
    void SetRoundedRegion(int Radius);

    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

    // The platform part of a form (defined by the toolkit's platform layer).
    struct TFormImpl;
    TFormImpl& FormImpl() { return *FFormImpl; }

protected:
    TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void VisibleChanged() override;
    void ClientAreaResized(int AWidth, int AHeight) override;
    // Called when the native window has been created (also when it is created again).
    virtual void WindowCreated() {}
    virtual void DoClose(TCloseAction& Action);
    // Keys reach the form first when KeyPreview is set; true when handled.
    virtual bool DoKeyDown(unsigned Key, unsigned Shift);
    virtual bool DoKeyUp(unsigned Key, unsigned Shift);

private:
    friend struct TFormImpl;
    void ApplyWindowState();
    void ApplyGeometry();
    void ApplyBorder();
    void ApplyConstraints();
    void ApplyStayOnTop();
    void NativeBoundsChanged(int ALeft, int ATop, int AWidth, int AHeight);

    std::unique_ptr<TFormImpl> FFormImpl;
    std::string FCaption;
    TBorderStyle FBorderStyle = bsSizeable;
    TWindowState FWindowState = wsNormal;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TSizeConstraints FConstraints;
    TMainMenu* FMenu = nullptr; // not owned
    TModalResult FModalResult = mrNone;
    int FColor = -1;
    bool FKeyPreview = false;
    bool FModal = false;
    bool FFromNative = false;
};

} // namespace Forms
