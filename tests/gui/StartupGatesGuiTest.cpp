// The windows of the start-up gates, driven as a person would: the localized message dialogs,
// the password dialog and the installer's splash.

#include <gtest/gtest.h>

#include "support/Display.h"

#include "forms/Application.h"
#include "forms/Graphics.h"
#include "forms/gtk/FormImpl.h"
#include "runtime/EdgeInstallerForm.h"
#include "runtime/LocalizedMessages.h"
#include "runtime/RequirePasswordForm.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Last: the X11 headers define macros that clash with other headers.
#include <gdk/gdkx.h>

using namespace Forms;
using namespace GuiTest;

namespace {

// The colour of one screen pixel as 0x00BBGGRR; -1 when it cannot be read.
TColor ScreenColor(int X, int Y) {
    const TStyleColor c = ScreenPixel(X, Y);
    return c.A == 0 ? -1 : c.R | (c.G << 8) | (c.B << 16);
}

void Xdotool(const std::string& Arguments) {
    RunCommand("xdotool " + Arguments + " 2>&1");
}

unsigned long XidOfWindow(GtkWindow* Window) {
    return GDK_WINDOW_XID(gtk_widget_get_window(GTK_WIDGET(Window)));
}

unsigned long XidOf(TForm& Form) {
    return XidOfWindow(Form.FormImpl().Window);
}

bool Viewable(GtkWindow* Window) {
    GdkWindow* w = Window != nullptr ? gtk_widget_get_window(GTK_WIDGET(Window)) : nullptr;
    return w != nullptr && gdk_window_is_viewable(w);
}

// The message dialog on screen, or null.
GtkWindow* ShownMessageDialog() {
    GList* windows = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (GTK_IS_MESSAGE_DIALOG(w->data) && Viewable(GTK_WINDOW(w->data))) {
            found = GTK_WINDOW(w->data);
        }
    }
    g_list_free(windows);
    return found;
}

// Runs Action once Find returns a window that is on screen (and focused, so that keys reach
// it), from inside whatever modal loop is running then.
void WhenShown(std::function<GtkWindow*()> Find, std::function<void(GtkWindow*)> Action) {
    struct TWait {
        std::function<GtkWindow*()> Find;
        std::function<void(GtkWindow*)> Action;
        int Ticks = 0;
    };
    auto* wait = new TWait{std::move(Find), std::move(Action)};
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, 50,
        [](gpointer Data) -> gboolean {
            auto* w = static_cast<TWait*>(Data);
            GtkWindow* window = w->Find();
            const bool ready = window != nullptr && gtk_window_is_active(window);
            if (!ready && ++w->Ticks < 200) {
                return G_SOURCE_CONTINUE;
            }
            // Let the window manager finish placing the window before acting on it.
            g_usleep(100000);
            w->Action(window);
            return G_SOURCE_REMOVE;
        },
        wait, [](gpointer Data) { delete static_cast<TWait*>(Data); });
}

struct TDialogContent {
    std::string Title;
    std::string Text;
    std::vector<std::string> Captions; // left to right
    std::vector<int> Results;          // left to right
    int DefaultResult = 0;
    std::string Icon; // the icon's name
};

void FindIcon(GtkWidget* Widget, std::string& Icon) {
    if (GTK_IS_IMAGE(Widget) && gtk_image_get_storage_type(GTK_IMAGE(Widget)) == GTK_IMAGE_ICON_NAME) {
        const gchar* name = nullptr;
        gtk_image_get_icon_name(GTK_IMAGE(Widget), &name, nullptr);
        Icon = name != nullptr ? name : "";
    } else if (GTK_IS_CONTAINER(Widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(Widget));
        for (GList* c = children; c != nullptr; c = c->next) {
            FindIcon(GTK_WIDGET(c->data), Icon);
        }
        g_list_free(children);
    }
}

TDialogContent ReadDialog(GtkWindow* Window) {
    TDialogContent c;
    c.Title = gtk_window_get_title(Window) != nullptr ? gtk_window_get_title(Window) : "";
    gchar* text = nullptr;
    g_object_get(Window, "text", &text, nullptr);
    c.Text = text != nullptr ? text : "";
    g_free(text);
    std::vector<std::pair<int, GtkWidget*>> buttons;
    for (const int result : {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll,
                             mrYesToAll, mrHelp, mrClose}) {
        if (GtkWidget* b = gtk_dialog_get_widget_for_response(GTK_DIALOG(Window), result)) {
            GtkAllocation a{};
            gtk_widget_get_allocation(b, &a);
            buttons.emplace_back(a.x, b);
        }
    }
    FindIcon(GTK_WIDGET(Window), c.Icon);
    std::sort(buttons.begin(), buttons.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
    for (const auto& [x, b] : buttons) {
        c.Captions.push_back(gtk_button_get_label(GTK_BUTTON(b)));
        c.Results.push_back(gtk_dialog_get_response_for_widget(GTK_DIALOG(Window), b));
        if (gtk_widget_has_default(b)) {
            c.DefaultResult = c.Results.back();
        }
    }
    return c;
}

// Presses the window manager's close box of a framed window: openbox puts it at the right
// end of the title bar.
void ClickCloseBox(unsigned long Xid) {
    const TFrameGeometry frame = FrameGeometry(Xid);
    const std::string extents = RunCommand("xprop -id " + std::to_string(Xid) + " _NET_FRAME_EXTENTS");
    int left = 0, right = 0, top = 0, bottom = 0;
    const auto eq = extents.find('=');
    if (eq != std::string::npos) {
        std::sscanf(extents.c_str() + eq + 1, " %d, %d, %d, %d", &left, &right, &top, &bottom);
    }
    Xdotool("mousemove --sync " + std::to_string(frame.X + frame.Width - right - top / 2) + " " +
            std::to_string(frame.Y + top / 2) + " click 1");
}

// Clicks the dialog's button for Result, in the middle.
void ClickButton(GtkWindow* Window, int Result) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(Window), Result);
    if (button == nullptr) {
        return;
    }
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(button, GTK_WIDGET(Window), gtk_widget_get_allocated_width(button) / 2,
                                     gtk_widget_get_allocated_height(button) / 2, &x, &y);
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(Window)), &ox, &oy);
    Xdotool("mousemove --sync " + std::to_string(ox + x) + " " + std::to_string(oy + y) + " click 1");
}

class TLocale {
public:
    explicit TLocale(const char* Lang) {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* v = std::getenv(name);
            FSaved.emplace_back(name, v != nullptr ? std::optional<std::string>(v) : std::nullopt);
            unsetenv(name);
        }
        setenv("LANG", Lang, 1);
    }
    ~TLocale() {
        for (const auto& [name, value] : FSaved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

} // namespace

// ---- Localized message dialogs ----

TEST(LocalizedDialogs, ErrorAndQuestionInEveryLanguage) {
    struct TCase {
        const char* Lang;
        const char* Error;
        const char* Confirm;
        const char* Accept;
        const char* Cancel;
    };
    const TCase cases[] = {
        {"en_US.UTF-8", "Error", "Confirm", "Accept", "Cancel"},
        {"es_ES.UTF-8", "Error", "Confirmar", "Aceptar", "Cancelar"},
        {"it_IT.UTF-8", "Errore", "Confermare", "Accettare", "Annulla"},
        {"de_CH.UTF-8", "Error", "Best\u00e4tigen", "Akzeptieren", "Stornieren"},
        {"fr_FR.UTF-8", "Erreur", "Confirmer", "J'accepte", "Annuler"},
        {"zh_CN.UTF-8", "\u9519\u8bef", "\u786e\u8ba4", "\u63a5\u53d7", "\u53d6\u6d88"},
        {"pt_BR.UTF-8", "Error", "Confirm", "Accept", "Cancel"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lang);
        TLocale locale(c.Lang);
        const std::string language = Runtime::GetLocalizedMessage(Runtime::lmLanguageCode);

        TDialogContent error;
        WhenShown(ShownMessageDialog, [&](GtkWindow* w) {
            error = ReadDialog(w);
            SaveScreen(VTR_SCREENSHOT_DIR, "dialog-error6-" + language);
            Xdotool("key Return");
        });
        Runtime::ShowLocalizedError(Runtime::lmRuntimeRequired);
        EXPECT_EQ(error.Title, c.Error);
        EXPECT_EQ(error.Text, Runtime::GetLocalizedMessage(Runtime::lmRuntimeRequired));
        EXPECT_EQ(error.Captions, std::vector<std::string>{c.Accept});
        EXPECT_EQ(error.Results, std::vector<int>{mrYes});
        EXPECT_EQ(error.Icon, "dialog-error");

        TDialogContent question;
        WhenShown(ShownMessageDialog, [&](GtkWindow* w) {
            question = ReadDialog(w);
            SaveScreen(VTR_SCREENSHOT_DIR, "dialog-question7-" + language);
            Xdotool("key Return");
        });
        const int answer = Runtime::ShowMessageDialog(
            Runtime::GetLocalizedMessage(Runtime::lmRuntimeInstallQuestion), mtConfirmation, mbCancel | mbYes,
            {Runtime::GetLocalizedMessage(Runtime::lmButtonAccept),
             Runtime::GetLocalizedMessage(Runtime::lmButtonCancel)},
            Runtime::GetLocalizedMessage(Runtime::lmTitleConfirm));
        EXPECT_EQ(question.Title, c.Confirm);
        EXPECT_EQ(question.Captions, (std::vector<std::string>{c.Accept, c.Cancel}));
        EXPECT_EQ(question.Results, (std::vector<int>{mrYes, mrCancel}));
        EXPECT_EQ(question.DefaultResult, mrYes);
        EXPECT_EQ(question.Icon, "dialog-question");
        EXPECT_EQ(answer, mrYes) << "Enter presses the default button, Yes captioned " << c.Accept;
    }
    // The other error dialogs, for the record.
    TLocale locale("en_US.UTF-8");
    for (const int message :
         {Runtime::lmNotValidApplication, Runtime::lmCannotContinue, Runtime::lmInstallationCancelled}) {
        WhenShown(ShownMessageDialog, [&](GtkWindow*) {
            SaveScreen(VTR_SCREENSHOT_DIR, "dialog-error" + std::to_string(message) + "-en");
            Xdotool("key Return");
        });
        Runtime::ShowLocalizedError(message);
    }
}

TEST(LocalizedDialogs, HowEachWayOfClosingAnswers) {
    TLocale locale("en_US.UTF-8");
    const auto question = [] {
        return Runtime::ShowMessageDialog("Install?", mtConfirmation, mbYes | mbCancel, {"Accept", "Cancel"},
                                          "Confirm");
    };
    struct TCase {
        const char* Way;
        std::function<void(GtkWindow*)> Act;
        int Expected;
    };
    const TCase cases[] = {
        {"Enter", [](GtkWindow*) { Xdotool("key Return"); }, mrYes},
        {"Esc", [](GtkWindow*) { Xdotool("key Escape"); }, mrCancel},
        {"the second button", [](GtkWindow* w) { ClickButton(w, mrCancel); }, mrCancel},
        {"the first button", [](GtkWindow* w) { ClickButton(w, mrYes); }, mrYes},
        {"close box", [](GtkWindow* w) { ClickCloseBox(XidOfWindow(w)); }, mrCancel},
    };
    for (const TCase& c : cases) {
        WhenShown(ShownMessageDialog, c.Act);
        EXPECT_EQ(question(), c.Expected) << c.Way;
    }
}

TEST(LocalizedDialogs, EscDoesNothingWithoutCancelButTheCloseBoxStillCancels) {
    TLocale locale("en_US.UTF-8");
    bool stillShown = false;
    WhenShown(ShownMessageDialog, [&](GtkWindow* w) {
        Xdotool("key Escape");
        RunFor(300);
        stillShown = Viewable(w);
        ClickCloseBox(XidOfWindow(w));
    });
    const int result = Runtime::ShowMessageDialog("Failed", mtError, mbYes, {"Accept"}, "Error");
    EXPECT_TRUE(stillShown) << "Esc closed a dialog without a Cancel button";
    EXPECT_EQ(result, mrCancel);
}

TEST(LocalizedDialogs, CaptionsGoByPositionAndResultsByButton) {
    // The set is given out of order; the buttons still come in the fixed order, and only as
    // many captions change as there are.
    TDialogContent shown;
    WhenShown(ShownMessageDialog, [&](GtkWindow* w) {
        shown = ReadDialog(w);
        ClickButton(w, mrCancel);
    });
    const int result = Runtime::ShowMessageDialog("Which?", mtConfirmation, mbCancel | mbOK | mbYes,
                                                  {"First", "Second"}, "T");
    ASSERT_EQ(shown.Results, (std::vector<int>{mrYes, mrOk, mrCancel}));
    EXPECT_EQ(shown.Captions[0], "First");
    EXPECT_EQ(shown.Captions[1], "Second");
    EXPECT_EQ(shown.Captions[2], "Cancel");
    EXPECT_EQ(shown.DefaultResult, mrOk) << "OK is the default when present";
    EXPECT_EQ(result, mrCancel);
}

// ---- The password dialog ----

namespace {

GtkWindow* WindowOf(TForm& Form) {
    return Form.FormImpl().Window;
}

std::function<GtkWindow*()> Finder(TForm& Form) {
    return [&Form] { return Viewable(WindowOf(Form)) ? WindowOf(Form) : nullptr; };
}

} // namespace

TEST(RequirePasswordForm, LayoutOfTheDialog) {
    Runtime::TRequirePasswordForm form;
    EXPECT_EQ(form.Password(), "") << "FormCreate clears the password";
    form.SetCaption("Notes");
    form.SetPassword("abc");
    TFrameGeometry frame;
    std::string actions;
    std::string motif;
    GtkAllocation edit{};
    int x = 0;
    int y = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    WhenShown(Finder(form), [&](GtkWindow* w) {
        RunUntil([&] { return form.ClientWidth() == 308 && form.ClientHeight() == 71; });
        RunFor(200);
        SaveScreen(VTR_SCREENSHOT_DIR, "password-dialog");
        frame = FrameGeometry(XidOf(form));
        actions = RunCommand("xprop -id " + std::to_string(XidOf(form)) + " _NET_WM_ALLOWED_ACTIONS");
        motif = RunCommand("xprop -id " + std::to_string(XidOf(form)) + " _MOTIF_WM_HINTS");
        GtkWidget* entry = gtk_window_get_focus(w);
        if (entry != nullptr) {
            gtk_widget_get_allocation(entry, &edit);
            gtk_widget_translate_coordinates(entry, ToGtk(form.Handle()), 0, 0, &x, &y);
        }
        clientWidth = gtk_widget_get_allocated_width(ToGtk(form.Handle()));
        clientHeight = gtk_widget_get_allocated_height(ToGtk(form.Handle()));
        form.Close();
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(clientWidth, 308);
    EXPECT_EQ(clientHeight, 71);
    EXPECT_EQ(x, 24);
    EXPECT_EQ(y, 24);
    EXPECT_EQ(edit.width, 257);
    EXPECT_EQ(edit.height, 21);
    // Centred on the screen (1280 x 1024), frame included.
    EXPECT_NEAR(frame.X, (1280 - frame.Width) / 2, 1);
    EXPECT_NEAR(frame.Y, (1024 - frame.Height) / 2, 1);
    EXPECT_EQ(gtk_window_get_title(WindowOf(form)), std::string("Notes"));
    // What the window manager lets the user do...
    EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
    // ...and what the window asks for: no minimize or maximize button, no resizing (openbox
    // keeps minimizing in its window menu whatever a window asks).
    unsigned flags = 0, functions = 0, decorations = 0;
    const auto eq = motif.find('=');
    ASSERT_NE(eq, std::string::npos) << motif;
    ASSERT_EQ(std::sscanf(motif.c_str() + eq + 1, " %x, %x, %x", &flags, &functions, &decorations), 3)
        << motif;
    EXPECT_EQ(functions & (GDK_FUNC_ALL | GDK_FUNC_RESIZE | GDK_FUNC_MINIMIZE | GDK_FUNC_MAXIMIZE), 0u)
        << motif;
    EXPECT_NE(functions & GDK_FUNC_CLOSE, 0u) << motif;
    EXPECT_EQ(decorations & (GDK_DECOR_ALL | GDK_DECOR_MINIMIZE | GDK_DECOR_MAXIMIZE | GDK_DECOR_RESIZEH), 0u)
        << motif;
    EXPECT_NE(decorations & GDK_DECOR_TITLE, 0u) << motif;
    ASSERT_NE(form.PasswordEdit(), nullptr);
    EXPECT_EQ(form.PasswordEdit()->PasswordChar(), '*');
    EXPECT_EQ(form.VirtualImageList()->Count(), 1);
    EXPECT_EQ(form.ImageCollection()->Name(0), "key");
}

TEST(RequirePasswordForm, ClosesWithOkWhenTheLastRightKeyIsReleased) {
    Runtime::TRequirePasswordForm form;
    form.SetPassword("abc");
    bool openAfterTwo = false;
    std::string echo;
    WhenShown(Finder(form), [&](GtkWindow* w) {
        Xdotool("type --delay 30 ab");
        RunFor(300);
        openAfterTwo = Viewable(w) && form.ModalResult() == mrNone;
        GtkWidget* entry = gtk_window_get_focus(w);
        if (entry != nullptr && GTK_IS_ENTRY(entry)) {
            echo = gtk_entry_get_invisible_char(GTK_ENTRY(entry)) == '*' &&
                           !gtk_entry_get_visibility(GTK_ENTRY(entry))
                       ? "*"
                       : "plain";
        }
        SaveScreen(VTR_SCREENSHOT_DIR, "password-dialog-typing");
        Xdotool("type c");
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(openAfterTwo);
    EXPECT_EQ(echo, "*");
    EXPECT_EQ(form.PasswordEdit()->Text(), "abc");
}

TEST(RequirePasswordForm, WrongCaseEscAndPastingKeepItOpenUntilAKeyIsReleased) {
    Runtime::TRequirePasswordForm form;
    form.SetPassword("Secret");
    bool openAfterWrongCase = false;
    bool openAfterEsc = false;
    bool openAfterPaste = false;
    WhenShown(Finder(form), [&](GtkWindow* w) {
        Xdotool("type --delay 30 secret");
        RunFor(300);
        openAfterWrongCase = Viewable(w) && form.ModalResult() == mrNone;
        Xdotool("key Escape");
        RunFor(300);
        openAfterEsc = Viewable(w) && form.ModalResult() == mrNone;
        // Text that arrives without a key in the box (pasted with the mouse) is not compared...
        form.PasswordEdit()->SetText("Secret");
        RunFor(300);
        openAfterPaste = Viewable(w) && form.ModalResult() == mrNone;
        // ...until some key is released there.
        Xdotool("key shift");
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(openAfterWrongCase);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(openAfterPaste);
}

TEST(RequirePasswordForm, TheCloseBoxCancels) {
    Runtime::TRequirePasswordForm form;
    form.SetPassword("abc");
    WhenShown(Finder(form), [&](GtkWindow*) {
        Xdotool("type --delay 30 ab");
        ClickCloseBox(XidOf(form));
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

// ---- The installer splash ----

TEST(EdgeInstallerForm, BorderlessRoundedCentredAndRefusesToClose) {
    Runtime::TEdgeInstallerForm splash;
    EXPECT_EQ(splash.Caption(), "EdgeInstallerForm");
    splash.Show();
    ASSERT_TRUE(RunUntil([&] { return Viewable(WindowOf(splash)); }));
    RunFor(300);
    const unsigned long xid = XidOf(splash);
    const TFrameGeometry g = FrameGeometry(xid);
    EXPECT_EQ(g.Width, 80);
    EXPECT_EQ(g.Height, 80);
    EXPECT_EQ(g.X, (1280 - 80) / 2);
    EXPECT_EQ(g.Y, (1024 - 80) / 2);
    EXPECT_FALSE(gtk_window_get_decorated(WindowOf(splash)));
    const std::string actions = RunCommand("xprop -id " + std::to_string(xid) + " _NET_WM_ALLOWED_ACTIONS");
    EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
    TActivityIndicator* indicator = splash.ActivityIndicator();
    EXPECT_EQ(indicator->Left(), 9);
    EXPECT_EQ(indicator->Top(), 8);
    EXPECT_EQ(indicator->Width(), 64);
    EXPECT_EQ(indicator->Height(), 64);
    EXPECT_TRUE(indicator->Animate());
    GdkCursor* cursor = gdk_window_get_cursor(gtk_widget_get_window(GTK_WIDGET(WindowOf(splash))));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(gdk_cursor_get_cursor_type(cursor), GDK_CURSOR_IS_PIXMAP) << "a named cursor";

    // The corners are cut off: the screen behind shows through the corner pixel, not inside.
    const TColor background = ColorToRGB(clHotLight);
    EXPECT_NE(ScreenColor(g.X, g.Y), background);
    EXPECT_EQ(ScreenColor(g.X + 3, g.Y + 40), background);

    // Alt+F4 and the window manager's close request do nothing.
    Xdotool("windowactivate --sync " + std::to_string(xid));
    Xdotool("key alt+F4");
    RunFor(500);
    EXPECT_TRUE(Viewable(WindowOf(splash)));
    RunCommand("wmctrl -i -c " + std::to_string(xid));
    RunFor(500);
    EXPECT_TRUE(Viewable(WindowOf(splash)));
}

TEST(EdgeInstallerForm, ColoursAndIndicatorKinds) {
    struct TCase {
        const char* Name;
        TColor FormColor;
        int IndicatorColor;
        int IndicatorType;
    };
    const TCase cases[] = {
        {"splash-momentum-dots-white", static_cast<TColor>(0xFF00001A), 1, 0},
        {"splash-rotating-sector-white", static_cast<TColor>(0xFF00001A), 1, 1},
        {"splash-sector-ring-white", static_cast<TColor>(0xFF00001A), 1, 2},
        {"splash-momentum-dots-black", 0x0080FF, 0, 0},
        {"splash-rotating-sector-black", 0x0080FF, 0, 1},
        {"splash-sector-ring-black", 0x0080FF, 0, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Runtime::TEdgeInstallerForm splash;
        splash.SetBackgroundColor(c.FormColor);
        splash.SetIndicatorColor(c.IndicatorColor);
        splash.SetIndicatorType(c.IndicatorType);
        splash.Show();
        ASSERT_TRUE(RunUntil([&] { return Viewable(WindowOf(splash)); }));
        RunFor(400);
        SaveScreen(VTR_SCREENSHOT_DIR, c.Name);
        const TFrameGeometry g = FrameGeometry(XidOf(splash));
        const TColor background = ColorToRGB(c.FormColor);
        const TColor ink = c.IndicatorColor == 1 ? clWhite : clBlack;
        EXPECT_EQ(ScreenColor(g.X + 4, g.Y + 40), background);
        // The indicator draws in its colour inside its 64-pixel square.
        int inked = 0;
        GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), g.X + 9, g.Y + 8, 64, 64);
        ASSERT_NE(shot, nullptr);
        const guchar* pixels = gdk_pixbuf_get_pixels(shot);
        const int stride = gdk_pixbuf_get_rowstride(shot);
        const int channels = gdk_pixbuf_get_n_channels(shot);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const guchar* p = pixels + y * stride + x * channels;
                inked += (p[0] | (p[1] << 8) | (p[2] << 16)) == ink ? 1 : 0;
            }
        }
        g_object_unref(shot);
        EXPECT_GT(inked, 40);
    }
}

TEST(SystemColors, HotLightIsTheThemesLinkColour) {
    // The splash's default colour: the theme's link colour, which is neither black nor the
    // window background.
    const TColor link = ColorToRGB(clHotLight);
    EXPECT_NE(link, clBlack);
    EXPECT_NE(link, ColorToRGB(clBtnFace));
    EXPECT_NE(link, ColorToRGB(clWhite));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no display; running them does.
    Application().Initialize();
    return RUN_ALL_TESTS();
}
