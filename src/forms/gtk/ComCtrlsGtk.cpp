#include "forms/ComCtrls.h"
#include "forms/gtk/WinControlImpl.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/GuiPost.h"

#include <algorithm>

namespace Forms {

struct TProgressBar::TPulse {
    Base::GLib::TRepeatingTimer Timer;
};

TProgressBar::TProgressBar() : FPulse(std::make_unique<TPulse>()) {}

TProgressBar::~TProgressBar() {
    StopPulse();
    if (HandleAllocated()) {
        DestroyWnd();
    }
}

TNativeWidget* TProgressBar::CreateNativeWidget(TNativeWidget*& ClientArea) {
    ClientArea = nullptr;
    GtkWidget* bar = gtk_progress_bar_new();
    // The bar's own minimum height must not push it past the height it is given.
    gtk_widget_set_valign(bar, GTK_ALIGN_FILL);
    const auto css = Base::GLib::TGObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(
        css.Get(),
        "progressbar trough, progressbar progress { min-height: 0; } progressbar { min-height: 0; }", -1,
        nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(bar), GTK_STYLE_PROVIDER(css.Get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    return FromGtk(bar);
}

void TProgressBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateNative();
}

void TProgressBar::DestroyWnd() {
    StopPulse();
    TWinControl::DestroyWnd();
}

void TProgressBar::VisibleChanged() {
    TWinControl::VisibleChanged();
    UpdateNative();
}

void TProgressBar::SetStyle(TProgressBarStyle Value) {
    FStyle = Value;
    UpdateNative();
}

void TProgressBar::SetPosition(int Value) {
    FPosition = Value;
    UpdateNative();
}

void TProgressBar::SetMax(int Value) {
    FMax = Value > 0 ? Value : 1;
    UpdateNative();
}

void TProgressBar::UpdateNative() {
    if (!HandleAllocated()) {
        return;
    }
    if (FStyle == pbstMarquee && Visible()) {
        StartPulse();
        return;
    }
    StopPulse();
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(ToGtk(Handle())),
                                  std::clamp(static_cast<double>(FPosition) / FMax, 0.0, 1.0));
}

void TProgressBar::StartPulse() {
    if (FPulse->Timer.Running()) {
        return;
    }
    gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(ToGtk(Handle())), 0.05);
    FPulse->Timer.Start(50, [this] { gtk_progress_bar_pulse(GTK_PROGRESS_BAR(ToGtk(Handle()))); });
}

void TProgressBar::StopPulse() {
    FPulse->Timer.Stop();
}

} // namespace Forms
