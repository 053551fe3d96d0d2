// The windowed-control base without native widgets: parents, layout, tab order, commands.

#include "forms/WinControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Forms::TRect;
using Forms::TWinControl;

namespace {

class TRecordingControl : public TWinControl {
public:
    int Resizes = 0;
    std::vector<unsigned> Commands;

protected:
    void Resize() override {
        ++Resizes;
        TWinControl::Resize();
    }
    void WMSysCommand(unsigned Command) override { Commands.push_back(Command); }
};

std::unique_ptr<TRecordingControl> Child(TWinControl& Parent, Forms::TAlign Align, int Width, int Height) {
    auto child = std::make_unique<TRecordingControl>();
    child->SetBounds(0, 0, Width, Height);
    child->SetAlign(Align);
    child->SetParent(&Parent);
    return child;
}

TEST(WinControl, AlignedChildrenShareTheClientAreaInOrder) {
    TWinControl parent;
    parent.SetBounds(0, 0, 400, 300);
    auto top = Child(parent, Forms::alTop, 0, 20);
    auto bottom = Child(parent, Forms::alBottom, 0, 4);
    auto left = Child(parent, Forms::alLeft, 50, 0);
    auto right = Child(parent, Forms::alRight, 30, 0);
    auto client = Child(parent, Forms::alClient, 0, 0);
    auto hiddenTop = Child(parent, Forms::alTop, 0, 100);
    hiddenTop->Hide();
    EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 400, 20}));
    EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 296, 400, 300}));
    EXPECT_EQ(left->BoundsRect(), (TRect{0, 20, 50, 296}));
    EXPECT_EQ(right->BoundsRect(), (TRect{370, 20, 400, 296}));
    EXPECT_EQ(client->BoundsRect(), (TRect{50, 20, 370, 296}));

    // Resizing the parent lays everything out again; showing a child takes its strip back.
    parent.SetBounds(0, 0, 600, 200);
    EXPECT_EQ(client->BoundsRect(), (TRect{50, 20, 570, 196}));
    hiddenTop->Show();
    EXPECT_EQ(client->BoundsRect(), (TRect{50, 120, 570, 196}));
    EXPECT_GT(client->Resizes, 0);
}

TEST(WinControl, AnchoredChildrenFollowTheParentsEdges) {
    TWinControl parent;
    parent.SetBounds(0, 0, 200, 100);
    auto stretched = Child(parent, Forms::alNone, 100, 20);
    stretched->SetBounds(10, 10, 100, 20);
    stretched->SetAnchors(Forms::akLeft | Forms::akTop | Forms::akRight);
    auto corner = Child(parent, Forms::alNone, 30, 30);
    corner->SetBounds(160, 60, 30, 30);
    corner->SetAnchors(Forms::akRight | Forms::akBottom);
    auto fixed = Child(parent, Forms::alNone, 5, 5);
    parent.SetBounds(0, 0, 250, 130);
    EXPECT_EQ(stretched->BoundsRect(), (TRect{10, 10, 160, 30}));
    EXPECT_EQ(corner->BoundsRect(), (TRect{210, 90, 240, 120}));
    EXPECT_EQ(fixed->BoundsRect(), (TRect{0, 0, 5, 5}));
}

TEST(WinControl, ResizeIsRaisedOnlyWhenTheSizeChanges) {
    TRecordingControl control;
    int events = 0;
    control.OnResize = [&](Forms::TObject* Sender) {
        EXPECT_EQ(Sender, &control);
        ++events;
    };
    control.SetBounds(0, 0, 10, 10);
    control.SetBounds(5, 5, 10, 10); // moved only
    control.SetBounds(5, 5, 10, 10); // nothing
    control.SetWidth(-3);            // sizes are never negative
    EXPECT_EQ(events, 2);
    EXPECT_EQ(control.Width(), 0);
}

TEST(WinControl, ParentsChildrenAndTheirEnd) {
    auto parent = std::make_unique<TWinControl>();
    TWinControl child;
    TWinControl grandChild;
    child.SetParent(parent.get());
    grandChild.SetParent(&child);
    EXPECT_EQ(parent->ControlCount(), 1);
    EXPECT_EQ(grandChild.TopLevelControl(), parent.get());
    child.SetParent(&grandChild); // a control cannot go inside itself
    EXPECT_EQ(child.Parent(), parent.get());
    parent.reset(); // the children stay, without a parent
    EXPECT_EQ(child.Parent(), nullptr);
    EXPECT_EQ(grandChild.TopLevelControl(), &child);
}

TEST(WinControl, TabOrderIsThePlaceAmongTheSiblings) {
    TWinControl parent;
    TWinControl a;
    TWinControl b;
    TWinControl c;
    for (TWinControl* control : {&a, &b, &c}) {
        control->SetParent(&parent);
    }
    c.SetTabOrder(0);
    EXPECT_EQ(c.TabOrder(), 0);
    EXPECT_EQ(a.TabOrder(), 1);
    EXPECT_EQ(b.TabOrder(), 2);
    a.SetTabOrder(99);
    EXPECT_EQ(a.TabOrder(), 2);
    EXPECT_EQ(parent.Controls(2), &a);
}

TEST(WinControl, SystemCommandsReachEveryControlInside) {
    TRecordingControl top;
    TRecordingControl inner;
    TRecordingControl innermost;
    inner.SetParent(&top);
    innermost.SetParent(&inner);
    top.BroadcastSysCommand(Forms::SC_MINIMIZE);
    inner.BroadcastSysCommand(Forms::SC_RESTORE);
    EXPECT_EQ(top.Commands, (std::vector<unsigned>{Forms::SC_MINIMIZE}));
    EXPECT_EQ(innermost.Commands, (std::vector<unsigned>{Forms::SC_MINIMIZE, Forms::SC_RESTORE}));
}

TEST(WinControl, WithoutANativeWidgetNothingCanTakeTheFocus) {
    TWinControl parent;
    TWinControl child;
    child.SetParent(&parent);
    child.SetTabStop(true);
    EXPECT_FALSE(child.CanFocus());
    EXPECT_FALSE(child.HandleAllocated());
    parent.SelectNext(nullptr, true, true); // finds nothing focusable, changes nothing
    EXPECT_FALSE(child.Focused());
}

} // namespace
