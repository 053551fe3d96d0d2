#include "forms/ComCtrls.h"
#include "forms/gtk/WinControlImpl.h"

#include <algorithm>

namespace Forms {

TProgressBar::TProgressBar() = default;

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
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(
        css, "progressbar trough, progressbar progress { min-height: 0; } progressbar { min-height: 0; }", -1,
        nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(bar), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
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
    if (FPulseSource != 0) {
        return;
    }
    gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(ToGtk(Handle())), 0.05);
    FPulseSource = g_timeout_add(
        50,
        [](gpointer Data) -> gboolean {
            auto* self = static_cast<TProgressBar*>(Data);
            gtk_progress_bar_pulse(GTK_PROGRESS_BAR(ToGtk(self->Handle())));
            return G_SOURCE_CONTINUE;
        },
        this);
}

void TProgressBar::StopPulse() {
    if (FPulseSource != 0) {
        g_source_remove(FPulseSource);
        FPulseSource = 0;
    }
}

} // namespace Forms
