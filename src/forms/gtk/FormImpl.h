#pragma once

// The GTK part of TForm, for the toolkit's own GTK code.

#include "forms/Forms.h"
#include "forms/gtk/WinControlImpl.h"

#include "base/glib/GLibPtr.h"

namespace Forms {

// States in which the window system, not the form, decides the window's bounds.
constexpr auto LargeStates =
    static_cast<GdkWindowState>(GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN);

// Frame sizes the window manager adds around a top-level window's content.
struct TFrameExtents {
    int Left = 0;
    int Right = 0;
    int Top = 0;
    int Bottom = 0;

    bool operator==(const TFrameExtents&) const = default;
};

struct TForm::TFormImpl {
    explicit TFormImpl(TForm& AOwner) : Owner(AOwner) {}

    TForm& Owner;
    GtkWindow* Window = nullptr;  // the top-level window (null for an embedded form)
    GtkWidget* Box = nullptr;     // vertical box: menu bar, then the client area
    GtkWidget* MenuBar = nullptr; // the menu's bar while one is attached (owned by the menu)
    Base::GLib::TGObjectPtr<GtkCssProvider> ColorProvider;
    TFrameExtents Extents; // what the window manager reported, or the last known guess
    bool ExtentsKnown = false;
    // The frame last seen around the window in its normal state: a maximized window's frame
    // may differ, and a restored window gets this one back. Unknown after a border change.
    TFrameExtents NormalExtents;
    bool NormalExtentsKnown = false;
    // Restored, but still in the maximized frame until the window manager sends the normal
    // one: sizes are reckoned with the normal frame meanwhile.
    bool AwaitingNormalFrame = false;
    // A state the form asked for and the window manager has not yet reported: the steps it
    // passes on the way (a maximized window deiconified before it is unmaximized) are not the
    // form's state. Stale after a while, so that a refused request never hides later changes.
    bool StatePending = false;
    TWindowState PendingState = wsNormal;
    gint64 PendingSince = 0; // g_get_monotonic_time()
    bool Mapped = false;
    bool PlacementPending = false; // first placement waits for the real frame extents
    // Placed on the screen since last shown: from then on the window keeps the position the
    // form holds (Left, Top) instead of being centred or placed by the window system again.
    bool Placed = false;
    // A client size asked with SetClientSize: the outer size follows it whenever the frame
    // turns out other than guessed. Cleared when the outer size is set.
    int ClientRequestWidth = 0;
    int ClientRequestHeight = 0;
    // The content size last asked of the window system; until the window reaches it, sizes
    // the window reports are stale and must not become the form's size.
    int RequestedWidth = 0;
    int RequestedHeight = 0;
    Base::GLib::TGMainLoop ModalLoop;

    // The frame of the last window the window manager reported, as a guess for new ones.
    static TFrameExtents& LastExtents(bool Decorated);

    void ReadExtents();
    // The frame that sizes are reckoned with.
    const TFrameExtents& Frame() const { return AwaitingNormalFrame ? NormalExtents : Extents; }
    // The window system's own state of the window (maximized, full screen, minimized), which
    // follows the form's asked state only once the window manager has acted.
    GdkWindowState NativeState() const;
    int MenuHeight() const;
    // The frame corner that centres an outer size on the primary screen's work area; false
    // when there is no screen.
    bool CentreOnWorkArea(int OuterWidth, int OuterHeight, int& X, int& Y) const;
    // Content size for the form's outer size.
    void ContentSizeFor(int OuterWidth, int OuterHeight, int& Width, int& Height) const;
    // Makes a window that cannot be resized take this content size (and undoes that for one
    // that can).
    void FixContentSize(int Width, int Height);
    // Whether the form fixes the window's size: a border a person cannot resize, while the
    // window is neither maximized nor full screen (a window manager refuses to maximize a
    // window whose smallest and largest sizes are one).
    bool SizeFixed() const;
    // Makes the window resizable or not as SizeFixed says; a window that becomes resizable
    // tells the window manager at once, so that a maximize asked right after is not refused.
    void ApplyResizable();
    // The size hints of the form's constraints (outer sizes turned into content sizes).
    GdkWindowHints ConstraintHints(GdkGeometry& Geometry) const;

    // The window's signal handlers (connected in CreateNativeWidget).
    gboolean OnDelete(GtkWidget*, GdkEvent*);
    gboolean OnWindowState(GtkWidget*, GdkEventWindowState* Event);
    gboolean OnConfigure(GtkWidget*, GdkEventConfigure* Event);
    gboolean OnMap(GtkWidget*, GdkEvent*);
    gboolean OnProperty(GtkWidget*, GdkEventProperty* Event);
    gboolean OnKey(GtkWidget*, GdkEventKey* Event);
    gboolean OnUnhandledKey(GtkWidget*, GdkEventKey* Event);
};

// The form whose native window is Window, or null.
TForm* FormOfWindow(GtkWindow* Window);

// Windows virtual-key code of a GDK key event, from the one key table (Shift folded, NumLock
// kept); 0 when it has none.
unsigned VirtualKeyOf(const GdkEventKey* Event);
// ssShift 1, ssAlt 2, ssCtrl 4 from the event's modifier state.
unsigned ShiftStateOf(const GdkEventKey* Event);

} // namespace Forms
