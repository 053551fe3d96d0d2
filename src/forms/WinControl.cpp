#include "forms/WinControl.h"

#include <algorithm>

// The platform-independent part of TWinControl: the parent chain, bounds, alignment,
// visibility and tab order. The native widget lives in the platform layer (gtk/).

namespace Forms {

TWinControl* TWinControl::TopLevelControl() {
    TWinControl* control = this;
    while (control->FParent != nullptr) {
        control = control->FParent;
    }
    return control;
}

void TWinControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent) {
        return;
    }
    for (TWinControl* p = AParent; p != nullptr; p = p->FParent) {
        if (p == this) {
            return; // a control cannot contain itself
        }
    }
    TWinControl* old = FParent;
    if (old != nullptr) {
        NativeForgetControl();
        old->RemoveControl(this);
    }
    FParent = AParent;
    if (AParent != nullptr) {
        AParent->InsertControl(this);
    }
    // A widget that exists moves with the control; one that does not is made when the new
    // parent has its own.
    if (HandleAllocated()) {
        NativePlaceInParent();
    } else if (AParent != nullptr && AParent->HandleAllocated()) {
        HandleNeeded();
    }
    if (old != nullptr) {
        old->AlignControls();
    }
    if (AParent != nullptr) {
        AParent->AlignControls();
    }
}

void TWinControl::InsertControl(TWinControl* Control) {
    FControls.push_back(Control);
}

void TWinControl::RemoveControl(TWinControl* Control) {
    std::erase(FControls, Control);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) {
        return;
    }
    const int oldClientWidth = ClientWidth();
    const int oldClientHeight = ClientHeight();
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    NativeApplyBounds();
    if (resized) {
        SizeChanged(oldClientWidth, oldClientHeight);
    }
    RequestParentAlign();
}

void TWinControl::SizeChanged(int OldClientWidth, int OldClientHeight) {
    ApplyAnchors(ClientWidth() - OldClientWidth, ClientHeight() - OldClientHeight);
    AlignControls();
    Resize();
}

void TWinControl::ClientAreaResized(int AWidth, int AHeight) {
    if (FParent != nullptr || (AWidth == FWidth && AHeight == FHeight)) {
        return;
    }
    const int oldClientWidth = ClientWidth();
    const int oldClientHeight = ClientHeight();
    FWidth = AWidth;
    FHeight = AHeight;
    SizeChanged(oldClientWidth, oldClientHeight);
}

void TWinControl::RequestParentAlign() {
    if (FParent != nullptr && FAlign != alNone && !FParent->FAligning) {
        FParent->AlignControls();
    }
}

void TWinControl::SetAlign(TAlign Value) {
    if (Value == FAlign) {
        return;
    }
    FAlign = Value;
    if (FParent != nullptr) {
        FParent->AlignControls();
    }
}

void TWinControl::AlignControls() {
    if (FAligning) {
        return;
    }
    FAligning = true;
    TRect rest = ClientRect();
    // Edges first, in list order, each taking its strip off what is left; then the client.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TWinControl* c : FControls) {
            if (c->FAlign != pass || !c->FVisible) {
                continue;
            }
            switch (pass) {
            case alTop:
                c->SetBounds(rest.Left, rest.Top, rest.Width(), c->FHeight);
                rest.Top = std::min(rest.Top + c->FHeight, rest.Bottom);
                break;
            case alBottom:
                c->SetBounds(rest.Left, rest.Bottom - c->FHeight, rest.Width(), c->FHeight);
                rest.Bottom = std::max(rest.Bottom - c->FHeight, rest.Top);
                break;
            case alLeft:
                c->SetBounds(rest.Left, rest.Top, c->FWidth, rest.Height());
                rest.Left = std::min(rest.Left + c->FWidth, rest.Right);
                break;
            case alRight:
                c->SetBounds(rest.Right - c->FWidth, rest.Top, c->FWidth, rest.Height());
                rest.Right = std::max(rest.Right - c->FWidth, rest.Left);
                break;
            case alClient:
                c->SetBounds(rest.Left, rest.Top, rest.Width(), rest.Height());
                break;
            case alNone:
                break;
            }
        }
    }
    FAligning = false;
}

void TWinControl::ApplyAnchors(int DeltaWidth, int DeltaHeight) {
    if (DeltaWidth == 0 && DeltaHeight == 0) {
        return;
    }
    FAligning = true;
    for (TWinControl* c : FControls) {
        if (c->FAlign != alNone) {
            continue;
        }
        int left = c->FLeft;
        int top = c->FTop;
        int width = c->FWidth;
        int height = c->FHeight;
        if ((c->FAnchors & akRight) != 0) {
            if ((c->FAnchors & akLeft) != 0) {
                width += DeltaWidth;
            } else {
                left += DeltaWidth;
            }
        }
        if ((c->FAnchors & akBottom) != 0) {
            if ((c->FAnchors & akTop) != 0) {
                height += DeltaHeight;
            } else {
                top += DeltaHeight;
            }
        }
        c->SetBounds(left, top, width, height);
    }
    FAligning = false;
}

void TWinControl::SetVisible(bool Value) {
    if (Value == FVisible) {
        return;
    }
    FVisible = Value;
    VisibleChanged();
    if (FParent != nullptr && FAlign != alNone) {
        FParent->AlignControls();
    }
}

void TWinControl::VisibleChanged() {
    NativeApplyVisible();
}

bool TWinControl::Showing() const {
    for (const TWinControl* c = this; c != nullptr; c = c->FParent) {
        if (!c->FVisible) {
            return false;
        }
    }
    return HandleAllocated();
}

void TWinControl::HandleNeeded() {
    if (HandleAllocated()) {
        return;
    }
    if (FParent != nullptr) {
        FParent->HandleNeeded();
        if (HandleAllocated()) {
            return; // the parent's creation made ours too
        }
    }
    CreateWnd();
}

void TWinControl::RecreateWnd() {
    if (HandleAllocated()) {
        DestroyWnd();
    }
    HandleNeeded();
}

void TWinControl::Resize() {
    if (OnResize) {
        OnResize(this);
    }
}

void TWinControl::DoEnter() {
    if (OnEnter) {
        OnEnter(this);
    }
}

void TWinControl::DoExit() {
    if (OnExit) {
        OnExit(this);
    }
}

void TWinControl::WMSysCommand(unsigned) {}

void TWinControl::BroadcastSysCommand(unsigned Command) {
    WMSysCommand(Command);
    const std::vector<TWinControl*> children = FControls;
    for (TWinControl* c : children) {
        c->BroadcastSysCommand(Command);
    }
}

bool TWinControl::IsShortCut(const TKeyMessage&) {
    return false;
}

int TWinControl::TabOrder() const {
    if (FParent == nullptr) {
        return -1;
    }
    const auto& list = FParent->FControls;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (FParent == nullptr) {
        return;
    }
    auto& list = FParent->FControls;
    std::erase(list, this);
    const auto at = static_cast<std::size_t>(std::clamp(Value, 0, static_cast<int>(list.size())));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
}

void TWinControl::CollectTabOrder(std::vector<TWinControl*>& List) {
    for (TWinControl* c : FControls) {
        List.push_back(c);
        c->CollectTabOrder(List);
    }
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    std::vector<TWinControl*> order;
    CollectTabOrder(order);
    if (order.empty()) {
        return;
    }
    if (!GoForward) {
        std::reverse(order.begin(), order.end());
    }
    auto start = std::find(order.begin(), order.end(), CurControl);
    const std::size_t count = order.size();
    const std::size_t first = start == order.end() ? 0 : static_cast<std::size_t>(start - order.begin()) + 1;
    for (std::size_t i = 0; i < count; ++i) {
        TWinControl* candidate = order[(first + i) % count];
        if (candidate == CurControl) {
            continue;
        }
        if ((!CheckTabStop || candidate->FTabStop) && candidate->CanFocus()) {
            candidate->SetFocus();
            return;
        }
    }
}

bool TWinControl::CanFocus() const {
    return Showing();
}

} // namespace Forms
