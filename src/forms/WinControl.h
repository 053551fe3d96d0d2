#pragma once

// The windowed-control base of the form toolkit: a control with a native widget, a parent,
// bounds inside the parent's client area, visibility, alignment and keyboard focus.

#include "forms/Classes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Forms {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

// System commands a top-level window passes on to its controls (WMSysCommand).
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_MAXIMIZE = 0xF030;
constexpr unsigned SC_RESTORE = 0xF120;

// Key messages, as shortcut handling (IsShortCut) receives them.
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_SYSKEYDOWN = 0x0104;
constexpr unsigned WM_SYSKEYUP = 0x0105;

struct TKeyMessage {
    unsigned Msg = 0;
    std::uintptr_t WParam = 0; // the virtual-key code
    std::intptr_t LParam = 0;  // repeat count, scan code and flags of the key event
};

// A native widget, opaque outside the toolkit's platform layer (a GtkWidget in the GTK build).
struct TNativeWidget;

class TWinControl : public TObject {
public:
    TWinControl();
    // Leaves the parent, detaches the children (they keep existing, without a parent) and
    // destroys the native widget.
    ~TWinControl() override;

    TWinControl* Parent() const { return FParent; }
    // Places the control in AParent's client area (null: takes it out). Creates the native
    // widget when the new parent has one.
    virtual void SetParent(TWinControl* AParent);
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TWinControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }
    // The outermost control of the parent chain (the control itself when it has no parent).
    TWinControl* TopLevelControl();

    // Bounds, in pixels, inside the parent's client area.
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    // The area that holds child controls, in the control's own coordinates.
    virtual TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value) { FAnchors = Value; }

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent visible too.
    bool Showing() const;

    bool HandleAllocated() const;
    void HandleNeeded();
    // The native widget that holds child controls; created when needed.
    TNativeWidget* Handle();
    // Destroys the native widget and creates it again (with the children's).
    void RecreateWnd();

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool Focused() const;
    bool CanFocus() const;
    virtual void SetFocus();
    // Gives the focus to the next (or previous) focusable child control after CurControl,
    // in tab order, searching this control's children and their children.
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

    // The control's shortcut handling (a form's menu shortcuts); true when the key was used.
    virtual bool IsShortCut(const TKeyMessage& Message);
    // Passes a system command (SC_MINIMIZE, SC_RESTORE, ...) to this control and every
    // control inside it. Top-level windows call it when they are minimized or restored.
    void BroadcastSysCommand(unsigned Command);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;

protected:
    // Makes the native widget: CreateNativeWidget, then places it in the parent and creates
    // the children's widgets. Overrides run the base first.
    virtual void CreateWnd();
    // Destroys the native widget, the children's first.
    virtual void DestroyWnd();
    // The native widget of this control. The base makes a plain container for child controls.
    // A subclass with its own widget (a top-level window, an edit box) overrides this and sets
    // ClientArea to the widget that holds child controls (null when it holds none).
    virtual TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea);
    // After the size changed; raises OnResize.
    virtual void Resize();
    // After Visible changed.
    virtual void VisibleChanged();
    virtual void DoEnter();
    virtual void DoExit();
    // A system command sent to this control; the base ignores it.
    virtual void WMSysCommand(unsigned Command);
    // The native client area was given a new size by the window system (a top-level window
    // resized by the user). The base takes it as the control's size when it has no parent.
    virtual void ClientAreaResized(int AWidth, int AHeight);
    // Lays out the aligned and anchored children.
    void AlignControls();

    // The platform part (defined by the toolkit's platform layer).
    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    friend struct TImpl;
    void InsertControl(TWinControl* Control);
    void RemoveControl(TWinControl* Control);
    void ApplyAnchors(int DeltaWidth, int DeltaHeight);
    void SizeChanged(int OldClientWidth, int OldClientHeight);
    void RequestParentAlign();
    void CollectTabOrder(std::vector<TWinControl*>& List);
    // Platform part: apply the stored bounds and visibility to the native widget.
    void NativeApplyBounds();
    void NativeApplyVisible();
    void NativeForgetControl();
    void NativePlaceInParent();

    std::unique_ptr<TImpl> FImpl;
    TWinControl* FParent = nullptr;      // not owned
    std::vector<TWinControl*> FControls; // not owned; in tab order
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    bool FVisible = true;
    bool FTabStop = false;
    bool FAligning = false;
};

} // namespace Forms
