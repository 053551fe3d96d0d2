#include "forms/Application.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/OwnedWidget.h"

#include "platform/GuiThread.h"

#include <clocale>
#include <iostream>

namespace Forms {

TApplication& Application() {
    static TApplication application;
    return application;
}

TApplication::TApplication() = default;
TApplication::~TApplication() = default;

bool TApplication::Initialize() {
    if (FInitialized) {
        return true;
    }
    Platform::RecordGuiThread();
    FInitialized = gtk_init_check(nullptr, nullptr) != FALSE;
    // GTK takes the user's locale; numbers written by the program (JSON, CSS) must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    return FInitialized;
}

void TApplication::SetMainForm(TForm* Form) {
    FMainForm = Form;
}

void TApplication::Run() {
    if (!FInitialized || FTerminated) {
        return;
    }
    if (FMainForm != nullptr && !FMainForm->Visible()) {
        FMainForm->Show();
    }
    ++FLoopDepth;
    while (!FTerminated) {
        gtk_main_iteration_do(TRUE);
    }
    --FLoopDepth;
}

void TApplication::Terminate() {
    FTerminated = true;
    // Wake the loop so that Run sees the flag.
    g_main_context_wakeup(nullptr);
}

void TApplication::ProcessMessages() {
    if (!FInitialized) {
        return;
    }
    while (gtk_events_pending()) {
        gtk_main_iteration_do(FALSE);
    }
}

void TApplication::HandleMessagesUntil(const std::function<bool()>& Done) {
    while (!Done() && !FTerminated) {
        gtk_main_iteration_do(TRUE);
    }
}

void TApplication::SetTitle(const std::string& Value) {
    FTitle = Value;
    g_set_application_name(Value.c_str());
}

TForm* TApplication::ActiveForm() const {
    const Base::GLib::TGList windows(gtk_window_list_toplevels());
    TForm* active = nullptr;
    for (GList* w = windows.get(); w != nullptr; w = w->next) {
        GtkWindow* window = GTK_WINDOW(w->data);
        TForm* form = FormOfWindow(window);
        if (form == nullptr || !gtk_widget_get_visible(GTK_WIDGET(window))) {
            continue;
        }
        if (gtk_window_is_active(window)) {
            active = form;
            break;
        }
        if (active == nullptr) {
            active = form;
        }
    }
    return active != nullptr ? active : FMainForm;
}

TModalResult TApplication::MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
    if (!FInitialized) {
        std::cerr << Caption << ": " << Text << std::endl;
        return mrOk;
    }
    GtkMessageType type = GTK_MESSAGE_OTHER;
    switch (Flags & 0xF0) {
    case MB_ICONERROR:
        type = GTK_MESSAGE_ERROR;
        break;
    case MB_ICONQUESTION:
        type = GTK_MESSAGE_QUESTION;
        break;
    case MB_ICONWARNING:
        type = GTK_MESSAGE_WARNING;
        break;
    case MB_ICONINFORMATION:
        type = GTK_MESSAGE_INFO;
        break;
    default:
        break;
    }
    GtkButtonsType buttons = GTK_BUTTONS_OK;
    if ((Flags & 0xF) == MB_OKCANCEL) {
        buttons = GTK_BUTTONS_OK_CANCEL;
    } else if ((Flags & 0xF) == MB_YESNO) {
        buttons = GTK_BUTTONS_YES_NO;
    }
    TForm* owner = ActiveForm();
    GtkWindow* parent = owner != nullptr ? owner->FormImpl().Window : nullptr;
    const TOwnedWidget dialog =
        OwnWidget(gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons, "%s", Text.c_str()));
    gtk_window_set_title(GTK_WINDOW(dialog.get()), Caption.empty() ? FTitle.c_str() : Caption.c_str());
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
    switch (response) {
    case GTK_RESPONSE_OK:
        return mrOk;
    case GTK_RESPONSE_YES:
        return mrYes;
    case GTK_RESPONSE_NO:
        return mrNo;
    default:
        return mrCancel;
    }
}

void TApplication::ShowException(const std::exception& E) {
    MessageBox(E.what(), FTitle.empty() ? std::string("Error") : FTitle, MB_OK | MB_ICONERROR);
}

} // namespace Forms
