#include "forms/WinXCtrls.h"
#include "forms/gtk/WinControlImpl.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/GuiPost.h"
#include "base/glib/Signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

// The activity indicator draws each frame with cairo from the time since its animation began,
// so a late timer skips frames instead of slowing the motion down.

namespace Forms {

namespace {

constexpr double Pi = std::numbers::pi;

double Fraction(double Value) {
    return Value - std::floor(Value);
}

// Five dots chase each other round a circle, slow at the bottom and fast over the top.
void DrawMomentumDots(cairo_t* Cr, double Size, double Seconds) {
    const double dot = std::max(1.5, Size * 0.07);
    const double radius = Size / 2 - dot - 1;
    constexpr double Period = 1.8;
    constexpr int Count = 5;
    for (int i = 0; i < Count; ++i) {
        const double p = Fraction(Seconds / Period - i * 0.075);
        const double angle = -Pi / 2 + 2 * Pi * (p + 0.14 * std::sin(2 * Pi * p));
        cairo_arc(Cr, Size / 2 + radius * std::cos(angle), Size / 2 + radius * std::sin(angle), dot, 0,
                  2 * Pi);
        cairo_fill(Cr);
    }
}

// A faint ring with a solid sector turning round it.
void DrawRotatingSector(cairo_t* Cr, double Size, double Seconds, double R, double G, double B) {
    const double width = Size * 0.14;
    const double radius = Size / 2 - width / 2 - 1;
    cairo_set_line_width(Cr, width);
    cairo_set_source_rgba(Cr, R, G, B, 0.25);
    cairo_arc(Cr, Size / 2, Size / 2, radius, 0, 2 * Pi);
    cairo_stroke(Cr);
    const double start = -Pi / 2 + 2 * Pi * Fraction(Seconds / 1.2);
    cairo_set_source_rgba(Cr, R, G, B, 1.0);
    cairo_arc(Cr, Size / 2, Size / 2, radius, start, start + Pi / 2);
    cairo_stroke(Cr);
}

// Twelve sectors of a ring light up in turn, each fading as the light moves on.
void DrawSectorRing(cairo_t* Cr, double Size, double Seconds, double R, double G, double B) {
    constexpr int Count = 12;
    const double outer = Size / 2 - 1;
    const double inner = Size * 0.28;
    const int lit = static_cast<int>(std::floor(Seconds / 0.08)) % Count;
    const double gap = Pi / 60;
    for (int k = 0; k < Count; ++k) {
        const int behind = (lit - k + Count) % Count;
        const double alpha = std::max(0.15, 1.0 - behind / 8.0);
        const double a0 = -Pi / 2 + k * 2 * Pi / Count + gap;
        const double a1 = -Pi / 2 + (k + 1) * 2 * Pi / Count - gap;
        cairo_set_source_rgba(Cr, R, G, B, alpha);
        cairo_arc(Cr, Size / 2, Size / 2, outer, a0, a1);
        cairo_arc_negative(Cr, Size / 2, Size / 2, inner, a1, a0);
        cairo_close_path(Cr);
        cairo_fill(Cr);
    }
}

void DrawFrame(cairo_t* Cr, TActivityIndicatorType Type, TActivityIndicatorColor Color, double Size,
               double Seconds) {
    const double c = Color == aicWhite ? 1.0 : 0.0;
    cairo_save(Cr);
    cairo_set_antialias(Cr, CAIRO_ANTIALIAS_GOOD);
    cairo_set_source_rgba(Cr, c, c, c, 1.0);
    switch (Type) {
    case aitMomentumDots:
        DrawMomentumDots(Cr, Size, Seconds);
        break;
    case aitRotatingSector:
        DrawRotatingSector(Cr, Size, Seconds, c, c, c);
        break;
    case aitSectorRing:
        DrawSectorRing(Cr, Size, Seconds, c, c, c);
        break;
    }
    cairo_restore(Cr);
}

} // namespace

struct TActivityIndicator::TIndicatorImpl {
    Base::GLib::TRepeatingTimer Timer; // while the animation runs
    gint64 Started = 0;                // monotonic microseconds when the animation began
};

int ActivityIndicatorPixels(TActivityIndicatorSize Size) {
    switch (Size) {
    case aisSmall:
        return 24;
    case aisMedium:
        return 32;
    case aisLarge:
        return 48;
    case aisXLarge:
        return 64;
    }
    return 32;
}

TActivityIndicator::TActivityIndicator() : FIndicatorImpl(std::make_unique<TIndicatorImpl>()) {
    SetBounds(0, 0, ActivityIndicatorPixels(FIndicatorSize), ActivityIndicatorPixels(FIndicatorSize));
}

TActivityIndicator::~TActivityIndicator() {
    FIndicatorImpl->Timer.Stop();
    if (HandleAllocated()) {
        DestroyWnd();
    }
}

TNativeWidget* TActivityIndicator::CreateNativeWidget(TNativeWidget*& ClientArea) {
    ClientArea = nullptr;
    GtkWidget* area = gtk_drawing_area_new();
    Base::GLib::ConnectSignal<gboolean(GtkWidget*, cairo_t*)>(
        area, "draw", [self = this](GtkWidget* Widget, cairo_t* Cr) -> gboolean {
            const int size =
                std::min(gtk_widget_get_allocated_width(Widget), gtk_widget_get_allocated_height(Widget));
            const gint64 now = g_get_monotonic_time();
            const double seconds = self->FAnimate ? (now - self->FIndicatorImpl->Started) / 1e6 : 0.0;
            const int pixels = ActivityIndicatorPixels(self->FIndicatorSize);
            cairo_translate(Cr, (gtk_widget_get_allocated_width(Widget) - pixels) / 2.0,
                            (gtk_widget_get_allocated_height(Widget) - pixels) / 2.0);
            DrawFrame(Cr, self->FIndicatorType, self->FIndicatorColor, std::min(size, pixels), seconds);
            return FALSE;
        });
    return FromGtk(area);
}

void TActivityIndicator::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateTimer();
}

void TActivityIndicator::DestroyWnd() {
    FIndicatorImpl->Timer.Stop();
    TWinControl::DestroyWnd();
}

void TActivityIndicator::VisibleChanged() {
    TWinControl::VisibleChanged();
    UpdateTimer();
}

void TActivityIndicator::SetIndicatorType(TActivityIndicatorType Value) {
    FIndicatorType = Value;
    Redraw();
}

void TActivityIndicator::SetIndicatorColor(TActivityIndicatorColor Value) {
    FIndicatorColor = Value;
    Redraw();
}

void TActivityIndicator::SetIndicatorSize(TActivityIndicatorSize Value) {
    FIndicatorSize = Value;
    const int pixels = ActivityIndicatorPixels(Value);
    SetBounds(Left(), Top(), pixels, pixels);
    Redraw();
}

void TActivityIndicator::SetAnimate(bool Value) {
    if (Value && !FAnimate) {
        FIndicatorImpl->Started = g_get_monotonic_time();
    }
    FAnimate = Value;
    UpdateTimer();
    Redraw();
}

void TActivityIndicator::SetFrameDelay(int Value) {
    FFrameDelay = std::max(10, Value);
    FIndicatorImpl->Timer.Stop();
    UpdateTimer();
}

void TActivityIndicator::UpdateTimer() {
    const bool run = FAnimate && Visible() && HandleAllocated();
    if (run && !FIndicatorImpl->Timer.Running()) {
        FIndicatorImpl->Timer.Start(static_cast<unsigned>(FFrameDelay), [this] { Redraw(); });
    } else if (!run) {
        FIndicatorImpl->Timer.Stop();
    }
}

void TActivityIndicator::Redraw() {
    if (HandleAllocated()) {
        gtk_widget_queue_draw(ToGtk(Handle()));
    }
}

TRasterImage TActivityIndicator::RenderFrame(TActivityIndicatorType Type, TActivityIndicatorColor Color,
                                             TActivityIndicatorSize Size, double Seconds) {
    const int pixels = ActivityIndicatorPixels(Size);
    const Base::GLib::TOwned<cairo_surface_t, cairo_surface_destroy> owned(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels));
    cairo_surface_t* surface = owned.get();
    {
        const Base::GLib::TOwned<cairo_t, cairo_destroy> cr(cairo_create(surface));
        DrawFrame(cr.get(), Type, Color, pixels, Seconds);
    }
    cairo_surface_flush(surface);
    TRasterImage image;
    image.Width = pixels;
    image.Height = pixels;
    image.Pixels.reserve(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels));
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < pixels; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < pixels; ++x) {
            // Cairo keeps premultiplied alpha; the image holds straight alpha.
            const std::uint32_t p = row[x];
            const std::uint32_t a = p >> 24;
            const auto straight = [a](std::uint32_t c) {
                return a == 0 ? 0u : std::min(255u, (c * 255 + a / 2) / a);
            };
            image.Pixels.push_back((a << 24) | (straight((p >> 16) & 0xFF) << 16) |
                                   (straight((p >> 8) & 0xFF) << 8) | straight(p & 0xFF));
        }
    }
    return image;
}

} // namespace Forms
